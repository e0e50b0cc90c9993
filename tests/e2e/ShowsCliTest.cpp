#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

#include "e2e/SimProcess.h"
#include "features/Texts.h"
#include "support/TempFolder.h"

using namespace marrowick::e2e;
namespace text = marrowick::text;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::U8Text;
using marrowick::testing::WriteFile;
using Scratch = marrowick::testing::TempFolder;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ShowsEndToEnd, ReadSavesTheProjectAndWriteGivesABlankControllerTheSameShows)
{
    for (const std::string model : {"K5", "R2"}) {
        Scratch scratch;
        const fs::path project = scratch.path / "proj";
        SimProcess source({"--model", model, "--dump", (scratch.path / "source").string()});
        ASSERT_FALSE(source.path().empty());
        const RunResult read = RunCli({"read-shows", "--port", source.path(), "--project", project.string()});
        source.Stop();
        ASSERT_EQ(read.status, 0) << read.err;
        const std::string ext = model == "K5" ? ".K5S" : ".R2S";
        std::string expectedOut = "Reading Shows\nTOC Received- Time: ";
        EXPECT_EQ(read.out.rfind(expectedOut, 0), 0U) << read.out;
        EXPECT_TRUE(Has(read.out, "Show Saved as: /proj/003" + ext + "\n")) << read.out;
        const fs::path dumped = scratch.path / "source";
        const std::string table = ReadFile(dumped / "table.bin");
        for (int i = 0; i < 4; ++i) {
            const std::string name = "00" + std::to_string(i);
            const std::string data = ReadFile(dumped / ("show-" + name + ".bin"));
            const std::string file = ReadFile(project / (name + ext));
            if (model == "K5")
                EXPECT_EQ(file, table.substr(3 + 16 * static_cast<std::size_t>(i), 13) + "\xFF\xFF\xFF" + data) << i;
            else
                EXPECT_EQ(file, data) << i;
        }
        if (model == "R2")
            EXPECT_EQ(ReadFile(project / "000.CFG"), table);
        else
            EXPECT_FALSE(fs::exists(project / "000.CFG"));

        SimProcess target({"--model", model, "--blank", "--dump", (scratch.path / "target").string()});
        const RunResult write = RunCli({"write-shows", "--port", target.path(), "--project", project.string()});
        // The controller keeps what it was given: reading it back gives the same project.
        const fs::path back = scratch.path / "back";
        const RunResult reread = RunCli({"read-shows", "--port", target.path(), "--project", back.string()});
        target.Stop();
        EXPECT_EQ(reread.status, 0) << reread.err;
        for (int i = 0; i < 4; ++i) {
            const std::string name = "00" + std::to_string(i) + ext;
            EXPECT_EQ(ReadFile(back / name), ReadFile(project / name)) << name;
        }
        ASSERT_EQ(write.status, 0) << write.err;
        EXPECT_TRUE(Has(write.out, text::ShowsLoaded(3) + "\n")) << write.out;
        EXPECT_TRUE(Has(write.out, text::DownloadComplete + "\n")) << write.out;
        const fs::path written = scratch.path / "target";
        std::string expectedTable = table;
        if (model == "R2")
            expectedTable.replace(168, 4, "\x4D\x3C\x2B\x1A"); // its serial number 1A2B3C4D
        EXPECT_EQ(ReadFile(written / "table.bin"), expectedTable);
        for (int i = 0; i < 4; ++i) {
            const std::string name = "show-00" + std::to_string(i) + ".bin";
            EXPECT_EQ(ReadFile(written / name), ReadFile(dumped / name)) << name;
        }
        EXPECT_TRUE(Has(ReadFile(written / "summary.txt"),
                        model == "K5" ? "requests VMdVMu****\n" : "requests VMZdVMZu****\n"));
    }
}

