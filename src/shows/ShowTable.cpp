#include "shows/ShowTable.h"

#include "link/Encoding.h"

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

std::vector<Shortfall> IncompleteShows(const ShowState& shows)
{
    std::vector<Shortfall> problems;
    for (int show = 0; show < ShowDataSize; ++show) {
        const auto unopened = shows.UnopenedShows.find(show);
        if (unopened != shows.UnopenedShows.end()) {
            problems.push_back({show, &unopened->second, 0, 0});
            continue;
        }
        if (show < shows.FirstShow() || show > shows.ShowCount)
            continue;
        const auto index = static_cast<std::size_t>(show);
        const std::int32_t length = shows.ShowTable[index].Length;
        // Data beyond the length is never sent, so only too little matters.
        if (length > 0 && shows.ShowData[index].size() < static_cast<std::size_t>(length))
            problems.push_back({show, nullptr, shows.ShowData[index].size(), length});
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

} // namespace marrowick
