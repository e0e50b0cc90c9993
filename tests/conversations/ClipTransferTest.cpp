#include <gtest/gtest.h>

#include <functional>

#include "base/Texts.h"
#include "conversations/ClipTransfer.h"
#include "features/LibraryFeature.h"
#include "link/Encoding.h"
#include "link/LineRate.h"
#include "unit/LibraryTestFiles.h"

namespace marrowick::testing {
namespace {

struct ClipTransferTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(h.Identify());
        h.session.link.BytesSent.connect([this](std::string_view bytes) {
            writes.emplace_back(bytes);
            writeTimes.push_back(h.clock.nowMs());
        });
        h.session.library().Transfer().Finished.connect([this](const Result& o) {
            outcome = o;
            finishedAt = h.clock.nowMs();
        });
    }
    // Names outside ASCII, as on many a show's sound files.
    static std::string Name(std::size_t clip) { return "幽霊 " + std::to_string(clip) + ".mp3"; }
    // Clips of the given sizes, selected as the dialog would give them.
    std::vector<std::string> Library(const std::vector<std::size_t>& sizes)
    {
        std::vector<std::string> files;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            files.push_back(folder.Make(Name(i), sizes[i]));
        h.dialogs.files.push_back(files);
        h.session.Click(control::BtnAddClip);
        return files;
    }
    std::string Data(const std::vector<std::string>& files)
    {
        std::string data;
        for (const auto& file : files)
            data += ReadFile(U8Path(file));
        return data;
    }
    std::vector<std::size_t> Sizes() const
    {
        std::vector<std::size_t> sizes;
        for (const auto& w : writes)
            sizes.push_back(w.size());
        return sizes;
    }
    void Send()
    {
        writes.clear();
        writeTimes.clear();
        h.session.Click(control::BtnWriteLibrary);
    }

    Harness h;
    ClipFolder folder;
    std::vector<std::string> writes;
    std::vector<std::int64_t> writeTimes;
    std::optional<Result> outcome;
    std::int64_t finishedAt = -1;
};

TEST_F(ClipTransferTest, OneClipGoesOutAsCommandTableSizeAndOnePacket)
{
    const auto files = Library({1000});
    Send();
    EXPECT_EQ(h.session.State(), StateStreamClips);
    EXPECT_TRUE(h.view.visible["btnCancel"]);
    h.clock.RunUntilIdle();

    ASSERT_EQ(writes.size(), 2U);
    EXPECT_EQ(writes[0], Bytes("44 01  00 02 00 08 00 00 03 E8  00 00 03 E8"));
    EXPECT_EQ(writes[1], Data(files));
    const auto& stored = h.simulator.state();
    EXPECT_TRUE(stored.libraryComplete);
    EXPECT_EQ(stored.library, Bytes("00 02 00 08 00 00 03 E8") + Data(files));

    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->ok());
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_FALSE(h.view.visible["btnCancel"]);
    EXPECT_EQ(h.session.link.Receive().Threshold(), IdleThreshold);
    EXPECT_EQ(h.view.caption, "");
    const auto& panel = h.view.statusHistory[1];
    EXPECT_EQ(std::vector<std::string>(panel.end() - 3, panel.end()),
              (std::vector<std::string>{"Loading Audio Clips into Computer Memory", "Transmitting Audio clips to K5",
                                        "Audio Library Transmission Complete"}));
    for (const char* line : {"Start Address: 131080", "Clip Length: 1000", "Package Size: 1000", "Bytes loaded: 1000",
                             "Sending Packet 1, 2040 bytes", "Package Complete"})
        EXPECT_EQ(LogLinesStarting(h.session, line).size(), 1U) << line;
    EXPECT_TRUE(LogLinesStarting(h.session, "sending packet: ").empty());
    EXPECT_TRUE(LogLinesStarting(h.session, "interrupt").empty());
}

