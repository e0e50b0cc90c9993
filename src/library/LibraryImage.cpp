#include "library/LibraryImage.h"

#include "base/Files.h"
#include "link/Encoding.h"

namespace marrowick {

std::vector<ClipEntry> ClipEntries(const std::vector<AudioClip>& clips)
{
    std::vector<ClipEntry> entries;
    double start = double{LibraryBase} + double{ClipEntryBytes} * static_cast<double>(clips.size());
    for (const AudioClip& clip : clips) {
        entries.push_back({static_cast<float>(start), clip.Size});
        start += clip.Size;
    }
    return entries;
}

std::string ClipTable(const std::vector<ClipEntry>& entries)
{
    std::string table;
    std::size_t position = 1;
    for (const ClipEntry& entry : entries) {
        PutLong(entry.start, table, position);
        PutLong(entry.length, table, position);
    }
    return table;
}

std::optional<std::string> LoadClipData(const std::vector<AudioClip>& clips, ClipProblem* problem,
                                        const std::function<void(double loaded)>& onLoaded)
{
    auto fail = [&](ClipProblem why) {
        if (problem)
            *problem = std::move(why);
        return std::nullopt;
    };
    double total = 0;
    for (const AudioClip& clip : clips)
        total += clip.Size;
    std::string data;
    data.reserve(static_cast<std::size_t>(total));
    for (const AudioClip& clip : clips) {
        std::string why;
        const std::int64_t size = MeasureFile(clip.FileName, &why);
        if (size < 0)
            return fail({ClipProblem::Kind::Unreadable, clip.FileName, why, 0, 0, 0, 0});
        if (static_cast<float>(size) != clip.Size)
            return fail({ClipProblem::Kind::Changed, clip.FileName, {}, size, 0, clip.Size, 0});
        // No more than the clip was measured at, which the controller's memory holds.
        const auto bytes = ReadWholeFile(PathFromUtf8(clip.FileName), static_cast<std::uint64_t>(size), &why);
        if (!bytes)
            return fail({ClipProblem::Kind::Unreadable, clip.FileName, why, 0, 0, 0, 0});
        if (bytes->size() != static_cast<std::size_t>(size))
            return fail({ClipProblem::Kind::Incomplete, clip.FileName, {}, 0, 0, 0, 0});
        data += *bytes;
        if (onLoaded)
            onLoaded(static_cast<double>(data.size()));
    }
    return data;
}

} // namespace marrowick
