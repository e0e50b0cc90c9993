#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Session.h"

namespace marrowick::cli {

// Exit statuses of every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--port X" -> options["port"] = "X"
    std::set<std::string> flags;                // "--force" -> flags {"force"}

    std::string Option(const std::string& name, const std::string& fallback = "") const;
    bool Has(const std::string& name) const { return options.count(name) != 0 || flags.count(name) != 0; }
};

class Context;

struct Command {
    std::string name;
    std::string usage;           // "identify --port PORT [--timeout SECONDS]"
    std::set<std::string> flags; // options that take no value
    std::function<int(Context&)> run;
    std::string help; // what the command does, printed by --help under the usage line
};

// Commands register themselves from their own files.
std::vector<Command>& Commands();
struct Register {
    explicit Register(Command command) { Commands().push_back(std::move(command)); }
};

// A command's run: its arguments, and a session on the real serial port whose
// panel-1 status texts go to stdout, one per line, as the window would show them.
class Context {
public:
    Context(const Command& command, Args args);
    ~Context();

    const Command& command;
    Args args;

    // Prints "usage: ..." on stderr and returns ExitUsage.
    int Usage(const std::string& problem = "") const;
    // Prints the message on stderr and returns ExitFailed.
    int Fail(const std::string& message) const;

    // A session on --port with the --timeout given; runs the identification and
    // returns ExitOk when the controller said its version and model.
    int Identify();
    Session& session();

    // Answers for questions the core asks (text -> Yes/No); unlisted ones are No.
    std::map<std::string, bool> answers;
    std::optional<std::string> folderAnswer;
    std::optional<std::string> promptAnswer;

    // Runs the event loop until `done` says so (checked after every event).
    void RunUntil(const std::function<bool()>& done);
    // Progress on stderr: a line that rewrites itself.
    void Progress(const std::string& line) const;
    void EndProgress() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace marrowick::cli
