// Every conversation against every fault the simulated controller can inject:
// what the user is told, that the link is idle again, that nothing spun, and
// that no file was touched unless the conversation succeeded.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "base/Texts.h"
#include "base/TimeLeft.h"
#include "conversations/ClipTransfer.h"
#include "conversations/Identification.h"
#include "features/FirmwareFeature.h"
#include "features/LibraryFeature.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"
#include "support/TempFolder.h"
#include "unit/LibraryTestFiles.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

enum class Talk { Identify, ReadShows, WriteShows, SendClips, Flash };
enum class Fault { None, Silence, Garbage, Split, RunTogether, Close, Storm, Paced, Length, Pause };

// Names of the conversations and faults, in the order of the enumerations, for the trace.
constexpr const char* TalkNames[] = {"identify", "read-shows", "write-shows", "send-clips", "flash"};
constexpr const char* FaultNames[] = {"none",  "silence", "garbage", "split",  "run-together",
                                      "close", "storm",   "paced",   "length", "pause"};

// One cell of the matrix. `at` counts the controller's replies from the start of
// the conversation (for a storm: the packet, or the record, that is refused; for
// a length: the show); `arg` is the size of the noise, the text run together with
// the reply, how many refusals the storm holds, the length the table gives the
// show, or how many milliseconds a pause holds reply `at` back. A paced row, a
// length row and a pause row run on a line at 9600 baud (960 bytes/s), where a
// whole conversation takes longer than any of its time-outs.
struct Row {
    Talk talk;
    const char* model;
    Fault fault;
    int at;
    int arg;
    bool ok;
    std::string seen; // what the user reads where that conversation reports
};

constexpr int Endless = 1000000;
// Paths in the status bar are written with the system's separator.
const std::string Sep(1, static_cast<char>(fs::path::preferred_separator));
const std::string Lost = text::PortLost + "the controller closed the line";