// --backup reads what the controller holds into a new folder before the
// write, --verify reads the shows back after it and compares them.
TEST(ShowsEndToEnd, BackupKeepsWhatTheControllerHeldAndVerifyFindsTheShowsWritten)
{
    for (const std::string model : {"K5", "R2"}) {
        SCOPED_TRACE(model);
        Scratch scratch;
        const std::string ext = model == "K5" ? ".K5S" : ".R2S";
        const fs::path original = scratch.path / "original";
        {
            SimProcess source({"--model", model});
            ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", original.string()}).status, 0);
        }
        // The same project with show 1 quieter and a byte of its data changed.
        const fs::path changed = scratch.path / "changed";
        fs::copy(original, changed);
        const fs::path table = model == "K5" ? changed / "001.K5S" : changed / "000.CFG";
        std::string bytes = ReadFile(table);
        bytes[model == "K5" ? 9 : 16 + 9] = 20;
        WriteFile(table, bytes);
        bytes = ReadFile(changed / ("001" + ext));
        bytes[bytes.size() - 100] = static_cast<char>(bytes[bytes.size() - 100] ^ 0x5A);
        WriteFile(changed / ("001" + ext), bytes);

        SimProcess target({"--model", model, "--dump", (scratch.path / "dump").string()});
        const fs::path before = scratch.path / "before";
        const RunResult first = RunCli({"write-shows", "--port", target.path(), "--project", changed.string(),
                                        "--backup", before.string(), "--verify"});
        EXPECT_EQ(first.status, 0) << first.err;
        // The backup's read comes first, then the write, then the verify's read.
        EXPECT_TRUE(Has(first.out, "Show Loading Complete. Loaded 3 shows\nReading Shows\n")) << first.out;
        EXPECT_TRUE(Has(first.out, "Shows Backed Up To: " + before.string() +
                                       "\nDownload Complete\nReading Shows\nTOC Received- Time: "))
            << first.out;
        EXPECT_TRUE(first.out.size() > 15 && first.out.substr(first.out.size() - 15) == "Shows Verified\n")
            << first.out;
        // The backup is what the controller held: the shows the original project was read from.
        for (const auto& entry : fs::directory_iterator(original))
            EXPECT_EQ(ReadFile(before / entry.path().filename()), ReadFile(entry.path())) << entry.path();
        EXPECT_EQ(std::distance(fs::directory_iterator(before), fs::directory_iterator()),
                  std::distance(fs::directory_iterator(original), fs::directory_iterator()));

        // Written back, the original project's backup holds the changed shows.
        const fs::path between = scratch.path / "between";
        const RunResult second = RunCli({"write-shows", "--port", target.path(), "--project", original.string(),
                                         "--backup", between.string(), "--verify"});
        target.Stop();
        EXPECT_EQ(second.status, 0) << second.err;
        for (const auto& entry : fs::directory_iterator(changed)) {
            std::string expected = ReadFile(entry.path());
            if (entry.path().filename() == "000.CFG") // the controller's own serial number went in with the write
                expected.replace(168, 4, "\x4D\x3C\x2B\x1A");
            EXPECT_EQ(ReadFile(between / entry.path().filename()), expected) << entry.path();
        }
        EXPECT_EQ(ReadFile(scratch.path / "dump" / "show-001.bin"),
                  ReadFile(original / ("001" + ext)).substr(model == "K5" ? 16 : 0));
    }
}