TEST_F(ClipTransferTest, PacketOneFillsTheBlockAfterTheTableAndLaterPacketsAre2048)
{
    auto files = Library({2041});
    Send();
    h.clock.RunUntilIdle();
    EXPECT_EQ(Sizes(), (std::vector<std::size_t>{14, 2040, 1}));
    EXPECT_EQ(LogLinesStarting(h.session, "sending packet: "), std::vector<std::string>{"sending packet: 2041"});
    EXPECT_EQ(h.simulator.state().library.substr(8), Data(files));

    files = Library({4000, 3000, 3000});
    Send();
    h.clock.RunUntilIdle();
    EXPECT_EQ(Sizes(), (std::vector<std::size_t>{2 + 24 + 4, 2024, 2048, 2048, 2048, 1832}));
    EXPECT_EQ(h.simulator.state().library.substr(24), Data(files));
    EXPECT_TRUE(h.simulator.state().libraryComplete);
    // Loading in 2048-byte blocks, then the packets accepted after packet 1.
    EXPECT_DOUBLE_EQ(h.view.progressMaximum, 10000.0 / 2048);
    const std::vector<double> tail(h.view.progressHistory.end() - 4, h.view.progressHistory.end());
    EXPECT_EQ(tail, (std::vector<double>{1, 2, 3, 4}));

    Library(std::vector<std::size_t>(99, 20));
    Send();
    h.clock.RunUntilIdle();
    EXPECT_EQ(Sizes(), (std::vector<std::size_t>{2 + 792 + 4, 1256, 724}));
    EXPECT_EQ(h.simulator.state().library.substr(0, 8), Bytes("00 02 03 18 00 00 00 14"));
}

TEST_F(ClipTransferTest, ErrorResendsTheSamePacketAndTheLightFadesToRed)
{
    const auto files = Library({9000});
    h.simulator.faults().clipErrors = {{1, 1}, {3, 2}};
    Send();
    h.clock.RunUntilIdle();

    // Packets: 1, 1 again, 2, 3, 3 again, 3 again, 4, 5.
    ASSERT_EQ(Sizes(), (std::vector<std::size_t>{14, 2040, 2040, 2048, 2048, 2048, 2048, 2048, 816}));
    EXPECT_EQ(writes[1], writes[2]);
    EXPECT_EQ(writes[4], writes[5]);
    EXPECT_EQ(writes[5], writes[6]);
    EXPECT_EQ(h.view.fills["Shape1"], (std::vector<Rgb>{{255, 255, 0}, {255, 250, 0}, {255, 245, 0}}));
    EXPECT_EQ(LogLinesStarting(h.session, "Re-Sending Packet 1, "),
              std::vector<std::string>{"Re-Sending Packet 1, 2040 bytes"});
    EXPECT_EQ(LogLinesStarting(h.session, "Re-Sending packet: "),
              (std::vector<std::string>{"Re-Sending packet: 4089", "Re-Sending packet: 4089"}));
    EXPECT_EQ(h.simulator.state().library.substr(8), Data(files));
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->ok());

    // The green level keeps falling over the whole run and stops at 0.
    h.view.fills.clear();
    h.simulator.faults().clipErrors = {{2, 20}, {3, 20}, {4, 12}};
    Send();
    h.clock.RunUntilIdle();
    const auto& fills = h.view.fills["Shape1"];
    ASSERT_EQ(fills.size(), 52U);
    EXPECT_EQ(fills[49], (Rgb{255, 5, 0}));
    EXPECT_EQ(fills[50], (Rgb{255, 0, 0}));
    EXPECT_EQ(fills[51], (Rgb{255, 0, 0}));
    EXPECT_TRUE(h.simulator.state().libraryComplete);
}

TEST_F(ClipTransferTest, ReadyIsTakenAsFeedMe)
{
    const auto files = Library({5000});
    h.simulator.faults().replyOverride['D'] = "Ready!";
    Send();
    h.clock.RunUntilIdle();
    EXPECT_EQ(Sizes(), (std::vector<std::size_t>{14, 2040, 2048, 912}));
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->ok());
}

