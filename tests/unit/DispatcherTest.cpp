#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "conversations/ClipTransfer.h"
#include "conversations/FirmwareDownload.h"
#include "link/Link.h"
#include "support/ManualClock.h"

using namespace marrowick;
using marrowick::testing::ManualClock;

namespace {

class LoopbackPort : public SerialPort {
public:
    bool open(const std::string&, std::string*) override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void write(std::string_view bytes) override { written.append(bytes); }
    void discardInput() override { held.clear(); }
    bool devicePresent() const override { return true; }
    void Arrive(std::string_view bytes) { onBytes(bytes); }

    bool opened = true;
    std::string written;
    std::string held; // received, but not yet handed over
};

struct Fixture {
    ManualClock clock;
    LoopbackPort port;
    StateEngine state;
    Link link{port, clock, state};
    std::map<std::int16_t, std::vector<std::string>> routed;

    Fixture()
    {
        for (std::int16_t s : {StateAwaitVersion, StateAwaitModel, StateReceiveToc, StateStreamClips, StateReadShows,
                               StateReadShowRecords, StateWriteShowRecords, StateFirmware, StateAwaitSerial})
            link.SetHandler(s, [this, s](const std::string& chunk) { routed[s].push_back(chunk); });
    }
    void Deliver(std::int16_t s, const std::string& chunk)
    {
        state.SetState(s);
        link.Expect(static_cast<int>(chunk.size()));
        port.Arrive(chunk);
    }
};

} // namespace

TEST(Dispatcher, RoutesEachChunkByLinkStateAndDropsTheRest)
{
    Fixture f;
    for (std::int16_t s : {0, 1, 5, 9, 10, 12, 15})
        f.Deliver(s, "chunk" + std::to_string(s));
    for (std::int16_t s : {0, 1, 5, 9, 10, 12, 15}) {
        ASSERT_EQ(f.routed[s].size(), 1U) << s;
        EXPECT_EQ(f.routed[s][0], "chunk" + std::to_string(s));
    }
    // States without a conversation consume and drop what arrives.
    for (std::int16_t s : {2, 3, 4, 6, 8, 11, 14}) {
        f.Deliver(s, "late reply");
        EXPECT_EQ(f.link.Receive().Waiting(), 0U) << s;
    }
    // Before a request, what the port itself still holds goes too.
    f.port.held = "late reply";
    f.link.Expect(3);
    EXPECT_EQ(f.port.held, "");
    std::size_t total = 0;
    for (const auto& [s, chunks] : f.routed)
        total += chunks.size();
    EXPECT_EQ(total, 7U);
}

TEST(Dispatcher, HandshakeTokensCountOnlyWhenTheyArriveAlone)
{
    struct Case {
        bool firmware;
        const char* chunk;
        int token; // 0 none, 1 ReadyFlag, 2 ErrorFlag
    };
    const Case cases[] = {
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

TEST(Dispatcher, SendingOnAClosedPortDoesNothing)
{
    Fixture f;
    f.link.Send("V");
    f.port.opened = false;
    f.link.Send("M");
    EXPECT_EQ(f.port.written, "V");
}
