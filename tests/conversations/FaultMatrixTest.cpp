// How conversations end: every conversation against every fault the simulated
// controller, the line or the person can bring: silence, noise, replies split or
// run together, a lost line, a storm of refusals, a promise that is not kept,
// the user's cancel, the window closing. Each row says how the conversation
// ends (its code, reason and the numbers it names); every row also checks that
// the link is idle again, that nothing spun, that nothing waited for days, that
// the firmware loader was told to stop, and that no file was touched unless the
// conversation succeeded. An error the line reports is told in panel 1 and the
// log, never in a box while the conversation runs, and a failure names it. The words for each ending are the
// presenters' own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "base/TimeLeft.h"
#include "support/Harness.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

enum class Talk { Identify, ReadShows, WriteShows, SendClips, Flash };
enum class Fault {
    Silence,     // the controller goes quiet after reply `at`
    Garbage,     // `arg` bytes of noise right after reply `at`
    Split,       // every reply in two writes
    RunTogether, // reply `at` and the same again in one write
    Close,       // the controller closes the line after reply `at`
    Storm,       // `arg` refusals of packet or record `at`
    Paced,       // the line runs at 9600 baud
    Length,      // the table promises `arg` bytes for show `at`, which the controller does not have
    Pause,       // reply `at` comes `arg` ms late, on a paced line
    Cancel,      // the user presses Cancel once reply `at` has gone out
    Shutdown,    // the window closes once reply `at` has gone out
    Interrupt,   // SIGINT (Ctrl+C) once reply `at` has gone out
    Overrun,     // the adapter counts an overrun as reply `at` goes out
};

constexpr const char* TalkNames[] = {"identify", "read-shows", "write-shows", "send-clips", "flash"};

struct Hit {
    Fault fault;
    int at = 0;
    int arg = 0;
};

// One row: the conversation, the model, what happens to it, the allowance
// given as --timeout (0: its own) and how it ends.
struct Row {
    Talk talk;
    const char* model;
    std::vector<Hit> hits;
    Result ending;
    int timeoutMs = 0;
};

constexpr int Endless = 1000000;

Result Ok(Reason reason = Reason::None)
{
    return Result::Done(reason);
}

Result Fails(ResultCode code, Reason reason, int number = -1, long long got = 0, long long expected = 0)
{
    return Result::Fail(code, reason, number, got, expected);
}

// A session on a simulated controller with a project folder, a library file and
// clip files on disk, identified (except for the identification rows); the
// controller's shows and the clip are the samples unless given.
struct MatrixRun {
    explicit MatrixRun(const Row& row) : MatrixRun(row, SampleControllerState(row.model), 9000) {}
    MatrixRun(const Row& row, ControllerState controller, std::size_t clipBytes)
        : row(row), h(std::move(controller)), clipBytes(clipBytes)
    {
        h.view.options["OptFirmware"] = 4;
        h.session.identification().Finished.connect([this](const Result& o) { Ended(o); });
        h.session.shows().Reader().Finished.connect([this](const Result& o) { Ended(o); });
        h.session.shows().Writer().Finished.connect([this](const Result& o) { Ended(o); });
        h.session.library().Transfer().Finished.connect([this](const Result& o) { Ended(o); });
        h.session.firmware().Ended.connect([this](const Result& o) { Ended(o); });
        h.session.link.BytesSent.connect([this](std::string_view) { ++writes; });
        h.session.link.BytesArrived.connect([this](std::string_view) { ++arrivals; });
        if (row.timeoutMs > 0)
            h.session.timeoutOverrideMs = row.timeoutMs;
        if (row.talk != Talk::Identify)
            Prepare();
        before = FolderContents(folder.path);
    }

    void Prepare()
    {
        EXPECT_TRUE(h.Identify());
        if (row.talk == Talk::Flash)
            return;
        // A project read from the controller and saved, then the library file beside it.
        h.dialogs.answers = {true};
        h.dialogs.folders = {folder.Str()};
        h.dialogs.prompts = {"Saved"};
        h.session.commands().Click(control::btnReadShows);
        h.clock.RunUntilIdle();
        EXPECT_TRUE(fs::exists(folder.path / "Saved"));
        const std::string clip = folder.Make("clip.mp3", clipBytes);
        EXPECT_TRUE(h.session.library().TakeFiles({clip}).problems.empty());
        EXPECT_TRUE(h.session.library().SaveLibraryTo(folder.path / "Saved").ok());
        // The shows held are those of the project, as "Open Existing Shows" gives them.
        EXPECT_TRUE(h.session.shows().OpenShowsFrom(U8Text(folder.path / "Saved")).ok());
        shows = h.session.shows().State();
        // The controller's shows change since, so a half-read mixture would show.
        for (auto& show : h.simulator.state().shows)
            for (char& byte : show.data)
                byte = static_cast<char>(byte ^ 0x5A);
        h.dialogs.shown.clear();
        outcome.reset();
    }

