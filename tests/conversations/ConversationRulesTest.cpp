// The wire rules of each conversation beyond the transcripts of conversations
// that go well: what counts as a reply, which requests go out in the cases a
// transcript does not show, and when a conversation does not start at all.

#include <gtest/gtest.h>

#include <filesystem>

#include "features/FirmwarePresenter.h"
#include "support/Harness.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

ControllerState Controller(const std::string& model, const std::string& version = "1.05")
{
    ControllerState state = SampleControllerState(model);
    state.version = version;
    return state;
}

// An identified harness whose record of what was sent starts now.
struct Identified : Harness {
    explicit Identified(ControllerState state) : Harness(std::move(state))
    {
        Identify();
        sent.clear();
        simulator.requests.clear();
    }
    ShowState& Shows() { return session.shows().State(); }
    Result Run(Conversation& conversation, const std::function<void()>& start)
    {
        std::optional<Result> outcome;
        const int id = conversation.Finished.connect([&](const Result& o) { outcome = o; });
        start();
        clock.RunUntilIdle();
        conversation.Finished.disconnect(id);
        return outcome.value_or(Result::Busy());
    }
    Result Read()
    {
        return Run(session.shows().Reader(), [this] { session.commands().Click(control::btnReadShows); });
    }
};

} // namespace

// What a controller may really send: replies with line ends, padding, noise, or
// a model reply doubled on the line. Surrounding white space, CR, LF and NUL are
// trimmed first; only "K5", "R2", "T7" and "L+" name a model, and only then is
// the question not asked; a serial number is eight hexadecimal characters.
TEST(IdentificationRules, RepliesAreTrimmedAndOnlyTheFourModelsCount)
{
    const struct {
        std::string version;
        std::string model;
        std::string serial;
        Reason ending;
        const char* requests;
        const char* identity; // version | model | serial as taken
    } cases[] = {
        {"1.05\r\n", "R2\r\n", "1A2B3C4D\r", Reason::None, "VMZ", "1.05|R2|1A2B3C4D"},
        {std::string("\0 1.05\t", 7), std::string(" K5\0", 4), "", Reason::None, "VM", "1.05|K5|"},
        {"1.05", "L+", "1a2b3c4d", Reason::None, "VMZ", "1.05|L+|1a2b3c4d"},
        {"1.05", "R2", "1A2B3C4\r", Reason::SerialNotAvailable, "VMZ", "1.05|R2|"},
        {"1.05", "R2", "1A2B3C4D1A", Reason::SerialNotAvailable, "VMZ", "1.05|R2|"},
        {"1.05", "L+", "SERIAL#1", Reason::SerialNotAvailable, "VMZ", "1.05|L+|"},
        {"1.05", "R2R2", "", Reason::UnknownModel, "VM", "1.05|R2R2|"},
        {"1.05", "k5", "", Reason::UnknownModel, "VM", "1.05|k5|"},
        {"1.05", "R\x8F\x03", "", Reason::UnknownModel, "VM", "1.05||"},
        {"1.05", "\r\n", "", Reason::UnknownModel, "VM", "1.05||"},
        {"\x01\x02\xFE", "K5", "", Reason::VersionNotAvailable, "V", "||"},
        // Below 1.02 the serial number is asked with "S".
        {"1.01", "R2", "1A2B3C4D", Reason::None, "VMS", "1.01|R2|1A2B3C4D"},
        {"1.02", "R2", "1A2B3C4D", Reason::None, "VMZ", "1.02|R2|1A2B3C4D"},
        {"1.05", "T7", "", Reason::None, "VM", "1.05|T7|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identity);
        ControllerState state = Controller("K5", c.version);
        state.model = c.model;
        state.serial = c.serial;
        Harness h(state);
        std::optional<Result> outcome;
        h.session.identification().Finished.connect([&](const Result& o) { outcome = o; });
        ASSERT_TRUE(h.Identify());
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->reason, c.ending);
        EXPECT_EQ(h.simulator.requests, c.requests);
        const Identity& id = h.session.identity;
        EXPECT_EQ(id.FirmwareVersion + "|" + id.ControllerModel + "|" + id.SerialNumber, c.identity);
        // The question comes exactly when the reply named no model.
        EXPECT_EQ(h.dialogs.Texts("question").size(), MakeController(id.ControllerModel) ? 0U : 1U);
        EXPECT_EQ(h.session.State(), LinkState::StateIdle);
    }
}

