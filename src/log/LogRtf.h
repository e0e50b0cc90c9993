#pragma once

#include <string>
#include <vector>

#include "log/LogModel.h"

namespace marrowick {

// The log as an RTF document: a colour table of the colours used, each line in
// its colour and point size, underlined where the repeat notice switched it on.
// Texts are taken as UTF-8; bytes that are not UTF-8 are written as themselves.
std::string LogToRtf(const std::vector<LogLine>& lines);

} // namespace marrowick
