#include "shows/TableReply.h"

#include <limits>

#include "core/Session.h"

namespace marrowick {

std::string TableProblem(std::string_view blocks, int showCount, bool ambient)
{
    if (showCount > MaxShowCount)
        return "the controller reports " + std::to_string(showCount) + " shows; at most " +
               std::to_string(MaxShowCount) + " can be held";
    // Entries beyond ShowCount are never used and may hold erased memory, so
    // only the shows that exist must make sense.
    for (int show = ambient ? 0 : 1; show <= showCount && show < BlocksPerTable; ++show) {
        const auto at = static_cast<std::size_t>(show) * ShowBlockBytes;
        const ShowEntry entry = DecodeShowBlock(blocks.substr(at, ShowBlockBytes), false);
        if (entry.Length < 0)
            return "show " + std::to_string(show) + " has a negative length (" + std::to_string(entry.Length) + ")";
    }
    return {};
}

void ApplyTocImage(Session& session, ShowState& shows, const std::string& image, bool triggerStart)
{
    View& view = session.view;
    shows.TocImage = image;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        shows.ShowTable[i] = DecodeShowBlock(std::string_view(image).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    shows.ShowCount = static_cast<std::uint8_t>(image[160]);
    SetShowLabel(view, shows, "lblShowCount", std::to_string(shows.ShowCount));
    session.LogDebug("Show Count: " + std::to_string(shows.ShowCount), 0, LogBaseline);
    const auto flags = static_cast<unsigned char>(image[161]);
    shows.AmbientMode = (flags & 1U) != 0;
    SetShowLabel(view, shows, "lblAmbient", shows.AmbientMode ? "Yes" : "No");
    shows.TriggerMode = (flags & 2U) != 0 ? 1 : 0;
    SetShowLabel(view, shows, "lblTrigger", TriggerModeText(shows.TriggerMode));
    shows.LockOut = (flags & 4U) != 0 ? 1 : 0;
    SetShowLabel(view, shows, "lblLockOut", shows.LockOut == 1 ? "Yes" : "No");
    SetShowLabel(view, shows, "LblTriggerAvalue",
                 TriggerActionText(static_cast<std::uint8_t>(image[166]), triggerStart));
    SetShowLabel(view, shows, "LblTriggerBvalue",
                 TriggerActionText(static_cast<std::uint8_t>(image[167]), triggerStart));
}

int WireTimeMs(std::size_t bytes)
{
    // A length read from a damaged table can be near 2^31 bytes: the wait then
    // saturates (weeks, not a negative time that would end the read at once).
    constexpr std::size_t limit = std::numeric_limits<int>::max() / 2;
    const std::size_t ms = (bytes * 1000 + 959) / 960;
    return static_cast<int>(ms < limit ? ms : limit);
}

} // namespace marrowick
