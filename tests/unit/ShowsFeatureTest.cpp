// "Write Shows" with its backup and its check, and what the Show tab does
// around reads, saves and opens: the order of the steps, what each leaves on
// disk, and that a failure of one step leaves nothing half done.

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Files.h"
#include "support/Harness.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

struct WriteHarness : Harness {
    explicit WriteHarness(const std::string& model) : Harness(SampleControllerState(model))
    {
        Identify();
        session.shows().WriteFinished.connect([this](const WriteOutcome& o) { outcome = o; });
        session.link.BytesSent.connect([this](std::string_view bytes) { writes.emplace_back(bytes); });
        session.commands().Click(control::btnReadShows);
        clock.RunUntilIdle();
    }
    ShowState& Shows() { return session.shows().State(); }
    void Write(bool backup, bool verify)
    {
        writes.clear();
        outcome.reset();
        session.commands().Toggled(control::chkBackupShows, backup);
        session.commands().Toggled(control::chkVerifyShows, verify);
        session.commands().Click(control::btnWriteShows);
        clock.RunUntilIdle();
    }
    bool TableSent() const
    {
        for (const std::string& w : writes)
            if (w[0] == 'd' && w.size() >= 165)
                return true;
        return false;
    }
    std::vector<std::string> writes;
    std::optional<WriteOutcome> outcome;
};

} // namespace

// With both boxes ticked, "Write Shows" reads the controller's shows into a new
// backup folder, writes, then reads back and compares. Those reads go into a
// show state of their own: the table held and shown stays, and no save is offered.
TEST(ShowsFeature, BackupWriteAndVerifyInTurn)
{
    TempFolder root;
    WriteHarness h("R2");
    ShowsFeature& feature = h.session.shows();
    // A folder name outside ASCII, as a user's data folder may have.
    feature.backupRoot = U8Text(root.path / u8"Sicherungen Süd 幽霊");
    // The project differs from what the controller holds.
    h.Shows().ShowTable[1].Volume = 20;
    h.Shows().ShowData[1][100] = '\x42';
    const ShowState held = h.Shows();
    const ControllerState before = h.simulator.state();

    h.Write(true, true);
    ASSERT_TRUE(h.outcome.has_value());
    EXPECT_TRUE(h.outcome->result.ok());
    EXPECT_EQ(h.outcome->stage, WriteOutcome::Stage::Verify);
    const fs::path folder = root.path / u8"Sicherungen Süd 幽霊" / "R2 1A2B3C4D 2026-06-12 12.00.00";
    EXPECT_TRUE(h.outcome->backedUp);
    EXPECT_EQ(ReadFile(folder / "000.CFG"), ControllerSimulator(before).TableReply());
    for (std::size_t show = 0; show <= 3; ++show) {
        EXPECT_EQ(ReadFile(folder / ("00" + std::to_string(show) + ".R2S")), before.shows[show].data);
    }
    EXPECT_EQ(h.simulator.state().shows[1].volume, 20);
    EXPECT_EQ(h.writes.front(), "u") << "the backup came first";
    EXPECT_EQ(h.writes.back(), "*") << "the verify came last";
    EXPECT_EQ(h.dialogs.Texts("question").size(), 1U) << "no save offered but the first read's";
    EXPECT_EQ(h.Shows().ShowData, held.ShowData);
    EXPECT_TRUE(h.session.paths.ProjectFolder.empty()) << "the window's project folder stays";

    // A second backup in the same second gets a folder of its own.
    h.Write(true, false);
    EXPECT_TRUE(h.outcome->result.ok());
    EXPECT_TRUE(fs::is_directory(folder.parent_path() / "R2 1A2B3C4D 2026-06-12 12.00.00 (2)"));
}

