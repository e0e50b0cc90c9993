#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/SimProcess.h"

using namespace marrowick::e2e;

// Every command listed by --help explains itself with --help, on stdout, without
// touching a port or a folder, whatever else is on the line.
TEST(CliHelp, EveryCommandExplainsItselfWithoutDoingAnything)
{
    const RunResult overview = RunCli({"--help"});
    ASSERT_EQ(overview.status, 0);
    std::istringstream lines(overview.out);
    std::vector<std::string> commands;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("  ", 0) == 0)
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    ASSERT_GE(commands.size(), 9u) << overview.out;
    EXPECT_TRUE(std::is_sorted(commands.begin(), commands.end())) << overview.out;

    const auto folder = std::filesystem::temp_directory_path() / "marrowick-help-never-made";
    for (const auto& command : commands) {
        SCOPED_TRACE(command);
        const RunResult help =
            RunCli({command, "--port", "/dev/marrowick-no-such-port", "--project", folder.string(), "--help"});
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_EQ(help.out.rfind("usage: marrowick-cli " + command, 0), 0u) << help.out;
        EXPECT_NE(help.out.find("example: marrowick-cli " + command), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
        EXPECT_FALSE(std::filesystem::exists(folder));
    }

    const RunResult unknown = RunCli({"no-such-command", "--help"});
    EXPECT_EQ(unknown.status, 2);
}
