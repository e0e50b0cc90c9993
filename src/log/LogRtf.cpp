#include "log/LogRtf.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace marrowick {
namespace {

void AppendHexByte(std::string& out, unsigned char byte)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\'%02x", byte);
    out += buffer;
}

void AppendUnicode(std::string& out, std::uint32_t codePoint)
{
    auto unit = [&out](std::uint32_t value) {
        // RTF takes the code unit as a signed 16-bit number, followed by a
        // replacement character for readers that do not know \u.
        out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(value))) + "?";
    };
    if (codePoint > 0xFFFF) {
        codePoint -= 0x10000;
        unit(0xD800 + (codePoint >> 10));
        unit(0xDC00 + (codePoint & 0x3FF));
    } else {
        unit(codePoint);
    }
}

// Length of the UTF-8 sequence at `pos` and its code point; 0 when the bytes are not UTF-8.
std::size_t DecodeUtf8(const std::string& text, std::size_t pos, std::uint32_t& codePoint)
{
    const auto byte = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    if ((byte & 0xE0) == 0xC0) {
        length = 2;
        codePoint = byte & 0x1F;
    } else if ((byte & 0xF0) == 0xE0) {
        length = 3;
        codePoint = byte & 0x0F;
    } else if ((byte & 0xF8) == 0xF0) {
        length = 4;
        codePoint = byte & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

void AppendText(std::string& out, const std::string& text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte == '\\' || byte == '{' || byte == '}') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte == '\t') {
            out += "\\tab ";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else if (byte >= 0x80) {
            std::uint32_t codePoint = 0;
            if (const std::size_t length = DecodeUtf8(text, pos, codePoint)) {
                AppendUnicode(out, codePoint);
                pos += length;
                continue;
            }
            AppendHexByte(out, byte);
        } else {
            AppendHexByte(out, byte);
        }
        ++pos;
    }
}

} // namespace

std::string LogToRtf(const std::vector<LogLine>& lines)
{
    std::vector<std::uint32_t> colours;
    for (const auto& line : lines)
        if (std::find(colours.begin(), colours.end(), line.colour) == colours.end())
            colours.push_back(line.colour);

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n{\\colortbl ;";
    for (const std::uint32_t colour : colours)
        out += "\\red" + std::to_string(colour & 0xFF) + "\\green" + std::to_string((colour >> 8) & 0xFF) + "\\blue" +
               std::to_string((colour >> 16) & 0xFF) + ";";
    out += "}\r\n\\viewkind4\\uc1\\pard\\f0\r\n";

    for (const auto& line : lines) {
        const auto index = std::find(colours.begin(), colours.end(), line.colour) - colours.begin() + 1;
        out += "\\cf" + std::to_string(index) + "\\fs" + std::to_string(line.pointSize * 2) +
               (line.underline ? "\\ul " : "\\ulnone ");
        AppendText(out, line.text);
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace marrowick
