#include "projects/ShowFiles.h"

namespace marrowick {

std::string WiringText(std::int16_t triggerMode)
{
    return triggerMode == 1 ? "normally closed\n" : "normally open\n";
}

std::optional<std::int16_t> WiringOf(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    if (text == "normally open")
        return 0;
    if (text == "normally closed")
        return 1;
    return std::nullopt;
}

std::string ShowDataToSave(const std::string& data, std::int32_t length)
{
    return length > 0 ? data.substr(0, static_cast<std::size_t>(length)) : std::string();
}

std::string K5ShowFile(const ShowEntry& entry, const std::string& data)
{
    std::string bytes(entry.RawStartLength.begin(), entry.RawStartLength.end());
    for (std::uint8_t value :
         {entry.ClipNumber, entry.Volume, entry.PreShowDelay, entry.PostShowDelay, entry.Configuration})
        bytes += static_cast<char>(value);
    bytes.append(3, '\xFF');
    return bytes + ShowDataToSave(data, entry.Length);
}

} // namespace marrowick