// Every file below a folder with its bytes, named with "/" on every system.
std::map<std::string, std::string> Contents(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = ReadFile(entry.path());
        else
            files[fs::relative(entry.path(), root).generic_string() + "/"] = "";
    return files;
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
        if (row.talk != Talk::Identify)
            Prepare();
        before = Contents(folder.path);
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
        h.session.Click(control::btnReadShows);
        h.clock.RunUntilIdle();
        EXPECT_TRUE(fs::exists(folder.path / "Saved"));
        const std::string clip = folder.Make("clip.mp3", clipBytes);
        EXPECT_TRUE(h.session.library().TakeFiles({clip}).problem.empty());
        EXPECT_TRUE(h.session.library().SaveLibraryTo(folder.path / "Saved").ok());
        // The shows held are those of the project, as "Open Existing Shows" gives them.
        EXPECT_TRUE(h.session.shows().OpenShowsFrom((folder.path / "Saved").string()).ok());
        shows = h.session.shows().State();
        // The controller's shows change since, so a half-read mixture would show.
        for (auto& show : h.simulator.state().shows)
            for (char& byte : show.data)
                byte = static_cast<char>(byte ^ 0x5A);
        h.dialogs.shown.clear();
        outcome.reset();
    }

    void Inject()
    {
        SimFaults& faults = h.simulator.faults();
        const int base = h.simulator.repliesSent;
        switch (row.fault) {
        case Fault::None:
            break;
        case Fault::Silence:
            faults.silenceAfterReplies = base + row.at;
            break;
        case Fault::Garbage:
            faults.garbageAfterReplies = base + row.at;
            faults.garbageBytes = static_cast<std::size_t>(row.arg);
            break;
        case Fault::Split:
            faults.splitReplies = true;
            break;
        case Fault::RunTogether:
            faults.runTogetherAt = base + row.at;
            break;
        case Fault::Close:
            faults.closeAfterReplies = base + row.at;
            break;
        case Fault::Storm:
            (row.talk == Talk::Flash ? faults.firmwareRejects : faults.clipErrors)[row.at] = row.arg;
            break;
        case Fault::Length:
            // The table promises more than the controller holds for the show, which it sends.
            h.simulator.state().shows[static_cast<std::size_t>(row.at)].length = static_cast<std::uint32_t>(row.arg);
            h.port.SetBytesPerSecond(960);
            break;
        case Fault::Paced:
            h.port.SetBytesPerSecond(960);
            break;
        case Fault::Pause:
            h.port.SetBytesPerSecond(960);
            h.port.DelayReply(base + row.at, row.arg);
            break;
        }
    }

    void Run()
    {
        Inject();
        firingsBefore = h.clock.Firings();
        h.clock.firingLimit = firingsBefore + 200000;
        if (row.talk == Talk::ReadShows) {
            // A read that succeeds is saved into a new project; one that fails offers nothing.
            h.dialogs.answers = {true};
            h.dialogs.folders = {folder.Str()};
            h.dialogs.prompts = {"Fresh"};
        }
        // The button of each conversation; the identification starts with the port.
        constexpr Control Buttons[] = {control::frmInterface, control::btnReadShows, control::btnWriteShows,
                                       control::BtnWriteLibrary, control::btnFirmware};
        startedAt = h.clock.nowMs();
        if (row.talk == Talk::Identify)
            h.session.Connect("COM1");
        else
            h.session.Click(Buttons[static_cast<int>(row.talk)]);
        h.clock.RunUntilIdle(24LL * 3600 * 1000);
    }

    void Ended(const Result& result)
    {
        outcome = result;
        endedAt = h.clock.nowMs();
    }

    // The text the user reads where this conversation reports.
    std::string Seen() const
    {
        switch (row.talk) {
        case Talk::Identify:
            return h.session.Status(2) + (h.session.Status(3).empty() ? "" : " | " + h.session.Status(3));
        case Talk::Flash:
            // The window says "Firmware Download Aborted"; the reason is in the log and on the command line.
            return outcome ? outcome->message : "";
        default:
            return h.session.Status(1);
        }
    }

    void Check()
    {
        EXPECT_EQ(Seen(), row.seen);
        ASSERT_TRUE(outcome.has_value()) << "the conversation never reported its end";
        EXPECT_EQ(outcome->ok(), row.ok) << outcome->message;
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_EQ(h.session.conversations.Active(), nullptr);
        EXPECT_FALSE(h.view.visible["btnCancel"]);

        // Nothing spun: the clock came to rest, and every timer firing was a
        // delivery of bytes or a time-out, not a loop that never settles.
        EXPECT_FALSE(h.clock.LimitReached());
        const auto firings = h.clock.Firings() - firingsBefore;
        EXPECT_LE(firings, 3U * static_cast<std::uint64_t>(writes + arrivals + h.simulator.repliesSent) + 20U);
        // Nothing waited for days, whatever the controller promised: a minute
        // covers the longest conversation of the matrix on a paced line.
        EXPECT_LT(endedAt - startedAt, 60000) << "ended after " << endedAt - startedAt << " ms";

        if (row.talk == Talk::Flash && !row.ok && row.fault != Fault::Close) {
            EXPECT_EQ(h.session.Status(1), "Firmware Download Aborted");
            EXPECT_EQ(h.Sent().back(), 'x');
        }
        const auto after = Contents(folder.path);
        if (row.talk == Talk::ReadShows && row.ok) {
            // Only the new project was added, whole, with no temporary file left.
            std::map<std::string, std::string> added;
            for (const auto& [name, bytes] : after)
                if (before.count(name) == 0)
                    added[name] = bytes;
            const std::string ext = std::string(row.model) == "K5" ? ".K5S" : ".R2S";
            std::vector<std::string> names;
            for (const auto& [name, bytes] : added)
                names.push_back(name);
            std::vector<std::string> expected = {"Fresh/", "Fresh/000" + ext, "Fresh/001" + ext, "Fresh/002" + ext,
                                                 "Fresh/003" + ext};
            if (ext == ".R2S")
                expected.insert(expected.begin() + 1, "Fresh/000.CFG");
            EXPECT_EQ(names, expected);
            for (std::size_t i = 0; i < 4; ++i) {
                // Each show file ends with that show's data as the controller holds it now.
                const std::string& data = h.simulator.state().shows[i].data;
                const std::string& file = added["Fresh/00" + std::to_string(i) + ext];
                ASSERT_GE(file.size(), data.size());
                EXPECT_EQ(file.substr(file.size() - data.size()), data) << "show " << i;
            }
        } else {
            EXPECT_EQ(after, before) << "files changed";
        }
        if (row.talk == Talk::ReadShows && !row.ok) {
            // The shows held are still the whole project, not a half-read mixture.
            const ShowState& now = h.session.shows().State();
            EXPECT_EQ(now.ShowCount, shows.ShowCount);
            EXPECT_EQ(now.AmbientMode, shows.AmbientMode);
            EXPECT_EQ(now.ShowData, shows.ShowData);
            EXPECT_EQ(now.TocImage, shows.TocImage);
            for (std::size_t i = 0; i < 11; ++i)
                EXPECT_EQ(now.ShowTable[i].Length, shows.ShowTable[i].Length) << "entry " << i;
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
    int writes = 0;
    int arrivals = 0;
    std::uint64_t firingsBefore = 0;
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
};

void RunRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(TalkNames[static_cast<int>(row.talk)]) + " " + row.model + " " +
                     FaultNames[static_cast<int>(row.fault)] + " at " + std::to_string(row.at));
        MatrixRun run(row);
        run.Run();
        run.Check();
    }
}

} // namespace