    void Inject(const Hit& hit)
    {
        SimFaults& faults = h.simulator.faults();
        const int base = h.simulator.repliesSent;
        switch (hit.fault) {
        case Fault::Silence:
            faults.silenceAfterReplies = base + hit.at;
            break;
        case Fault::Garbage:
            faults.garbageAfterReplies = base + hit.at;
            faults.garbageBytes = static_cast<std::size_t>(hit.arg);
            break;
        case Fault::Split:
            faults.splitReplies = true;
            break;
        case Fault::RunTogether:
            faults.runTogetherAt = base + hit.at;
            break;
        case Fault::Close:
            faults.closeAfterReplies = base + hit.at;
            break;
        case Fault::Storm:
            (row.talk == Talk::Flash ? faults.firmwareRejects : faults.clipErrors)[hit.at] = hit.arg;
            break;
        case Fault::Length:
            h.simulator.state().shows[static_cast<std::size_t>(hit.at)].length = static_cast<std::uint32_t>(hit.arg);
            h.port.SetBytesPerSecond(960);
            break;
        case Fault::Paced:
            h.port.SetBytesPerSecond(960);
            break;
        case Fault::Pause:
            h.port.SetBytesPerSecond(960);
            h.port.DelayReply(base + hit.at, hit.arg);
            break;
        case Fault::Overrun: {
            const int when = base + hit.at;
            auto send = h.simulator.send;
            h.simulator.send = [this, send, when](std::string_view bytes) {
                if (h.simulator.repliesSent == when)
                    ++h.port.lineCounters.overruns;
                send(bytes);
            };
            break;
        }
        case Fault::Cancel:
        case Fault::Shutdown:
        case Fault::Interrupt: {
            // Once the controller has sent reply `at`, the person acts.
            const int when = base + hit.at;
            act = h.clock.createTimer();
            act->onTimeout = [this, hit] {
                if (hit.fault == Fault::Cancel)
                    h.session.Cancel();
                else if (hit.fault == Fault::Interrupt)
                    h.session.Interrupt(2);
                else
                    h.session.Shutdown();
            };
            auto send = h.simulator.send;
            h.simulator.send = [this, send, when](std::string_view bytes) {
                send(bytes);
                if (h.simulator.repliesSent == when)
                    act->start(0);
            };
            break;
        }
        }
    }

    void Run()
    {
        for (const Hit& hit : row.hits)
            Inject(hit);
        firingsBefore = h.clock.Firings();
        h.clock.firingLimit = firingsBefore + 200000;
        if (row.talk == Talk::ReadShows) {
            // A read that succeeds is saved into a new project; one that fails offers nothing.
            h.dialogs.answers = {true};
            h.dialogs.folders = {folder.Str()};
            h.dialogs.prompts = {"Fresh"};
        }
        if (row.talk == Talk::Flash)
            h.dialogs.answers = {true}; // "Download … ?"
        // The button of each conversation; the identification starts with the port.
        constexpr Control Buttons[] = {control::frmInterface, control::btnReadShows, control::btnWriteShows,
                                       control::BtnWriteLibrary, control::btnFirmware};
        startedAt = h.clock.nowMs();
        if (row.talk == Talk::Identify)
            h.session.Connect("COM1");
        else
            h.session.commands().Click(Buttons[static_cast<int>(row.talk)]);
        h.clock.RunUntilIdle(24LL * 3600 * 1000);
    }

    void Ended(const Result& result)
    {
        outcome = result;
        endedAt = h.clock.nowMs();
    }