// --simulate runs a command against a controller inside the program, with the
// sample shows marrowick-sim starts with: it gives the same project, here into
// folders whose names are not ASCII, and takes it back.
TEST(ShowsEndToEnd, TheSimulatedControllerGivesWhatMarrowickSimGives)
{
    Scratch scratch;
    const fs::path viaSim = scratch.path / "sim";
    SimProcess source({"--model", "R2"});
    ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", viaSim.string()}).status, 0);

    const RunResult id = RunCli({"identify", "--simulate", "R2"});
    EXPECT_EQ(id.status, 0) << id.err;
    EXPECT_EQ(id.out, "Firmware Version: 1.05       Model: R2\nSerial Number: 1A2B3C4D\n");

    const fs::path project = scratch.path / u8"Geisterbahn Süd" / u8"幽霊";
    const RunResult read = RunCli({"read-shows", "--simulate", "r2", "--project", U8Text(project)});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_TRUE(Has(read.out, "cfg Saved as: /幽霊/000.CFG\n")) << read.out;
    for (const char* name : {"000.CFG", "000.R2S", "001.R2S", "002.R2S", "003.R2S"})
        EXPECT_EQ(ReadFile(project / name), ReadFile(viaSim / name)) << name;
    // Show 1 changed before the write: --dump shows what the controller then holds.
    std::string show1 = ReadFile(project / "001.R2S");
    show1[100] = static_cast<char>(show1[100] ^ 0x5A);
    WriteFile(project / "001.R2S", show1);
    const fs::path dump = scratch.path / u8"Speicher Süd";
    const RunResult write =
        RunCli({"write-shows", "--simulate", "R2", "--project", U8Text(project), "--dump", U8Text(dump)});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_TRUE(Has(write.out, text::ShowsLoaded(3) + "\n")) << write.out;
    EXPECT_TRUE(Has(write.out, text::DownloadComplete + "\n")) << write.out;
    EXPECT_EQ(ReadFile(dump / "show-001.bin"), show1);
    EXPECT_EQ(ReadFile(dump / "show-003.bin"), ReadFile(viaSim / "003.R2S"));
    EXPECT_TRUE(Has(ReadFile(dump / "summary.txt"), "requests VMZd")) << ReadFile(dump / "summary.txt");

    // A model it does not know, a port as well, or --dump without --simulate is a usage error.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"identify", "--simulate", "K9"},
          std::vector<std::string>{"identify", "--simulate", "R2", "--port", source.path()},
          std::vector<std::string>{"identify", "--port", source.path(), "--dump", (scratch.path / "none").string()},
          std::vector<std::string>{"identify", "--simulate", "R2", "--dump", ""},
          std::vector<std::string>{"read-shows", "--simulate", "", "--project", (scratch.path / "none").string()}}) {
        const RunResult refused = RunCli(args);
        EXPECT_EQ(refused.status, 2) << refused.err;
        EXPECT_TRUE(Has(refused.err, "usage: marrowick-cli ")) << refused.err;
    }
    EXPECT_FALSE(fs::exists(scratch.path / "none"));
}

