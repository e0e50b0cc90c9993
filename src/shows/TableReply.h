#pragma once

#include <string>
#include <string_view>

#include "shows/ShowTable.h"

namespace marrowick {

// Why a table of shows cannot be used as it stands (more shows than the program
// holds, a show of negative length among the shows that exist); empty when it can.
// `blocks` are the ten 16-byte show blocks, least significant byte first;
// `source` is who gave the count, as the text names it.
std::string TableProblem(std::string_view blocks, int showCount, bool ambient,
                         std::string_view source = "the controller");

// Takes a 304-byte R2-layout image as the table and configuration: TocImage,
// the ten entries (clip, volume and delays above 99 shown as 0), ShowCount,
// ambient, trigger wiring and lockout, and the labels of all of them. The
// trigger labels carry " Start" after a controller's reply, not after an opened file.
void ApplyTocImage(ShowState& shows, const std::string& image, bool triggerStart);

} // namespace marrowick