    void Check()
    {
        ASSERT_TRUE(outcome.has_value()) << "the conversation never reported its end";
        const Result& want = row.ending;
        EXPECT_EQ(outcome->code, want.code);
        EXPECT_EQ(outcome->reason, want.reason);
        if (want.number >= 0 || want.reason == Reason::StoppedSending) {
            EXPECT_EQ(outcome->number, want.number);
        }
        if (want.got != 0) {
            EXPECT_EQ(outcome->got, want.got);
        }
        if (want.expected != 0) {
            EXPECT_EQ(outcome->expected, want.expected);
        }
        const bool overrun =
            std::any_of(row.hits.begin(), row.hits.end(), [](const Hit& hit) { return hit.fault == Fault::Overrun; });
        EXPECT_EQ(outcome->lineErrors,
                  overrun && !want.ok() ? 1U << static_cast<unsigned>(LineEventKind::Overrun) : 0U);
        const auto& lines = h.session.log.Lines();
        EXPECT_EQ(
            std::count_if(lines.begin(), lines.end(), [](const LogLine& line) { return line.text == "Overrun error"; }),
            overrun ? 1 : 0);
        const auto boxes = h.dialogs.Texts("message");
        EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "Overrun error"), 0);
        if (overrun && h.port.isOpen()) {
            // Once nothing runs, the next one may be told in a box.
            ++h.port.lineCounters.overruns;
            h.port.checkLine();
            const auto later = h.dialogs.Texts("message");
            EXPECT_EQ(std::count(later.begin(), later.end(), "Overrun error"), 1);
        }
        EXPECT_EQ(h.session.State(), LinkState::StateIdle);
        EXPECT_EQ(h.session.conversations.Active(), nullptr);
        EXPECT_EQ(h.session.link.Receiver(), nullptr);
        EXPECT_FALSE(h.view.visible["btnCancel"]);
        EXPECT_EQ(h.view.captions["lblProgress"], "");

        // Nothing spun: the clock came to rest, and every timer firing was a
        // delivery of bytes or a time-out, not a loop that never settles.
        EXPECT_FALSE(h.clock.LimitReached());
        const auto firings = h.clock.Firings() - firingsBefore;
        EXPECT_LE(firings, 3U * static_cast<std::uint64_t>(writes + arrivals + h.simulator.repliesSent) + 20U);
        // Nothing waited for days, whatever the controller promised: a minute
        // covers the longest conversation of the matrix on a paced line.
        EXPECT_LT(endedAt - startedAt, row.timeoutMs > 0 ? 1000 : 60000) << "ended after " << endedAt - startedAt;

        // The firmware loader is told to stop whatever ended the download, unless the line is gone.
        if (row.talk == Talk::Flash && !want.ok() && want.reason != Reason::PortLost) {
            EXPECT_EQ(h.Sent().back(), 'x');
        }
        const auto after = FolderContents(folder.path);
        if (row.talk == Talk::ReadShows && want.ok()) {
            // Only the new project was added, whole.
            std::vector<std::string> added;
            for (const auto& [name, bytes] : after)
                if (before.count(name) == 0)
                    added.push_back(name);
            const std::string ext = std::string(row.model) == "K5" ? ".K5S" : ".R2S";
            std::vector<std::string> expected = {"Fresh", "Fresh/000" + ext, "Fresh/001" + ext, "Fresh/002" + ext,
                                                 "Fresh/003" + ext};
            if (ext == ".R2S")
                expected.insert(expected.begin() + 1, "Fresh/000.CFG");
            else
                expected.insert(expected.begin() + 2, "Fresh/000.K5W");
            EXPECT_EQ(added, expected);
            for (std::size_t i = 0; i < 4; ++i) {
                // Each show file ends with that show's data as the controller holds it now.
                const std::string& data = h.simulator.state().shows[i].data;
                const std::string& file = after.at("Fresh/00" + std::to_string(i) + ext);
                ASSERT_GE(file.size(), data.size());
                EXPECT_EQ(file.substr(file.size() - data.size()), data) << "show " << i;
            }
        } else {
            EXPECT_EQ(after, before) << "files changed";
        }
        if (row.talk == Talk::ReadShows && !want.ok()) {
            // The shows held are still the whole project, not a half-read mixture.
            const ShowState& now = h.session.shows().State();
            EXPECT_EQ(now.ShowCount, shows.ShowCount);
            EXPECT_EQ(now.AmbientMode, shows.AmbientMode);
            EXPECT_EQ(now.ShowData, shows.ShowData);
            EXPECT_EQ(now.TocImage, shows.TocImage);
            for (std::size_t i = 0; i < 11; ++i) {
                EXPECT_EQ(now.ShowTable[i].Length, shows.ShowTable[i].Length) << "entry " << i;
            }
            EXPECT_EQ(h.dialogs.Texts("question"), std::vector<std::string>{});
        }
    }

    const Row& row;
    ClipFolder folder;
    Harness h;
    std::size_t clipBytes;
    std::optional<Result> outcome;
    ShowState shows;
    std::map<std::string, std::string> before;
    std::unique_ptr<Timer> act;
    int writes = 0;
    int arrivals = 0;
    std::uint64_t firingsBefore = 0;
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
};

void RunRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        std::string trace = std::string(TalkNames[static_cast<int>(row.talk)]) + " " + row.model;
        for (const Hit& hit : row.hits)
            trace += " fault " + std::to_string(static_cast<int>(hit.fault)) + " at " + std::to_string(hit.at);
        SCOPED_TRACE(trace);
        MatrixRun run(row);
        run.Run();
        run.Check();
    }
}

constexpr auto TimedOut = ResultCode::TimedOut;
constexpr auto Unreadable = ResultCode::UnreadableReply;
constexpr auto Refused = ResultCode::Refused;
constexpr auto Lost = ResultCode::PortLost;
constexpr auto Cancelled = ResultCode::Cancelled;

} // namespace

TEST(FaultMatrix, Identification)
{
    RunRows({
        {Talk::Identify, "K5", {}, Ok()},
        {Talk::Identify, "K5", {{Fault::Silence, 0}}, Fails(TimedOut, Reason::VersionNotAvailable)},
        {Talk::Identify, "K5", {{Fault::Silence, 1}}, Fails(TimedOut, Reason::ModelNotAvailable)},
        {Talk::Identify, "R2", {{Fault::Silence, 2}}, Fails(TimedOut, Reason::SerialNotAvailable)},
        // The user's allowance holds for every reply, the serial number's too.
        {Talk::Identify, "R2", {{Fault::Silence, 2}}, Fails(TimedOut, Reason::SerialNotAvailable), 300},
        {Talk::Identify, "K5", {{Fault::Garbage, 0, 24}}, Fails(Unreadable, Reason::VersionNotAvailable)},
        {Talk::Identify, "R2", {{Fault::Garbage, 2, 24}}, Fails(Unreadable, Reason::SerialNotAvailable)},
        {Talk::Identify, "R2", {{Fault::Split}}, Ok()},
        // A doubled model reply names no model: the window asks, but it is not identified.
        {Talk::Identify, "K5", {{Fault::RunTogether, 2}}, Fails(Unreadable, Reason::UnknownModel)},
        {Talk::Identify, "R2", {{Fault::RunTogether, 3}}, Fails(Unreadable, Reason::SerialNotAvailable)},
        {Talk::Identify, "K5", {{Fault::Close, 1}}, Fails(TimedOut, Reason::VersionNotAvailable)},
        {Talk::Identify, "R2", {{Fault::Close, 2}}, Fails(Lost, Reason::PortLost)},
        {Talk::Identify, "R2", {{Fault::Paced}}, Ok()},
        {Talk::Identify, "R2", {{Fault::Shutdown, 2}}, Fails(Cancelled, Reason::Closing)},
        {Talk::Identify, "R2", {{Fault::Interrupt, 2}}, Fails(Cancelled, Reason::Interrupted, -1, 2)},
    });
}

