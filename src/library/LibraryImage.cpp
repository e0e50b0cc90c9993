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

std::optional<std::string> LoadClipData(const std::vector<AudioClip>& clips, std::string* error,
                                        const std::function<void(double loaded)>& onLoaded)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    double total = 0;
    for (const AudioClip& clip : clips)
        total += clip.Size;
    std::string data;
    data.reserve(static_cast<std::size_t>(total));
    for (const AudioClip& clip : clips) {
        const std::string shown = WithNativeSeparators(clip.FileName);
        std::string why;
        const std::int64_t size = MeasureFile(clip.FileName, &why);
        if (size < 0)
            return fail("Clip file " + shown + " cannot be read: " + why);
        if (static_cast<float>(size) != clip.Size)
            return fail("Clip file " + shown + " has changed since it was added: it is now " + std::to_string(size) +
                        " bytes, it was " + FloatText(clip.Size) + " bytes");
        // No more than the clip was measured at, which the controller's memory holds.
        const auto bytes = ReadWholeFile(PathFromUtf8(clip.FileName), static_cast<std::uint64_t>(size), &why);
        if (!bytes)
            return fail("Clip file " + shown + " cannot be read: " + why);
        if (bytes->size() != static_cast<std::size_t>(size))
            return fail("Clip file " + shown + " cannot be read completely");
        data += *bytes;
        if (onLoaded)
            onLoaded(static_cast<double>(data.size()));
    }
    return data;
}

} // namespace marrowick
