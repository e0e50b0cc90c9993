#include "shows/TableReply.h"

namespace marrowick {

std::string TableProblem(std::string_view blocks, int showCount, bool ambient, std::string_view source)
{
    if (showCount > MaxShowCount)
        return std::string(source) + " reports " + std::to_string(showCount) + " shows; at most " +
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

void ApplyTocImage(ShowState& shows, const std::string& image, bool triggerStart)
{
    shows.TocImage = image;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        shows.ShowTable[i] = DecodeShowBlock(std::string_view(image).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    shows.ShowCount = static_cast<std::uint8_t>(image[160]);
    shows.SetLabel(control::lblShowCount, std::to_string(shows.ShowCount));
    const auto flags = static_cast<unsigned char>(image[161]);
    shows.AmbientMode = (flags & 1U) != 0;
    shows.SetLabel(control::lblAmbient, shows.AmbientMode ? "Yes" : "No");
    shows.TriggerMode = (flags & 2U) != 0 ? 1 : 0;
    shows.SetLabel(control::lblTrigger, TriggerModeText(shows.TriggerMode));
    shows.LockOut = (flags & 4U) != 0 ? 1 : 0;
    shows.SetLabel(control::lblLockOut, shows.LockOut == 1 ? "Yes" : "No");
    shows.SetLabel(control::LblTriggerAvalue, TriggerActionText(static_cast<std::uint8_t>(image[166]), triggerStart));
    shows.SetLabel(control::LblTriggerBvalue, TriggerActionText(static_cast<std::uint8_t>(image[167]), triggerStart));
}

} // namespace marrowick