TEST_F(ClipTransferTest, ASilentControllerEndsTheTransferAfterThePacketsWireTimeAndFiveSeconds)
{
    h.port.SetBytesPerSecond(960);
    Library({9000});
    h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent + 2;
    Send();
    h.clock.RunUntilIdle();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->ok());
    ASSERT_EQ(writes.size(), 4U); // header, packets 1 to 3
    // Five seconds once packet 3 is on the line, 2134 ms after it was written.
    EXPECT_EQ(finishedAt - writeTimes[3], WireTimeMs(2048) + 5000);
    EXPECT_EQ(h.session.Status(1), "Audio clip transfer stopped: the controller did not answer packet 3");
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_FALSE(h.view.visible["btnCancel"]);
    EXPECT_EQ(h.session.conversations.Active(), nullptr);

    // The user's --timeout replaces the allowance, not the time the header and
    // packet 1 take on the line.
    outcome.reset();
    h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent;
    h.session.timeoutOverrideMs = 300;
    Send();
    h.clock.RunUntilIdle();
    ASSERT_TRUE(outcome.has_value());
    ASSERT_EQ(Sizes(), (std::vector<std::size_t>{14, 2040}));
    EXPECT_EQ(finishedAt - writeTimes[1], WireTimeMs(14) + WireTimeMs(2040) + 300);
    EXPECT_EQ(h.session.Status(1), "Audio clip transfer stopped: the controller did not answer packet 1");
}

TEST_F(ClipTransferTest, AnErrorFromBeforeTheTransferDoesNotSendPacketOneAgain)
{
    // A controller that takes packet 1 at once sees it once, whatever "Error!"
    // reached the program before: one that came while idle, one that came in the
    // "Stream" state set by hand, or one still waiting in the receive buffer.
    struct Case {
        const char* what;
        std::function<void(Harness&)> before;
    };
    const Case cases[] = {
        {"while idle", [](Harness&) {}},
        {"in a state set by hand", [](Harness& hh) { hh.session.SetState(StateStreamClips); }},
        {"held by the receive buffer", [](Harness& hh) { hh.session.link.SetThreshold(0); }},
    };
    const auto files = Library({5000});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        h.session.log.Clear();
        c.before(h);
        h.simulator.send("Error!");
        h.clock.RunPending();
        if (h.session.State() != StateIdle)
            h.session.SetState(StateIdle);
        h.session.link.SetThreshold(IdleThreshold);
        outcome.reset();
        Send();
        h.clock.RunUntilIdle();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->ok()) << outcome->message;
        EXPECT_EQ(Sizes(), (std::vector<std::size_t>{14, 2040, 2048, 912}));
        EXPECT_TRUE(LogLinesStarting(h.session, "Re-Sending").empty());
        EXPECT_TRUE(h.simulator.state().libraryComplete);
        EXPECT_TRUE(h.simulator.state().library.substr(8) == Data(files)) << "the controller holds other bytes";
    }
}

TEST_F(ClipTransferTest, CancelLostPortAndClosingTheWindowEachEndTheTransfer)
{
    h.port.SetBytesPerSecond(960);
    Library({20000});

    Send();
    h.clock.Advance(5000);
    h.session.Click(control::btnCancel);
    EXPECT_EQ(h.session.Status(1), "Audio clip transfer stopped: Cancelled");
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_FALSE(h.view.visible["btnCancel"]);
    const std::size_t sentWhenCancelled = writes.size();
    h.clock.RunUntilIdle();
    EXPECT_EQ(writes.size(), sentWhenCancelled); // a late "FeedMe" moves nothing
    EXPECT_FALSE(outcome->ok());

    outcome.reset();
    Send();
    h.clock.Advance(5000);
    h.port.LoseLine("cable pulled");
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->ok());
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_EQ(h.session.Status(1), text::PortLost + "cable pulled");
    EXPECT_EQ(h.session.conversations.Active(), nullptr);

    outcome.reset();
    ASSERT_TRUE(h.port.open("COM1", nullptr));
    Send();
    h.clock.Advance(3000);
    h.session.Shutdown();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->message, "Audio clip transfer stopped: The program is closing");
    EXPECT_EQ(h.session.State(), StateIdle);
    h.clock.RunUntilIdle();
}

TEST_F(ClipTransferTest, AClipChangedAfterItWasAddedStopsBeforeAnythingIsSent)
{
    const auto files = Library({1000, 2000});
    folder.Make(Name(1), 1999);
    Send();
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(h.session.State(), StateIdle);
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    EXPECT_NE(h.dialogs.Texts("message")[0].find(Shown(files[1])), std::string::npos);
    EXPECT_FALSE(h.view.visible["btnCancel"]);

    // No transfer without an idle link or an open port, and nothing said.
    folder.Make(Name(1), 2000);
    h.session.SetState(StateFirmware);
    Send();
    h.session.SetState(StateIdle);
    h.port.close();
    Send();
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(h.dialogs.Texts("message").size(), 1U);
}

} // namespace
} // namespace marrowick::testing
