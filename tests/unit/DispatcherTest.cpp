#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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
    void Arrive(std::string_view bytes) { onBytes(bytes); }

    bool opened = true;
    std::string written;
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
    std::size_t total = 0;
    for (const auto& [s, chunks] : f.routed)
        total += chunks.size();
    EXPECT_EQ(total, 7U);
}

TEST(Dispatcher, HandshakeTokensSetFlagsOnlyWhenTheyArriveAlone)
{
    struct Case {
        std::int16_t state;
        const char* chunk;
        bool ready;
        bool error;
    };
    const Case cases[] = {
        {StateStreamClips, "FeedMe", true, false},  {StateStreamClips, "Ready!", true, false},
        {StateStreamClips, "Error!", false, true},  {StateStreamClips, "FeedMeFeedMe", false, false},
        {StateStreamClips, "feedme", false, false}, {StateStreamClips, "T", false, false},
        {StateFirmware, "T", true, false},          {StateFirmware, "7", false, true},
        {StateFirmware, "t", false, false},         {StateFirmware, "TT", false, false},
        {StateFirmware, "FeedMe", false, false},    {StateIdle, "T", false, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Deliver(c.state, c.chunk);
        EXPECT_EQ(f.link.ReadyFlag, c.ready) << c.state << " " << c.chunk;
        EXPECT_EQ(f.link.ErrorFlag, c.error) << c.state << " " << c.chunk;
        // The waiting conversation still hears of every chunk in its state.
        if (c.state != StateIdle) {
            EXPECT_EQ(f.routed[c.state].size(), 1U);
        }
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
