#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Files.h"
#include "shows/ShowsFeature.h"
#include "unit/LibraryTestFiles.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

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
        Harness h(SampleControllerState(model));
        h.Identify();
        h.session.shows().State().ShowTable[1].Length = length;
        h.session.shows().OpenShowsFrom(folder.string());
        std::string said;
        for (const auto& text : h.view.statusHistory[1])
            said += text + "\n";
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
             h.dialogs.files.push_back({(folder / "added.wav").string()});
             h.session.Click("BtnAddClip");
             return h.dialogs.Texts("message").empty() ? std::string() : h.dialogs.Texts("message").back();
         }},
        {"saved.wav",
         [&](const fs::path& folder) {
             // Added as a sound file, then replaced before the library is saved.
             fs::remove(clips.path / "saved.wav");
             const std::string clip = clips.Make("saved.wav", 100);
             Harness h;
             h.Identify();
             h.dialogs.files.push_back({clip});
             h.session.Click("BtnAddClip");
             fs::remove(clip);
             fs::rename(folder / "saved.wav", clip);
             h.session.ProjectFolder = folder.string() + "/";
             h.session.Click("btnLibrary");
             return h.session.Status(1);
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

    // The helpers themselves, and a file longer than its format may hold.
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
