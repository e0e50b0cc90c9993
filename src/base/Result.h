#pragma once

#include <string>
#include <utility>

namespace marrowick {

// How an operation ended, for every command, conversation and file operation.
// The code says what kind of ending it was, so callers decide by it (the
// command line's exit status, whether a dialog follows).
enum class ResultCode {
    Ok,
    Refused,         // not done, and the person is told why (nothing to write, a damaged file, a T7)
    Busy,            // not done and nothing said: another conversation runs or the port is closed
    TimedOut,        // the controller stopped answering
    UnreadableReply, // what came back is not the reply that was asked for
    FileError,       // a file could not be read or written
    PortLost,        // the serial port went away
    Cancelled,       // the user's cancel, the program closing, an interrupt
};

// What exactly happened, finer than the code: the presenter of each area words
// it. Each reason says which of Result's facts it fills: `number` (a show, a
// packet, a record), `got` and `expected` (counts), `detail` (the system's own
// words, a reply as it came, a file name).
enum class Reason {
    None,
    // Ended from outside.
    Cancelled,   // the user's cancel
    Closing,     // the program is closing
    StateForced, // a state was forced from the log window
    Interrupted, // got: the signal (SIGINT, SIGTERM, SIGHUP) or 0 for the console's close
    PortLost,    // detail: the system's words
    // The controller.
    NotResponding,         // nothing came while a reply was due
    StoppedSending,        // got of expected bytes came; number: the show, -1 the table
    ReplyLength,           // the table reply had got bytes instead of expected
    ShowLength,            // show number came with got bytes instead of expected
    TooManyShows,          // the controller's table lists got shows (expected: at most)
    TooLong,               // show number has got bytes; expected: what the model holds at most
    NegativeLength,        // show number has the length got
    Refusals,              // the controller refused number (packet, record; -1 the start) got times in a row
    AnswerUnreadable,      // the answer to number (packet, record; -1 the start) could not be read
    NoAnswer,              // packet number was not answered; a record: got ms of silence
    Flooded,               // more than expected bytes came for one reply
    VersionNotAvailable,   // the version reply did not come or could not be read
    ModelNotAvailable,     // the model reply did not come
    UnknownModel,          // detail: the model reply as it came
    SerialNotAvailable,    // the serial number did not come, or came unreadable
    LastRecordUnconfirmed, // Ok: the loader said nothing after the last record
    // What the program holds, or the model.
    NoShowTable,     // the model keeps no show table (a T7)
    NoTableImage,    // an R2-layout write without a 304-byte table image
    IncompleteShows, // a show short of data or a K5 show file missing below the highest
    NoShows,         // nothing to write
    OtherModel,      // the shows belong to another model than the controller, named in detail
    NoSerialNumber,  // an R2 or L+ write without the controller's serial number
    TriggerUnknown,  // a K5 write without the controller's trigger wiring
    OutOfMemory,     // the computer's memory ran out for this
    // Edits of the table.
    NoSuchShow,  // show number does not exist; expected: the last show that does
    OutOfRange,  // the value got is beyond expected, the highest allowed; number: the field
    NoShowField, // the model (detail) keeps no such field (number) in its table
    // Files.
    SystemError,        // detail: the system's words
    FileSize,           // the file holds got bytes; expected: what it must hold
    ChangedWhileRead,   // the file changed while it was read
    NoProjectFolder,    // no project folder was chosen
    FolderExists,       // a folder that must be new exists already
    NoBackupRoot,       // there is no folder to keep backups in
    CannotCreateFolder, // detail: the system's words
    ShowsDiffer,        // what was read back differs from what was written
    Busy,               // nothing said: another conversation runs
};

struct Result {
    ResultCode code = ResultCode::Ok;
    Reason reason = Reason::None;
    // What the reason is about; which of them count is the reason's business.
    int number = -1;
    long long got = 0;
    long long expected = 0;
    std::string detail;
    // Line errors seen while the conversation ran, one bit per LineEventKind.
    unsigned lineErrors = 0;

    bool ok() const { return code == ResultCode::Ok; }
    explicit operator bool() const { return ok(); }

    static Result Done(Reason reason = Reason::None) { return {ResultCode::Ok, reason, -1, 0, 0, {}, 0}; }
    static Result Fail(ResultCode code, Reason reason, int number = -1, long long got = 0, long long expected = 0,
                       std::string detail = {})
    {
        return {code, reason, number, got, expected, std::move(detail), 0};
    }
    static Result Fail(ResultCode code, Reason reason, std::string detail)
    {
        return {code, reason, -1, 0, 0, std::move(detail), 0};
    }
    // Refused without a word: the command is not available now.
    static Result Busy() { return {ResultCode::Busy, Reason::Busy, -1, 0, 0, {}, 0}; }
};

} // namespace marrowick
