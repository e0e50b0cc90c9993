// Rows of the fault matrix over a real pseudo-terminal, as the command line's
// contract: marrowick-cli against a marrowick-sim that misbehaves, or stopped
// by a signal. Each ends with its exit status and its reason on stderr (plain
// lines, as stderr is captured), naming the port or the file it is about; the
// files stay as they were; nothing spins
// while it waits; what the controller received shows it was told to stop.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>

#include "e2e/SimProcess.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::TempFolder;

using marrowick::testing::FolderContents;

struct CliRow {
    const char* what;
    std::vector<std::string> sim; // marrowick-sim arguments
    std::vector<std::string> cli; // marrowick-cli arguments; "PORT" becomes the simulator's device
    int status;                   // the exit status
    std::string err;              // how the reason on stderr's last line begins
    std::string dumped = "";      // a line of what the simulator received, when it matters
    int signal = 0;               // sent to marrowick-cli after `afterMs`
    int afterMs = 0;
};

} // namespace

TEST(FaultMatrixEndToEnd, EachFaultEndsWithItsStatusAndTouchesNoFile)
{
    TempFolder scratch("marrowick-e2e-faults");
    const fs::path project = scratch.path / "proj";
    {
        // A project read from a good controller, and the library file beside it.
        SimProcess good({"--model", "K5"});
        ASSERT_EQ(RunCli({"read-shows", "--port", good.path(), "--project", project.string()}).status, 0);
    }
    const std::string clipFile = (scratch.path / "clip.wav").string();
    marrowick::testing::WriteFile(scratch.path / "clip.wav", std::string(9000, 'c'));
    ASSERT_EQ(RunCli({"save-library", "--model", "K5", "--project", project.string(), clipFile}).status, 0);
    // The same project with show 1's file cut short, and with show 2's file gone.
    const fs::path cut = scratch.path / "cut";
    const fs::path gap = scratch.path / "gap";
    fs::copy(project, cut);
    fs::copy(project, gap);
    fs::resize_file(cut / "001.K5S", 16 + 100);
    fs::remove(gap / "002.K5S");
    const auto before = FolderContents(scratch.path);

    const std::vector<std::string> write = {"write-shows", "--port", "PORT", "--project", project.string()};
    const CliRow rows[] = {
        // A model reply that names no model: nothing is sent to what may be another model.
        {"identify, the model reply doubled",
         {"--model", "R2", "--run-together", "2"},
         {"identify", "--port", "PORT"},
         1,
         "Unknown controller model: \"R2R2\"",
         "requests VM\n"},
        {"flash, the model reply doubled",
         {"--model", "R2", "--run-together", "2"},
         {"flash", "--port", "PORT", "--version", "1.05"},
         1,
         "Unknown controller model",
         "requests VM\n"},
        {"send-clips, the model reply doubled",
         {"--model", "K5", "--run-together", "2"},
         {"send-clips", "--port", "PORT", clipFile},
         1,
         "Unknown controller model",
         "requests VM\n"},
        {"identify, noise before the version",
         {"--model", "K5", "--garbage-after", "0"},
         {"identify", "--port", "PORT"},
         1,
         "Firmware Version Not Available"},
        {"read-shows, the line closed after the first show",
         {"--model", "K5", "--close-after", "4"},
         {"read-shows", "--port", "PORT", "--project", project.string(), "--force"},
         1,
         "Show read stopped: "},
        {"read-shows, a table that promises more than a controller holds",
         {"--model", "K5", "--show-length", "1:2147483647"},
         {"read-shows", "--port", "PORT", "--project", project.string(), "--force"},
         1,
         "Show read stopped: show 1 is 2147483647 bytes long"},
        {"write-shows, silence after the first request",
         {"--model", "K5", "--blank", "--silence-after", "3"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--timeout", "3"},
         1,
         "Show write stopped: "},
        {"write-shows, a show file shorter than its length",
         {"--model", "K5", "--blank"},
         {"write-shows", "--port", "PORT", "--project", cut.string()},
         1,
         "Show write refused: ",
         "requests VM\n"},
        {"write-shows, a show file missing below the highest",
         {"--model", "K5", "--blank"},
         {"write-shows", "--port", "PORT", "--project", gap.string()},
         1,
         "Show write refused: ",
         "requests VM\n"},
        {"write-shows --verify, a stored byte changed after the write",
         {"--model", "K5", "--corrupt-stored", "1:17"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--verify"},
         1,
         "Show Verify Failed: show 1 data at byte offset 17"},
        {"write-shows --backup, the controller silent to the table request",
         {"--model", "K5", "--silent", "u"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--backup",
          (scratch.path / "before").string()},
         1,
         "Show Backup Failed: ",
         "requests VMu\n"},
        {"write-shows --backup into a folder that exists",
         {"--model", "K5"},
         {"write-shows", "--port", "PORT", "--project", project.string(), "--backup", cut.string()},
         1,
         cut.string(),
         "requests \n"},
        {"send-clips, Error! for packet 2 every time",
         {"--model", "K5", "--error-packet", "2:1000000"},
         {"send-clips", "--port", "PORT", clipFile},
         1,
         "Audio clip transfer stopped: "},
        {"flash, silence half-way: --timeout is the allowance",
         {"--model", "T7", "--silence-after", "40"},
         {"flash", "--port", "PORT", "--version", "1.00", "--timeout", "0.5"},
         1,
         "Firmware Download Aborted: no answer from the controller within 0.5 s"},
        {"flash, 7 for the last record every time",
         {"--model", "T7", "--reject-record", "755:1000000"},
         {"flash", "--port", "PORT", "--version", "1.00", "--reset"},
         1,
         "Firmware Download Aborted: ",
         "firmware_aborted 1\nreset 0\n"},
        // Interrupted, each as Cancel would: the loader told to stop, 128 and the signal.
        {"flash, SIGINT half-way",
         {"--model", "T7", "--pace"},
         {"flash", "--port", "PORT", "--version", "1.00"},
         130,
         "Firmware Download Aborted: Interrupted by SIGINT",
         "firmware_aborted 1\n",
         SIGINT,
         2500},
        {"write-shows, SIGTERM half-way",
         {"--model", "K5", "--pace", "--blank"},
         write,
         143,
         "Show write stopped: Interrupted by SIGTERM. The controller's shows are incomplete",
         "",
         SIGTERM,
         2500},
        {"send-clips, SIGHUP half-way",
         {"--model", "K5", "--pace"},
         {"send-clips", "--port", "PORT", clipFile},
         129,
         "Audio clip transfer stopped: Interrupted by SIGHUP",
         "library_complete 0\n",
         SIGHUP,
         2500},
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
        const RunResult result = RunCli(args, 120000, row.signal, row.afterMs);
        EXPECT_EQ(result.status, row.status) << result.err;
        // The last line on stderr (after any progress line) is the reason,
        // naming the port, or the file or folder, it is about.
        std::string err = result.err;
        while (!err.empty() && err.back() == '\n')
            err.pop_back();
        const std::string last =
            err.substr(err.find_last_of("\n\r") == std::string::npos ? 0 : err.find_last_of("\n\r") + 1);
        EXPECT_EQ(last.rfind(row.err, 0), 0U) << result.err;
        // Captured, the progress comes in plain lines: nothing drawn over.
        EXPECT_EQ(result.err.find_first_of("\r\x1b"), std::string::npos) << result.err;
        EXPECT_TRUE(std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
            return arg.rfind('/', 0) == 0 && last.find(arg) != std::string::npos;
        })) << last;
        // Waiting costs no processor time: a spinning wait would use as much as the wall clock.
        EXPECT_LT(result.cpuSeconds, 0.5 * result.wallSeconds + 1.0)
            << result.cpuSeconds << " s of processor time in " << result.wallSeconds << " s";
        EXPECT_EQ(FolderContents(scratch.path), before) << "files changed";
        sim.Stop();
        if (!row.dumped.empty()) {
            EXPECT_NE(ReadFile(dump.path / "summary.txt").find(row.dumped), std::string::npos)
                << ReadFile(dump.path / "summary.txt");
        }
    }
}
