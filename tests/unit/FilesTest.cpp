#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/Files.h"
#include "features/ShowsPresenter.h"
#include "log/LogFile.h"
#include "projects/ProjectFiles.h"
#include "support/Helpers.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// Runs `body` in a child process that the alarm ends after five seconds, and
// gives back the text it returned: "hung" when it did not end on its own,
// "died of signal N" when it crashed.
std::string InChild(const std::function<std::string()>& body, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    int out[2];
    if (::pipe(out) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::alarm(5);
        // Beyond the limit a write fails (EFBIG) instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string text = body();
        (void)!::write(out[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGALRM ? "hung" : "died of signal " + std::to_string(WTERMSIG(status));
    return text;
}
#endif

using Files = std::map<std::string, std::string>;

#ifndef _WIN32
fs::perms Permissions(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::mask;
}
#endif

// Links, permission bits, file-size limits and named pipes are Unix ones; the
// Windows writer (CreateFileW with CREATE_NEW) is checked by the tests between.
#ifndef _WIN32
TEST(Files, ASaveNeverWritesThroughALinkPlantedBesideIt)
{
    TempFolder temp;
    const fs::path folder = temp.path / "project";
    fs::create_directory(folder);
    const fs::path target = folder / "000.LIB";
    WriteFile(target, "old library");
    WriteFile(temp.path / "victim", "someone else's file");
    // The name saves used to go through, and names a writer might pick.
    const std::vector<std::string> planted = {"000.LIB.partial", ".000.LIB.partial", "000.LIB.tmp", ".000.LIB.tmp",
                                              "000.LIB~",        "000.LIB.new",      ".000.LIB.swp"};
    for (const auto& name : planted)
        fs::create_symlink(temp.path / "victim", folder / name);

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, "new library", &error)) << error;
    EXPECT_EQ(ReadFile(target), "new library");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(ReadFile(temp.path / "victim"), "someone else's file");
    for (const auto& name : planted)
        EXPECT_TRUE(fs::is_symlink(folder / name)) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), planted.size() + 1)
        << "no temporary file is left";
}

#endif

TEST(Files, TwoSavesOfOneFileHaveTheirOwnTemporaryFiles)
{
    TempFolder temp;
    const fs::path target = temp.path / "000.CFG";
    std::string error;
    auto first = AtomicFile::Create(target, &error);
    auto second = AtomicFile::Create(target, &error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_NE(first->TemporaryPath(), second->TemporaryPath());
    for (const AtomicFile* file : {&*first, &*second}) {
        EXPECT_EQ(file->TemporaryPath().parent_path(), temp.path) << "beside the target, on the same device";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file->TemporaryPath())));
    }
    ASSERT_TRUE(first->Write("first", &error) && second->Write("second", &error)) << error;
    ASSERT_TRUE(second->Commit(&error)) << error;
    EXPECT_EQ(ReadFile(target), "second");
    ASSERT_TRUE(first->Commit(&error)) << error;
    EXPECT_EQ(FolderContents(temp.path), (Files{{"000.CFG", "first"}}));

    // One that is given up leaves nothing behind and the file as it was.
    {
        auto abandoned = AtomicFile::Create(target, &error);
        ASSERT_TRUE(abandoned && abandoned->Write("never", &error));
    }
    EXPECT_EQ(FolderContents(temp.path), (Files{{"000.CFG", "first"}}));
}

