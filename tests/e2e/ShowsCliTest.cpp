// The show commands as scripts use them: what they leave on disk and in the
// controller, their exit statuses, and what they refuse.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "e2e/SimProcess.h"
#include "support/Helpers.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::FolderContents;
using marrowick::testing::Has;
using marrowick::testing::ReadFile;
using marrowick::testing::U8Text;
using marrowick::testing::WriteFile;
using Scratch = marrowick::testing::TempFolder;

} // namespace

// What is read is saved by the model's rules, and written into a blank
// controller it reads back the same; a K5 keeps its trigger wiring, also when
// the project does not record it. (What a save into a folder removes is ProjectFiles'.)
TEST(ShowsEndToEnd, ReadSaveAndWriteBackKeepEveryByteAndTheWiring)
{
    for (const std::string model : {"K5", "R2"}) {
        SCOPED_TRACE(model);
        Scratch scratch;
        const fs::path project = scratch.path / "proj";
        const std::string wiring = "--normally-closed";
        SimProcess source({"--model", model, wiring, "--dump", (scratch.path / "source").string()});
        ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", project.string()}).status, 0);
        source.Stop();
        const std::string ext = model == "K5" ? ".K5S" : ".R2S";
        const std::string table = ReadFile(scratch.path / "source" / "table.bin");
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string data = ReadFile(scratch.path / "source" / ("show-00" + std::to_string(i) + ".bin"));
            const std::string header = model == "K5" ? table.substr(3 + 16 * i, 13) + "\xFF\xFF\xFF" : "";
            EXPECT_EQ(ReadFile(project / ("00" + std::to_string(i) + ext)), header + data) << i;
        }
        if (model == "R2")
            EXPECT_EQ(ReadFile(project / "000.CFG"), table);
        else
            EXPECT_EQ(ReadFile(project / "000.K5W"), "normally closed\n");

        // A project from before the wiring was kept: the write reads it from the controller first.
        fs::remove(project / "000.K5W");
        SimProcess target({"--model", model, wiring, "--blank", "--dump", (scratch.path / "target").string()});
        const RunResult write =
            RunCli({"write-shows", "--port", target.path(), "--project", project.string(), "--verify"});
        EXPECT_EQ(write.status, 0) << write.err;
        const fs::path back = scratch.path / "back";
        EXPECT_EQ(RunCli({"read-shows", "--port", target.path(), "--project", back.string()}).status, 0);
        target.Stop();
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string name = "00" + std::to_string(i) + ext;
            EXPECT_EQ(ReadFile(back / name), ReadFile(project / name)) << name;
        }
        const std::string summary = ReadFile(scratch.path / "target" / "summary.txt");
        EXPECT_TRUE(Has(summary, "trigger closed\n")) << summary;
        if (model == "R2") {
            std::string expectedTable = table;
            expectedTable.replace(168, 4, "\x4D\x3C\x2B\x1A"); // its own serial number 1A2B3C4D
            EXPECT_EQ(ReadFile(scratch.path / "target" / "table.bin"), expectedTable);
        }

        // Never to a controller of the other layout.
        const RunResult crossed =
            RunCli({"write-shows", "--simulate", model == "K5" ? "R2" : "K5", "--project", project.string()});
        EXPECT_EQ(crossed.status, 1);
        EXPECT_TRUE(Has(crossed.err, model == "K5" ? "holds shows for a K5, not for an R2"
                                                   : "holds shows for an R2 or L+, not for a K5"))
            << crossed.err;
    }
}

