#pragma once

#include <filesystem>
#include <string>

#include "log/LogModel.h"

namespace marrowick {

// Where saved logs may go: "logs" beside the program when that folder exists and
// takes the file, otherwise "logs" in the user's own application data folder.
struct LogFolders {
    std::filesystem::path programFolder;
    std::filesystem::path userDataFolder;
};

// The file name of a log saved at `localTime`: every ":" becomes "_", then " logfile.rtf".
std::string LogFileName(const std::string& localTime);

struct LogSaveResult {
    bool ok = false;
    std::filesystem::path file; // what was written
    std::string message;        // why not, when it failed
};

// Writes the log as RTF and empties it. A file of the same name written less
// than two seconds ago (a second save within the same second) is kept and the
// new log gets a numbered name beside it. On failure the log keeps its text.
LogSaveResult SaveLog(LogModel& log, const LogFolders& folders, const std::string& localTime);

// The log window is closing: logging stops for the rest of the run; with
// "Auto Save" the closing line is written and the log saved.
LogSaveResult CloseLog(LogModel& log, bool autoSave, const LogFolders& folders, const std::string& localDate,
                       const std::string& localTime);

} // namespace marrowick
