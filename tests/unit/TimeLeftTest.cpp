#include <gtest/gtest.h>

#include <cmath>

#include "base/TimeLeft.h"

using namespace marrowick;

TEST(TimeLeft, EstimatesFromTheMeasuredRateAndStaysCalmThroughAHiccup)
{
    // 2,000,000 bytes at the line's 960 bytes a second, one packet of 2048
    // bytes every 2133 ms.
    constexpr double total = 2'000'000;
    constexpr std::int64_t packetMs = 2133;
    TimeLeft estimate;
    estimate.Start(0, total);
    double done = 0;
    std::int64_t now = 0;
    auto packet = [&](std::int64_t extraMs = 0) {
        now += packetMs + extraMs;
        done += 2048;
        estimate.Update(now, done);
    };
    packet();
    EXPECT_EQ(estimate.SecondsLeft(), std::nullopt) << "no estimate during the warm-up";
    for (int i = 0; i < 100; ++i)
        packet();
    const double exact = (total - done) / (2048.0 / (packetMs / 1000.0));
    ASSERT_TRUE(estimate.SecondsLeft().has_value());
    EXPECT_NEAR(*estimate.SecondsLeft(), exact, exact * 0.01);

    // One packet waits eight seconds more: the estimate moves by a little, not
    // by the factor five that this one packet's rate would say.
    const double before = *estimate.SecondsLeft();
    packet(8000);
    EXPECT_LT(std::abs(*estimate.SecondsLeft() - before) / before, 0.15);
    // ... and settles back once it is a minute in the past.
    for (int i = 0; i < 40; ++i)
        packet();
    const double settled = (total - done) / (2048.0 / (packetMs / 1000.0));
    EXPECT_NEAR(*estimate.SecondsLeft(), settled, settled * 0.05);

    // A transfer that has not moved has no rate to go by.
    TimeLeft stalled;
    stalled.Start(0, total);
    stalled.Update(5000, 0);
    stalled.Update(9000, 0);
    EXPECT_EQ(stalled.SecondsLeft(), std::nullopt);
}

TEST(TimeLeft, TextsAsAPersonReadsThem)
{
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {3, "a few seconds left"},
        {42, "about 40 s left"},
        {96, "about 100 s left"},
        {181, "about 3 min left"},
        {3599, "about 1 h left"},
        {6720, "about 1 h 52 min left"},
        {3 * 3600 + 30, "about 3 h 1 min left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeLeftText(c.seconds), c.text) << c.seconds;
    EXPECT_EQ(Grouped(12), "12");
    EXPECT_EQ(Grouped(3906), "3,906");
    EXPECT_EQ(Grouped(1'000'000), "1,000,000");
    EXPECT_EQ(ProgressLine("packet", 12, 3906, 6720.0), "packet 12 of 3,906 \xC2\xB7 about 1 h 52 min left");
    EXPECT_EQ(ProgressLine("record", 1, 756, std::nullopt), "record 1 of 756");
}
