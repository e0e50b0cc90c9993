#include "features/Texts.h"

#include <string_view>

#include "conversations/Identification.h"

namespace marrowick::text {

std::string QuotedReply(const std::string& reply)
{
    const std::string trimmed = TrimmedReply(reply);
    static const char* const digits = "0123456789ABCDEF";
    std::string shown;
    for (char c : trimmed.empty() ? reply : trimmed) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte <= 0x7E)
            shown += c;
        else
            shown += {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
    }
    return "\"" + shown + "\"";
}

std::string WithArticle(const std::string& model)
{
    // Said letter by letter: "ar-two", "el-plus" begin with a vowel sound.
    const bool vowel = !model.empty() && std::string_view("AEFHILMNORSX").find(model.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + model;
}

std::string StopAndCloseText(ConversationKind kind)
{
    switch (kind) {
    case ConversationKind::FirmwareDownload:
        return "The firmware download is still running. Stop it and close? The controller will be left without "
               "complete firmware until it is downloaded again.";
    case ConversationKind::ShowWrite:
        return "The shows are still being written. Stop and close? The controller's shows will be incomplete until "
               "they are written again.";
    case ConversationKind::ClipTransfer:
        return "The clips are still being sent. Stop and close? The controller's library will be incomplete until "
               "the clips are sent again.";
    case ConversationKind::ShowRead:
    case ConversationKind::Identification:
        break;
    }
    return "The shows are still being read. Stop and close?";
}

std::string CloseQuestionText(std::optional<ConversationKind> running, bool unsavedEdits)
{
    if (!running)
        return unsavedEdits ? UnsavedEdits + " Throw them away and close?" : std::string();
    const std::string stop = StopAndCloseText(*running);
    return unsavedEdits ? stop + " The edits of the show table that are not saved are lost too." : stop;
}

std::string SignalName(int signal)
{
    switch (signal) {
    case 1:
        return "SIGHUP";
    case 2:
        return "SIGINT";
    case 15:
        return "SIGTERM";
    default:
        return signal == 0 ? "the console closing" : "signal " + std::to_string(signal);
    }
}

std::string Why(const Result& result)
{
    switch (result.reason) {
    case Reason::Cancelled:
        return "Cancelled";
    case Reason::Closing:
        return "The program is closing";
    case Reason::StateForced:
        return "State forced from the log window";
    case Reason::PortLost:
        return PortLost + result.detail;
    case Reason::Interrupted:
        return "Interrupted by " + SignalName(static_cast<int>(result.got));
    case Reason::NotResponding:
        return "Controller not responding";
    case Reason::OutOfMemory:
        return "the computer ran out of memory" + (result.detail.empty() ? "" : " (" + result.detail + ")");
    case Reason::SystemError:
        return result.detail;
    default:
        return {};
    }
}

std::string LineEventText(LineEventKind kind)
{
    switch (kind) {
    case LineEventKind::Break:
        return "Break received";
    case LineEventKind::Overrun:
        return "Overrun error";
    case LineEventKind::BufferOverflow:
        return "Receive Buffer overflow";
    case LineEventKind::Parity:
        return "Parity Error";
    case LineEventKind::TransmitFull:
        return "Transmit Buffer full";
    case LineEventKind::Configuration:
        return "DCB error";
    case LineEventKind::Framing:
    case LineEventKind::Lost:
        break;
    }
    return {};
}

std::string LineErrorsNote(const Result& result)
{
    std::string told;
    for (unsigned kind = 0; kind <= static_cast<unsigned>(LineEventKind::Lost); ++kind)
        if ((result.lineErrors & (1U << kind)) != 0)
            if (const std::string text = LineEventText(static_cast<LineEventKind>(kind)); !text.empty())
                told += (told.empty() ? "" : ", ") + text;
    return told.empty() ? told : " (the line reported: " + told + ")";
}

} // namespace marrowick::text
