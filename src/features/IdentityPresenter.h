#pragma once

#include <string>

#include "base/Result.h"
#include "models/Identity.h"
#include "platform/SerialPort.h"

namespace marrowick {

// The words of the identification and of the line, as status panels 2 and 3
// and the command line show them.

// Panel 2: "Firmware Version: 1.05       Model: R2", "Firmware Version Not
// Available", "Firmware Version: 1.05     Model Not Available".
std::string VersionAndModelText(const Identity& identity);
// Panel 3: "Serial Number: 1A2B3C4D", "Serial Number Not Available", or nothing.
std::string SerialText(const Identity& identity);
// Why the identification did not end well: "Unknown controller model:
// \"R2R2\"", "Firmware Version Not Available", ...
std::string IdentificationText(const Result& result);
// A device other than the one lost is where the port was.
std::string OtherDeviceText(const std::string& port);

} // namespace marrowick
