#pragma once

#include <filesystem>
#include <string>

#include "log/LogModel.h"
#include "platform/Clock.h"

namespace marrowick {

// Where saved logs may go: "logs" beside the program when that folder exists and
// takes the file, otherwise "logs" in the user's own application data folder.
struct LogFolders {
    std::filesystem::path programFolder;
    std::filesystem::path userDataFolder;
};

// The file name of a log saved at `when`: "2026-06-12 17.07.09 logfile.rtf". The
// date keeps a log saved at the same time on another day from replacing it, and
// the order of the fields lets the names sort by time.
std::string LogFileName(const LocalDateTime& when);

struct LogSaveResult {
    bool ok = false;
    std::filesystem::path file; // what was written
    std::string message;        // why not, when it failed
};

// Writes the log as RTF and empties it. A file of the same name is kept and the
// new log gets a numbered name beside it. On failure the log keeps its text.
LogSaveResult SaveLog(LogModel& log, const LogFolders& folders, const LocalDateTime& when);

// The log window is closing: logging stops for the rest of the run; with
// "Auto Save" the closing line (dated as a person reads it) is written and the log saved.
LogSaveResult CloseLog(LogModel& log, bool autoSave, const LogFolders& folders, const std::string& localDate,
                       const std::string& localTime, const LocalDateTime& when);

} // namespace marrowick
