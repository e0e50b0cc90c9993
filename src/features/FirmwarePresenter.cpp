#include "features/FirmwarePresenter.h"

#include "conversations/Identification.h"
#include "features/Texts.h"
#include "link/Encoding.h"

namespace marrowick {
namespace {

std::string SdText(SdVariant sd)
{
    switch (sd) {
    case SdVariant::Full:
        return " for a full-size SD card";
    case SdVariant::Micro:
        return " for a micro SD card";
    case SdVariant::FullOnly:
        return " for a full-size SD card only";
    case SdVariant::None:
        break;
    }
    return "";
}

// The step the loader was answering: its start ("F") or a record.
std::string What(int record)
{
    return record < 0 ? "the start of the download" : "record " + std::to_string(record);
}

std::string HexText(int value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

} // namespace

std::string ImageProblemText(int image, const ImageProblem& problem)
{
    using Fault = ImageProblem::Fault;
    const std::string name = "Firmware image " + std::to_string(image);
    std::string fault;
    switch (problem.fault) {
    case Fault::NoRecords:
        return name + " holds no records; nothing was sent.";
    case Fault::NoColon:
        fault = "does not start with \":\"";
        break;
    case Fault::NotHex:
        fault = "holds a character that is not a hexadecimal digit";
        break;
    case Fault::TooShort:
        fault = "is too short for a record";
        break;
    case Fault::Length:
        fault = "is " + std::to_string(problem.size) + " characters long, but its byte count " +
                HexText(problem.value) + " needs " + std::to_string(problem.expected);
        break;
    case Fault::Checksum:
        fault = "has the checksum " + HexText(problem.value) + " where " + HexText(static_cast<int>(problem.expected)) +
                " is right";
        break;
    case Fault::Type:
        fault = "is a record of type " + HexText(problem.value) +
                "; only data (00) and end-of-file (01) records can be sent";
        break;
    case Fault::EndWithData:
        fault = "is an end-of-file record that carries data";
        break;
    case Fault::EndBeforeLast:
        fault = "is an end-of-file record before the last record";
        break;
    case Fault::NoEndAtLast:
        fault = "is the last record, but the image must end with an end-of-file record";
        break;
    }
    std::string record = problem.record;
    if (record.size() > 48)
        record = record.substr(0, 45) + "...";
    return name + " cannot be sent: line " + std::to_string(problem.line) + " (" + record + ") " + fault +
           ". Nothing was sent.";
}

std::string FirmwareText(const Result& result)
{
    if (result.ok()) {
        std::string text =
            "Firmware image " + std::to_string(result.number) + " sent: " + std::to_string(result.got) + " records";
        if (result.reason == Reason::LastRecordUnconfirmed)
            text += "; the controller did not confirm the last record";
        return text;
    }
    std::string why;
    switch (result.reason) {
    case Reason::Refusals:
        why = "the controller refused " + What(result.number) + " " + std::to_string(result.got) + " times in a row";
        break;
    case Reason::AnswerUnreadable:
        why = "the controller's answer to " + What(result.number) + " could not be read";
        break;
    case Reason::NoAnswer:
        why = "no answer from the controller within " + FloatText(static_cast<float>(result.got) / 1000.0F) + " s";
        break;
    default:
        why = text::Why(result);
    }
    return "Firmware Download Aborted: " + why + text::LineErrorsNote(result);
}

std::string UnconfirmedModelText(int image)
{
    std::string text = "Download firmware image " + std::to_string(image);
    for (const FirmwareRow& row : FirmwareCatalogue)
        if (row.number == image)
            text += " (K5 version " + std::string(row.version) + ")";
    return text + "? The controller did not say which model it is: download it only if this is a K5.";
}

std::string DownloadQuestionText(int image, const std::string& runningVersion)
{
    const FirmwareRow* row = FindFirmwareRow(image);
    std::string text = "Download firmware image " + std::to_string(image);
    if (row == nullptr)
        return text + "?";
    text += " (" + std::string(row->model) + " version " + std::string(row->version) + ")? ";
    if (runningVersion.empty())
        return text + "The controller did not say which version it runs.";
    text += "The controller runs version " + runningVersion + ".";
    const double wanted = VersionValue(std::string(row->version));
    const double running = VersionValue(runningVersion);
    if (wanted < running)
        text += " This image is OLDER than what it runs.";
    else if (wanted == running)
        text += " It runs this version already.";
    return text;
}

std::string FirmwareUpdatedText(const std::string& before, const std::string& after)
{
    if (after == before)
        return "Firmware not updated: the controller still runs version " + after +
               "; switch it off and on, then download the firmware again";
    return "Firmware updated: " + (before.empty() ? std::string("?") : before) + " \u2192 " + after;
}

std::string FirmwarePanelText(const Result& result)
{
    return result.ok() ? std::string() : "Firmware Download Aborted";
}

std::string ImageInfoText(const std::string& modelReply, const OptionReader& options)
{
    if (FirmwareModelKey(modelReply).empty())
        return UnnamedModelText;
    std::string text;
    for (const FirmwareRow* row : FirmwareCandidates(modelReply, options)) {
        const auto facts = EmbeddedImageFacts(row->number);
        if (!text.empty())
            text += "\n";
        text += "Image " + std::to_string(row->number) + ": version " + std::string(row->version) + SdText(row->sd);
        if (facts)
            text += ", " + std::to_string(facts->records) + " records, " + std::to_string(facts->bytes) + " bytes";
        else
            text += ", missing from this program";
    }
    return text;
}

} // namespace marrowick
