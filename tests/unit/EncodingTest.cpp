#include <gtest/gtest.h>

#include <stdexcept>

#include "link/Encoding.h"
#include "support/Helpers.h"

using namespace marrowick;

using marrowick::testing::Bytes;

TEST(Encoding, HexToIntReadsBothLetterCases)
{
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {{"1F", 31},  {"FF", 255}, {"00", 0},   {"", 0},         {"1f", 31},
                          {"ff", 255}, {"aB", 171}, {"E2", 226}, {"7FFF", 32767}, {"09", 9}};
    for (const auto& c : cases)
        EXPECT_EQ(HexToInt(c.text), c.value) << c.text;
    // Characters that are no digit count with their own code, as before.
    EXPECT_EQ(HexToInt("1G"), 16 + 'G');
    EXPECT_THROW(HexToInt("8000"), std::overflow_error);
    EXPECT_THROW(HexToInt("FFFFFFFFF"), std::overflow_error);
}

TEST(Encoding, SendLongIsFourBytesMostSignificantFirst)
{
    struct Case {
        float value;
        std::string bytes;
    };
    const Case cases[] = {
        {0.0F, Bytes({0, 0, 0, 0})},
        {255.0F, Bytes({0, 0, 0, 0xFF})},
        {1000.0F, Bytes({0, 0, 3, 0xE8})},
        {4096.0F, Bytes({0, 0, 0x10, 0})},
        {65537.0F, Bytes({0, 1, 0, 1})},
        {131072.0F, Bytes({0, 2, 0, 0})},
        {-1.0F, Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
        {20000000.0F, Bytes({0x01, 0x31, 0x2D, 0x00})},
        // 16,777,217 is not a float: it arrives as 16,777,216.
        {16777217.0F, Bytes({0x01, 0x00, 0x00, 0x00})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SendLong(c.value), c.bytes) << c.value;
    EXPECT_THROW(SendLong(1e10F), std::overflow_error);
}

TEST(Encoding, PutLongWritesAtOneBasedPositionsAndAdvances)
{
    std::string buffer;
    std::size_t position = 1;
    PutLong(131080.0F, buffer, position);
    EXPECT_EQ(position, 5U);
    PutLong(1000.0F, buffer, position);
    EXPECT_EQ(position, 9U);
    EXPECT_EQ(buffer, Bytes({0, 2, 0, 8, 0, 0, 3, 0xE8}));
    // Writing inside leaves the rest alone.
    position = 5;
    PutLong(1.0F, buffer, position);
    EXPECT_EQ(buffer, Bytes({0, 2, 0, 8, 0, 0, 0, 1}));
}

TEST(Encoding, FloatTextIsTheShortestDecimal)
{
    EXPECT_EQ(FloatText(131080.0F), "131080");
    EXPECT_EQ(FloatText(4063232.0F), "4063232");
    EXPECT_EQ(FloatText(-1000.0F), "-1000");
    EXPECT_EQ(FloatText(0.5F), "0.5");
}
