#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

#include "base/Files.h"
#include "log/LogFile.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace marrowick {
namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::TempFolder;

LogModel OpenLog()
{
    LogModel log;
    log.Open("06/12/2026", "17:07:09");
    log.LogDebug("hello", 0, LogBaseline);
    return log;
}

constexpr LocalDateTime Evening{2026, 6, 12, 17, 7, 9};

TEST(LogFile, SavesBesideTheProgramOrElseInTheUserFolder)
{
    TempFolder temp;
    const LogFolders folders{temp.path / "program", temp.path / "user"};
    fs::create_directories(folders.programFolder / "logs");

    LogModel log = OpenLog();
    LogSaveResult saved = SaveLog(log, folders, Evening);
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(saved.file, folders.programFolder / "logs" / "2026-06-12 17.07.09 logfile.rtf");
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(fs::exists(folders.userDataFolder));

    fs::remove_all(folders.programFolder / "logs");
    log.LogDebug("later", 0, LogBaseline);
    saved = SaveLog(log, folders, {2026, 6, 12, 18, 0, 0});
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(saved.file, folders.userDataFolder / "logs" / "2026-06-12 18.00.00 logfile.rtf");
    std::string error;
    EXPECT_NE(ReadWholeFile(saved.file, 1 << 20, &error)->find("later"), std::string::npos);
}

TEST(LogFile, NoSavedLogIsEverReplaced)
{
    TempFolder temp;
    const LogFolders folders{temp.path, {}};
    const fs::path logs = temp.path / "logs";
    fs::create_directories(logs);
    LogModel log = OpenLog();
    std::vector<fs::path> files;
    // Three saves within one second, then one at the same time of another day.
    for (const LocalDateTime& when : {Evening, Evening, Evening, LocalDateTime{2026, 6, 3, 17, 7, 9}}) {
        log.LogDebug("save " + std::to_string(files.size()), 0, LogBaseline);
        files.push_back(SaveLog(log, folders, when).file);
    }
    EXPECT_EQ(files[0].filename(), "2026-06-12 17.07.09 logfile.rtf");
    EXPECT_EQ(files[1].filename(), "2026-06-12 17.07.09 logfile (2).rtf");
    EXPECT_EQ(files[2].filename(), "2026-06-12 17.07.09 logfile (3).rtf");
    EXPECT_EQ(files[3].filename(), "2026-06-03 17.07.09 logfile.rtf");
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_NE(ReadFile(files[i]).find("save " + std::to_string(i)), std::string::npos) << files[i];

    // A log of that name from long ago (the same hour twice when the clocks go back) is kept too.
    const fs::path old = logs / "2026-10-25 02.30.00 logfile.rtf";
    marrowick::testing::WriteFile(old, "an hour ago");
    fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(1));
    log.LogDebug("again", 0, LogBaseline);
    EXPECT_EQ(SaveLog(log, folders, {2026, 10, 25, 2, 30, 0}).file.filename(), "2026-10-25 02.30.00 logfile (2).rtf");
    EXPECT_EQ(ReadFile(old), "an hour ago");
}

TEST(LogFile, AFailedSaveKeepsTheLogAndSaysWhy)
{
    TempFolder temp;
    const fs::path blocker = temp.path / "user";
    ASSERT_TRUE(WriteFileAtomically(blocker, "not a folder", nullptr));
    LogModel log = OpenLog();
    const LogSaveResult saved = SaveLog(log, {temp.path / "no-program", blocker}, Evening);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.message.find("user"), std::string::npos) << saved.message;
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(LogFile, ClosingStopsLoggingAndSavesOnlyWithAutoSave)
{
    TempFolder temp;
    const LogFolders folders{temp.path, {}};
    fs::create_directories(temp.path / "logs");

    LogModel quiet = OpenLog();
    EXPECT_TRUE(CloseLog(quiet, false, folders, "06/12/2026", "9:00:00", Evening).ok);
    EXPECT_FALSE(quiet.DebugMode);
    quiet.LogDebug("ignored", 0, LogBaseline);
    EXPECT_EQ(quiet.Lines().size(), 2u);
    EXPECT_TRUE(fs::is_empty(temp.path / "logs"));

    LogModel saving = OpenLog();
    const LogSaveResult saved = CloseLog(saving, true, folders, "06/12/2026", "9:00:01", Evening);
    ASSERT_TRUE(saved.ok) << saved.message;
    std::string error;
    EXPECT_NE(ReadWholeFile(saved.file, 1 << 20, &error)->find("Closing Logfile at 06/12/2026 9:00:01\\par"),
              std::string::npos);
    EXPECT_TRUE(saving.Lines().empty());
}

} // namespace
} // namespace marrowick
