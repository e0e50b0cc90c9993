#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "e2e/SimProcess.h"
#include "support/TempFolder.h"

using namespace marrowick::e2e;
using marrowick::testing::TempFolder;

namespace {

// The commands `marrowick-cli --help` lists, in its order.
std::vector<std::string> ListedCommands()
{
    const RunResult overview = RunCli({"--help"});
    EXPECT_EQ(overview.status, 0);
    std::istringstream lines(overview.out);
    std::vector<std::string> commands;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("  ", 0) == 0)
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    return commands;
}

// Every "--name" in the text, and "--name" for each "$name" (an option a
// completion script keeps in a variable of its name).
std::set<std::string> OptionsIn(const std::string& text)
{
    static const std::regex option(R"((--|\$)([a-z][a-z-]*))");
    std::set<std::string> options;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        options.insert("--" + (*it)[2].str());
    return options;
}

} // namespace

// Every command listed by --help explains itself with --help, on stdout, without
// touching a port or a folder, whatever else is on the line; the shell
// completions offer after it exactly the options its usage line names, and
// --dump wherever --simulate is (it goes with it).
TEST(CliHelp, EveryCommandExplainsItselfAndCompletesTheOptionsItTakes)
{
    const std::vector<std::string> commands = ListedCommands();
    ASSERT_GE(commands.size(), 9u);
    EXPECT_TRUE(std::is_sorted(commands.begin(), commands.end()));
    std::map<std::string, std::string> scripts;
    for (const char* file : {"marrowick-cli.bash", "_marrowick-cli"}) {
        scripts[file] = marrowick::testing::ReadFile(std::filesystem::path(MARROWICK_COMPLETIONS) / file);
        ASSERT_FALSE(scripts[file].empty()) << file;
    }

    const auto folder = std::filesystem::temp_directory_path() / "marrowick-help-never-made";
    for (const auto& command : commands) {
        SCOPED_TRACE(command);
        const RunResult help =
            RunCli({command, "--port", "/dev/marrowick-no-such-port", "--project", folder.string(), "--help"});
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_EQ(help.out.rfind("Usage: marrowick-cli " + command, 0), 0u) << help.out;
        EXPECT_NE(help.out.find("example: marrowick-cli " + command), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
        EXPECT_FALSE(std::filesystem::exists(folder));

        std::set<std::string> takes = OptionsIn(help.out.substr(0, help.out.find('\n')));
        if (takes.count("--simulate") != 0)
            takes.insert("--dump");
        for (const auto& [file, script] : scripts) {
            // Its case in the script: from "command)" alone on its line to ";;".
            std::smatch label;
            ASSERT_TRUE(std::regex_search(script, label, std::regex("\n[ \t]*" + command + "\\)[ \t]*\n"))) << file;
            const auto from = static_cast<std::size_t>(label.position(0) + label.length(0));
            std::set<std::string> offered = OptionsIn(script.substr(from, script.find(";;", from) - from));
            offered.erase("--help"); // offered to every command
            EXPECT_EQ(offered, takes) << file;
        }
    }

    const RunResult unknown = RunCli({"no-such-command", "--help"});
    EXPECT_EQ(unknown.status, 2);
}

namespace {

QJsonDocument ParsedJson(const RunResult& result)
{
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out;
    return document;
}

} // namespace

// --json prints one document that scripts can read, with the same exit status
// (identify --json: IdentifyEndToEnd, beside its text).
TEST(CliJson, EveryJsonOutputParsesBackWithTheValuesTheTextShows)
{
    const QJsonArray images = ParsedJson(RunCli({"images", "--json"})).array();
    ASSERT_EQ(images.size(), 17);
    EXPECT_EQ(images.at(4).toObject().value("image").toInt(), 105);
    EXPECT_EQ(images.at(4).toObject().value("model").toString(), QStringLiteral("T7"));
    EXPECT_EQ(images.at(4).toObject().value("records").toInt(), 756);
    EXPECT_EQ(images.at(7).toObject().value("sd").toString(), QStringLiteral("full"));

    TempFolder folder("marrowick-json");
    const std::string project = (folder.path / "hall").string();
    ASSERT_EQ(RunCli({"read-shows", "--simulate", "R2", "--project", project}).status, 0);
    const QJsonObject table =
        ParsedJson(RunCli({"show-table", "--project", project, "--model", "R2", "--json"})).object();
    EXPECT_EQ(table.value("model").toString(), QStringLiteral("R2"));
    EXPECT_EQ(table.value("showCount").toInt(), 3);
    EXPECT_TRUE(table.value("ambient").toBool());
    EXPECT_TRUE(table.value("lockout").isBool());
    EXPECT_TRUE(table.value("triggerA").isString());
    const QJsonArray shows = table.value("shows").toArray();
    ASSERT_EQ(shows.size(), 10);
    EXPECT_EQ(shows.at(1).toObject().value("length").toInt(), 5000);

    const RunResult ports = RunCli({"ports", "--json"});
    EXPECT_EQ(ports.status, 0);
    for (const auto& port : ParsedJson(ports).array()) {
        const QJsonObject entry = port.toObject();
        EXPECT_TRUE(entry.value("number").isDouble());
        EXPECT_EQ(entry.value("opens").toBool(), entry.value("reason").isNull());
    }
}