// A reply after its time-out is dropped and reaches no later conversation.
TEST(IdentificationRules, LateRepliesAreDropped)
{
    Harness h(Controller("K5"));
    h.port.SetBytesPerSecond(1); // every reply takes seconds to arrive
    ASSERT_TRUE(h.session.Connect("COM1"));
    h.clock.Advance(1000);
    EXPECT_TRUE(h.session.identity.versionMissing);
    EXPECT_EQ(h.session.State(), LinkState::StateIdle);
    h.clock.RunUntilIdle(20000);
    EXPECT_EQ(h.simulator.requests, "V");
    EXPECT_EQ(h.session.identity.FirmwareVersion, "");
    EXPECT_EQ(h.session.link.Receive().Waiting(), 0U);
}

// A read asks for every show the table lists, empty ones too (their "*" gets
// no answer, so the next is asked at once); with no show at all, show 1 is
// asked for and what comes for it dropped. Only a capital "Y" is ambient mode.
TEST(ShowReadRules, EveryShowIsAskedForAndTheTableDecidesWhich)
{
    const struct {
        const char* what;
        std::uint8_t count;
        bool ambient;
        std::vector<std::uint32_t> lengths; // shows 0..
        const char* requests;
        bool ok;
    } cases[] = {
        {"an empty show between two", 3, false, {0, 10, 0, 7}, "u***", true},
        {"an empty first show", 2, true, {0, 5, 5}, "u***", true},
        {"no show at all: show 1 is asked for", 0, false, {0, 40}, "u*", true},
        {"ambient only", 0, true, {12}, "u*", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerState state = Controller("K5");
        state.showCount = c.count;
        state.ambient = c.ambient;
        for (std::size_t i = 0; i < 11; ++i) {
            state.shows[i].length = i < c.lengths.size() ? c.lengths[i] : 0;
            state.shows[i].data.assign(state.shows[i].length, static_cast<char>('a' + i));
        }
        Identified h(state);
        EXPECT_EQ(h.Read().ok(), c.ok);
        EXPECT_EQ(h.simulator.requests, c.requests);
        for (int show = h.Shows().FirstShow(); show <= c.count; ++show)
            EXPECT_EQ(h.Shows().ShowData[static_cast<std::size_t>(show)],
                      state.shows[static_cast<std::size_t>(show)].data);
        EXPECT_EQ(h.session.link.Receive().Waiting(), 0U);
    }
    // A lower-case "y" is no ambient mode.
    ControllerState lower = Controller("K5");
    lower.ambient = false;
    Identified h(lower);
    h.simulator.faults().replyOverride['u'] = [&] {
        std::string reply = h.simulator.TableReply();
        reply[1] = 'y';
        return reply;
    }();
    EXPECT_TRUE(h.Read().ok());
    EXPECT_FALSE(h.Shows().AmbientMode);
}

// No read starts while another conversation runs, with the port closed or on a
// T7, which has no show table; the log window's state 5 takes ten K5 blocks and
// nothing else.
TEST(ShowReadRules, WhenAReadDoesNotStartAndWhatStateFiveTakes)
{
    Identified t7(Controller("T7"));
    EXPECT_EQ(t7.session.shows().Reader().Start().reason, Reason::NoShowTable);
    EXPECT_EQ(t7.Sent(), "");

    Identified h(Controller("K5"));
    h.session.stateEngine.SetState(LinkState::StateFirmware);
    EXPECT_EQ(h.session.shows().Reader().Start().code, ResultCode::Busy);
    h.session.ForceState(LinkState::StateIdle);
    h.port.close();
    EXPECT_EQ(h.session.shows().Reader().Start().code, ResultCode::Busy);
    EXPECT_EQ(h.Sent(), "");

    Identified forced(Controller("K5"));
    forced.session.ForceState(LinkState::StateReceiveToc);
    const std::string blocks = forced.simulator.TableReply().substr(3);
    forced.simulator.send(blocks);
    forced.clock.RunUntilIdle();
    EXPECT_EQ(forced.Shows().ShowTable[1].Length, 5000);
    EXPECT_EQ(forced.session.link.Receiver(), nullptr);
    // What comes next is dropped.
    forced.simulator.send(blocks);
    forced.clock.RunUntilIdle();
    EXPECT_EQ(forced.session.State(), LinkState::StateIdle);
}

// A write goes out only whole: nothing is sent for shows the controller could
// not take whole, for an R2 without its table image, or with nothing to write;
// a full table of ten shows is written.
TEST(ShowWriteRules, OnlyAWholeTableIsWritten)
{
    const struct {
        const char* what;
        std::function<void(ShowState&)> change;
        ResultCode code;
        Reason reason;
    } cases[] = {
        {"as read", [](ShowState&) {}, ResultCode::Ok, Reason::None},
        {"nothing to write", [](ShowState& s) { s.ShowCount = 0; }, ResultCode::Busy, Reason::Busy},
        {"no table image", [](ShowState& s) { s.TocImage.clear(); }, ResultCode::Refused, Reason::NoTableImage},
        {"eleven shows", [](ShowState& s) { s.ShowCount = 11; }, ResultCode::Refused, Reason::TooManyShows},
        {"a negative ambient length", [](ShowState& s) { s.ShowTable[0].Length = -1; }, ResultCode::Refused,
         Reason::NegativeLength},
        {"more than the show memory", [](ShowState& s) { s.ShowTable[1].Length = ShowMemoryBytes + 1; },
         ResultCode::Refused, Reason::TooLong},
        {"a short ambient show", [](ShowState& s) { s.ShowData[0].resize(10); }, ResultCode::Refused,
         Reason::IncompleteShows},
        {"shows read from an L+", [](ShowState& s) { s.model = "L+"; }, ResultCode::Refused, Reason::OtherModel},
        {"ten shows, ambient too",
         [](ShowState& s) {
             s.ShowCount = 10;
             for (std::size_t i = 4; i <= 10; ++i) {
                 s.ShowTable[i].Length = 3;
                 s.ShowData[i] = "abc";
             }
         },
         ResultCode::Ok, Reason::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Identified h(Controller("R2"));
        ASSERT_TRUE(h.Read().ok());
        c.change(h.Shows());
        h.sent.clear();
        const Result started = h.session.shows().Writer().Start();
        h.clock.RunUntilIdle();
        EXPECT_EQ(started.code, c.code);
        EXPECT_EQ(started.reason, c.reason);
        if (c.code == ResultCode::Ok) {
            EXPECT_EQ(h.simulator.state().showCount, h.Shows().ShowCount);
        } else {
            EXPECT_EQ(h.Sent(), "");
        }
    }
}

// An R2 table carries the controller's own serial number: one the start-up did
// not get is asked for before "d", and without it nothing is written.
TEST(ShowWriteRules, TheSerialNumberIsAskedAgainBeforeAnR2Write)
{
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        ControllerState state = Controller("R2");
        state.serial = "12345678";
        Harness h(state);
        h.simulator.faults().silentRequests = "Z";
        h.Identify();
        ASSERT_TRUE(h.session.identity.serialMissing);
        h.session.commands().Click(control::btnReadShows);
        h.clock.RunUntilIdle();
        if (answers)
            h.simulator.faults().silentRequests.clear();
        h.sent.clear();
        std::optional<Result> outcome;
        h.session.shows().Writer().Finished.connect([&](const Result& o) { outcome = o; });
        h.session.commands().Click(control::btnWriteShows);
        h.clock.RunUntilIdle();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->reason, answers ? Reason::None : Reason::NoSerialNumber);
        EXPECT_EQ(h.Sent().substr(0, 2), answers ? "Zd" : "Z");
        if (answers) {
            EXPECT_EQ(h.simulator.TableReply().substr(168, 4), "\x78\x56\x34\x12");
        }
    }
}

