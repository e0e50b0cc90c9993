#include "features/IdentityPresenter.h"

#include "features/Texts.h"

namespace marrowick {

std::string VersionAndModelText(const Identity& identity)
{
    if (identity.versionMissing)
        return text::VersionNotAvailable;
    if (identity.FirmwareVersion.empty())
        return {};
    std::string text = "Firmware Version: " + identity.FirmwareVersion;
    if (!identity.ControllerModel.empty())
        text += "       Model: " + identity.ControllerModel;
    else if (identity.modelMissing || identity.modelUnreadable)
        text += "     " + text::ModelNotAvailable;
    return text;
}

std::string SerialText(const Identity& identity)
{
    if (identity.serialMissing)
        return text::SerialNotAvailable;
    return identity.SerialNumber.empty() ? std::string() : "Serial Number: " + identity.SerialNumber;
}

namespace {

std::string IdentificationWords(const Result& result)
{
    switch (result.reason) {
    case Reason::VersionNotAvailable:
        return text::VersionNotAvailable;
    case Reason::ModelNotAvailable:
        return text::ModelNotAvailable;
    case Reason::SerialNotAvailable:
        return text::SerialNotAvailable;
    case Reason::UnknownModel:
        return "Unknown controller model: " + text::QuotedReply(result.detail);
    default:
        return text::Why(result);
    }
}

} // namespace

std::string IdentificationText(const Result& result)
{
    return IdentificationWords(result) + text::LineErrorsNote(result);
}

std::string OtherDeviceText(const std::string& port)
{
    return "Serial port lost: another device is now at " + port +
           "; it was not opened. Use Connect\u2026 to talk to it";
}

} // namespace marrowick