// --backup reads what the controller holds into a new folder before the
// write, --verify reads the shows back after it and compares them. (A backup
// folder that exists is a row of the fault matrix.)
TEST(ShowsEndToEnd, BackupKeepsWhatTheControllerHeld)
{
    Scratch scratch;
    const fs::path original = scratch.path / "original";
    SimProcess source({"--model", "R2"});
    ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", original.string()}).status, 0);
    const fs::path changed = scratch.path / "changed";
    fs::copy(original, changed);
    std::string show1 = ReadFile(changed / "001.R2S");
    show1[100] = static_cast<char>(show1[100] ^ 0x5A);
    WriteFile(changed / "001.R2S", show1);
    const fs::path before = scratch.path / "before";
    const RunResult first = RunCli({"write-shows", "--port", source.path(), "--project", changed.string(), "--backup",
                                    before.string(), "--verify"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(FolderContents(before), FolderContents(original));
}

// The controller inside the program (--simulate) gives what marrowick-sim
// gives, here into folders whose names are not ASCII; --dump shows what it holds.
TEST(ShowsEndToEnd, TheSimulatedControllerGivesWhatMarrowickSimGives)
{
    Scratch scratch;
    const fs::path viaSim = scratch.path / "sim";
    SimProcess source({"--model", "R2"});
    ASSERT_EQ(RunCli({"read-shows", "--port", source.path(), "--project", viaSim.string()}).status, 0);
    const fs::path project = scratch.path / u8"Geisterbahn Süd" / u8"幽霊";
    ASSERT_EQ(RunCli({"read-shows", "--simulate", "r2", "--project", U8Text(project)}).status, 0);
    EXPECT_EQ(FolderContents(project), FolderContents(viaSim));
    std::string show1 = ReadFile(project / "001.R2S");
    show1[100] = static_cast<char>(show1[100] ^ 0x5A);
    WriteFile(project / "001.R2S", show1);
    const fs::path dump = scratch.path / u8"Speicher Süd";
    const RunResult write =
        RunCli({"write-shows", "--simulate", "R2", "--project", U8Text(project), "--dump", U8Text(dump)});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(ReadFile(dump / "show-001.bin"), show1);
}

// show-table prints the list and the labels; a T7 is refused.
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
    EXPECT_TRUE(Has(shown.out, "ShowCount: 3\nAmbient Mode: Yes\nTrigger Mode: N.O.\nLockout: Yes\n"
                               "Trigger A: Next\nTrigger B: Show # 2\n"))
        << shown.out;
    EXPECT_EQ(RunCli({"show-table", "--project", project.string(), "--model", "T7"}).status, 1);

    // edit-shows changes what it names, in several show groups, and prints the table.
    const std::string cfg = ReadFile(project / "000.CFG");
    const RunResult edited =
        RunCli({"edit-shows", "--project", project.string(), "--show", "1", "--clip", "7", "--volume", "80", "--show",
                "2", "--post-delay", "9", "--trigger-a", "show:3", "--lockout", "off"});
    EXPECT_EQ(edited.status, 0) << edited.err;
    EXPECT_TRUE(Has(edited.out, "\nShow 1\t4396\t5000\t7\t80\t1\t2\t17\n")) << edited.out;
    std::string expected = cfg;
    expected[16 + 8] = 7;
    expected[16 + 9] = 80;
    expected[32 + 11] = 9;
    expected[161] = static_cast<char>(expected[161] & ~4);
    expected[166] = 5;
    EXPECT_EQ(ReadFile(project / "000.CFG"), expected);

    // Whatever is wrong is a usage error, and nothing is written.
    const std::vector<std::string> refused[] = {
        {"--show", "1", "--volume", "100"},
        {"--show", "1", "--clip", "-1"},
        {"--show", "4", "--clip", "1"},
        {"--show", "1", "--clip", "x"},
        {"--clip", "1"},
        {"--show", "1"},
        {},
        {"--trigger-a", "show:4"},
        {"--trigger-b", "show:0"},
        {"--trigger", "sideways"},
        {"--lockout", "yes"},
        {"--model", "T7", "--trigger", "open"},
        {"--model", "L+", "--trigger-b", "next"},
        {"--model", "K5", "--lockout", "on"},
        {"--show", "1", "--clip", "5", "--show", "2", "--pre-delay", "250"},
    };
    const auto contents = FolderContents(project);
    for (const auto& args : refused) {
        std::vector<std::string> command = {"edit-shows", "--project", project.string()};
        command.insert(command.end(), args.begin(), args.end());
        const RunResult result = RunCli(command);
        EXPECT_EQ(result.status, 2) << command.back() << result.err;
        EXPECT_EQ(FolderContents(project), contents) << command.back();
    }
}

// A read that fails or is refused leaves no project; a folder with files is
// taken only with --force; a save that fails takes back what it wrote.
TEST(ShowsEndToEnd, FailedOrRefusedReadsLeaveNoProjectBehind)
{
    Scratch scratch;
    const fs::path project = scratch.path / "proj";
    SimProcess quiet({"--model", "K5", "--silence-after", "4"});
    EXPECT_EQ(RunCli({"read-shows", "--port", quiet.path(), "--project", project.string(), "--timeout", "0.5"}).status,
              1);
    EXPECT_FALSE(fs::exists(project));

    fs::create_directories(project);
    std::ofstream(project / "notes.txt") << "mine";
    SimProcess k5({"--model", "K5"});
    EXPECT_EQ(RunCli({"read-shows", "--port", k5.path(), "--project", project.string()}).status, 1);
    EXPECT_FALSE(fs::exists(project / "001.K5S"));
    EXPECT_EQ(RunCli({"read-shows", "--port", k5.path(), "--project", project.string(), "--force"}).status, 0);
    EXPECT_EQ(ReadFile(project / "notes.txt"), "mine");

    // The save fails part-way (no file may grow beyond 2048 bytes) into a folder
    // that was there, empty: what was written is taken away, the folder stays.
    const fs::path empty = scratch.path / "empty";
    fs::create_directories(empty);
    const RunResult cut =
        marrowick::e2e::Run({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\"", MARROWICK_CLI,
                             "read-shows", "--port", k5.path(), "--project", empty.string()});
    EXPECT_EQ(cut.status, 1) << cut.err;
    EXPECT_TRUE(Has(cut.err, "001.K5S")) << cut.err;
    EXPECT_TRUE(fs::is_empty(empty));

    SimProcess t7({"--model", "T7"});
    EXPECT_EQ(RunCli({"read-shows", "--port", t7.path(), "--project", (scratch.path / "t7").string()}).status, 1);
    EXPECT_FALSE(fs::exists(scratch.path / "t7"));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kAddressLimit = "";
#else
constexpr const char* kAddressLimit = "ulimit -v 1000000; ";
#endif

// Whatever sits where 000.CFG belongs, however long a table says its shows
// are: the command that only reads the project and the one that would send
// it end with a message, never a signal, and nothing is sent.
TEST(ShowsEndToEnd, AConfigurationThatCannotBeUsedIsRefusedAtOnce)
{
    for (const std::string what : {"named pipe", "device", "sparse"}) {
        SCOPED_TRACE(what);
        Scratch scratch;
        const fs::path project = scratch.path / "proj";
        fs::create_directories(project);
        if (what == "named pipe") {
            ASSERT_EQ(::mkfifo((project / "000.CFG").c_str(), 0644), 0);
        } else if (what == "device") {
            fs::create_symlink("/dev/zero", project / "000.CFG");
        } else {
            // Show 1 promises 0x7FFFFFF0 bytes, and a sparse file holds them.
            std::string image(304, '\0');
            image.replace(16 + 4, 4, std::string("\xF0\xFF\xFF\x7F", 4));
            image[160] = 1;
            WriteFile(project / "000.CFG", image);
            std::ofstream(project / "001.R2S").flush();
            fs::resize_file(project / "001.R2S", 0x7FFFFFF0);
        }
        // Under an address-space limit far below what the file holds; the
        // address sanitizer reserves terabytes of shadow memory, so its build
        // runs without the limit and relies on the refusal coming first.
        const RunResult shown =
            marrowick::e2e::Run({"/bin/sh", "-c", std::string(kAddressLimit) + "exec \"$0\" \"$@\"", MARROWICK_CLI,
                                 "show-table", "--project", project.string(), "--model", "R2"});
        EXPECT_EQ(shown.status, 1) << shown.err;
        EXPECT_TRUE(Has(shown.err, project.string())) << shown.err;

        SimProcess r2({"--model", "R2", "--dump", (scratch.path / "sim").string()});
        EXPECT_EQ(RunCli({"write-shows", "--port", r2.path(), "--project", project.string()}).status, 1);
        r2.Stop();
        EXPECT_TRUE(Has(ReadFile(scratch.path / "sim" / "summary.txt"), "requests VMZ\n")) << "nothing sent";
    }
}

// Every command that makes a project folder takes only a name any system can
// hold, by the rule of the window's name prompt; nothing is made otherwise.
TEST(ShowsEndToEnd, ProjectNamesFollowOneRuleEverywhere)
{
    Scratch scratch;
    const std::string clip = (scratch.path / "a.mp3").string();
    WriteFile(scratch.path / "a.mp3", "sound");
    for (const char* name : {"CON", "aux.txt", "name.", "name ", "a:b", "a|b", "a*b", "a<b"}) {
        SCOPED_TRACE(name);
        const std::string folder = (scratch.path / name).string();
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"read-shows", "--simulate", "K5", "--project", folder},
              std::vector<std::string>{"save-library", "--model", "K5", "--project", folder, clip},
              std::vector<std::string>{"write-shows", "--simulate", "K5", "--project", scratch.Str(), "--backup",
                                       folder}}) {
            const RunResult refused = RunCli(args);
            EXPECT_EQ(refused.status, 2) << refused.err;
            EXPECT_TRUE(Has(refused.err, "project name")) << refused.err;
        }
        EXPECT_FALSE(fs::exists(scratch.path / name));
    }
}
