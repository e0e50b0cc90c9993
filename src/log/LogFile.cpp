#include "log/LogFile.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "base/Files.h"
#include "log/LogRtf.h"

namespace fs = std::filesystem;

namespace marrowick {
namespace {

bool WrittenJustNow(const fs::path& file)
{
    std::error_code ec;
    const auto written = fs::last_write_time(file, ec);
    if (ec)
        return false;
    const auto age = fs::file_time_type::clock::now() - written;
    return age < std::chrono::seconds(2);
}

// The name for a save into `folder`, numbered when the plain name was taken a moment ago.
fs::path FreePath(const fs::path& folder, const std::string& localTime)
{
    fs::path candidate = folder / LogFileName(localTime);
    std::string stem = localTime;
    std::replace(stem.begin(), stem.end(), ':', '_');
    for (int number = 2; WrittenJustNow(candidate) && number < 1000; ++number)
        candidate = folder / (stem + " logfile (" + std::to_string(number) + ").rtf");
    return candidate;
}

bool TryWrite(const fs::path& folder, const std::string& localTime, const std::string& rtf, fs::path& written,
              std::string& why)
{
    const fs::path file = FreePath(folder, localTime);
    if (!WriteFileAtomically(file, rtf, &why)) {
        why = "cannot write " + file.string() + ": " + why;
        return false;
    }
    written = file;
    return true;
}

} // namespace

std::string LogFileName(const std::string& localTime)
{
    std::string name = localTime;
    std::replace(name.begin(), name.end(), ':', '_');
    return name + " logfile.rtf";
}

LogSaveResult SaveLog(LogModel& log, const LogFolders& folders, const std::string& localTime)
{
    LogSaveResult result;
    const std::string rtf = LogToRtf(log.Lines());
    std::string reasons;

    std::error_code ec;
    const fs::path besideProgram = folders.programFolder / "logs";
    if (!folders.programFolder.empty() && fs::is_directory(besideProgram, ec)) {
        std::string why;
        if (TryWrite(besideProgram, localTime, rtf, result.file, why)) {
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
            reasons += "cannot create " + userLogs.string() + ": " + ec.message();
        } else if (TryWrite(userLogs, localTime, rtf, result.file, why)) {
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
                       const std::string& localTime)
{
    log.DebugMode = false;
    if (!autoSave)
        return {true, {}, {}};
    log.AppendPlain("Closing Logfile at " + localDate + " " + localTime);
    LogSaveResult result = SaveLog(log, folders, localTime);
    log.Clear();
    return result;
}

} // namespace marrowick