TEST(Files, ASavedFileKeepsThePermissionsOfTheFileItReplaces)
{
    TempFolder temp;
    const fs::path target = temp.path / "001.K5S";
#ifdef _WIN32
    // Its attributes: a hidden file stays hidden, a new one is not.
    WriteFile(target, "old");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, "new", &error)) << error;
    EXPECT_NE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_EQ(FolderContents(temp.path), (Files{{"001.K5S", "new"}}));
    const fs::path fresh = temp.path / "002.K5S";
    ASSERT_TRUE(WriteFileAtomically(fresh, "new", &error)) << error;
    EXPECT_EQ(::GetFileAttributesW(fresh.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U);
#else
    for (const auto mode :
         {fs::perms(0600), fs::perms(0640), fs::perms(0664), fs::perms(0604), fs::perms(0755), fs::perms(0444)}) {
        SCOPED_TRACE(static_cast<int>(mode));
        WriteFile(target, "old");
        fs::permissions(target, mode, fs::perm_options::replace);
        std::string error;
        ASSERT_TRUE(WriteFileAtomically(target, "new", &error)) << error;
        EXPECT_EQ(ReadFile(target), "new");
        EXPECT_EQ(Permissions(target), mode);
        fs::remove(target);
    }
    // A new file gets what the user's umask allows.
    for (const mode_t mask : {mode_t(022), mode_t(077)}) {
        const mode_t before = ::umask(mask);
        std::string error;
        const bool saved = WriteFileAtomically(target, "new", &error);
        ::umask(before);
        ASSERT_TRUE(saved) << error;
        EXPECT_EQ(Permissions(target), fs::perms(0666 & ~mask));
        fs::remove(target);
    }
#endif
}

#ifndef _WIN32

