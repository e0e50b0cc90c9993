#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "e2e/SimProcess.h"
#include "support/Helpers.h"
#include "support/SoundFiles.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

using marrowick::testing::ClipFolder;

// The clips' playing time and format, in the table and in --json; a file that
// is neither WAV nor MP3 is warned about on stderr, and saved and sent as it is:
// the controller stores exactly the 000.LIB that save-library writes.
TEST(LibraryEndToEnd, ClipsShowTimeAndFormatAndAFileNeitherWavNorMp3IsWarnedAbout)
{
    ClipFolder files;
    const std::string song =
        files.Write("song.mp3", marrowick::testing::Mp3Bytes({44100, false, std::vector<int>(200, 128), false, 0, 3}));
    const std::string notes = files.Write("notes.mp3", "Notes about the show, not a sound.\n");
    const std::string warning = "Warning: " + notes +
                                ": Its content is neither WAV nor MP3, whatever its name says; the controller may "
                                "not play it\n";
    const std::string library =
        marrowick::testing::ReadFile(files.path / "song.mp3") + marrowick::testing::ReadFile(files.path / "notes.mp3");

    const fs::path project = files.path / "new" / "table";
    const RunResult saved = RunCli({"save-library", "--model", "K5", "--project", project.string(), song, notes});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.err, warning);
    EXPECT_NE(saved.out.find((project / "000.LIB").string()), std::string::npos) << saved.out;
    EXPECT_TRUE(std::regex_search(saved.out,
                                  std::regex("\n1 +0x20010 +83400 +0:05 +MP3 128 kbit/s 44.1 kHz stereo +" + song +
                                             "\n2 +0x345D8 +35 +Not WAV or MP3 +" + notes + "\nPlaying time 0:05\n")))
        << saved.out;
    EXPECT_EQ(marrowick::testing::ReadFile(project / "000.LIB").substr(16), library) << "the bytes as they are";

    const RunResult json =
        RunCli({"save-library", "--model", "K5", "--project", (files.path / "json").string(), "--json", song, notes});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.err, warning);
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonArray clips = document["clips"].toArray();
    ASSERT_EQ(clips.size(), 2) << json.out;
    EXPECT_EQ(clips[0]["format"].toString(), QStringLiteral("MP3 128 kbit/s 44.1 kHz stereo"));
    EXPECT_DOUBLE_EQ(clips[0]["seconds"].toDouble(), 200 * 1152 / 44100.0);
    EXPECT_TRUE(clips[0]["warning"].isNull());
    EXPECT_TRUE(clips[1]["seconds"].isNull());
    EXPECT_EQ(clips[1]["warning"].toString().toStdString() + "\n", warning.substr(warning.find(": Its") + 2));
    EXPECT_EQ(document["time"].toString(), QStringLiteral("0:05"));

    const fs::path dump = files.path / "dump";
    SimProcess sim({"--model", "K5", "--dump", dump.string()});
    ASSERT_FALSE(sim.path().empty());
    const RunResult sent = RunCli({"send-clips", "--port", sim.path(), song, notes});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.err.rfind(warning, 0), 0U) << sent.err;
    sim.Stop();
    EXPECT_EQ(marrowick::testing::ReadFile(dump / "library.bin"), marrowick::testing::ReadFile(project / "000.LIB"));
    EXPECT_NE(marrowick::testing::ReadFile(dump / "summary.txt").find("library_complete 1"), std::string::npos);
}

