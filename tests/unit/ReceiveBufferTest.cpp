#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/ReceiveBuffer.h"
#include "link/StateEngine.h"
#include "support/ManualClock.h"

using namespace marrowick;
using marrowick::testing::ManualClock;

namespace {
struct Collector {
    ManualClock clock;
    ReceiveBuffer buffer{clock};
    std::vector<std::string> chunks;
    Collector()
    {
        buffer.onChunk = [this](const std::string& chunk) { chunks.push_back(chunk); };
    }
};
} // namespace

TEST(ReceiveBuffer, FixedSizeReplyIsOneChunkHoweverItIsSplit)
{
    const std::string reply = "Error!";
    for (std::size_t cut = 1; cut < reply.size(); ++cut) {
        Collector c;
        c.buffer.SetThreshold(6);
        c.buffer.Append(reply.substr(0, cut));
        EXPECT_TRUE(c.chunks.empty()) << "cut at " << cut;
        c.buffer.Append(reply.substr(cut));
        ASSERT_EQ(c.chunks.size(), 1U) << "cut at " << cut;
        EXPECT_EQ(c.chunks[0], reply);
        EXPECT_EQ(c.buffer.Waiting(), 0U);
    }
    // Byte by byte.
    Collector c;
    c.buffer.SetThreshold(6);
    for (char ch : reply)
        c.buffer.Append(std::string(1, ch));
    ASSERT_EQ(c.chunks, std::vector<std::string>{reply});
}

TEST(ReceiveBuffer, EverythingWaitingGoesInOneChunkAndThresholdZeroRaisesNothing)
{
    Collector c;
    c.buffer.SetThreshold(0);
    c.buffer.Append("FeedMe");
    EXPECT_TRUE(c.chunks.empty());
    EXPECT_EQ(c.buffer.Waiting(), 6U);
    // Two tokens back to back arrive as one chunk: they match no token.
    c.buffer.SetThreshold(6);
    c.buffer.Append("FeedMe");
    ASSERT_EQ(c.chunks.size(), 1U);
    EXPECT_EQ(c.chunks[0], "FeedMeFeedMe");
    // ReadAll takes without raising an event.
    c.buffer.SetThreshold(100);
    c.buffer.Append("abc");
    EXPECT_EQ(c.buffer.ReadAll(), "abc");
    EXPECT_EQ(c.chunks.size(), 1U);
}

TEST(ReceiveBuffer, VersionReplyWaitsForTheLineToSettle)
{
    for (std::size_t cut = 1; cut < 4; ++cut) {
        Collector c;
        c.buffer.SetThreshold(3);
        c.buffer.SetSettleMs(10);
        const std::string version = "1.05";
        c.buffer.Append(version.substr(0, cut));
        c.clock.Advance(4);
        c.buffer.Append(version.substr(cut));
        EXPECT_TRUE(c.chunks.empty());
        c.clock.Advance(9);
        EXPECT_TRUE(c.chunks.empty()) << "the quiet time starts over with every arrival";
        c.clock.Advance(1);
        ASSERT_EQ(c.chunks.size(), 1U) << "cut at " << cut;
        EXPECT_EQ(c.chunks[0], version);
    }
}

TEST(ReceiveBuffer, BytesArrivingWhileAHandlerRunsAreDeliveredAfterIt)
{
    Collector c;
    c.buffer.SetThreshold(2);
    int depth = 0;
    int maxDepth = 0;
    c.buffer.onChunk = [&](const std::string& chunk) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        c.chunks.push_back(chunk);
        if (c.chunks.size() == 1)
            c.buffer.Append("K5"); // a fast peer answers before the handler returns
        --depth;
    };
    c.buffer.Append("R2");
    EXPECT_EQ(c.chunks, (std::vector<std::string>{"R2", "K5"}));
    EXPECT_EQ(maxDepth, 1);
}

TEST(StateEngine, EveryWriteRaisesStateChangedEvenWithTheSameValue)
{
    StateEngine engine;
    EXPECT_EQ(engine.State(), StateAwaitVersion);
    std::vector<std::int16_t> seen;
    engine.StateChanged.connect([&](std::int16_t s) { seen.push_back(s); });
    engine.SetState(StateIdle);
    engine.SetState(StateIdle);
    engine.SetState(StateFirmware);
    EXPECT_EQ(seen, (std::vector<std::int16_t>{2, 2, 13}));
    EXPECT_STREQ(ForceStateCaption(2), "RX Config");
    EXPECT_STREQ(ForceStateCaption(10), "Merge");
}
