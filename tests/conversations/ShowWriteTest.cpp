#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "base/Files.h"
#include "base/Texts.h"
#include "conversations/ShowTestSupport.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"
#include "support/TempFolder.h"

using namespace marrowick;
using namespace marrowick::testing;

namespace {

// An identified harness that keeps every write to the line apart.
struct WriteHarness : Harness {
    explicit WriteHarness(ControllerState state) : Harness(std::move(state))
    {
        Identify();
        session.link.BytesSent.connect([this](std::string_view bytes) { writes.emplace_back(bytes); });
    }
    ShowState& Shows() { return session.shows().State(); }
    void Write()
    {
        writes.clear();
        session.Click(control::btnWriteShows);
        clock.RunUntilIdle();
    }
    std::vector<std::string> writes;
};

ShowEntry Entry(std::int32_t start, std::int32_t length, int clip)
{
    ShowEntry e;
    e.Start = start;
    e.Length = length;
    e.ClipNumber = static_cast<std::uint8_t>(clip);
    e.Volume = 2;
    e.PreShowDelay = 3;
    e.PostShowDelay = 4;
    e.Configuration = 255;
    return e;
}

std::string Pattern(std::size_t size, int seed)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    return data;
}

} // namespace

TEST(ShowWrite, K5TableGoesOutInOneBurstThenDataInChunksOfAtMost2048)
{
    WriteHarness h(SampleControllerState("K5"));
    ShowState& shows = h.Shows();
    shows.ShowCount = 2;
    shows.AmbientMode = true;
    shows.TriggerMode = 1;
    shows.ShowTable[0] = Entry(65535, 5000, 1);
    shows.ShowTable[1] = Entry(70535, 2048, 2);
    shows.ShowTable[2] = Entry(72583, 0, 3);
    shows.ShowTable[9] = Entry(20000000, 16777217, 9); // never a show, but its block goes out
    shows.ShowData[0] = Pattern(5000, 1);
    shows.ShowData[1] = Pattern(2048, 2);
    h.Write();

    ASSERT_GE(h.writes.size(), 1U);
    const std::string& burst = h.writes[0];
    ASSERT_EQ(burst.size(), 165U);
    EXPECT_EQ(burst.substr(0, 17), "d" + Bytes({0, 0, 0xFF, 0xFF, 0, 0, 0x13, 0x88, 1, 2, 3, 4, 255, 255, 255, 255}));
    EXPECT_EQ(burst.substr(17, 8), Bytes({0, 1, 0x13, 0x87, 0, 0, 0x08, 0x00}));
    // 20,000,000 is exact in single precision; 16,777,217 is not and goes out as 16,777,216.
    EXPECT_EQ(burst.substr(1 + 16 * 9, 8), Bytes({0x01, 0x31, 0x2D, 0x00, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Byte(burst, 161), 2);  // ShowCount
    EXPECT_EQ(Byte(burst, 162), 3);  // ambient, normally closed
    EXPECT_EQ(Byte(burst, 163), 32); // dummy clip count
    EXPECT_EQ(Byte(burst, 164), 1);  // first show starts at 65535

    std::vector<std::size_t> sizes;
    for (std::size_t i = 1; i < h.writes.size(); ++i)
        sizes.push_back(h.writes[i].size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{2048, 2048, 904, 2048, 1}));
    EXPECT_EQ(h.writes.back(), "*");
    EXPECT_EQ(h.writes[3], shows.ShowData[0].substr(4096));
    EXPECT_EQ(h.view.status[1], text::DownloadComplete);
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_FALSE(h.view.visible["btnCancel"]);
    EXPECT_EQ(h.view.progressValue, h.view.progressMaximum);
    EXPECT_EQ(h.view.progressMaximum, 165 + 5000 + 2048);

    const ControllerState& got = h.simulator.state();
    EXPECT_EQ(got.shows[0].data, shows.ShowData[0]);
    EXPECT_EQ(got.shows[1].data, shows.ShowData[1]);
    EXPECT_EQ(got.showCount, 2);
    EXPECT_TRUE(got.ambient);
    EXPECT_TRUE(got.normallyClosed);
    EXPECT_EQ(got.sectorFlag, 1);

    // One below 65535 is the low sector; without ambient the first show is 1.
    shows.ShowTable[0].Start = 65534;
    h.Write();
    EXPECT_EQ(Byte(h.writes[0], 164), 0);
    shows.AmbientMode = false;
    shows.TriggerMode = 0;
    shows.ShowTable[1].Start = 65535;
    h.Write();
    EXPECT_EQ(Byte(h.writes[0], 162), 0);
    EXPECT_EQ(Byte(h.writes[0], 164), 1);
    EXPECT_EQ(h.writes.size(), 1U + 1U + 1U); // the table, show 1 in one chunk, "*" for show 2
}

TEST(ShowWrite, R2ImageGoesBackWithTheSerialNumberInIt)
{
    ControllerState state = SampleControllerState("R2");
    state.serial = "12345678";
    state.image[163] = 1;
    state.image[170] = 0x55; // overwritten by the serial number
    state.image[303] = 0x77;
    WriteHarness h(state);
    h.session.Click(control::btnReadShows);
    h.clock.RunUntilIdle();
    const std::string image = h.Shows().TocImage;
    ASSERT_EQ(image.size(), 304U);

    h.Write();
    const std::string& burst = h.writes.at(0);
    ASSERT_EQ(burst.size(), 305U);
    EXPECT_EQ(burst[0], 'd');
    EXPECT_EQ(Byte(burst, 161), 3);
    EXPECT_EQ(burst.substr(162, 7), image.substr(161, 7));
    EXPECT_EQ(burst.substr(169, 4), Bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(burst.substr(173), image.substr(172));
    // Blocks go out most significant byte first: show 1 starts at 4396 = 0x112C.
    EXPECT_EQ(burst.substr(17, 4), Bytes({0, 0, 0x11, 0x2C}));
    EXPECT_EQ(h.view.status[1], text::DownloadComplete);
    // The controller now answers with the same table, but its own serial bytes.
    std::string expected = image;
    expected.replace(168, 4, Bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(h.simulator.TableReply(), expected);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(h.simulator.state().shows[i].data, state.shows[i].data);

    // A serial number that is not eight hexadecimal digits leaves the image's bytes.
    h.session.identity.SerialNumber = "12G45678";
    h.Write();
    EXPECT_EQ(h.writes.at(0).substr(169, 4), image.substr(168, 4));
}

TEST(ShowWrite, NothingToWriteOrNoImageIsRefused)
{
    WriteHarness none(SampleControllerState("K5"));
    none.Shows().AmbientMode = true; // an ambient show alone is not written
    none.Write();
    EXPECT_TRUE(none.writes.empty());
    EXPECT_EQ(none.session.State(), StateIdle);

    WriteHarness noImage(SampleControllerState("L+"));
    noImage.Shows().ShowCount = 1;
    noImage.Write();
    EXPECT_TRUE(noImage.writes.empty());
    EXPECT_EQ(noImage.view.status[1],
              "Show write refused: there is no table image to send; read the shows or open a project first");
    EXPECT_EQ(noImage.session.State(), StateIdle);

    // Tables the controller would be left half-written by: nothing goes out.
    // Data beyond a show's length is never sent, so it does not matter.
    const std::pair<std::function<void(ShowState&)>, std::string> refused[] = {
        {[](ShowState&) {}, text::DownloadComplete},
        {[](ShowState& shows) { shows.ShowCount = 11; },
         "Show write refused: the table holds 11 shows; at most 10 can be written"},
        {[](ShowState& shows) { shows.ShowTable[2].Length = -5; }, "Show write refused: show 2 has a negative length"},
        {[](ShowState& shows) { shows.ShowData[2].resize(100); }, "Show write refused: show 2 has 100 of 5000 bytes"},
        {[](ShowState& shows) {
             shows.ShowData[1].clear();
             shows.ShowData[3].resize(3);
         },
         "Show write refused: show 1 has 0 of 10 bytes; show 3 has 3 of 4 bytes"},
        {[](ShowState& shows) { shows.UnopenedShows[2] = "show 2: 002.K5S is missing"; },
         "Show write refused: show 2: 002.K5S is missing"},
    };
    for (const auto& [damage, status] : refused) {
        WriteHarness h(SampleControllerState("K5"));
        ShowState& shows = h.Shows();
        shows.ShowCount = 3;
        shows.ShowTable[1] = Entry(0, 10, 1);
        shows.ShowTable[2] = Entry(10, 5000, 2);
        shows.ShowTable[3] = Entry(5010, 4, 3);
        for (int show = 1; show <= 3; ++show)
            shows.ShowData[static_cast<std::size_t>(show)] =
                Pattern(static_cast<std::size_t>(shows.ShowTable[static_cast<std::size_t>(show)].Length), show);
        shows.ShowData[3] += "beyond the length, never sent";
        damage(shows);
        h.Write();
        EXPECT_EQ(h.writes.empty(), status != text::DownloadComplete) << status;
        EXPECT_EQ(h.view.status[1], status);
        EXPECT_EQ(h.session.State(), StateIdle);
    }

    WriteHarness busy(SampleControllerState("K5"));
    busy.Shows().ShowCount = 1;
    busy.session.SetState(StateFirmware);
    busy.Write();
    EXPECT_TRUE(busy.writes.empty());
}

TEST(ShowWrite, ASilentControllerOrACancelEndsTheWriteIdle)
{
    for (const bool cancel : {false, true}) {
        WriteHarness h(SampleControllerState("K5"));
        ShowState& shows = h.Shows();
        shows.ShowCount = 1;
        shows.ShowTable[1] = Entry(0, 5000, 1);
        shows.ShowData[1] = Pattern(5000, 3);
        if (cancel) {
            h.port.SetBytesPerSecond(960);
        } else {
            h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent + 1; // one request only
        }
        h.writes.clear();
        h.session.Click(control::btnWriteShows);
        EXPECT_TRUE(h.view.visible["btnCancel"]);
        if (cancel) {
            h.clock.Advance(2500);
            EXPECT_EQ(h.session.State(), StateWriteShowRecords);
            h.session.Click(control::btnCancel);
        }
        h.clock.RunUntilIdle();
        EXPECT_EQ(h.view.status[1],
                  cancel ? "Show write stopped: Cancelled" : "Show write stopped: Controller not responding");
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_FALSE(h.view.visible["btnCancel"]);
        if (!cancel) {
            EXPECT_EQ(h.writes.size(), 2U); // the table and the first chunk
        }
    }
}

// With both check boxes ticked, "Write Shows" first reads the controller's
// shows into a new folder of the backups, then writes, then reads back and
// compares. Those reads go into a show state of their own: the table the
// window holds and shows stays, no save is offered, and a state forced from
// the log window still reaches the window's table.
TEST(ShowWrite, BackupAndVerifyReadIntoAShowStateOfTheirOwn)
{
    TempFolder root;
    WriteHarness h(SampleControllerState("R2"));
    ShowsFeature& feature = h.session.shows();
    // A folder name outside ASCII, as a user's data folder may have.
    feature.backupRoot = U8Text(root.path / u8"Sicherungen Süd 幽霊");
    h.session.Click(control::btnReadShows);
    h.clock.RunUntilIdle();
    ASSERT_EQ(h.dialogs.Texts("question").size(), 1U);
    // The project differs from what the controller holds: show 1 is quieter
    // and its data changed.
    ShowState& shows = h.Shows();
    shows.ShowTable[1].Volume = 20;
    shows.ShowData[1][100] = '\x42';
    const ShowState held = shows;
    feature.Display();
    const auto shownRows = ShowListRows(shows);
    h.session.Toggle(control::chkBackupShows, true);
    h.session.Toggle(control::chkVerifyShows, true);
    const ControllerState before = h.simulator.state();

    h.view.statusHistory[1].clear();
    h.Write();
    const std::filesystem::path folder = root.path / u8"Sicherungen Süd 幽霊" / "R2 1A2B3C4D 2026-06-12 12.00.00";
    EXPECT_EQ(h.view.status[1], "Shows Verified");
    const auto& said = h.view.statusHistory[1];
    EXPECT_NE(std::find(said.begin(), said.end(), "Shows Backed Up To: " + PathText(folder)), said.end());
    EXPECT_EQ(ReadFile(folder / "000.CFG"), ControllerSimulator(before).TableReply());
    for (int show = 0; show <= 3; ++show)
        EXPECT_EQ(ReadFile(folder / ("00" + std::to_string(show) + ".R2S")),
                  before.shows[static_cast<std::size_t>(show)].data)
            << show;
    EXPECT_EQ(h.simulator.state().shows[1].volume, 20);
    EXPECT_EQ(h.simulator.state().shows[1].data, held.ShowData[1]);
    EXPECT_EQ(h.writes.front(), "u") << "the backup came first";
    EXPECT_EQ(h.writes.back(), "*") << "the verify came last";
    EXPECT_EQ(h.dialogs.Texts("question").size(), 1U) << "no save offered";
    EXPECT_EQ(ShowListRows(shows), shownRows);
    EXPECT_EQ(h.view.rows["ListShows"], shownRows);
    EXPECT_EQ(shows.ShowData, held.ShowData);
    EXPECT_EQ(shows.ShowTable[1].Volume, 20);
    EXPECT_TRUE(h.session.paths.ProjectFolder.empty()) << "the window's project folder stays";

    // A second backup in the same second gets a folder of its own.
    h.Write();
    EXPECT_EQ(h.view.status[1], "Shows Verified");
    EXPECT_TRUE(std::filesystem::is_directory(folder.parent_path() / "R2 1A2B3C4D 2026-06-12 12.00.00 (2)"));
}

// A backup that cannot be made stops the write before a byte of it goes out;
// a check that finds a difference names it.
TEST(ShowWrite, NoWriteWithoutItsBackupAndAFailedCheckNamesTheDifference)
{
    TempFolder root;
    for (const char* fault : {"silent", "unwritable", "no folder", "corrupted"}) {
        SCOPED_TRACE(fault);
        WriteHarness h(SampleControllerState("K5"));
        ShowsFeature& feature = h.session.shows();
        h.session.Click(control::btnReadShows);
        h.clock.RunUntilIdle();
        const std::string fault_ = fault;
        feature.backupRoot = fault_ == "no folder" ? "" : (root.path / fault_).string();
        if (fault_ == "unwritable") // a file where the folder of the backups belongs
            WriteFile(root.path / fault_, "x");
        if (fault_ == "silent")
            h.simulator.faults().silentRequests = "u";
        if (fault_ == "corrupted") {
            h.simulator.faults().corruptStoredShow = 3;
            h.simulator.faults().corruptStoredOffset = 2047;
        }
        h.session.Toggle(control::chkBackupShows, fault_ != "corrupted");
        h.session.Toggle(control::chkVerifyShows, fault_ == "corrupted");
        h.Write();
        EXPECT_EQ(h.session.State(), StateIdle);
        const bool tableSent = std::any_of(h.writes.begin(), h.writes.end(),
                                           [](const std::string& w) { return w.size() == 165 && w[0] == 'd'; });
        if (fault_ == "corrupted") {
            const auto byte = static_cast<unsigned char>(h.Shows().ShowData[3][2047]);
            const auto hex = [](unsigned value) {
                const char* digits = "0123456789ABCDEF";
                return std::string("0x") + digits[value >> 4] + digits[value & 15];
            };
            EXPECT_EQ(h.view.status[1], "Show Verify Failed: show 3 data at byte offset 2047: wrote " + hex(byte) +
                                            ", read back " + hex(byte ^ 0xFFU));
            EXPECT_TRUE(tableSent);
            // The log window's table state still reaches the window's table.
            ControllerState other = SampleControllerState("K5");
            other.shows[1].length = 77;
            h.session.SetState(StateReceiveToc);
            h.session.link.Expect(160);
            h.session.link.Dispatch(ControllerSimulator(other).TableReply().substr(3));
            EXPECT_EQ(h.Shows().ShowTable[1].Length, 77);
            EXPECT_EQ(h.session.State(), StateIdle);
            continue;
        }
        EXPECT_FALSE(tableSent) << "nothing written";
        const std::string said = h.view.status[1];
        EXPECT_EQ(said.rfind("Show Backup Failed: ", 0), 0U) << said;
        EXPECT_NE(said.find("; the shows were not written"), std::string::npos) << said;
    }
}
