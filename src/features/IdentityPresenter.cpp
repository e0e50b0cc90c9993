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

std::string IdentificationText(const Result& result)
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

std::string OtherDeviceText(const std::string& port)
{
    return "Serial port lost: another device is now at " + port +
           "; it was not opened. Use Connect\u2026 to talk to it";
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

} // namespace marrowick