TEST(FaultMatrix, Identification)
{
    const std::string k5 = "Firmware Version: 1.05       Model: K5";
    const std::string r2 = "Firmware Version: 1.05       Model: R2";
    RunRows({
        {Talk::Identify, "K5", Fault::None, 0, 0, true, k5},
        {Talk::Identify, "K5", Fault::Silence, 0, 0, false, text::VersionNotAvailable},
        {Talk::Identify, "K5", Fault::Silence, 1, 0, false, "Firmware Version: 1.05     " + text::ModelNotAvailable},
        {Talk::Identify, "R2", Fault::Silence, 2, 0, false, r2 + " | " + text::SerialNotAvailable},
        {Talk::Identify, "K5", Fault::Garbage, 0, 24, false, text::VersionNotAvailable},
        {Talk::Identify, "R2", Fault::Garbage, 2, 24, false, r2 + " | " + text::SerialNotAvailable},
        {Talk::Identify, "R2", Fault::Split, 0, 0, true, r2 + " | Serial Number: 1A2B3C4D"},
        // A doubled model reply names no model: the window asks, but it is not identified.
        {Talk::Identify, "K5", Fault::RunTogether, 2, 0, false, "Firmware Version: 1.05       Model: K5K5"},
        {Talk::Identify, "R2", Fault::RunTogether, 2, 0, false, "Firmware Version: 1.05       Model: R2R2"},
        {Talk::Identify, "R2", Fault::RunTogether, 3, 0, false, r2 + " | " + text::SerialNotAvailable},
        {Talk::Identify, "K5", Fault::Close, 1, 0, false, text::VersionNotAvailable},
        {Talk::Identify, "R2", Fault::Close, 2, 0, false, r2 + " | " + text::SerialNotAvailable},
        {Talk::Identify, "R2", Fault::Paced, 0, 0, true, r2 + " | Serial Number: 1A2B3C4D"},
    });
}

TEST(FaultMatrix, ReadShows)
{
    RunRows({
        {Talk::ReadShows, "K5", Fault::None, 0, 0, true, "Show Saved as: " + Sep + "Fresh" + Sep + "003.K5S"},
        {Talk::ReadShows, "K5", Fault::Silence, 0, 0, false, "Show read stopped: Controller not responding"},
        {Talk::ReadShows, "R2", Fault::Silence, 2, 0, false, "Show read stopped: Controller not responding"},
        {Talk::ReadShows, "K5", Fault::Garbage, 0, 24, false,
         "Show read stopped: the table reply had 187 bytes instead of 163"},
        {Talk::ReadShows, "K5", Fault::Garbage, 1, 24, false,
         "Show read stopped: show 0 came with 324 bytes instead of 300"},
        {Talk::ReadShows, "R2", Fault::Garbage, 2, 5, false,
         "Show read stopped: show 1 came with 5005 bytes instead of 5000"},
        {Talk::ReadShows, "R2", Fault::Split, 0, 0, true, "cfg Saved as: " + Sep + "Fresh" + Sep + "000.CFG"},
        {Talk::ReadShows, "K5", Fault::RunTogether, 2, 0, false,
         "Show read stopped: show 0 came with 600 bytes instead of 300"},
        {Talk::ReadShows, "K5", Fault::Close, 3, 0, false, Lost},
        {Talk::ReadShows, "K5", Fault::Paced, 0, 0, true, "Show Saved as: " + Sep + "Fresh" + Sep + "003.K5S"},
        {Talk::ReadShows, "R2", Fault::Paced, 0, 0, true, "cfg Saved as: " + Sep + "Fresh" + Sep + "000.CFG"},
        {Talk::ReadShows, "K5", Fault::Pause, 3, 2000, true, "Show Saved as: " + Sep + "Fresh" + Sep + "003.K5S"},
        // A table that promises more than comes: the read ends once the line has
        // been quiet for three seconds, not when the promised bytes could have come.
        {Talk::ReadShows, "K5", Fault::Length, 1, 0x7FFFFFFF, false,
         "Show read stopped: the controller stopped sending after 5000 of 2147483647 bytes of show 1"},
        {Talk::ReadShows, "R2", Fault::Length, 3, 2049, false,
         "Show read stopped: the controller stopped sending after 2048 of 2049 bytes of show 3"},
    });
}

