#pragma once

#include <string>
#include <string_view>

#include "base/Result.h"
#include "shows/ShowTable.h"

namespace marrowick {

// Why a table of shows cannot be used as it stands: more shows than the program
// holds (TooManyShows), a show of negative length among the shows that exist
// (NegativeLength), shows that together need more than the controller's show
// memory of `showMemory` bytes (TooLong, naming the show that passes it); Ok
// when it can. `blocks` are the ten 16-byte show blocks, least significant
// byte first.
Result TableProblem(std::string_view blocks, int showCount, bool ambient, std::int64_t showMemory);

// Takes a 304-byte R2-layout image as the table and configuration: TocImage,
// the ten entries (clip, volume and delays above 99 taken as 0), ShowCount,
// ambient, trigger wiring and lockout; `source` says whether it came from a
// controller's reply or an opened 000.CFG.
void ApplyTocImage(ShowState& shows, const std::string& image, ShowSource source);

// The trigger action codes of an R2-layout image (bytes 166 and 167).
inline std::uint8_t TriggerActionA(const ShowState& shows)
{
    return shows.TocImage.size() > 166 ? static_cast<std::uint8_t>(shows.TocImage[166]) : 0;
}
inline std::uint8_t TriggerActionB(const ShowState& shows)
{
    return shows.TocImage.size() > 167 ? static_cast<std::uint8_t>(shows.TocImage[167]) : 0;
}

} // namespace marrowick
