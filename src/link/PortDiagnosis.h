#pragma once

#include <string>
#include <vector>

namespace marrowick {

// Why a serial port would not open, as far as the system could tell.
enum class PortProblem {
    NotChosen,        // no port number was chosen (port 0)
    BadNumber,        // a number outside 1..16
    NoDevice,         // the device path does not exist, or a number has no device behind it
    WindowsName,      // "COM23" or "\\.\COM23" where no such device exists: a name only Windows knows
    PermissionDenied, // the user may not open the device
    Busy,             // another program holds the device
    BusyOrDenied,     // refused, and the system does not say whether it is busy or forbidden
    NotSerial,        // the path is not a serial device
    SettingRefused,   // the device does not take one of the line settings
    Other,            // anything else: the system's own words tell
};

// The facts gathered about a port that would not open; the platform fills in
// what it can find out, the rest stays empty.
struct PortFacts {
    PortProblem problem = PortProblem::Other;
    std::string port;   // as the user named it: "COM3", "3" or a device path
    std::string device; // the device behind it, empty when there is none

    // PermissionDenied: the device's group, whether its members may read and
    // write it, who runs the program, and whether that user is listed in the
    // group already (but joined after logging in, so this login lacks it).
    std::string group;
    bool groupMayOpen = false;
    std::string user;
    bool userListedInGroup = false;

    // Busy: the programs holding the device, "name (pid N)" or "pid N".
    std::vector<std::string> holders;

    // SettingRefused: the setting, "9600 baud", "8 data bits", "no parity",
    // "1 stop bit" or "no flow control"; empty when the system did not say which.
    std::string setting;

    // NotChosen: how many serial devices were found, and why those that would
    // not open refused (each with its own facts).
    int devicesFound = 0;
    std::vector<PortFacts> refused;

    // The system's own description of the failure.
    std::string systemText;
};

// One or two short sentences a show builder understands: what is wrong with
// the port and what to do about it.
std::string DescribePortProblem(const PortFacts& facts);

} // namespace marrowick