TEST(FaultMatrix, ReadShows)
{
    RunRows({
        {Talk::ReadShows, "K5", {}, Ok()},
        {Talk::ReadShows, "K5", {{Fault::Silence, 0}}, Fails(TimedOut, Reason::NotResponding)},
        {Talk::ReadShows, "R2", {{Fault::Silence, 2}}, Fails(TimedOut, Reason::NotResponding)},
        {Talk::ReadShows, "K5", {{Fault::Garbage, 0, 24}}, Fails(Unreadable, Reason::ReplyLength, -1, 187, 163)},
        {Talk::ReadShows, "K5", {{Fault::Garbage, 1, 24}}, Fails(Unreadable, Reason::ShowLength, 0, 324, 300)},
        {Talk::ReadShows, "R2", {{Fault::Garbage, 2, 5}}, Fails(Unreadable, Reason::ShowLength, 1, 5005, 5000)},
        {Talk::ReadShows, "R2", {{Fault::Split}}, Ok()},
        {Talk::ReadShows, "K5", {{Fault::RunTogether, 2}}, Fails(Unreadable, Reason::ShowLength, 0, 600, 300)},
        {Talk::ReadShows, "K5", {{Fault::Close, 3}}, Fails(Lost, Reason::PortLost)},
        {Talk::ReadShows, "K5", {{Fault::Paced}}, Ok()},
        {Talk::ReadShows, "R2", {{Fault::Paced}}, Ok()},
        {Talk::ReadShows, "K5", {{Fault::Pause, 3, 2000}}, Ok()},
        // A table that promises more than comes: the read ends once the line has
        // been quiet for three seconds, not when the promised bytes could have come.
        {Talk::ReadShows, "R2", {{Fault::Length, 3, 2049}}, Fails(TimedOut, Reason::StoppedSending, 3, 2048, 2049)},
        {Talk::ReadShows, "K5", {{Fault::Cancel, 2}}, Fails(Cancelled, Reason::Cancelled)},
        {Talk::ReadShows, "R2", {{Fault::Shutdown, 1}}, Fails(Cancelled, Reason::Closing)},
        {Talk::ReadShows, "K5", {{Fault::Interrupt, 2}}, Fails(Cancelled, Reason::Interrupted, -1, 2)},
        // An overrun that spoilt a reply is named with the failure; one that did not harm is only told.
        {Talk::ReadShows,
         "R2",
         {{Fault::Overrun, 2}, {Fault::Garbage, 2, 5}},
         Fails(Unreadable, Reason::ShowLength, 1)},
        {Talk::ReadShows, "K5", {{Fault::Overrun, 2}}, Ok()},
    });
}

TEST(FaultMatrix, WriteShows)
{
    // The controller's requests are not read, only counted: noise or a doubled
    // request moves the same bytes, in the same order, to the controller.
    RunRows({
        {Talk::WriteShows, "K5", {}, Ok()},
        {Talk::WriteShows, "K5", {{Fault::Silence, 0}}, Fails(TimedOut, Reason::NotResponding)},
        {Talk::WriteShows, "R2", {{Fault::Silence, 3}}, Fails(TimedOut, Reason::NotResponding)},
        {Talk::WriteShows, "K5", {{Fault::Garbage, 2, 24}}, Ok()},
        {Talk::WriteShows, "R2", {{Fault::Split}}, Ok()},
        {Talk::WriteShows, "K5", {{Fault::RunTogether, 1}}, Ok()},
        {Talk::WriteShows, "R2", {{Fault::Close, 2}}, Fails(Lost, Reason::PortLost)},
        {Talk::WriteShows, "K5", {{Fault::Paced}}, Ok()},
        {Talk::WriteShows, "R2", {{Fault::Pause, 3, 2000}}, Ok()},
        {Talk::WriteShows, "K5", {{Fault::Cancel, 2}}, Fails(Cancelled, Reason::Cancelled)},
        {Talk::WriteShows, "R2", {{Fault::Shutdown, 1}}, Fails(Cancelled, Reason::Closing)},
        {Talk::WriteShows, "K5", {{Fault::Interrupt, 1}}, Fails(Cancelled, Reason::Interrupted, -1, 2)},
        {Talk::WriteShows, "R2", {{Fault::Overrun, 2}, {Fault::Silence, 3}}, Fails(TimedOut, Reason::NotResponding)},
    });
}

