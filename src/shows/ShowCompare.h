#pragma once

#include <string>

#include "models/Controller.h"
#include "shows/ShowTable.h"

namespace marrowick {

// The first way in which the shows read back from a controller differ from
// the shows written to it; empty when they agree. Compared is what the project
// decides, in this order: the show count, the flags (ambient mode, trigger
// wiring and, in the R2 layout, lockout), then for each written show its
// length, clip, volume, delays, configuration byte and data. Start addresses,
// the serial number bytes and the bytes the program does not decode are the
// controller's own and are not compared. A clip, volume or delay above 99 is
// read back as 0 by every read, so it is compared as 0.
//
// Examples: "show count: wrote 3, read back 2", "show 2 volume: wrote 51, read
// back 50", "show 2 data at byte offset 17: wrote 0x41, read back 0xBE".
std::string FirstShowDifference(const ShowState& written, const ShowState& readBack, TableLayout layout);

} // namespace marrowick
