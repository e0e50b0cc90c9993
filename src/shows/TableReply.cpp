#include "shows/TableReply.h"

namespace marrowick {

Result TableProblem(std::string_view blocks, int showCount, bool ambient, std::int64_t showMemory)
{
    if (showCount > MaxShowCount)
        return Result::Fail(ResultCode::Refused, Reason::TooManyShows, -1, showCount, MaxShowCount);
    // Entries beyond ShowCount are never used and may hold erased memory, so
    // only the shows that exist must make sense.
    std::int64_t total = 0;
    for (int show = ambient ? 0 : 1; show <= showCount && show < BlocksPerTable; ++show) {
        const auto at = static_cast<std::size_t>(show) * ShowBlockBytes;
        const ShowEntry entry = DecodeShowBlock(blocks.substr(at, ShowBlockBytes), false);
        if (entry.Length < 0)
            return Result::Fail(ResultCode::Refused, Reason::NegativeLength, show, entry.Length);
        total += entry.Length;
        if (total > showMemory)
            return Result::Fail(ResultCode::Refused, Reason::TooLong, show, entry.Length, showMemory);
    }
    return Result::Done();
}

void ApplyTocImage(ShowState& shows, const std::string& image, ShowSource source)
{
    shows.TocImage = image;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        shows.ShowTable[i] = DecodeShowBlock(std::string_view(image).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    shows.ShowCount = static_cast<std::uint8_t>(image[160]);
    const auto flags = static_cast<unsigned char>(image[161]);
    shows.AmbientMode = (flags & 1U) != 0;
    shows.TriggerMode = (flags & 2U) != 0 ? 1 : 0;
    shows.triggerKnown = true;
    shows.LockOut = (flags & 4U) != 0 ? 1 : 0;
    shows.source = source;
}

} // namespace marrowick
