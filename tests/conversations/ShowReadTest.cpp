#include <gtest/gtest.h>

#include <optional>

#include "base/Texts.h"
#include "conversations/ShowTestSupport.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::testing;

namespace {

// A harness identified as the sample controller, with what it sent so far forgotten.
struct ReadHarness : Harness {
    explicit ReadHarness(ControllerState state) : Harness(std::move(state))
    {
        Identify();
        sent.clear();
    }
    const ShowState& Shows() { return session.shows().State(); }
    void Read()
    {
        session.Click(control::btnReadShows);
        clock.RunUntilIdle();
    }
    bool Offered() const
    {
        for (const auto& text : dialogs.Texts("question"))
            if (text == "Save Shows To Computer?")
                return true;
        return false;
    }
};

ControllerState WithLengths(const std::string& model, std::vector<std::uint32_t> lengths, bool ambient)
{
    ControllerState state = SampleControllerState(model);
    state.ambient = ambient;
    state.showCount = static_cast<std::uint8_t>(lengths.size() - 1);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        state.shows[i].length = lengths[i];
        state.shows[i].data = std::string(lengths[i], static_cast<char>('a' + i));
    }
    return state;
}

} // namespace

TEST(ShowRead, K5TableAndEveryShowArriveThenTheSaveIsOffered)
{
    ControllerState state = SampleControllerState("K5");
    state.shows[1].clip = 150; // above 99: shown as 0
    state.shows[3].configuration = 255;
    ReadHarness h(state);

    h.session.Click(control::btnReadShows);
    EXPECT_EQ(h.session.State(), StateReadShows);
    EXPECT_EQ(h.view.status[1], "Reading Shows");
    EXPECT_TRUE(h.view.visible["btnCancel"]);
    h.clock.RunUntilIdle();

    // Shows 0..3; show 2 is empty and is asked for all the same.
    EXPECT_EQ(h.sent, "u****");
    const ShowState& shows = h.Shows();
    EXPECT_EQ(shows.ShowCount, 3);
    EXPECT_TRUE(shows.AmbientMode);
    EXPECT_EQ(shows.TriggerMode, 0);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(shows.ShowData[i], state.shows[i].data) << "show " << i;
    EXPECT_EQ(h.view.captions["lblShowCount"], "3");
    EXPECT_EQ(h.view.captions["lblAmbient"], "Y");
    EXPECT_EQ(h.view.captions["lblTrigger"], "N.O.");

    const auto& rows = h.view.rows["ListShows"];
    ASSERT_EQ(rows.size(), 10U);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Show 1", "4396", "5000", "0", "51", "1", "2", "17"}));
    EXPECT_EQ(rows[3][7], "255");
    EXPECT_EQ(rows[9], (std::vector<std::string>{"Show 9", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(shows.ShowTable[1].RawStartLength[0], 0x2C); // 4396 least significant byte first
    EXPECT_EQ(shows.ShowTable[1].RawStartLength[1], 0x11);

    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_FALSE(h.view.visible["btnCancel"]);
    EXPECT_EQ(h.view.status[1].rfind("TOC Received- Time: ", 0), 0U) << h.view.status[1];
    ASSERT_EQ(h.dialogs.shown.back().text, "Save Shows To Computer?");
    EXPECT_EQ(h.dialogs.shown.back().caption, "K5");
    EXPECT_EQ(h.view.progressMaximum, 163 + 300 + 5000 + 2048);
    EXPECT_EQ(h.view.progressValue, h.view.progressMaximum);
}

TEST(ShowRead, EmptyShowsAnywhereAreAskedForAndTheReadGoesOn)
{
    struct Case {
        std::vector<std::uint32_t> lengths;
        bool ambient;
        std::string sent;
    };
    const Case cases[] = {
        {{0, 10, 20}, true, "u***"},      // empty first show
        {{5, 0, 20}, true, "u***"},       // empty in the middle
        {{5, 10, 0}, true, "u***"},       // empty last show
        {{5, 10, 20, 30}, false, "u***"}, // no ambient show: 1..3
        {{7}, true, "u*"},                // only the ambient show
        {{0}, false, "u*"},               // no show at all: show 1 is asked for all the same
    };
    for (const auto& c : cases) {
        ReadHarness h(WithLengths("K5", c.lengths, c.ambient));
        h.Read();
        EXPECT_EQ(h.sent, c.sent);
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_TRUE(h.Offered());
        for (std::size_t i = c.ambient ? 0 : 1; i < c.lengths.size(); ++i)
            EXPECT_EQ(h.Shows().ShowData[i], std::string(c.lengths[i], static_cast<char>('a' + i)));
    }
}

TEST(ShowRead, WithNoShowsShowOneIsAskedForAndWhatComesForItIsDropped)
{
    // A controller that reports no shows and no ambient show still gets the one
    // "*" for show 1. Whatever it sends for it is no show: waited for (so it
    // cannot run into the next command), dropped, and the read ends well; a
    // controller that sends nothing ends it after three quiet seconds.
    struct Case {
        const char* what;
        std::uint32_t lengthOfShow1;
        std::size_t sentForShow1;
        std::int64_t tookAtLeast;
    };
    const Case cases[] = {
        {"show 1 empty in the table", 0, 0, 0},
        {"show 1 has a length, nothing comes", 5000, 0, 3000},
        {"show 1 has a length and comes", 5000, 5000, 0},
        {"show 1 has a length and part of it comes", 5000, 100, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerState state = SampleControllerState("R2");
        state.showCount = 0;
        state.ambient = false;
        state.shows[1].length = c.lengthOfShow1;
        ReadHarness h(state);
        std::optional<Result> outcome;
        h.session.shows().Reader().Finished.connect([&](const Result& o) { outcome = o; });
        h.session.Click(control::btnReadShows);
        h.clock.RunPending();
        ASSERT_EQ(h.simulator.requests.substr(h.simulator.requests.size() - 2), "u*");
        if (c.sentForShow1 > 0)
            h.simulator.send(std::string(c.sentForShow1, 'z'));
        const auto took = h.clock.RunUntilIdle();
        EXPECT_EQ(h.sent, "u*");
        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->ok()) << outcome->message;
        EXPECT_GE(took, c.tookAtLeast);
        EXPECT_LT(took, c.tookAtLeast + 100);
        EXPECT_EQ(h.Shows().ShowCount, 0);
        EXPECT_TRUE(h.Shows().ShowData[1].empty());
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_EQ(h.session.link.Receive().Waiting(), 0U);
        EXPECT_TRUE(h.Offered()); // the configuration can be saved

        // The next read starts on a clean line.
        h.sent.clear();
        h.simulator.state().showCount = 1;
        h.simulator.state().shows[1].length = 5000;
        h.Read();
        EXPECT_EQ(h.sent, "u*");
        EXPECT_EQ(h.Shows().ShowData[1], h.simulator.state().shows[1].data);
    }
}

TEST(ShowRead, K5AmbientIsOnlyACapitalY)
{
    ControllerState state = SampleControllerState("K5");
    state.ambient = false;
    ControllerSimulator probe(state);
    std::string table = probe.TableReply();
    table[1] = 'y';
    table[2] = 'C';
    ReadHarness h(state);
    h.simulator.faults().replyOverride['u'] = table;
    h.Read();
    EXPECT_FALSE(h.Shows().AmbientMode);
    EXPECT_EQ(h.view.captions["lblAmbient"], "N");
    EXPECT_EQ(h.Shows().TriggerMode, 1);
    EXPECT_EQ(h.view.captions["lblTrigger"], "N.C.");
    EXPECT_EQ(h.sent, "u***");
}

TEST(ShowRead, R2ImageIsKeptAndItsConfigurationShown)
{
    ControllerState state = SampleControllerState("R2");
    state.image[167] = static_cast<char>(255);
    ReadHarness h(state);
    h.Read();
    const ShowState& shows = h.Shows();
    EXPECT_EQ(shows.TocImage, h.simulator.TableReply());
    EXPECT_EQ(Byte(shows.TocImage, 161), 5); // ambient and lockout
    EXPECT_TRUE(shows.AmbientMode);
    EXPECT_EQ(shows.TriggerMode, 0);
    EXPECT_EQ(shows.LockOut, 1);
    EXPECT_EQ(h.view.captions["lblAmbient"], "Yes");
    EXPECT_EQ(h.view.captions["lblTrigger"], "N.O.");
    EXPECT_EQ(h.view.captions["lblLockOut"], "Yes");
    EXPECT_EQ(h.view.captions["LblTriggerAvalue"], "Next");
    EXPECT_EQ(h.view.captions["LblTriggerBvalue"], "Show # 253 Start");
    EXPECT_EQ(h.sent, "u****");
    EXPECT_EQ(shows.ShowData[3], state.shows[3].data);
    EXPECT_EQ(h.dialogs.shown.back().caption, "R2");
}

TEST(ShowRead, AnUnusableTableEndsTheReadAndChangesNothing)
{
    struct Case {
        const char* what;
        std::function<void(ReadHarness&)> spoil;
        std::string status;
    };
    const Case cases[] = {
        {"too long", [](ReadHarness& h) { h.simulator.faults().replyOverride['u'] = h.simulator.TableReply() + "xx"; },
         "Show read stopped: the table reply had 165 bytes instead of 163"},
        {"too many shows", [](ReadHarness& h) { h.simulator.state().showCount = 11; },
         "Show read stopped: the controller reports 11 shows; at most 10 can be held"},
        {"negative length", [](ReadHarness& h) { h.simulator.state().shows[2].length = 0xFFFFFFFFU; },
         "Show read stopped: show 2 has a negative length (-1)"},
        {"too short", [](ReadHarness& h) { h.simulator.faults().replyOverride['u'] = std::string(100, 'x'); },
         "Show read stopped: the controller stopped sending after 100 of 163 bytes of the table"},
    };
    for (const auto& c : cases) {
        ReadHarness h(SampleControllerState("K5"));
        c.spoil(h);
        h.Read();
        EXPECT_EQ(h.view.status[1], c.status) << c.what;
        EXPECT_EQ(h.sent, "u") << c.what;
        EXPECT_EQ(h.session.State(), StateIdle) << c.what;
        EXPECT_EQ(h.Shows().ShowCount, 0) << c.what;
        EXPECT_FALSE(h.Shows().AmbientMode) << c.what;
        EXPECT_EQ(h.Shows().ShowTable[1].Length, 0) << c.what;
        EXPECT_EQ(h.view.rows.count("ListShows"), 0U) << c.what;
        EXPECT_EQ(h.view.captions.count("lblShowCount"), 0U) << c.what;
        EXPECT_FALSE(h.view.visible["btnCancel"]) << c.what;
        EXPECT_FALSE(h.Offered()) << c.what;
    }

    // Erased memory in an entry beyond the shows that exist is no reason to stop.
    ControllerState state = SampleControllerState("K5");
    state.shows[7].length = 0xFFFFFFFFU;
    ReadHarness h(state);
    h.Read();
    EXPECT_TRUE(h.Offered());
    EXPECT_EQ(h.Shows().ShowTable[7].Length, -1);
}

TEST(ShowRead, SilenceCancelAndALostLineEndTheReadIdle)
{
    {
        ReadHarness h(SampleControllerState("K5"));
        h.simulator.faults().silenceAfterReplies = 4; // V, M, the table and show 0
        h.session.Click(control::btnReadShows);
        const auto took = h.clock.RunUntilIdle();
        EXPECT_EQ(h.view.status[1], "Show read stopped: Controller not responding");
        EXPECT_EQ(h.sent, "u**");
        // What arrived before the silence is not kept: the program holds what it held before.
        EXPECT_EQ(h.Shows().ShowCount, 0);
        EXPECT_TRUE(h.Shows().ShowData[0].empty());
        EXPECT_EQ(h.view.rows["ListShows"][1][2], "0");
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_FALSE(h.view.visible["btnCancel"]);
        EXPECT_FALSE(h.Offered());
        // Nothing of show 1 came: the line was quiet for three seconds once the
        // request was out, long before 5000 bytes could have come.
        EXPECT_GE(took, 3000);
        EXPECT_LT(took, 3100);
        // The link is free again.
        h.simulator.faults().silenceAfterReplies = -1;
        h.sent.clear();
        h.Read();
        EXPECT_EQ(h.sent, "u****");
        EXPECT_TRUE(h.Offered());
    }
    {
        ReadHarness h(SampleControllerState("K5"));
        h.port.SetBytesPerSecond(960);
        h.session.Click(control::btnReadShows);
        h.clock.Advance(1000);
        EXPECT_EQ(h.session.State(), StateReadShowRecords);
        h.session.Click(control::btnCancel);
        EXPECT_EQ(h.view.status[1], "Show read stopped: Cancelled");
        EXPECT_EQ(h.session.State(), StateIdle);
        h.clock.RunUntilIdle();
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_FALSE(h.Offered());
    }
    {
        ReadHarness h(SampleControllerState("R2"));
        h.port.SetBytesPerSecond(960);
        h.session.Click(control::btnReadShows);
        h.clock.Advance(1000);
        h.port.LoseLine("unplugged");
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_EQ(h.view.status[1], text::PortLost + "unplugged");
        EXPECT_FALSE(h.session.shows().Reader().Running());
        h.clock.RunUntilIdle();
        EXPECT_EQ(h.view.status[1], text::PortLost + "unplugged");
        EXPECT_FALSE(h.Offered());
    }
}

TEST(ShowRead, RefusedWhileBusyAndOnAT7)
{
    ReadHarness busy(SampleControllerState("K5"));
    busy.session.SetState(StateStreamClips);
    busy.session.Click(control::btnReadShows);
    busy.clock.RunUntilIdle();
    EXPECT_EQ(busy.sent, "");
    EXPECT_EQ(busy.session.State(), StateStreamClips);

    ReadHarness t7(SampleControllerState("T7"));
    t7.Read();
    EXPECT_EQ(t7.sent, "");
    EXPECT_EQ(t7.view.status[1], "Shows cannot be read from a T7 controller");
    EXPECT_EQ(t7.session.State(), StateIdle);
}

TEST(ShowRead, TheLogWindowsTableStateTakesTenBlocksOnly)
{
    ReadHarness h(SampleControllerState("K5"));
    ControllerSimulator probe(SampleControllerState("K5"));
    const std::string blocks = probe.TableReply().substr(3);
    h.session.SetState(StateReceiveToc);
    h.session.link.Expect(160);
    h.session.link.Dispatch(blocks);
    EXPECT_EQ(h.Shows().ShowTable[1].Length, 5000);
    EXPECT_EQ(h.view.rows["ListShows"].size(), 10U);
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_EQ(h.sent, "");
}