TEST(FaultMatrix, WriteShows)
{
    // The controller's requests are not read, only counted: noise or a doubled
    // request moves the same bytes, in the same order, to the controller.
    RunRows({
        {Talk::WriteShows, "K5", Fault::None, 0, 0, true, text::DownloadComplete},
        {Talk::WriteShows, "K5", Fault::Silence, 0, 0, false, "Show write stopped: Controller not responding"},
        {Talk::WriteShows, "R2", Fault::Silence, 3, 0, false, "Show write stopped: Controller not responding"},
        {Talk::WriteShows, "K5", Fault::Garbage, 2, 24, true, text::DownloadComplete},
        {Talk::WriteShows, "R2", Fault::Split, 0, 0, true, text::DownloadComplete},
        {Talk::WriteShows, "K5", Fault::RunTogether, 1, 0, true, text::DownloadComplete},
        {Talk::WriteShows, "R2", Fault::Close, 2, 0, false, Lost},
        {Talk::WriteShows, "K5", Fault::Paced, 0, 0, true, text::DownloadComplete},
        {Talk::WriteShows, "R2", Fault::Paced, 0, 0, true, text::DownloadComplete},
        {Talk::WriteShows, "R2", Fault::Pause, 3, 2000, true, text::DownloadComplete},
    });
}

TEST(FaultMatrix, SendClips)
{
    const std::string stopped = "Audio clip transfer stopped: ";
    RunRows({
        {Talk::SendClips, "K5", Fault::None, 0, 0, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "K5", Fault::Silence, 0, 0, false, stopped + "the controller did not answer packet 1"},
        {Talk::SendClips, "R2", Fault::Silence, 2, 0, false, stopped + "the controller did not answer packet 3"},
        {Talk::SendClips, "K5", Fault::Garbage, 1, 24, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "K5", Fault::Garbage, 1, 3, false,
         stopped + "the controller's answer to packet 2 could not be read"},
        {Talk::SendClips, "R2", Fault::Split, 0, 0, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "K5", Fault::RunTogether, 1, 0, false,
         stopped + "the controller's answer to packet 1 could not be read"},
        {Talk::SendClips, "K5", Fault::Close, 2, 0, false, Lost},
        {Talk::SendClips, "K5", Fault::Storm, 3, 20, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "R2", Fault::Storm, 3, Endless, false,
         stopped + "the controller refused packet 3 21 times in a row"},
        {Talk::SendClips, "K5", Fault::Storm, 1, Endless, false,
         stopped + "the controller refused packet 1 21 times in a row"},
        {Talk::SendClips, "K5", Fault::Paced, 0, 0, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "R2", Fault::Paced, 0, 0, true, "Audio Library Transmission Complete"},
        {Talk::SendClips, "K5", Fault::Pause, 2, 2000, true, "Audio Library Transmission Complete"},
    });
}

