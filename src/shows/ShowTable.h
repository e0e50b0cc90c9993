#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace marrowick {

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
// The ten show blocks of a table.
inline constexpr std::size_t TableBlockBytes = std::size_t{BlocksPerTable} * ShowBlockBytes;
inline constexpr std::size_t TocImageBytes = 304;
inline constexpr int MaxShowCount = ShowDataSize - 1;

// Where the table held came from, which decides how its configuration is
// shown: a K5's reply says "Y"/"N", an R2-layout reply and an opened 000.CFG
// "Yes"/"No"; only a reply names a trigger's show with " Start"; a K5 project
// carries no trigger wiring of its own.
enum class ShowSource { None, K5Reply, R2Reply, K5Project, ConfigFile };

// A numbered K5 show whose file was not opened.
struct UnopenedShow {
    std::string fileName;
    bool exists = false; // there, but it could not be read
};

// The show table and configuration the program holds: what was last read from
// a controller or opened from a project folder. One instance for the whole run.
struct ShowState {
    std::array<ShowEntry, ShowTableSize> ShowTable{};
    std::uint8_t ShowCount = 0;
    bool AmbientMode = false;
    std::int16_t TriggerMode = 0; // 0 normally open, 1 normally closed
    // TriggerMode is the controller's own: read from it, or kept with a project.
    bool triggerKnown = false;
    std::int16_t LockOut = 0;
    std::string TocImage; // the R2-layout table image, one byte per character
    std::array<std::string, ShowDataSize> ShowData{};
    std::int16_t CurrentShow = 0;
    // Numbered shows below the highest one opened from a K5 project whose file
    // was missing or could not be read, with why; their table entries are stale.
    // Emptied by every open and by a read from the controller.
    std::map<int, UnopenedShow> UnopenedShows;
    ShowSource source = ShowSource::None;
    // The model whose rules read or opened the shows ("K5", "R2", "L+"); empty
    // while none are held. They are written only to a controller of that model.
    std::string model;

    // The shows that exist: FirstShow() .. ShowCount.
    int FirstShow() const { return AmbientMode ? 0 : 1; }
};

// A show that cannot go to a controller whole: a numbered show whose file was
// not opened (`unopened`), or one with less data (`have`) than its table length.
struct Shortfall {
    int show = 0;
    const UnopenedShow* unopened = nullptr;
    std::size_t have = 0;
    std::int32_t length = 0;
};
// Every such show, in show order; empty when every show has all its bytes.
std::vector<Shortfall> IncompleteShows(const ShowState& shows);

// A clip, volume or delay byte as a read takes it: above 99 is 0.
std::uint8_t AsRead99(std::uint8_t value);

// Decodes a 16-byte show block (Start and Length least significant byte first).
// With `clampTo99`, clip, volume and the delays above 99 become 0.
ShowEntry DecodeShowBlock(std::string_view block, bool clampTo99);

// A show block as the program sends it: Start and Length most significant byte
// first, then the five byte fields and 255 255 255.
std::string EncodeShowBlock(const ShowEntry& entry);

} // namespace marrowick
