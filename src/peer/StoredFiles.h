#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "peer/ControllerSimulator.h"

namespace marrowick {

// What a simulated controller holds, as the files a test compares with what was
// sent: "table.bin" (its reply to "R"), "library.bin", "show-000.bin" to
// "show-010.bin", "firmware.txt" (the records taken, one per line in hex) and
// "summary.txt" (requests seen, flags). `firmwareSeconds`, when known, goes into
// the summary: from the last "F" to the end-of-file record.
std::vector<std::pair<std::string, std::string>> StoredFiles(const ControllerSimulator& sim,
                                                             std::optional<double> firmwareSeconds = std::nullopt);

} // namespace marrowick