TEST(FaultMatrix, Flash)
{
    const std::string aborted = "Firmware Download Aborted: ";
    const std::string sent = "Firmware image 105 sent: 756 records";
    RunRows({
        {Talk::Flash, "T7", Fault::None, 0, 0, true, sent},
        {Talk::Flash, "T7", Fault::Silence, 0, 0, false, aborted + "no answer from the controller within 5 s"},
        {Talk::Flash, "T7", Fault::Silence, 10, 0, false, aborted + "no answer from the controller within 5 s"},
        {Talk::Flash, "T7", Fault::Garbage, 5, 24, true, sent},
        {Talk::Flash, "T7", Fault::Split, 0, 0, true, sent},
        {Talk::Flash, "T7", Fault::RunTogether, 1, 0, false,
         aborted + "the controller's answer to the start of the download could not be read"},
        {Talk::Flash, "T7", Fault::RunTogether, 4, 0, false,
         aborted + "the controller's answer to record 2 could not be read"},
        {Talk::Flash, "T7", Fault::Close, 5, 0, false, aborted + Lost},
        {Talk::Flash, "T7", Fault::Storm, 4, 20, true, sent},
        {Talk::Flash, "T7", Fault::Storm, 4, Endless, false,
         aborted + "the controller refused record 4 21 times in a row"},
        {Talk::Flash, "T7", Fault::Storm, -1, Endless, false,
         aborted + "the controller refused the start of the download 21 times in a row"},
        {Talk::Flash, "T7", Fault::Paced, 0, 0, true, sent},
        {Talk::Flash, "T7", Fault::Pause, 300, 2000, true, sent},
        // The last record (755) must be taken like any other; silence after it is
        // taken as a controller that restarted at once.
        {Talk::Flash, "T7", Fault::Storm, 755, 20, true, sent},
        {Talk::Flash, "T7", Fault::Storm, 755, Endless, false,
         aborted + "the controller refused record 755 21 times in a row"},
        {Talk::Flash, "T7", Fault::Silence, 756, 0, true, sent + "; the controller did not confirm the last record"},
        {Talk::Flash, "T7", Fault::RunTogether, 757, 0, false,
         aborted + "the controller's answer to record 755 could not be read"},
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
        {{Talk::SendClips, "K5", Fault::Paced, 0, 0, true, ""}, "packet", 59},
        {{Talk::SendClips, "R2", Fault::Pause, 20, 2000, true, ""}, "packet", 59},
        {{Talk::Flash, "T7", Fault::Paced, 0, 0, true, ""}, "record", 756},
        {{Talk::Flash, "T7", Fault::Pause, 300, 250, true, ""}, "record", 756},
        {{Talk::ReadShows, "K5", Fault::Paced, 0, 0, true, ""}, "byte", 163 + 10 * ShowBytes},
        {{Talk::ReadShows, "R2", Fault::Pause, 5, 2000, true, ""}, "byte", 304 + 10 * ShowBytes},
        {{Talk::WriteShows, "K5", Fault::Paced, 0, 0, true, ""}, "byte", 165 + 10 * ShowBytes},
        {{Talk::WriteShows, "R2", Fault::Pause, 12, 2000, true, ""}, "byte", 305 + 10 * ShowBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(TalkNames[static_cast<int>(c.row.talk)]) + " " + c.row.model + " " +
                     FaultNames[static_cast<int>(c.row.fault)]);
        MatrixRun run(c.row, longShows(c.row.model), ClipBytes);
        struct Sample {
            std::int64_t atMs;
            std::optional<double> secondsLeft;
            std::string text;
        };
        std::vector<Sample> samples;
        StatusSink& status = run.h.session.status;
        status.ProgressLineChanged.connect([&](const std::string& text) {
            samples.push_back({run.h.clock.nowMs(), status.SecondsLeft(), text});
        });
        run.Run();
        ASSERT_TRUE(run.outcome.has_value());
        ASSERT_TRUE(run.outcome->ok()) << run.outcome->message;

        const std::string of = " of " + Grouped(c.total);
        ASSERT_GE(samples.size(), 3U);
        // A read learns how much is due from the table it reads first.
        EXPECT_EQ(samples.front().text.rfind(std::string(c.unit) + " 0 of ", 0), 0U) << samples.front().text;
        EXPECT_EQ(samples[samples.size() - 2].text, std::string(c.unit) + " " + Grouped(c.total) + of);
        EXPECT_EQ(samples.back().text, "") << "emptied when the transfer ended";
        EXPECT_EQ(run.h.view.captions["lblProgress"], "");

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
