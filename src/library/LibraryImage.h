#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "library/AudioLibrary.h"

namespace marrowick {

// Where the library starts in the controller's audio memory.
inline constexpr std::uint32_t LibraryBase = 0x20000;

// One entry of the table in front of the clip bytes.
struct ClipEntry {
    float start = 0;  // audio-memory address of the clip's first byte
    float length = 0; // the clip's recorded size
};

std::vector<ClipEntry> ClipEntries(const std::vector<AudioClip>& clips);

// The table as the controller and 000.LIB carry it: per clip start and length,
// four bytes each, most significant first.
std::string ClipTable(const std::vector<ClipEntry>& entries);

// Every clip file's bytes, in library order. Each file is measured again first:
// one that is gone, unreadable or no longer the size it was added with stops the
// load, named in `problem`, since the table would no longer match the data.
// `onLoaded` hears the running byte total after each file.
std::optional<std::string> LoadClipData(const std::vector<AudioClip>& clips, ClipProblem* problem,
                                        const std::function<void(double loaded)>& onLoaded = {});

} // namespace marrowick
