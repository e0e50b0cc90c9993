// marrowick-sim itself, as a process: what it refuses to start with, and that
// it always ends when asked, leaving no link behind.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>

#include <filesystem>
#include <functional>
#include <map>
#include <utility>

#include "e2e/SimProcess.h"
#include "support/Helpers.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::TempFolder;
using marrowick::testing::WriteFile;

// What lies in the scratch folder, for comparing before and after: every file
// with its bytes, and what kind of thing stands at "port".
std::pair<std::map<std::string, std::string>, fs::file_type> Contents(const fs::path& folder)
{
    return {marrowick::testing::FolderContents(folder), fs::symlink_status(folder / "port").type()};
}

// Opens the simulator's device as the program would, raw.
int OpenLine(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios raw{};
        ::tcgetattr(fd, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

bool Readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

} // namespace

TEST(SimulatorProcess, RefusesALinkOrDumpPathItCannotUseAndTouchesNothing)
{
    struct Row {
        const char* what;
        std::function<void(const fs::path&)> plant; // what lies in the scratch folder before
        std::vector<std::string> args;              // "@" + name: that name in the scratch folder
        std::string message;                        // part of what stderr says
    };
    const Row rows[] = {
        {"a regular file at --link",
         [](const fs::path& at) { WriteFile(at / "port", "someone's notes"); },
         {"--link", "@port"},
         "not a symbolic link"},
        {"a FIFO at --link",
         [](const fs::path& at) { ::mkfifo((at / "port").c_str(), 0600); },
         {"--link", "@port"},
         "not a symbolic link"},
        {"--link in a folder that does not exist",
         [](const fs::path&) {},
         {"--link", "@missing/port"},
         "@missing/port"},
        {"--dump below a regular file",
         [](const fs::path& at) { WriteFile(at / "file", "keep"); },
         {"--link", "@port", "--dump", "@file/dump"},
         "@file/dump"},
        {"--dump naming a regular file",
         [](const fs::path& at) { WriteFile(at / "file", "keep"); },
         {"--link", "@port", "--dump", "@file"},
         "@file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder scratch("marrowick-e2e-sim");
        row.plant(scratch.path);
        const auto before = Contents(scratch.path);
        std::vector<std::string> argv{MARROWICK_SIM, "--model", "K5"};
        for (const auto& arg : row.args)
            argv.push_back(arg[0] == '@' ? (scratch.path / arg.substr(1)).string() : arg);
        std::string message = row.message;
        if (message[0] == '@')
            message = (scratch.path / message.substr(1)).string();
        // A simulator that does not refuse serves until it is stopped: the time limit ends it.
        const RunResult result = marrowick::e2e::Run(argv, 5000);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_EQ(result.out, "") << "it must not offer a device";
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(Contents(scratch.path), before);
    }
}

TEST(SimulatorProcess, EndsWhenAskedEvenWhileNobodyReadsAndRemovesItsLink)
{
    enum class Client { Reads, NeverReads };
    struct Row {
        const char* what;
        std::vector<std::string> sim;
        Client client;
        int signal;                // 0: it ends by itself
        bool dumpInTheWay = false; // a file takes the dump folder's place while it runs: exit 1
    };
    const Row rows[] = {
        {"SIGTERM while a megabyte of noise waits for a reader",
         {"--garbage-after", "0:1000000"},
         Client::NeverReads,
         SIGTERM},
        {"SIGINT while a megabyte of noise waits for a reader",
         {"--garbage-after", "0:1000000"},
         Client::NeverReads,
         SIGINT},
        {"SIGTERM while paced replies wait for a reader",
         {"--pace", "--garbage-after", "0:100000"},
         Client::NeverReads,
         SIGTERM},
        {"the line closed after the version reply", {"--close-after", "1"}, Client::Reads, 0},
        {"SIGTERM once a file has taken the dump folder's place", {}, Client::Reads, SIGTERM, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder scratch("marrowick-e2e-sim");
        const fs::path link = scratch.path / "port";
        // A link left by an earlier run is replaced; the file it named is not touched.
        WriteFile(scratch.path / "victim", "mine");
        fs::create_symlink(scratch.path / "victim", link);

        std::vector<std::string> args{"--model",     "K5",     "--link",
                                      link.string(), "--dump", (scratch.path / "dump").string()};
        args.insert(args.end(), row.sim.begin(), row.sim.end());
        SimProcess sim(args);
        ASSERT_EQ(sim.path(), link.string());
        ASSERT_NE(fs::read_symlink(link), scratch.path / "victim");
        const int fd = OpenLine(link.string());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "V", 1), 1);
        // The first bytes arrive; from then on a reader that never reads lets the line fill up.
        ASSERT_TRUE(Readable(fd, 5000));
        if (row.client == Client::NeverReads)
            ::usleep(300 * 1000);
        else
            while (Readable(fd, 2000)) {
                char buffer[256];
                if (::read(fd, buffer, sizeof buffer) <= 0)
                    break;
            }
        const fs::path dump = scratch.path / "dump";
        if (row.dumpInTheWay) {
            fs::remove_all(dump);
            WriteFile(dump, "in the way");
        }
        // A simulator that does not end is killed after the limit, and that fails the row.
        EXPECT_EQ(sim.Stop(row.signal, 10000), row.dumpInTheWay ? 1 : 0);
        ::close(fd);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
        EXPECT_EQ(ReadFile(scratch.path / "victim"), "mine");
        if (row.dumpInTheWay)
            EXPECT_EQ(ReadFile(dump), "in the way");
        else
            EXPECT_EQ(ReadFile(dump / "summary.txt").rfind("requests V\n", 0), 0U);
    }
}
