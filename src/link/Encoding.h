#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace marrowick {

// Hexadecimal digits to a number: A-F and a-f are 10..15, 0-9 are 0..9; any other
// character counts with its own code. Throws std::overflow_error above 32767.
std::int16_t HexToInt(std::string_view text);

// The four bytes, most significant first, of a value rounded to a whole number
// (32-bit two's complement). Throws std::overflow_error outside -2^31 .. 2^32-1.
std::string SendLong(float value);

// Writes the four bytes of SendLong at a 1-based position of a byte buffer
// (growing it as needed) and advances the position by 4.
void PutLong(float value, std::string& buffer, std::size_t& position);

// b1 most significant. b1 of 128 or more gives the two's-complement negative value.
std::int32_t LongFromBytes(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4);

// Shortest decimal text of a 32-bit float, as byte counts and addresses are shown
// ("131080", "2040", "0.5", "-1000").
std::string FloatText(float value);

} // namespace marrowick
