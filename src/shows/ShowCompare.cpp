#include "shows/ShowCompare.h"

#include <algorithm>

#include "shows/TableReply.h"

namespace marrowick {
namespace {

using Field = ShowDifference::Field;

// The show's data as far as its table length goes: no more is written or read.
std::string DataOf(const ShowState& shows, std::size_t index)
{
    return shows.ShowData[index].substr(0, static_cast<std::size_t>(std::max(shows.ShowTable[index].Length, 0)));
}

ShowDifference DataDifference(int show, const std::string& wrote, const std::string& read)
{
    for (std::size_t at = 0; at < wrote.size() && at < read.size(); ++at)
        if (wrote[at] != read[at])
            return {Field::DataByte, show, static_cast<unsigned char>(wrote[at]), static_cast<unsigned char>(read[at]),
                    at};
    if (wrote.size() != read.size())
        return {Field::DataLength, show, static_cast<long long>(wrote.size()), static_cast<long long>(read.size()), 0};
    return {};
}

ShowDifference EntryDifference(int show, const ShowEntry& wrote, const ShowEntry& read)
{
    const struct {
        Field field;
        long long wrote;
        long long read;
    } fields[] = {
        {Field::Length, wrote.Length, read.Length},
        {Field::Clip, AsRead99(wrote.ClipNumber), read.ClipNumber},
        {Field::Volume, AsRead99(wrote.Volume), read.Volume},
        {Field::PreDelay, AsRead99(wrote.PreShowDelay), read.PreShowDelay},
        {Field::PostDelay, AsRead99(wrote.PostShowDelay), read.PostShowDelay},
        {Field::Configuration, wrote.Configuration, read.Configuration},
    };
    for (const auto& field : fields)
        if (field.wrote != field.read)
            return {field.field, show, field.wrote, field.read, 0};
    return {};
}

} // namespace

ShowDifference FirstShowDifference(const ShowState& written, const ShowState& readBack, TableLayout layout)
{
    if (written.ShowCount != readBack.ShowCount)
        return {Field::ShowCount, -1, written.ShowCount, readBack.ShowCount, 0};
    if (written.AmbientMode != readBack.AmbientMode)
        return {Field::Ambient, -1, written.AmbientMode, readBack.AmbientMode, 0};
    if (written.TriggerMode != readBack.TriggerMode)
        return {Field::Trigger, -1, written.TriggerMode, readBack.TriggerMode, 0};
    if (layout == TableLayout::R2 && written.LockOut != readBack.LockOut)
        return {Field::Lockout, -1, written.LockOut == 1, readBack.LockOut == 1, 0};
    if (layout == TableLayout::R2 && TriggerActionA(written) != TriggerActionA(readBack))
        return {Field::TriggerA, -1, TriggerActionA(written), TriggerActionA(readBack), 0};
    if (layout == TableLayout::R2 && TriggerActionB(written) != TriggerActionB(readBack))
        return {Field::TriggerB, -1, TriggerActionB(written), TriggerActionB(readBack), 0};
    for (int show = written.FirstShow(); show <= written.ShowCount && show <= MaxShowCount; ++show) {
        const auto index = static_cast<std::size_t>(show);
        if (const auto difference = EntryDifference(show, written.ShowTable[index], readBack.ShowTable[index]))
            return difference;
        if (const auto difference = DataDifference(show, DataOf(written, index), DataOf(readBack, index)))
            return difference;
    }
    return {};
}

} // namespace marrowick
