#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"

namespace marrowick {

class View;

// One show of the controller's table of contents.
struct ShowEntry {
    std::int32_t Start = 0;
    std::int32_t Length = 0;
    std::uint8_t ClipNumber = 0;
    std::uint8_t Volume = 0;
    std::uint8_t PreShowDelay = 0;
    std::uint8_t PostShowDelay = 0;
    std::uint8_t Configuration = 0;
    // Start and Length exactly as the controller sent them, least significant byte first.
    std::array<std::uint8_t, 8> RawStartLength{};
};

inline constexpr int ShowTableSize = 129;
inline constexpr int ShowDataSize = 11; // show indices 0..10
inline constexpr int BlocksPerTable = 10;
inline constexpr int ShowBlockBytes = 16;
inline constexpr std::size_t TocImageBytes = 304;
inline constexpr int MaxShowCount = ShowDataSize - 1;

// The show table and configuration the program holds: what was last read from
// a controller or opened from a project folder. One instance for the whole run.
struct ShowState {
    std::array<ShowEntry, ShowTableSize> ShowTable{};
    std::uint8_t ShowCount = 0;
    bool AmbientMode = false;
    std::int16_t TriggerMode = 0; // 0 normally open, 1 normally closed
    std::int16_t LockOut = 0;
    std::string TocImage; // the R2-layout table image, one byte per character
    std::array<std::string, ShowDataSize> ShowData{};
    std::int16_t CurrentShow = 0;
    // Numbered shows below the highest one opened from a K5 project whose file
    // was missing or could not be read, with why; their table entries are stale.
    // Emptied by every open and by a read from the controller.
    std::map<int, std::string> UnopenedShows;

    // The shows that exist: FirstShow() .. ShowCount.
    int FirstShow() const { return AmbientMode ? 0 : 1; }

    // What the configuration labels show now, by control name, so the window
    // and a command line show the same.
    std::map<std::string, std::string> labels;
    void SetLabel(Control control, const std::string& text) { labels[std::string(control.Name())] = text; }
};

// Why the shows held cannot go to a controller whole: each numbered show that
// was not opened, and each show from the first to ShowCount with less data than
// its table length ("show 2 has 100 of 5000 bytes"), joined by "; ". Empty
// when every show has all its bytes.
std::string IncompleteShows(const ShowState& shows);

// A clip, volume or delay byte as a read takes it: above 99 is 0.
std::uint8_t AsRead99(std::uint8_t value);

// Decodes a 16-byte show block (Start and Length least significant byte first).
// With `clampTo99`, clip, volume and the delays above 99 become 0.
ShowEntry DecodeShowBlock(std::string_view block, bool clampTo99);

// A show block as the program sends it: Start and Length most significant byte
// first, then the five byte fields and 255 255 255.
std::string EncodeShowBlock(const ShowEntry& entry);

// "Next", "Previous", "Stop", or "Show # n" for codes of 3 and more (show n = code - 2),
// followed by " Start" when `withStart`.
std::string TriggerActionText(std::uint8_t code, bool withStart);

// The ten rows of the show list: "Show i" and the seven values of entry i.
std::vector<std::vector<std::string>> ShowListRows(const ShowState& shows);

// Column headers of the show list, in order.
const std::vector<std::string>& ShowListColumns();

// Rebuilds `ListShows` from the table.
void FillShowList(View& view, const ShowState& shows);

// Shows the configuration labels the state holds; a label that `before` held
// and the state no longer does is emptied.
void ShowLabels(View& view, const ShowState& shows, const std::map<std::string, std::string>& before = {});

// "N.O." or "N.C.".
inline const char* TriggerModeText(std::int16_t mode)
{
    return mode == 1 ? "N.C." : "N.O.";
}

} // namespace marrowick
