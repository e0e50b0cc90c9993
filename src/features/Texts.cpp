#include "features/Texts.h"

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

} // namespace marrowick::text