TEST(FaultMatrix, SendClips)
{
    RunRows({
        {Talk::SendClips, "K5", {}, Ok()},
        {Talk::SendClips, "K5", {{Fault::Silence, 0}}, Fails(TimedOut, Reason::NoAnswer, 1)},
        {Talk::SendClips, "R2", {{Fault::Silence, 2}}, Fails(TimedOut, Reason::NoAnswer, 3)},
        {Talk::SendClips, "K5", {{Fault::Garbage, 1, 24}}, Ok()},
        {Talk::SendClips, "K5", {{Fault::Garbage, 1, 3}}, Fails(Unreadable, Reason::AnswerUnreadable, 2)},
        // Noise before an answer that was then read well leaves no doubt about a later silence.
        {Talk::SendClips, "K5", {{Fault::Garbage, 1, 24}, {Fault::Silence, 3}}, Fails(TimedOut, Reason::NoAnswer, 4)},
        {Talk::SendClips, "R2", {{Fault::Split}}, Ok()},
        {Talk::SendClips, "K5", {{Fault::RunTogether, 1}}, Fails(Unreadable, Reason::AnswerUnreadable, 1)},
        {Talk::SendClips, "K5", {{Fault::Close, 2}}, Fails(Lost, Reason::PortLost)},
        {Talk::SendClips, "K5", {{Fault::Storm, 3, 20}}, Ok()},
        {Talk::SendClips, "R2", {{Fault::Storm, 3, Endless}}, Fails(Refused, Reason::Refusals, 3, 21)},
        {Talk::SendClips, "K5", {{Fault::Storm, 1, Endless}}, Fails(Refused, Reason::Refusals, 1, 21)},
        {Talk::SendClips, "K5", {{Fault::Paced}}, Ok()},
        {Talk::SendClips, "R2", {{Fault::Paced}}, Ok()},
        {Talk::SendClips, "K5", {{Fault::Pause, 2, 2000}}, Ok()},
        {Talk::SendClips, "K5", {{Fault::Cancel, 2}}, Fails(Cancelled, Reason::Cancelled)},
        {Talk::SendClips, "R2", {{Fault::Shutdown, 1}}, Fails(Cancelled, Reason::Closing)},
        {Talk::SendClips, "K5", {{Fault::Interrupt, 2}}, Fails(Cancelled, Reason::Interrupted, -1, 2)},
        {Talk::SendClips,
         "K5",
         {{Fault::Overrun, 1}, {Fault::Garbage, 1, 3}},
         Fails(Unreadable, Reason::AnswerUnreadable, 2)},
    });
}

TEST(FaultMatrix, Flash)
{
    RunRows({
        {Talk::Flash, "T7", {}, Ok()},
        {Talk::Flash, "T7", {{Fault::Silence, 0}}, Fails(TimedOut, Reason::NoAnswer, -1, 5000)},
        {Talk::Flash, "T7", {{Fault::Silence, 10}}, Fails(TimedOut, Reason::NoAnswer, 9, 5000)},
        {Talk::Flash, "T7", {{Fault::Garbage, 5, 24}}, Ok()},
        {Talk::Flash, "T7", {{Fault::Split}}, Ok()},
        {Talk::Flash, "T7", {{Fault::RunTogether, 1}}, Fails(Unreadable, Reason::AnswerUnreadable, -1)},
        {Talk::Flash, "T7", {{Fault::RunTogether, 4}}, Fails(Unreadable, Reason::AnswerUnreadable, 2)},
        {Talk::Flash, "T7", {{Fault::Close, 5}}, Fails(Lost, Reason::PortLost)},
        {Talk::Flash, "T7", {{Fault::Storm, 4, 20}}, Ok()},
        {Talk::Flash, "T7", {{Fault::Storm, 4, Endless}}, Fails(Refused, Reason::Refusals, 4, 21)},
        {Talk::Flash, "T7", {{Fault::Storm, -1, Endless}}, Fails(Refused, Reason::Refusals, -1, 21)},
        {Talk::Flash, "T7", {{Fault::Paced}}, Ok()},
        {Talk::Flash, "T7", {{Fault::Pause, 300, 2000}}, Ok()},
        // The last record (755) must be taken like any other; silence after it is
        // taken as a controller that restarted at once.
        {Talk::Flash, "T7", {{Fault::Storm, 755, 20}}, Ok()},
        {Talk::Flash, "T7", {{Fault::Storm, 755, Endless}}, Fails(Refused, Reason::Refusals, 755, 21)},
        {Talk::Flash, "T7", {{Fault::Silence, 756}}, Ok(Reason::LastRecordUnconfirmed)},
        // Noise, then a refusal, then silence on the last record: the refusal was read, so
        // the silence after it is a loader that restarted, not an answer that could not be read.
        {Talk::Flash,
         "T7",
         {{Fault::Garbage, 756, 3}, {Fault::Storm, 755, 1}, {Fault::Silence, 757}},
         Ok(Reason::LastRecordUnconfirmed)},
        {Talk::Flash, "T7", {{Fault::RunTogether, 757}}, Fails(Unreadable, Reason::AnswerUnreadable, 755)},
        {Talk::Flash, "T7", {{Fault::Cancel, 100}}, Fails(Cancelled, Reason::Cancelled)},
        {Talk::Flash, "T7", {{Fault::Shutdown, 100}}, Fails(Cancelled, Reason::Closing)},
        {Talk::Flash, "T7", {{Fault::Interrupt, 100}}, Fails(Cancelled, Reason::Interrupted, -1, 2)},
        {Talk::Flash, "T7", {{Fault::Overrun, 100}, {Fault::Silence, 100}}, Fails(TimedOut, Reason::NoAnswer, 99)},
    });
}