// Packet 1 holds the block after the clip table; "Error!" sends the same packet
// again; bytes that came before the transfer are not taken as its answer; a
// clip that changed since it was added stops the transfer before "D".
TEST(ClipTransferRules, PacketsFollowTheBlockGridAndRefusalsResendTheSamePacket)
{
    ClipFolder folder;
    Identified h(Controller("K5"));
    const std::vector<std::string> clips = {folder.Make("a.mp3", 3000), folder.Make("b.mp3", 2100)};
    ASSERT_TRUE(h.session.library().TakeFiles(clips).problems.empty());
    h.simulator.faults().clipErrors[2] = 2;
    std::vector<std::size_t> writes;
    h.session.link.BytesSent.connect([&](std::string_view bytes) { writes.push_back(bytes.size()); });
    // A reply left over from before must not count as the answer to packet 1.
    h.simulator.send("Error!");
    h.clock.RunUntilIdle();
    const Result sent = h.Run(h.session.library().Transfer(), [&] { h.session.library().StartSending(); });
    EXPECT_TRUE(sent.ok());
    // "D", count, two entries and the size; then 2048 - 16, and 2048 twice more for packet 2.
    EXPECT_EQ(writes, (std::vector<std::size_t>{22, 2032, 2048, 2048, 2048, 1020}));
    EXPECT_EQ(h.simulator.state().library.substr(16), ReadFile(U8Path(clips[0])) + ReadFile(U8Path(clips[1])));
    EXPECT_EQ(h.view.fills["Shape1"].size(), 2U) << "the light changed for each resend";

    WriteFile(U8Path(clips[1]), "shorter");
    h.sent.clear();
    std::string problem;
    EXPECT_FALSE(h.session.library().StartSending(&problem).ok());
    EXPECT_NE(problem, "");
    EXPECT_EQ(h.Sent(), "");
}

