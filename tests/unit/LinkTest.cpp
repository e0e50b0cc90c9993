#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversations/ClipTransfer.h"
#include "conversations/FirmwareDownload.h"
#include "link/Link.h"
#include "support/ManualClock.h"

using namespace marrowick;
using marrowick::testing::ManualClock;

namespace {
struct Collector : ChunkReceiver {
    ManualClock clock;
    ReceiveBuffer buffer{clock};
    std::vector<std::string> chunks;
    std::function<void(const std::string&)> also;
    Collector() { buffer.receiver = this; }
    void OnChunk(const std::string& chunk) override
    {
        chunks.push_back(chunk);
        if (also)
            also(chunk);
    }
};

class LoopbackPort : public SerialPort {
public:
    bool open(const std::string&, std::string*) override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void write(std::string_view bytes) override { written.append(bytes); }
    void discardInput() override { held.clear(); }
    DeviceLook lookForDevice() const override { return DeviceLook::Same; }

    bool opened = true;
    std::string written;
    std::string held; // received, but not yet handed over
};
} // namespace

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
    c.also = [&](const std::string&) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        if (c.chunks.size() == 1)
            c.buffer.Append("K5"); // a fast peer answers before the handler returns
        --depth;
    };
    c.buffer.Append("R2");
    EXPECT_EQ(c.chunks, (std::vector<std::string>{"R2", "K5"}));
    EXPECT_EQ(maxDepth, 1);
}

// The link hands every chunk to its one receiver and drops what comes while
// there is none; before a request it throws away what waits, in the port too;
// nothing goes out on a closed port.
TEST(Link, OneReceiverTakesEveryChunkAndNothingWaitsForALaterOne)
{
    ManualClock clock;
    LoopbackPort port;
    StateEngine state;
    Link link(port, clock, state);
    Collector taker;
    link.SetThreshold(1);
    port.onBytes("dropped");
    EXPECT_EQ(link.Receive().Waiting(), 0U);
    link.SetReceiver(&taker);
    port.onBytes("taken");
    EXPECT_EQ(taker.chunks, std::vector<std::string>{"taken"});
    link.SetThreshold(10);
    port.onBytes("late");
    port.held = "later";
    link.Expect(3);
    EXPECT_EQ(link.Receive().Waiting(), 0U);
    EXPECT_EQ(port.held, "");
    link.Send("V");
    port.opened = false;
    link.Send("M");
    EXPECT_EQ(port.written, "V");
}

// A handshake token counts only when it arrives alone and exactly.
TEST(Link, HandshakeTokensCountOnlyWhenTheyArriveAlone)
{
    const struct {
        bool firmware;
        const char* chunk;
        int token; // 0 none, 1 ReadyFlag, 2 ErrorFlag
    } cases[] = {
        {false, "FeedMe", 1}, {false, "Ready!", 1}, {false, "Error!", 2}, {false, "FeedMeFeedMe", 0},
        {false, "feedme", 0}, {false, "T", 0},      {true, "T", 1},       {true, "7", 2},
        {true, "t", 0},       {true, "TT", 0},      {true, "FeedMe", 0},
    };
    for (const auto& c : cases) {
        const int token = c.firmware ? static_cast<int>(ClassifyFirmwareReply(c.chunk))
                                     : static_cast<int>(ClassifyClipReply(c.chunk));
        EXPECT_EQ(token, c.token) << c.chunk;
    }
}

TEST(StateEngine, EveryWriteRaisesStateChangedEvenWithTheSameValue)
{
    StateEngine engine;
    EXPECT_EQ(engine.State(), LinkState::StateAwaitVersion);
    std::vector<int> seen;
    engine.StateChanged.connect([&](LinkState s) { seen.push_back(static_cast<int>(s)); });
    engine.SetState(LinkState::StateIdle);
    engine.SetState(LinkState::StateIdle);
    engine.SetState(LinkState::StateFirmware);
    EXPECT_EQ(seen, (std::vector<int>{2, 2, 13}));
    EXPECT_STREQ(ForceStateCaption(2), "RX Config");
    EXPECT_STREQ(ForceStateCaption(10), "Merge");
}