// The progress line of each long transfer on a paced line: "packet 12 of 59 ·
// about 1 min left". From the first estimate on, it is held against the time
// the transfer really took from there, also where the controller stopped for a
// moment halfway (a pause row), which moves it by little. The line is emptied
// when the transfer ends.
TEST(FaultMatrix, TimeLeftOnAPacedLine)
{
    // Ten shows of three full chunks each, and a clip of 59 full packets: a
    // minute or two on the line.
    constexpr std::uint32_t ShowBytes = 3 * 2048;
    const auto longShows = [](const char* model) {
        ControllerState state = SampleControllerState(model);
        state.showCount = 9;
        for (std::size_t i = 0; i <= 9; ++i) {
            SimShow& show = state.shows[i];
            show.start = 0x1000 + static_cast<std::uint32_t>(i) * ShowBytes;
            show.length = ShowBytes;
            show.data.assign(ShowBytes, static_cast<char>('A' + i));
        }
        return state;
    };
    constexpr std::size_t ClipBytes = 2040 + 58 * 2048;
    const struct {
        Row row;
        const char* unit;
        long long total;
    } cases[] = {
        {{Talk::SendClips, "K5", {{Fault::Paced}}, Ok()}, "packet", 59},
        {{Talk::SendClips, "R2", {{Fault::Pause, 20, 2000}}, Ok()}, "packet", 59},
        {{Talk::Flash, "T7", {{Fault::Paced}}, Ok()}, "record", 756},
        {{Talk::Flash, "T7", {{Fault::Pause, 300, 250}}, Ok()}, "record", 756},
        {{Talk::ReadShows, "K5", {{Fault::Paced}}, Ok()}, "byte", 163 + 10 * ShowBytes},
        {{Talk::ReadShows, "R2", {{Fault::Pause, 5, 2000}}, Ok()}, "byte", 304 + 10 * ShowBytes},
        {{Talk::WriteShows, "K5", {{Fault::Paced}}, Ok()}, "byte", 165 + 10 * ShowBytes},
        {{Talk::WriteShows, "R2", {{Fault::Pause, 12, 2000}}, Ok()}, "byte", 305 + 10 * ShowBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(TalkNames[static_cast<int>(c.row.talk)]) + " " + c.row.model);
        MatrixRun run(c.row, longShows(c.row.model), ClipBytes);
        struct Sample {
            std::int64_t atMs;
            std::optional<double> secondsLeft;
            std::string text;
        };
        std::vector<Sample> samples;
        StatusBar& status = run.h.session.status;
        status.ProgressLineChanged.connect([&](const std::string& text) {
            samples.push_back({run.h.clock.nowMs(), status.SecondsLeft(), text});
        });
        run.Run();
        ASSERT_TRUE(run.outcome.has_value());
        ASSERT_TRUE(run.outcome->ok());

        const std::string of = " of " + Grouped(c.total);
        ASSERT_GE(samples.size(), 3U);
        // A read learns how much is due from the table it reads first.
        EXPECT_EQ(samples.front().text.rfind(std::string(c.unit) + " 0 of ", 0), 0U) << samples.front().text;
        EXPECT_EQ(samples[samples.size() - 2].text, std::string(c.unit) + " " + Grouped(c.total) + of);
        EXPECT_EQ(samples.back().text, "") << "emptied when the transfer ended";

        // The transfer is over when its last byte is with the controller: a
        // write ends as the last chunk is handed to the port.
        const std::int64_t over = std::max(run.endedAt, run.h.session.link.SendingUntilMs());
        int estimates = 0;
        for (const Sample& sample : samples) {
            if (!sample.secondsLeft)
                continue;
            ++estimates;
            EXPECT_NE(sample.text.find(of + " \xC2\xB7 "), std::string::npos) << sample.text;
            EXPECT_GE(sample.atMs - run.startedAt, TimeLeft::WarmUpMs) << "an estimate before there is a rate";
            const double real = static_cast<double>(over - sample.atMs) / 1000.0;
            // A few percent, and a second for the rest of the step under way.
            EXPECT_NEAR(*sample.secondsLeft, real, 0.06 * real + 1.0)
                << sample.text << " at " << sample.atMs - run.startedAt << " ms";
        }
        EXPECT_GE(estimates, 5) << "too few estimates to judge";
    }
}

} // namespace marrowick::testing