// A backup that cannot be made stops the write before a byte of it goes out
// and leaves no folder behind; a failure after a backup names it, but only a
// backup made this time; a check names the first difference, a volume above
// 99 compared as the 0 it reads back as.
TEST(ShowsFeature, NoWriteWithoutItsBackupAndTheCheckFindsWhatDiffers)
{
    TempFolder root;
    const struct {
        const char* fault;
        WriteOutcome::Stage stage;
        Reason reason;
        bool tableSent;
    } cases[] = {
        {"silent", WriteOutcome::Stage::Backup, Reason::NotResponding, false},
        {"a file in the way", WriteOutcome::Stage::Backup, Reason::CannotCreateFolder, false},
#ifndef _WIN32
        {"too deep to save into", WriteOutcome::Stage::Backup, Reason::SystemError, false},
#endif
        {"no folder", WriteOutcome::Stage::Backup, Reason::NoBackupRoot, false},
        {"corrupted", WriteOutcome::Stage::Verify, Reason::ShowsDiffer, true},
        {"volume 120", WriteOutcome::Stage::Verify, Reason::None, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const std::string fault = c.fault;
        WriteHarness h("K5");
        fs::path backups = root.path / fault;
        if (fault == "a file in the way")
            WriteFile(backups, "x");
        if (fault == "too deep to save into") {
            // Its folder can be made, but no file in it can be named: the
            // path would be longer than the system takes.
            while (backups.string().size() < 4050)
                backups /= std::string(std::min<std::size_t>(200, 4050 - backups.string().size()), 'd');
            fs::create_directories(backups);
        }
        h.session.shows().backupRoot = fault == "no folder" ? "" : U8Text(backups);
        if (fault == "silent")
            h.simulator.faults().silentRequests = "u";
        if (fault == "corrupted") {
            h.simulator.faults().corruptStoredShow = 3;
            h.simulator.faults().corruptStoredOffset = 2047;
        }
        if (fault == "volume 120")
            h.Shows().ShowTable[1].Volume = 120;
        const bool backup = c.stage == WriteOutcome::Stage::Backup;
        h.Write(backup, !backup);
        ASSERT_TRUE(h.outcome.has_value());
        EXPECT_EQ(h.outcome->stage, c.stage);
        EXPECT_EQ(h.outcome->result.reason, c.reason);
        EXPECT_EQ(h.TableSent(), c.tableSent);
        EXPECT_FALSE(h.outcome->backedUp);
        EXPECT_EQ(h.session.State(), LinkState::StateIdle);
        if (fault == "corrupted") {
            EXPECT_EQ(h.outcome->difference.field, ShowDifference::Field::DataByte);
            EXPECT_EQ(h.outcome->difference.show, 3);
            EXPECT_EQ(h.outcome->difference.offset, 2047U);
        }
        if (fault == "too deep to save into") {
            EXPECT_TRUE(fs::is_empty(backups))
                << "the half-saved backup is removed: " << (fs::directory_iterator(backups)->path().filename());
        }
    }

    // A backup made for one write is not named by a later write that made none.
    WriteHarness h("K5");
    h.session.shows().backupRoot = U8Text(root.path / "named");
    h.Write(true, false);
    EXPECT_TRUE(h.outcome->backedUp);
    h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent + 1;
    h.Write(false, false);
    EXPECT_FALSE(h.outcome->result.ok());
    EXPECT_FALSE(h.outcome->backedUp);
    EXPECT_EQ(WriteOutcomeText(*h.outcome, h.Shows()).find("from before"), std::string::npos);
}

// A read that fails gives back the table held before, and with it its edits:
// still not saved, and still taken back by Undo.
TEST(ShowsFeature, AFailedReadKeepsTheEdits)
{
    WriteHarness h("R2");
    ShowsFeature& feature = h.session.shows();
    ASSERT_TRUE(feature.Edit({ShowEdit::Field::Volume, 1, 7}).ok());
    h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent + 1; // the table, then nothing
    h.dialogs.answers = {true};                                             // throw the edits away and read
    h.session.commands().Click(control::btnReadShows);
    h.clock.RunUntilIdle();
    EXPECT_EQ(h.dialogs.shown.back().question, Question::LoseEdits);
    EXPECT_EQ(h.Shows().ShowTable[1].Volume, 7);
    EXPECT_TRUE(feature.Edits().Unsaved());
    ASSERT_TRUE(feature.Undo());
    EXPECT_EQ(h.Shows().ShowTable[1].Volume, 51);
}

// After a read the save is offered once; a project opened again after its
// missing file came back names no missing file; a refused open says "Failed".
TEST(ShowsFeature, SaveOfferReopenAndRefusedOpen)
{
    TempFolder root;
    WriteHarness h("K5");
    h.dialogs.folders = {root.Str()};
    h.dialogs.prompts = {"Gala"};
    h.dialogs.answers = {true};
    h.session.commands().Click(control::btnReadShows);
    h.clock.RunUntilIdle();
    const fs::path project = root.path / "Gala";
    ASSERT_TRUE(fs::exists(project / "003.K5S"));
    fs::rename(project / "002.K5S", root.path / "002.K5S");
    ASSERT_TRUE(h.session.shows().OpenShowsFrom(U8Text(project)).ok());
    EXPECT_EQ(h.Shows().UnopenedShows.count(2), 1U);
    fs::rename(root.path / "002.K5S", project / "002.K5S");
    ASSERT_TRUE(h.session.shows().OpenShowsFrom(U8Text(project)).ok());
    EXPECT_TRUE(h.Shows().UnopenedShows.empty());
    EXPECT_TRUE(IncompleteShows(h.Shows()).empty());

    Harness r2(SampleControllerState("R2"));
    r2.Identify();
    WriteFile(project / "000.CFG", "short");
    r2.dialogs.folders = {U8Text(project)};
    r2.session.commands().Click(control::btnOpenShows);
    EXPECT_EQ(r2.dialogs.Texts("message"), std::vector<std::string>{"Failed"});
}

} // namespace marrowick::testing