// Every kind of file the program saves, saved with the file size limited to
// 100 bytes so that the write fails part-way: the save says it failed, the
// old file is whole and nothing else is left in the folder. A save written in
// place, without a temporary file and a rename, would leave the old file cut.
TEST(Files, ASaveThatFailsPartWayLeavesTheOldFileWhole)
{
    const std::string old(3000, 'o');
    ClipFolder clips;
    const std::string clip = clips.Make("clip.wav", 5000);
    const auto saveShows = [](const controller& model, ShowState shows, const fs::path& folder) {
        std::vector<FileEvent> events;
        const ProjectPaths paths{U8Text(folder.parent_path()), U8Text(folder) + "/", {}};
        return !SaveAllShows(paths, model, shows, events) && events.back().step == FileEvent::Step::SaveFailed &&
               events.back().problem.detail == "File too large";
    };
    struct Case {
        const char* file;
        std::function<bool(const fs::path& folder)> save; // true when the save said it failed
    };
    const std::vector<Case> cases = {
        {"000.LIB",
         [&](const fs::path& folder) {
             Harness h;
             h.Identify();
             h.session.library().TakeFiles({clip});
             std::string problem;
             return !h.session.library().SaveLibraryTo(folder, &problem).ok() &&
                    problem.find("not saved: File too large") != std::string::npos;
         }},
        {"001.K5S",
         [&](const fs::path& folder) {
             ShowState shows;
             shows.ShowCount = 1;
             shows.ShowTable[1].Length = 2000;
             shows.ShowData[1] = std::string(2000, 'n');
             return saveShows(k5(), shows, folder);
         }},
        {"000.CFG",
         [&](const fs::path& folder) {
             ShowState shows;
             shows.TocImage = std::string(304, 'n');
             return saveShows(r2(), shows, folder);
         }},
        {"2026-06-12 17.07.09 logfile.rtf",
         [&](const fs::path& folder) {
             LogModel log;
             log.Open("06/12/2026", "17:07:09");
             for (int i = 0; i < 20; ++i)
                 log.LogDebug("line " + std::to_string(i), 0, LogBaseline);
             return !SaveLog(log, {folder.parent_path(), {}}, {2026, 6, 12, 17, 7, 9}).ok && log.Lines().size() == 21;
         }},
        {"a file",
         [&](const fs::path& folder) {
             return !WriteFileAtomically(folder / "a file", std::string(5000, 'n'), nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempFolder temp;
        // Saved logs go into "logs"; the other files into the project folder.
        const fs::path folder = temp.path / "logs";
        fs::create_directory(folder);
        WriteFile(folder / c.file, old);
        const std::string said = InChild([&] { return c.save(folder) ? "failed" : "saved"; }, 100);
        EXPECT_EQ(said, "failed");
        EXPECT_EQ(FolderContents(folder), (Files{{c.file, old}}));
    }
}

// Whatever sits where a project file, a show file or a clip is looked for, only
// a regular file is read: a named pipe does not hang the program, a link to a
// device does not fill its memory, and each says what it is.
TEST(Files, EveryReaderRefusesWhatIsNotARegularFile)
{
    struct Special {
        const char* reason;
        std::function<void(const fs::path&)> make;
    };
    const std::vector<Special> specials = {
        {"not a file but a named pipe", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0644), 0); }},
        {"not a file but a device", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        {"not a file but a folder", [](const fs::path& at) { fs::create_directory(at); }},
    };
    struct Reader {
        const char* file;
        // What the program said about the file at `folder / file`.
        std::function<std::string(const fs::path& folder)> read;
    };
    auto opened = [](const std::string& model, const fs::path& folder, std::int32_t length) {
        ShowState shows;
        shows.ShowTable[1].Length = length;
        ProjectPaths paths;
        std::vector<FileEvent> events;
        OpenExistingShows(paths, *MakeController(model), shows, U8Text(folder), events);
        std::string said;
        for (const FileEvent& event : events)
            said += FileEventText(event) + "\n";
        return said;
    };
    ClipFolder clips;
    const std::vector<Reader> readers = {
        {"000.CFG", [&](const fs::path& folder) { return opened("R2", folder, 0); }},
        {"001.K5S", [&](const fs::path& folder) { return opened("K5", folder, 0); }},
        {"001.R2S", [&](const fs::path& folder) { return opened("T7", folder, 10); }},
        {"added.wav",
         [&](const fs::path& folder) {
             Harness h;
             h.Identify();
             h.dialogs.files.push_back({U8Text(folder / "added.wav")});
             h.session.commands().Click(control::BtnAddClip);
             return h.dialogs.Texts("message").empty() ? std::string() : h.dialogs.Texts("message").back();
         }},
        {"saved.wav",
         [&](const fs::path& folder) {
             // Added as a sound file, then replaced before the library is saved.
             fs::remove(clips.path / "saved.wav");
             const std::string clip = clips.Make("saved.wav", 100);
             Harness h;
             h.Identify();
             h.session.library().TakeFiles({clip});
             fs::remove(clip);
             fs::rename(folder / "saved.wav", clip);
             std::string problem;
             h.session.library().SaveLibraryTo(folder, &problem);
             return problem;
         }},
    };
    for (const Reader& reader : readers) {
        for (const Special& special : specials) {
            SCOPED_TRACE(std::string(reader.file) + ": " + special.reason);
            TempFolder temp;
            special.make(temp.path / reader.file);
            const std::string said = InChild([&] { return reader.read(temp.path); });
            EXPECT_NE(said.find(special.reason), std::string::npos) << said;
            EXPECT_NE(said.find(reader.file), std::string::npos) << said;
        }
    }
}
#endif

// The readers' helpers, and a file longer than its format may hold.
TEST(Files, AFileLongerThanItsFormatHoldsIsRefused)
{
    TempFolder temp;
    WriteFile(temp.path / "long", std::string(305, 'x'));
    std::string error;
    EXPECT_FALSE(ReadWholeFile(temp.path / "long", 304, &error));
    EXPECT_EQ(error, "holds 305 bytes, more than 304");
    EXPECT_EQ(ReadWholeFile(temp.path / "long", 305, &error), std::string(305, 'x'));
    bool longer = false;
    EXPECT_EQ(ReadFileStart(temp.path / "long", 10, &longer, &error), std::string(10, 'x'));
    EXPECT_TRUE(longer);
    EXPECT_EQ(ReadFileStart(temp.path / "long", 305, &longer, &error)->size(), 305u);
    EXPECT_FALSE(longer);
}

} // namespace
} // namespace marrowick::testing
