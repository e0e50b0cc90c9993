#include "shows/ShowTable.h"

#include "link/Encoding.h"
#include "platform/View.h"

namespace marrowick {
namespace {

std::uint8_t ByteAt(std::string_view text, std::size_t at)
{
    return at < text.size() ? static_cast<std::uint8_t>(text[at]) : 0;
}

} // namespace

std::uint8_t AsRead99(std::uint8_t value)
{
    return value > 99 ? 0 : value;
}

std::string IncompleteShows(const ShowState& shows)
{
    std::string problems;
    auto add = [&](const std::string& problem) { problems += (problems.empty() ? "" : "; ") + problem; };
    for (int show = 0; show < ShowDataSize; ++show) {
        const auto unopened = shows.UnopenedShows.find(show);
        if (unopened != shows.UnopenedShows.end()) {
            add(unopened->second);
            continue;
        }
        if (show < shows.FirstShow() || show > shows.ShowCount)
            continue;
        const auto index = static_cast<std::size_t>(show);
        const std::int32_t length = shows.ShowTable[index].Length;
        // Data beyond the length is never sent, so only too little matters.
        if (length > 0 && shows.ShowData[index].size() < static_cast<std::size_t>(length))
            add("show " + std::to_string(show) + " has " + std::to_string(shows.ShowData[index].size()) + " of " +
                std::to_string(length) + " bytes");
    }
    return problems;
}

ShowEntry DecodeShowBlock(std::string_view block, bool clampTo99)
{
    ShowEntry entry;
    for (std::size_t k = 0; k < 8; ++k)
        entry.RawStartLength[k] = ByteAt(block, k);
    const auto& raw = entry.RawStartLength;
    entry.Start = LongFromBytes(raw[3], raw[2], raw[1], raw[0]);
    entry.Length = LongFromBytes(raw[7], raw[6], raw[5], raw[4]);
    const auto field = [&](std::size_t at) { return clampTo99 ? AsRead99(ByteAt(block, at)) : ByteAt(block, at); };
    entry.ClipNumber = field(8);
    entry.Volume = field(9);
    entry.PreShowDelay = field(10);
    entry.PostShowDelay = field(11);
    entry.Configuration = ByteAt(block, 12);
    return entry;
}

std::string EncodeShowBlock(const ShowEntry& entry)
{
    // The controller takes addresses as single-precision values turned into
    // four bytes, so anything above 2^24 goes out rounded to 24 significant bits.
    std::string block = SendLong(static_cast<float>(entry.Start));
    block += SendLong(static_cast<float>(entry.Length));
    for (std::uint8_t value :
         {entry.ClipNumber, entry.Volume, entry.PreShowDelay, entry.PostShowDelay, entry.Configuration})
        block += static_cast<char>(value);
    block.append(3, '\xFF');
    return block;
}

std::string TriggerActionText(std::uint8_t code, bool withStart)
{
    switch (code) {
    case 0:
        return "Next";
    case 1:
        return "Previous";
    case 2:
        return "Stop";
    default:
        return "Show # " + std::to_string(code - 2) + (withStart ? " Start" : "");
    }
}

const std::vector<std::string>& ShowListColumns()
{
    static const std::vector<std::string> columns = {"Show Start",   "Show Length",    "Audio clip",
                                                     "Audio Volume", "Pre Show Delay", "Post Show Delay",
                                                     "Configuration"};
    return columns;
}

std::vector<std::vector<std::string>> ShowListRows(const ShowState& shows)
{
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < BlocksPerTable; ++i) {
        const ShowEntry& e = shows.ShowTable[i];
        rows.push_back({"Show " + std::to_string(i), std::to_string(e.Start), std::to_string(e.Length),
                        std::to_string(e.ClipNumber), std::to_string(e.Volume), std::to_string(e.PreShowDelay),
                        std::to_string(e.PostShowDelay), std::to_string(e.Configuration)});
    }
    return rows;
}

void FillShowList(View& view, const ShowState& shows)
{
    view.setRows(control::ListShows, ShowListRows(shows));
}

void ShowLabels(View& view, const ShowState& shows, const std::map<std::string, std::string>& before)
{
    for (const auto& [name, text] : before)
        if (shows.labels.count(name) == 0)
            if (const auto control = FindControl(name))
                view.setCaption(*control, "");
    for (const auto& [name, text] : shows.labels)
        if (const auto control = FindControl(name))
            view.setCaption(*control, text);
}

} // namespace marrowick
