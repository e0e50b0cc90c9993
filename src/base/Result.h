#pragma once

#include <string>
#include <utility>

namespace marrowick {

// How an operation ended, for every command, conversation and file operation.
// The code says what kind of ending it was, so callers decide by it (the
// command line's exit status, whether a dialog follows); the message is the
// sentence a person reads and nothing else looks into it.
enum class ResultCode {
    Ok,
    Refused,         // not done, and the person is told why (nothing to write, a damaged file, a T7)
    Busy,            // not done and nothing said: another conversation runs or the port is closed
    TimedOut,        // the controller stopped answering
    UnreadableReply, // what came back is not the reply that was asked for
    FileError,       // a file could not be read or written
    PortLost,        // the serial port went away
    Cancelled,       // the user's cancel, or the program closing
};

struct Result {
    ResultCode code = ResultCode::Ok;
    std::string message;

    bool ok() const { return code == ResultCode::Ok; }
    explicit operator bool() const { return ok(); }

    static Result Done(std::string message = {}) { return {ResultCode::Ok, std::move(message)}; }
    static Result Fail(ResultCode code, std::string message) { return {code, std::move(message)}; }
    // Refused without a word: the command is not available now.
    static Result Busy() { return {ResultCode::Busy, {}}; }
};

} // namespace marrowick
