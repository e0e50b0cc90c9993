#include "link/Encoding.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace marrowick {

std::int16_t HexToInt(std::string_view text)
{
    std::int64_t value = 0;
    for (char ch : text) {
        const int c = static_cast<unsigned char>(ch);
        int digit = c;
        if (c >= 'A' && c <= 'F')
            digit = c - 55;
        else if (c >= 'a' && c <= 'f')
            digit = c - 87;
        else if (c >= '0' && c <= '9')
            digit = c - 48;
        value = value * 16 + digit;
        if (value > INT32_MAX)
            throw std::overflow_error("HexToInt: value too large");
    }
    if (value > INT16_MAX)
        throw std::overflow_error("HexToInt: value too large");
    return static_cast<std::int16_t>(value);
}

std::string SendLong(float value)
{
    const double rounded = std::nearbyint(static_cast<double>(value));
    if (!(rounded >= -2147483648.0 && rounded <= 4294967295.0))
        throw std::overflow_error("SendLong: value does not fit 32 bits");
    const auto pattern = static_cast<std::uint32_t>(static_cast<std::int64_t>(rounded));
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((pattern >> (24 - 8 * i)) & 0xFF);
    return bytes;
}

void PutLong(float value, std::string& buffer, std::size_t& position)
{
    const std::string bytes = SendLong(value);
    if (position == 0)
        throw std::out_of_range("PutLong: positions start at 1");
    if (buffer.size() < position + 3)
        buffer.resize(position + 3, '\0');
    buffer.replace(position - 1, 4, bytes);
    position += 4;
}

std::int32_t LongFromBytes(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4)
{
    const std::uint32_t pattern = (std::uint32_t{b1} << 24) | (std::uint32_t{b2} << 16) | (std::uint32_t{b3} << 8) | b4;
    return static_cast<std::int32_t>(pattern);
}

std::string FloatText(float value)
{
    char buffer[64];
    // Fixed notation: whole byte counts read as their digits ("2000000", never "2e+06").
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

} // namespace marrowick
