#include "log/LogFile.h"

#include <system_error>

#include "base/Files.h"
#include "log/LogRtf.h"

namespace fs = std::filesystem;

namespace marrowick {
namespace {

// Any entry of that name, a dangling link included.
bool Taken(const fs::path& file)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(file, ec));
}

// The name for a save into `folder`, numbered when the plain name is taken (two
// saves within a second, or the same hour twice when the clocks go back): a
// saved log is never replaced.
fs::path FreePath(const fs::path& folder, const LocalDateTime& when)
{
    fs::path candidate = folder / LogFileName(when);
    for (int number = 2; Taken(candidate) && number < 1000; ++number)
        candidate = folder / (FileNameStamp(when) + " logfile (" + std::to_string(number) + ").rtf");
    return candidate;
}

bool TryWrite(const fs::path& folder, const LocalDateTime& when, const std::string& rtf, fs::path& written,
              std::string& why)
{
    const fs::path file = FreePath(folder, when);
    if (!WriteFileAtomically(file, rtf, &why)) {
        why = "cannot write " + PathText(file) + ": " + why;
        return false;
    }
    written = file;
    return true;
}

} // namespace

std::string LogFileName(const LocalDateTime& when)
{
    return FileNameStamp(when) + " logfile.rtf";
}

LogSaveResult SaveLog(LogModel& log, const LogFolders& folders, const LocalDateTime& when)
{
    LogSaveResult result;
    const std::string rtf = LogToRtf(log.Lines());
    std::string reasons;

    std::error_code ec;
    const fs::path besideProgram = folders.programFolder / "logs";
    if (!folders.programFolder.empty() && fs::is_directory(besideProgram, ec)) {
        std::string why;
        if (TryWrite(besideProgram, when, rtf, result.file, why)) {
            result.ok = true;
        } else {
            reasons = why + "; ";
        }
    }
    if (!result.ok && !folders.userDataFolder.empty()) {
        const fs::path userLogs = folders.userDataFolder / "logs";
        std::string why;
        fs::create_directories(userLogs, ec);
        if (ec) {
            reasons += "cannot create " + PathText(userLogs) + ": " + ec.message();
        } else if (TryWrite(userLogs, when, rtf, result.file, why)) {
            result.ok = true;
        } else {
            reasons += why;
        }
    }
    if (!result.ok) {
        result.message = reasons.empty() ? "no folder to save logs in" : reasons;
        return result;
    }
    log.Clear();
    return result;
}

LogSaveResult CloseLog(LogModel& log, bool autoSave, const LogFolders& folders, const std::string& localDate,
                       const std::string& localTime, const LocalDateTime& when)
{
    log.DebugMode = false;
    if (!autoSave)
        return {true, {}, {}};
    log.AppendPlain("Closing Logfile at " + localDate + " " + localTime);
    LogSaveResult result = SaveLog(log, folders, when);
    log.Clear();
    return result;
}

} // namespace marrowick
