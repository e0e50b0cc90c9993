#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/PortDiagnosis.h"
#include "link/PortNumbering.h"
#include "platform/Settings.h"

namespace marrowick {

// Port numbers 1..16 and the devices behind them. On Windows a number is the
// OS port. Elsewhere, settings section "ports", keys "com1".."com16", map a
// number to a device path; numbers without one go to the serial devices found,
// USB adapters first, in a stable order.
class PortNames {
public:
    explicit PortNames(const Settings* settings = nullptr);

    std::vector<PortEntry> Ports() const;
    // The device to open for "COM3", "3" or a device path (a Windows port
    // name such as "COM23" or "\\.\COM23" is one: see ReadPortName). A number
    // without a device fills `why` (port "COM" and the number, the problem).
    std::optional<std::string> Resolve(const std::string& name, PortFacts* why) const;

private:
    const Settings* m_settings;
};

} // namespace marrowick
