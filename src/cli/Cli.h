#pragma once

#include <QJsonDocument>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "core/Session.h"

namespace marrowick::cli {

// Exit statuses of every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// The exit status for how an operation ended.
int ExitStatusOf(const Result& result);

// One option a command takes: "--port PORT", or a flag without a value ("--force").
struct OptionSpec {
    std::string name;
    bool takesValue = true;
};

// A command's arguments, as the parser read them.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--port X" -> options["port"] = "X"
    std::vector<std::string> flags;             // "--force" -> "force"
    // Every option as given, in order, with its value (empty for a flag), for
    // commands whose options come in groups.
    std::vector<std::pair<std::string, std::string>> sequence;

    std::string Option(const std::string& name, const std::string& fallback = "") const;
    bool Has(const std::string& name) const;
};

class Context;

struct Command {
    std::string name;
    std::string usage;                // "identify --port PORT [--timeout SECONDS]"
    std::vector<OptionSpec> options;  // every option it takes
    bool takesFiles = false;          // positional FILE arguments
    std::function<int(Context&)> run; // the exit status
    std::string help;                 // what the command does, printed by --help under the usage line
};

// Prints one JSON document (an object or an array) on stdout, for --json.
void PrintJson(const QJsonDocument& document);

// Each command file gives its commands; `--help` lists them by name.
std::vector<Command> IdentifyCommands();
std::vector<Command> ShowCommands();
std::vector<Command> LibraryCommands();
std::vector<Command> FirmwareCommands();

// A command's run: its arguments, and a session on the real serial port (or,
// with --simulate, a simulated controller) whose
// panel-1 status texts go to stdout, one per line, as the window would show them.
class Context {
public:
    Context(const Command& command, Args args);
    ~Context();

    const Command& command;
    Args args;

    // Prints "Usage: ..." on stderr and returns ExitUsage.
    int Usage(const std::string& problem = "") const;
    // Prints the message on stderr and returns ExitFailed.
    int Fail(const std::string& message) const;
    // Prints a failure, worded as `text`, on stderr, with the port it happened
    // on unless it is about a file, and returns its exit status.
    int Fail(const Result& result, const std::string& text) const;
    // A folder the command is to create, by the rule every project folder
    // follows: ExitOk, or a usage error that says why its name cannot be.
    int CheckNewFolder(const std::filesystem::path& folder) const;
    // The message with " (port PORT)" after it, unless it names the port already.
    std::string OnPort(const std::string& message) const;

    // Whether the session talks to the controller simulated inside the program
    // (--simulate MODEL) rather than a serial port.
    bool Simulated() const;
    // With --simulate and --dump DIR: once the bytes still on the line have
    // reached the simulated controller, writes what it holds into DIR (the files marrowick-sim's --dump writes).
    // ExitOk, or ExitFailed after saying on stderr what could not be written.
    int DumpSimulated();
    // A session on --port (or the simulated controller) with the --timeout given; runs the identification and
    // returns ExitOk when the controller said its version and model (or, with
    // `modelMayBeMissing`, its version and nothing at all for its model).
    int Identify(bool modelMayBeMissing = false);
    Session& session();

    // Answers for the questions the program asks; unlisted ones are No.
    std::map<Question, bool> answers;
    std::optional<std::string> folderAnswer;
    std::optional<std::string> promptAnswer;

    // Runs the event loop until `done` says so: checked after each Wake() and
    // each change of the link state.
    void RunUntil(const std::function<bool()>& done);
    // Something `done` looks at has changed.
    void Wake();
    // Progress on stderr: on a terminal one line that rewrites itself;
    // elsewhere (a file, a pipe) a plain line each time.
    void Progress(const std::string& line) const;
    // Ends the line that rewrites itself, if one is showing, so what follows
    // starts on a line of its own.
    void EndProgress() const;
    // From now on the progress line of the running transfer, as the window
    // shows it beside the bar, goes to stderr after what `doing` says
    // ("Sending clips:"); a later call takes its place. Away from a terminal
    // only the first line of each tenth of the work goes out, and with
    // --quiet none.
    void ShowProgressLines(std::function<std::string()> doing);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace marrowick::cli
