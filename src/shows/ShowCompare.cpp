#include "shows/ShowCompare.h"

#include <algorithm>
#include <cstdio>

namespace marrowick {
namespace {

std::string Differs(const std::string& what, const std::string& wrote, const std::string& read)
{
    return what + ": wrote " + wrote + ", read back " + read;
}

std::string YesNo(bool value)
{
    return value ? "Yes" : "No";
}

std::string Hex(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// The show's data as far as its table length goes: no more is written or read.
std::string DataOf(const ShowState& shows, std::size_t index)
{
    return shows.ShowData[index].substr(0, static_cast<std::size_t>(std::max(shows.ShowTable[index].Length, 0)));
}

std::string DataDifference(const std::string& show, const std::string& wrote, const std::string& read)
{
    for (std::size_t at = 0; at < wrote.size() && at < read.size(); ++at)
        if (wrote[at] != read[at])
            return Differs(show + " data at byte offset " + std::to_string(at),
                           Hex(static_cast<unsigned char>(wrote[at])), Hex(static_cast<unsigned char>(read[at])));
    if (wrote.size() != read.size())
        return Differs(show + " data", std::to_string(wrote.size()) + " bytes", std::to_string(read.size()));
    return {};
}

std::string EntryDifference(int index, const ShowEntry& wrote, const ShowEntry& read)
{
    const std::string show = "show " + std::to_string(index);
    if (wrote.Length != read.Length)
        return Differs(show + " length", std::to_string(wrote.Length), std::to_string(read.Length));
    const struct {
        const char* name;
        int wrote;
        int read;
    } fields[] = {
        {"clip", AsRead99(wrote.ClipNumber), read.ClipNumber},
        {"volume", AsRead99(wrote.Volume), read.Volume},
        {"pre-show delay", AsRead99(wrote.PreShowDelay), read.PreShowDelay},
        {"post-show delay", AsRead99(wrote.PostShowDelay), read.PostShowDelay},
        {"configuration", wrote.Configuration, read.Configuration},
    };
    for (const auto& field : fields)
        if (field.wrote != field.read)
            return Differs(show + " " + field.name, std::to_string(field.wrote), std::to_string(field.read));
    return {};
}

} // namespace

std::string FirstShowDifference(const ShowState& written, const ShowState& readBack, TableLayout layout)
{
    if (written.ShowCount != readBack.ShowCount)
        return Differs("show count", std::to_string(written.ShowCount), std::to_string(readBack.ShowCount));
    if (written.AmbientMode != readBack.AmbientMode)
        return Differs("ambient mode", YesNo(written.AmbientMode), YesNo(readBack.AmbientMode));
    if (written.TriggerMode != readBack.TriggerMode)
        return Differs("trigger mode", TriggerModeText(written.TriggerMode), TriggerModeText(readBack.TriggerMode));
    if (layout == TableLayout::R2 && written.LockOut != readBack.LockOut)
        return Differs("lockout", YesNo(written.LockOut == 1), YesNo(readBack.LockOut == 1));
    for (int show = written.FirstShow(); show <= written.ShowCount && show <= MaxShowCount; ++show) {
        const auto index = static_cast<std::size_t>(show);
        std::string difference = EntryDifference(show, written.ShowTable[index], readBack.ShowTable[index]);
        if (difference.empty())
            difference =
                DataDifference("show " + std::to_string(show), DataOf(written, index), DataOf(readBack, index));
        if (!difference.empty())
            return difference;
    }
    return {};
}

} // namespace marrowick
