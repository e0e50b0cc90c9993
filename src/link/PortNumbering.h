#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Settings.h"

namespace marrowick {

// Port numbers go from COM1 to COM16, on every system.
inline constexpr int HighestPortNumber = 16;
inline constexpr bool IsPortNumber(int number)
{
    return number >= 1 && number <= HighestPortNumber;
}

struct PortEntry {
    int number = 0;          // 1..16, shown as "COM" and the number; 0 for a device named by its path
    std::string device;      // what the platform opens: "COM3", "/dev/ttyUSB0"
    std::string description; // the adapter as the platform describes it
};

// A serial device the operating system reports.
struct FoundPort {
    std::string device;      // the path to open ("/dev/ttyUSB0"; on Windows "COM3")
    std::string name;        // the system's short name ("ttyUSB0", "COM3")
    std::string description; // the adapter, as the system describes it
    bool usb = false;        // a USB adapter (it has a vendor identifier)
};

// "COM3", "com3", "3" -> 3; anything else (a device path) -> nullopt.
std::optional<int> ParsePortNumber(const std::string& name);

// What a port text names. "COM3", "com3" and "3" are the numbered ports
// COM1..COM16 ("COM0" and "0": none); a bare number above 16 names no port.
// Anything else is a device, opened as written: a path ("/dev/ttyUSB3") or a
// Windows port name, "COMn" above 16 or "\\.\COMn" with any n, so every port
// Windows has can be reached.
struct PortName {
    enum class Kind { Numbered, BadNumber, Device };
    Kind kind = Kind::Device;
    int number = 0;           // Numbered: 0..16; BadNumber: the number given
    bool windowsName = false; // Device: "COMn" or "\\.\COMn", a name only Windows knows
};
PortName ReadPortName(const std::string& text);

// Windows: a number is the operating system's own COM port; only 1..16 count.
std::vector<PortEntry> NumberWindowsPorts(const std::vector<FoundPort>& found);

// Elsewhere: settings section "ports", keys "com1".."com16", map a number to a
// device path; the numbers left go to the devices found that no key names, USB
// adapters first, each group in the order of their paths. Sorted by number.
std::vector<PortEntry> NumberPorts(std::vector<FoundPort> found, const Settings* settings);

} // namespace marrowick
