#include "link/PortDiagnosis.h"

namespace marrowick {
namespace {

constexpr const char* LineSettings = "9600 baud, 8 data bits, no parity, 1 stop bit and no flow control";

// "COM3 (/dev/ttyUSB0)" when a number stands for a device, else whichever is known.
std::string Shown(const PortFacts& f)
{
    if (f.device.empty())
        return f.port;
    if (f.port.empty() || f.port == f.device)
        return f.device;
    return f.port + " (" + f.device + ")";
}

// The system's words as the end of a sentence.
std::string SystemWords(const PortFacts& f)
{
    std::string text = f.systemText;
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    return text.empty() ? std::string() : ": " + text;
}

std::string Joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : " and ") + item;
    return text;
}

} // namespace

std::string DescribePortProblem(const PortFacts& f)
{
    const std::string name = Shown(f);
    switch (f.problem) {
    case PortProblem::NotChosen:
        if (!f.refused.empty())
            return "No port was chosen, as none would open. " + DescribePortProblem(f.refused.front());
        if (f.devicesFound == 0)
            return "No port was chosen, as this computer has no serial port: is the adapter plugged in?";
        return "No port was chosen: pick one from the list when the program starts.";
    case PortProblem::BadNumber:
        return "There is no port " + f.port + ": ports go from COM1 to COM16.";
    case PortProblem::NoDevice:
        if (f.device.empty())
            return f.port + " has no serial device behind it: is the adapter plugged in?";
        return name + " does not exist: is the adapter plugged in?";
    case PortProblem::WindowsName:
        return f.port + " is a Windows port name and no such device exists here: use COM1 to COM16 or a device " +
               "path such as /dev/ttyUSB0.";
    case PortProblem::PermissionDenied: {
        if (!f.groupMayOpen || f.group.empty())
            return "You may not open " + name + ": ask whoever looks after this computer for access to it.";
        const std::string lead = name + " may only be opened by members of group " + f.group;
        if (f.userListedInGroup)
            return lead + ", which " + (f.user.empty() ? std::string("you") : f.user) +
                   " joined after logging in: log out and in again.";
        return lead + ": join it with `sudo usermod -aG " + f.group + " " + (f.user.empty() ? "$USER" : f.user) +
               "`, then log out and in again.";
    }
    case PortProblem::Busy:
        if (f.holders.empty())
            return name + " is in use by another program: close it and try again.";
        return name + " is in use by " + Joined(f.holders) + ": close " +
               (f.holders.size() == 1 ? "that program" : "those programs") + " and try again.";
    case PortProblem::BusyOrDenied:
        return name + " is in use by another program, or you may not open it" + SystemWords(f) + ".";
    case PortProblem::NotSerial:
        return name + " is not a serial port.";
    case PortProblem::SettingRefused:
        if (f.setting.empty())
            return name + " refused the line settings the controller needs (" + LineSettings + ")" + SystemWords(f) +
                   ".";
        return name + " refused the setting " + f.setting + "; the controller needs " + LineSettings + ".";
    case PortProblem::Other:
        break;
    }
    return name + " could not be opened" + SystemWords(f) + ".";
}

} // namespace marrowick
