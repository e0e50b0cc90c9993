#include <filesystem>
#include <gtest/gtest.h>

#include "base/Files.h"
#include "log/LogFile.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace marrowick {
namespace {

using marrowick::testing::TempFolder;

LogModel OpenLog()
{
    LogModel log;
    log.Open("06/12/2026", "17:07:09");
    log.LogDebug("hello", 0, LogBaseline);
    return log;
}

TEST(LogFile, NameIsTheTimeWithColonsReplaced)
{
    EXPECT_EQ(LogFileName("5:07:09 PM"), "5_07_09 PM logfile.rtf");
    EXPECT_EQ(LogFileName("17:07:09"), "17_07_09 logfile.rtf");
}

TEST(LogFile, SavesBesideTheProgramOrElseInTheUserFolder)
{
    TempFolder temp;
    const LogFolders folders{temp.path / "program", temp.path / "user"};
    fs::create_directories(folders.programFolder / "logs");

    LogModel log = OpenLog();
    LogSaveResult saved = SaveLog(log, folders, "17:07:09");
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(saved.file, folders.programFolder / "logs" / "17_07_09 logfile.rtf");
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(fs::exists(folders.userDataFolder));

    fs::remove_all(folders.programFolder / "logs");
    log.LogDebug("later", 0, LogBaseline);
    saved = SaveLog(log, folders, "18:00:00");
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(saved.file, folders.userDataFolder / "logs" / "18_00_00 logfile.rtf");
    std::string error;
    EXPECT_NE(ReadWholeFile(saved.file, &error)->find("later"), std::string::npos);
}

TEST(LogFile, SavesWithinOneSecondGetTheirOwnFiles)
{
    TempFolder temp;
    const LogFolders folders{temp.path, {}};
    fs::create_directories(temp.path / "logs");
    LogModel log = OpenLog();
    std::vector<fs::path> files;
    for (int i = 0; i < 3; ++i) {
        log.LogDebug("save " + std::to_string(i), 0, LogBaseline);
        files.push_back(SaveLog(log, folders, "9:00:00").file);
    }
    EXPECT_EQ(files[0].filename(), "9_00_00 logfile.rtf");
    EXPECT_EQ(files[1].filename(), "9_00_00 logfile (2).rtf");
    EXPECT_EQ(files[2].filename(), "9_00_00 logfile (3).rtf");
    std::string error;
    EXPECT_NE(ReadWholeFile(files[0], &error)->find("save 0"), std::string::npos);
}

TEST(LogFile, AFailedSaveKeepsTheLogAndSaysWhy)
{
    TempFolder temp;
    const fs::path blocker = temp.path / "user";
    ASSERT_TRUE(WriteFileAtomically(blocker, "not a folder", nullptr));
    LogModel log = OpenLog();
    const LogSaveResult saved = SaveLog(log, {temp.path / "no-program", blocker}, "9:00:00");
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
    EXPECT_TRUE(CloseLog(quiet, false, folders, "06/12/2026", "9:00:00").ok);
    EXPECT_FALSE(quiet.DebugMode);
    quiet.LogDebug("ignored", 0, LogBaseline);
    EXPECT_EQ(quiet.Lines().size(), 2u);
    EXPECT_TRUE(fs::is_empty(temp.path / "logs"));

    LogModel saving = OpenLog();
    const LogSaveResult saved = CloseLog(saving, true, folders, "06/12/2026", "9:00:01");
    ASSERT_TRUE(saved.ok) << saved.message;
    std::string error;
    EXPECT_NE(ReadWholeFile(saved.file, &error)->find("Closing Logfile at 06/12/2026 9:00:01\\par"), std::string::npos);
    EXPECT_TRUE(saving.Lines().empty());
}

} // namespace
} // namespace marrowick