TEST(LibraryEndToEnd, TimeoutIsTheAllowanceBeyondAPacketsWireTimeAndTheLineSaysWhatIsLeft)
{
    // At 9600 baud packet 1 alone takes 2.1 s on the line: --timeout 2 leaves the
    // controller two seconds after that to answer, not two seconds in all.
    // Four packets of 2040 and 2048 bytes take 8.6 s, long enough for an
    // estimate from the rate measured. The clip is a real WAV file (44 bytes of
    // header and 4070 16-bit samples), so nothing is warned about.
    ClipFolder files;
    const std::string clip = files.Write("clip.wav", marrowick::testing::WavBytes(8000, 1, 16, 4070));
    ASSERT_EQ(fs::file_size(clip), 2040U + 3 * 2048);
    SimProcess sim({"--model", "K5", "--pace"});
    ASSERT_FALSE(sim.path().empty());
    const RunResult sent =
        RunCli({"send-clips", "--port", sim.path(), "--timeout", "2", clip}, 120000, 0, 0, Stderr::Terminal);
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out.substr(sent.out.rfind('\n', sent.out.size() - 2) + 1), "Audio Library Transmission Complete\n");
    // On a terminal, one line that rewrites itself, with the time left once there is a rate.
    EXPECT_EQ(sent.err.rfind("\rSending clips: packet 0 of 4\x1b[K", 0), 0U) << sent.err;
    EXPECT_TRUE(
        std::regex_search(sent.err, std::regex("\rSending clips: packet [23] of 4 \xC2\xB7 [a-z0-9 ]+ left\x1b\\[K")))
        << sent.err;
    EXPECT_EQ(sent.err.find('\n'), sent.err.size() - 1) << sent.err;
}

TEST(LibraryEndToEnd, EveryFileMustBeReadableAndFitOrNothingIsWrittenOrSent)
{
    ClipFolder files;
    const std::string project = (files.path / "p").string();
    const std::string small = files.Make("small.wav", 10);
    const std::string huge = files.MakeSparse("huge.wav", 4063225);
    const std::string gone = (files.path / "gone.wav").string();
    const std::string folder = (files.path / "p").string();
    fs::create_directories(folder);
    const std::string fifo = (files.path / "fifo.mp3").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string empty = files.Make("empty.mp3", 0);
    const std::string alsoEmpty = files.Make("also-empty.mp3", 0);

    struct Case {
        std::vector<std::string> files;
        std::vector<std::string> said; // every line on stderr, in order
    };
    const Case cases[] = {
        {{huge}, {"File Too Large: " + huge + " has 4063225 bytes, 4063224 bytes of audio memory are left"}},
        {{small, gone}, {"Cannot open " + gone + ": No such file or directory"}},
        {{gone, huge, small, folder, fifo},
         {"Cannot open " + gone + ": No such file or directory",
          "File Too Large: " + huge + " has 4063225 bytes, 4063224 bytes of audio memory are left",
          "Cannot open " + folder + ": not a file but a folder",
          "Cannot open " + fifo + ": not a file but a named pipe"}},
        {{empty, alsoEmpty}, {"The sound files given are all empty; "}},
    };
    SimProcess sim({"--model", "K5", "--dump", (files.path / "dump").string()});
    ASSERT_FALSE(sim.path().empty());
    for (const Case& c : cases) {
        std::vector<std::string> save = {"save-library", "--model", "K5", "--project", project};
        std::vector<std::string> send = {"send-clips", "--port", sim.path()};
        save.insert(save.end(), c.files.begin(), c.files.end());
        send.insert(send.end(), c.files.begin(), c.files.end());
        for (const auto& args : {save, send}) {
            SCOPED_TRACE(args.front() + " " + c.said.front());
            const RunResult result = RunCli(args);
            EXPECT_EQ(result.status, 1);
            std::string expected;
            for (const std::string& line : c.said)
                expected += line + (line.back() == ' ' ? "" : "\n");
            EXPECT_EQ(result.err.rfind(expected, 0), 0U) << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), static_cast<long>(c.said.size()))
                << result.err;
            EXPECT_FALSE(fs::exists(project + "/000.LIB"));
        }
    }
    sim.Stop();
    EXPECT_NE(marrowick::testing::ReadFile(files.path / "dump" / "summary.txt").find("requests VMVMVMVM\n"),
              std::string::npos)
        << "identified each time, never sent D";

    EXPECT_EQ(RunCli({"save-library", "--model", "K9", "--project", project, small}).status, 2);
    EXPECT_EQ(RunCli({"save-library", "--model", "K5", small}).status, 2);
    EXPECT_EQ(RunCli({"save-library", "--model", "K5", "--project", project}).status, 2);
    EXPECT_EQ(RunCli({"send-clips", "--port", "/dev/null"}).status, 2);
}

} // namespace