namespace marrowick::testing {

// An edit changes its one field: in the saved project exactly the byte that
// holds it (the show's entry in its K5 show file, the field of 000.CFG, or the
// K5's wiring file), opened again it is there, and written to the controller
// the table differs from an unedited write in that byte alone, which the
// verify finds as edited.
TEST(ShowsFeature, AnEditChangesItsBytesInTheProjectAndOnTheWireAndNothingElse)
{
    using F = ShowEdit::Field;
    struct Row {
        const char* model;
        ShowEdit edit;
        const char* file;      // the file of the project that changes
        std::ptrdiff_t fileAt; // its byte that changes; -1: the file's text
        std::size_t wireAt;    // the byte of the table sent after "d"
        unsigned bit;          // a flag's bit, 0 for a byte of its own
    } rows[] = {
        {"K5", {F::Clip, 1, 42}, "001.K5S", 8, 1 + 16 + 8, 0},
        {"K5", {F::Volume, 2, 7}, "002.K5S", 9, 1 + 32 + 9, 0},
        {"K5", {F::PreDelay, 3, 99}, "003.K5S", 10, 1 + 48 + 10, 0},
        {"K5", {F::PostDelay, 0, 55}, "000.K5S", 11, 1 + 0 + 11, 0},
        {"K5", {F::Wiring, -1, 1}, "000.K5W", -1, 1 + 161, 2},
        {"R2", {F::Clip, 3, 42}, "000.CFG", 48 + 8, 1 + 48 + 8, 0},
        {"R2", {F::PostDelay, 0, 99}, "000.CFG", 11, 1 + 11, 0},
        {"R2", {F::Wiring, -1, 1}, "000.CFG", 161, 1 + 161, 2},
        {"R2", {F::Lockout, -1, 0}, "000.CFG", 161, 1 + 161, 4},
        {"R2", {F::TriggerA, -1, 5}, "000.CFG", 166, 1 + 166, 0},
        {"R2", {F::TriggerB, -1, 1}, "000.CFG", 167, 1 + 167, 0},
        {"L+", {F::Volume, 1, 0}, "000.CFG", 16 + 9, 1 + 16 + 9, 0},
        {"L+", {F::TriggerA, -1, 3}, "000.CFG", 166, 1 + 166, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.model) + " field " + std::to_string(static_cast<int>(row.edit.field)));
        TempFolder root;
        WriteHarness h(row.model);
        ShowsFeature& feature = h.session.shows();
        const auto save = [&](const char* name) {
            const ProjectPaths paths{root.Str(), U8Text(root.path / name) + "/", {}};
            fs::create_directories(root.path / name);
            EXPECT_TRUE(feature.SaveInto(paths));
        };
        save("plain");
        h.Write(false, false);
        const std::string plainTable = h.writes.at(0);
        ASSERT_NE(FieldValue(h.Shows(), row.edit), row.edit.value) << "the edit changes something";

        const ShowState unedited = h.Shows();
        ASSERT_TRUE(feature.Edit(row.edit).ok());
        EXPECT_TRUE(feature.Edits().Unsaved());
        // Undo gives back the table as it was, bytes and all; redo makes the edit again.
        ASSERT_TRUE(feature.Undo());
        EXPECT_EQ(h.Shows().TocImage, unedited.TocImage);
        EXPECT_EQ(FieldValue(h.Shows(), row.edit), FieldValue(unedited, row.edit));
        EXPECT_FALSE(feature.Edits().Unsaved());
        ASSERT_TRUE(feature.Redo());
        EXPECT_FALSE(feature.Redo());
        save("edited");
        EXPECT_FALSE(feature.Edits().Unsaved());
        for (const auto& entry : fs::directory_iterator(root.path / "plain")) {
            const std::string name = entry.path().filename().string();
            std::string expected = ReadFile(entry.path());
            if (name == row.file && row.fileAt >= 0)
                expected[static_cast<std::size_t>(row.fileAt)] =
                    ReadFile(root.path / "edited" / name).at(static_cast<std::size_t>(row.fileAt));
            if (name != row.file || row.fileAt >= 0)
                EXPECT_EQ(ReadFile(root.path / "edited" / name), expected) << name;
            else
                EXPECT_NE(ReadFile(root.path / "edited" / name), expected) << name;
        }

        ASSERT_TRUE(feature.OpenShowsFrom(U8Text(root.path / "edited")).ok());
        EXPECT_EQ(FieldValue(h.Shows(), row.edit), row.edit.value);
        EXPECT_FALSE(feature.Edits().CanUndo()) << "an open starts afresh";

        h.Write(false, true);
        ASSERT_TRUE(h.outcome.has_value());
        EXPECT_TRUE(h.outcome->result.ok()) << DifferenceText(h.outcome->difference);
        std::string expected = plainTable;
        auto& byte = reinterpret_cast<unsigned char&>(expected.at(row.wireAt));
        byte = static_cast<unsigned char>(row.bit == 0 ? row.edit.value
                                                       : (row.edit.value != 0 ? byte | row.bit : byte & ~row.bit));
        EXPECT_EQ(h.writes.at(0), expected);
    }
}

} // namespace marrowick::testing