// The reset question follows the last record, and "r" goes out only on Yes;
// after "r" the program stays and asks the started controller again.
TEST(FirmwareRules, TheResetFollowsTheLastRecordOnlyOnYes)
{
    for (const bool reset : {true, false}) {
        Identified h(Controller("T7", "0.90"));
        h.dialogs.answers = {true, reset};
        std::optional<Result> outcome;
        h.session.firmware().Ended.connect([&](const Result& o) { outcome = o; });
        h.session.commands().Click(control::btnFirmware);
        h.clock.RunUntilIdle();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->ok());
        EXPECT_TRUE(h.simulator.state().firmwareComplete);
        EXPECT_EQ(h.simulator.state().resetRequested, reset);
        EXPECT_EQ(h.dialogs.Texts("question").size(), 2U);
        EXPECT_EQ(h.view.status[1], reset ? FirmwareUpdatedText("0.90", "1.00") : "Firmware Download Complete")
            << "not the download's start";
        EXPECT_EQ(h.session.identity.FirmwareVersion, reset ? "1.00" : "0.90");
        EXPECT_FALSE(h.view.closed);
    }
}

// Firmware goes only to a model the controller named, on Yes to the
// question, and nothing starts while busy.
TEST(FirmwareRules, NothingIsSentToAnUnnamedModelOnNoOrWhileBusy)
{
    ControllerState doubled = Controller("K5");
    doubled.model = "K5K5";
    Harness unnamed(doubled);
    unnamed.dialogs.answers = {true};
    unnamed.Identify();
    unnamed.sent.clear();
    EXPECT_FALSE(unnamed.session.firmware().Download(unnamed.session.firmware().WindowOptions()));
    EXPECT_EQ(unnamed.Sent(), "");
    EXPECT_EQ(unnamed.dialogs.Texts("message").size(), 1U);

    Identified declined(Controller("T7"));
    declined.dialogs.answers = {false};
    declined.session.commands().Click(control::btnFirmware);
    declined.clock.RunUntilIdle();
    EXPECT_EQ(declined.dialogs.Texts("question").size(), 1U);
    EXPECT_EQ(declined.Sent(), "");

    Identified busy(Controller("K5"));
    busy.session.stateEngine.SetState(LinkState::StateReadShows);
    EXPECT_FALSE(busy.session.firmware().Download(busy.session.firmware().WindowOptions()));
    EXPECT_EQ(busy.Sent(), "");
}

} // namespace marrowick::testing
