#pragma once

#include <cstddef>
#include <limits>

namespace marrowick {

// 9600 baud with 8 data bits, no parity and 1 stop bit: ten bit times a byte.
inline constexpr int LineBytesPerSecond = 960;

// Wire time of `bytes` at the line rate, in milliseconds, rounded up.
inline int WireTimeMs(std::size_t bytes)
{
    // A length read from a damaged table can be near 2^31 bytes: the wait then
    // saturates (weeks, not a negative time that would end the read at once).
    constexpr std::size_t limit = std::numeric_limits<int>::max() / 2;
    const std::size_t ms = (bytes * 1000 + LineBytesPerSecond - 1) / LineBytesPerSecond;
    return static_cast<int>(ms < limit ? ms : limit);
}

} // namespace marrowick
