// Rows of the fault matrix over a real pseudo-terminal: marrowick-cli against a
// marrowick-sim that misbehaves. Each ends with its reason on stderr and exit 1,
// leaves the files as they were, and does not spin while it waits.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "e2e/SimProcess.h"
#include "features/Texts.h"
#include "support/TempFolder.h"

using namespace marrowick::e2e;
namespace text = marrowick::text;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::TempFolder;
using marrowick::testing::WriteFile;

std::map<std::string, std::string> Contents(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[fs::relative(entry.path(), root).string()] = entry.is_regular_file() ? ReadFile(entry.path()) : "/";
    return files;
}

std::string Hex(char byte)
{
    const char* digits = "0123456789ABCDEF";
    const auto value = static_cast<unsigned char>(byte);
    return std::string("0x") + digits[value >> 4] + digits[value & 15];
}

struct CliRow {
    const char* what;
    std::vector<std::string> sim; // marrowick-sim arguments
    std::vector<std::string> cli; // marrowick-cli arguments; "PORT" becomes the simulator's device
    std::string out;              // the status lines printed, in full
    std::string err;              // the reason, as the last line on stderr
    std::string dumped = "";      // a line of what the simulator received, when it matters
};

} // namespace

TEST(FaultMatrixEndToEnd, EachFaultEndsWithItsReasonAndTouchesNoFile)
{
    TempFolder scratch("marrowick-e2e-faults");
    const fs::path project = scratch.path / "proj";
    {
        // A project read from a good controller, and the library file beside it.
        SimProcess good({"--model", "K5"});
        ASSERT_EQ(RunCli({"read-shows", "--port", good.path(), "--project", project.string()}).status, 0);
    }
    std::string clip(9000, '\0');
    for (std::size_t i = 0; i < clip.size(); ++i)
        clip[i] = static_cast<char>(i * 7 + i / 256);
    WriteFile(scratch.path / "clip.wav", clip);
    const std::string clipFile = (scratch.path / "clip.wav").string();
    ASSERT_EQ(RunCli({"save-library", "--model", "K5", "--project", project.string(), clipFile}).status, 0);
    // The same project with show 1's file cut short, and with show 2's file gone.
    const fs::path cut = scratch.path / "cut";
    const fs::path gap = scratch.path / "gap";
    fs::copy(project, cut);
    fs::copy(project, gap);
    fs::resize_file(cut / "001.K5S", 16 + 100);
    fs::remove(gap / "002.K5S");
    const auto before = Contents(scratch.path);
    const std::string show1 = ReadFile(project / "001.K5S");

    const CliRow rows[] = {
        // A doubled model reply names no model: nothing is sent to what may be another model.
        {"identify, the model reply doubled",
         {"--model", "R2", "--run-together", "2"},
         {"identify", "--port", "PORT"},
         "Firmware Version: 1.05       Model: R2R2\n",
         "Unknown controller model: \"R2R2\"",
         "requests VM\n"},
        {"identify, noise after the model reply",
         {"--model", "K5", "--run-together", "2:\x8F"},
         {"identify", "--port", "PORT"},
         "Firmware Version: 1.05     " + text::ModelNotAvailable + "\n",
         "Unknown controller model: \"K5\\x8F\""},
        {"flash, the model reply doubled",
         {"--model", "R2", "--run-together", "2"},
         {"flash", "--port", "PORT", "--version", "1.05"},
         "",
         "Unknown controller model: \"R2R2\"",
         "requests VM\n"},
        {"send-clips, the model reply doubled",
         {"--model", "K5", "--run-together", "2"},
         {"send-clips", "--port", "PORT", clipFile},
         "",
         "Unknown controller model: \"K5K5\"",
         "requests VM\n"},
        {"identify, noise before the version",
         {"--model", "K5", "--garbage-after", "0"},
         {"identify", "--port", "PORT"},
         text::VersionNotAvailable + "\n",
         text::VersionNotAvailable},
        {"read-shows, the line closed after the first show",
         {"--model", "K5", "--close-after", "4"},
         {"read-shows", "--port", "PORT", "--project", project.string(), "--force"},
         "Reading Shows\nTOC Received- Time: ",
         "Show read stopped: " + text::PortLost},
        {"read-shows, a table that promises more than a controller holds",
         {"--model", "K5", "--show-length", "1:2147483647"},
         {"read-shows", "--port", "PORT", "--project", project.string(), "--force"},
         "Reading Shows\nShow read stopped: show 1 is 2147483647 bytes long; a controller holds at most 16777216 "
         "bytes of shows\n",
         "Show read stopped: show 1 is 2147483647 bytes long"},
        {"read-shows, a table that promises more than comes",
         {"--model", "K5", "--show-length", "1:16000000"},
         {"read-shows", "--port", "PORT", "--project", project.string(), "--force"},
         "Reading Shows\nTOC Received- Time: ",
         "Show read stopped: the controller stopped sending after 5000 of 16000000 bytes of show 1"},
        {"write-shows, silence after the first request",
         {"--model", "K5", "--blank", "--silence-after", "3"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--timeout", "3"},
         "Show Opened: /000.K5S\nShow Opened: /001.K5S\nShow Opened: /002.K5S\nShow Opened: /003.K5S\n" +
             text::ShowsLoaded(3) + "\nShow write stopped: Controller not responding\n",
         "Show write stopped: Controller not responding"},
        {"write-shows, a show file shorter than its length",
         {"--model", "K5", "--blank"},
         {"write-shows", "--port", "PORT", "--project", cut.string()},
         "Show Opened: /000.K5S\nShow Opened: /001.K5S (only 100 of 5000 bytes)\nShow Opened: /002.K5S\n"
         "Show Opened: /003.K5S\n" +
             text::ShowsLoaded(3) +
             "; show 1 has 100 of 5000 bytes\n"
             "Show write refused: show 1 has 100 of 5000 bytes\n",
         "Show write refused: show 1 has 100 of 5000 bytes (project " + cut.string() + ")",
         "requests VM\n"},
        {"write-shows, a show file missing below the highest",
         {"--model", "K5", "--blank"},
         {"write-shows", "--port", "PORT", "--project", gap.string()},
         "Show Opened: /000.K5S\nShow Opened: /001.K5S\nShow Opened: /003.K5S\n" + text::ShowsLoaded(2) +
             "; show 2: 002.K5S is missing\n"
             "Show write refused: show 2: 002.K5S is missing\n",
         "Show write refused: show 2: 002.K5S is missing (project " + gap.string() + ")",
         "requests VM\n"},
        {"write-shows --verify, a stored byte changed after the write",
         {"--model", "K5", "--corrupt-stored", "1:17"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--verify"},
         "Show Opened: /000.K5S\nShow Opened: /001.K5S\nShow Opened: /002.K5S\nShow Opened: /003.K5S\n"
         "Show Loading Complete. Loaded 3 shows\nDownload Complete\nReading Shows\nTOC Received- Time: ",
         "Show Verify Failed: show 1 data at byte offset 17: wrote " + Hex(show1[16 + 17]) + ", read back " +
             Hex(static_cast<char>(show1[16 + 17] ^ 0xFF)) + " (port "},
        {"write-shows --backup, the controller silent to the table request",
         {"--model", "K5", "--silent", "u"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--backup",
          (scratch.path / "before").string()},
         "Show Opened: /000.K5S\nShow Opened: /001.K5S\nShow Opened: /002.K5S\nShow Opened: /003.K5S\n"
         "Show Loading Complete. Loaded 3 shows\nReading Shows\nShow read stopped: Controller not responding\n"
         "Show Backup Failed: Show read stopped: Controller not responding; the shows were not written\n",
         "Show Backup Failed: Show read stopped: Controller not responding; the shows were not written (port ",
         "requests VMu\n"},
        {"write-shows --backup into a folder that exists",
         {"--model", "K5"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--backup", cut.string()},
         "",
         cut.string() + " exists already; --backup wants a new folder",
         "requests \n"},
        {"send-clips, Error! for packet 2 every time",
         {"--model", "K5", "--error-packet", "2:1000000"},
         {"send-clips", "--port", "PORT", clipFile},
         "Loading Audio Clips into Computer Memory\nTransmitting Audio clips to K5\n"
         "Audio clip transfer stopped: the controller refused packet 2 21 times in a row\n",
         "Audio clip transfer stopped: the controller refused packet 2 21 times in a row"},
        {"flash, 7 for record 3 every time",
         {"--model", "T7", "--reject-record", "3:1000000"},
         {"flash", "--port", "PORT", "--version", "1.00"},
         "Firmware Download Aborted\n",
         "Firmware Download Aborted: the controller refused record 3 21 times in a row",
         "firmware_aborted 1\n"},
        {"flash, 7 for the last record every time",
         {"--model", "T7", "--reject-record", "755:1000000"},
         {"flash", "--port", "PORT", "--version", "1.00", "--reset"},
         "Firmware Download Aborted\n",
         "Firmware Download Aborted: the controller refused record 755 21 times in a row",
         "firmware_aborted 1\nreset 0\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder dump("marrowick-e2e-faults-dump");
        std::vector<std::string> simArgs = row.sim;
        simArgs.insert(simArgs.end(), {"--dump", dump.Str()});
        SimProcess sim(simArgs);
        ASSERT_FALSE(sim.path().empty());
        std::vector<std::string> args = row.cli;
        for (auto& arg : args)
            if (arg == "PORT")
                arg = sim.path();
        const RunResult result = RunCli(args);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out.rfind(row.out, 0), 0U) << result.out;
        if (row.out.empty() || row.out.back() == '\n') {
            EXPECT_EQ(result.out, row.out);
        }
        // The last line on stderr (after any progress line) is the reason.
        std::string err = result.err;
        while (!err.empty() && err.back() == '\n')
            err.pop_back();
        const std::string last =
            err.substr(err.find_last_of("\n\r") == std::string::npos ? 0 : err.find_last_of("\n\r") + 1);
        EXPECT_EQ(last.rfind(row.err, 0), 0U) << result.err;
        // It names the port, or the file or folder, it is about.
        EXPECT_TRUE(std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
            return arg.rfind('/', 0) == 0 && last.find(arg) != std::string::npos;
        })) << last;
        // Waiting costs no processor time: a spinning wait would use as much as the wall clock.
        EXPECT_LT(result.cpuSeconds, 0.5 * result.wallSeconds + 1.0)
            << result.cpuSeconds << " s of processor time in " << result.wallSeconds << " s";
        EXPECT_EQ(Contents(scratch.path), before) << "files changed";
        sim.Stop();
        if (!row.dumped.empty()) {
            EXPECT_NE(ReadFile(dump.path / "summary.txt").find(row.dumped), std::string::npos);
        }
    }
}