TEST(ShowsEndToEnd, ShowTablePrintsWhatTheListShows)
{
    Scratch scratch;
    const fs::path project = scratch.path / "proj";
    SimProcess source({"--model", "R2"});
    ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", project.string()}).status, 0);
    const RunResult shown = RunCli({"show-table", "--project", project.string(), "--model", "R2"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(Has(shown.out, "Show\tShow Start\tShow Length\tAudio clip\tAudio Volume\tPre Show Delay\t"
                               "Post Show Delay\tConfiguration\n"));
    EXPECT_TRUE(Has(shown.out, "\nShow 1\t4396\t5000\t2\t51\t1\t2\t17\n")) << shown.out;
    EXPECT_TRUE(Has(shown.out, "\nShow 9\t0\t0\t0\t0\t0\t0\t0\n"));
    EXPECT_TRUE(Has(shown.out, "ShowCount: 3\nAmbient Mode: Yes\nTrigger Mode: N.O.\nLockout: Yes\n"
                               "Trigger A: Next\nTrigger B: Show # 2\n"))
        << shown.out;
    const RunResult t7 = RunCli({"show-table", "--project", project.string(), "--model", "T7"});
    EXPECT_EQ(t7.status, 1);
    EXPECT_TRUE(Has(t7.err, "not available for a T7")) << t7.err;
}

TEST(ShowsEndToEnd, FailedOrRefusedReadsLeaveNoProjectBehind)
{
    Scratch scratch;
    const fs::path project = scratch.path / "proj";

    // The controller goes quiet after the table: nothing is written.
    SimProcess quiet({"--model", "K5", "--silence-after", "4"});
    const RunResult failed =
        RunCli({"read-shows", "--port", quiet.path(), "--project", project.string(), "--timeout", "0.5"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(Has(failed.err, "Show read stopped: Controller not responding")) << failed.err;
    EXPECT_FALSE(fs::exists(project));

    // An existing folder with files is kept as it is unless --force.
    fs::create_directories(project);
    std::ofstream(project / "notes.txt") << "mine";
    SimProcess k5({"--model", "K5"});
    const RunResult refused = RunCli({"read-shows", "--port", k5.path(), "--project", project.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Has(refused.err, "already holds files")) << refused.err;
    EXPECT_FALSE(fs::exists(project / "001.K5S"));
    const RunResult forced = RunCli({"read-shows", "--port", k5.path(), "--project", project.string(), "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(fs::exists(project / "001.K5S"));
    EXPECT_EQ(ReadFile(project / "notes.txt"), "mine");

    // The save fails part-way (no file may grow beyond 2048 bytes) into a folder
    // that was there, empty: what was written is taken away, the folder stays.
    const fs::path empty = scratch.path / "empty";
    fs::create_directories(empty);
    SimProcess limited({"--model", "K5"});
    const RunResult cut =
        marrowick::e2e::Run({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\"", MARROWICK_CLI,
                             "read-shows", "--port", limited.path(), "--project", empty.string()});
    EXPECT_EQ(cut.status, 1) << cut.err;
    EXPECT_TRUE(Has(cut.err, "These files were not saved:\n/empty/001.K5S: ")) << cut.err;
    EXPECT_TRUE(Has(cut.err, "The shows could not be saved into " + empty.string())) << cut.err;
    EXPECT_TRUE(Has(cut.out, "Show Saved as: /empty/002.K5S\n")) << cut.out;
    EXPECT_TRUE(fs::is_directory(empty));
    EXPECT_TRUE(fs::is_empty(empty));

    SimProcess t7({"--model", "T7"});
    const RunResult refusedT7 =
        RunCli({"read-shows", "--port", t7.path(), "--project", (scratch.path / "t7").string()});
    EXPECT_EQ(refusedT7.status, 1);
    EXPECT_TRUE(Has(refusedT7.err, "not available for a T7 controller (it has no show table) (port " + t7.path() + ")"))
        << refusedT7.err;
    EXPECT_FALSE(fs::exists(scratch.path / "t7"));
    const RunResult writeT7 = RunCli({"write-shows", "--port", t7.path(), "--project", project.string()});
    EXPECT_EQ(writeT7.status, 1);
    EXPECT_TRUE(Has(writeT7.err, "not available for a T7")) << writeT7.err;
}

// A named pipe or a link to a device where 000.CFG belongs is refused at once,
// by the command that only reads the project and by the one that would send it.
TEST(ShowsEndToEnd, AConfigurationThatIsNotAFileIsRefusedAtOnce)
{
    for (const std::string what : {"named pipe", "device"}) {
        SCOPED_TRACE(what);
        Scratch scratch;
        const fs::path project = scratch.path / "proj";
        fs::create_directories(project);
        if (what == "named pipe")
            ASSERT_EQ(::mkfifo((project / "000.CFG").c_str(), 0644), 0);
        else
            fs::create_symlink("/dev/zero", project / "000.CFG");
        const std::string said = "Config Open Failed: /000.CFG: not a file but a " + what;

        const RunResult shown = RunCli({"show-table", "--project", project.string(), "--model", "R2"});
        EXPECT_EQ(shown.status, 1);
        EXPECT_TRUE(Has(shown.out + shown.err, said)) << shown.out << shown.err;

        SimProcess r2({"--model", "R2", "--dump", (scratch.path / "sim").string()});
        const RunResult write = RunCli({"write-shows", "--port", r2.path(), "--project", project.string()});
        r2.Stop();
        EXPECT_EQ(write.status, 1);
        EXPECT_TRUE(Has(write.out + write.err, said)) << write.out << write.err;
        EXPECT_TRUE(Has(ReadFile(scratch.path / "sim" / "summary.txt"), "requests VMZ\n")) << "nothing sent";
    }
}
