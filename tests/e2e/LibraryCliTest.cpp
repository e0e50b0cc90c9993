#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "e2e/SimProcess.h"
#include "support/TempFolder.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

// Sound files of random bytes in a folder of their own.
class ClipFiles : public marrowick::testing::TempFolder {
public:
    ClipFiles() : TempFolder("marrowick-e2e-lib") {}
    std::string Make(const std::string& name, std::size_t size) const
    {
        std::mt19937 random(static_cast<unsigned>(size));
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        marrowick::testing::WriteFile(path / name, bytes);
        return (path / name).string();
    }
};

TEST(LibraryEndToEnd, TheControllerStoresExactly000Lib)
{
    ClipFiles files;
    const std::string a = files.Make("a.wav", 1000);
    const std::string b = files.Make("b.mp3", 9000);
    const std::string c = files.Make("c.MP3", 4100);
    const fs::path dump = files.path / "dump";
    SimProcess sim({"--model", "R2", "--dump", dump.string(), "--error-packet", "3"});
    ASSERT_FALSE(sim.path().empty());

    const RunResult sent = RunCli({"send-clips", "--port", sim.path(), a, b, c});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, "Loading Audio Clips into Computer Memory\nTransmitting Audio clips to R2\n"
                        "Audio Library Transmission Complete\n");
    EXPECT_NE(sent.err.find("100%  14100 of 14100 bytes"), std::string::npos) << sent.err;
    sim.Stop();

    const fs::path project = files.path / "new" / "project";
    const RunResult saved = RunCli({"save-library", "--model", "R2", "--project", project.string(), a, b, c});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_NE(saved.out.find("Library File saved to:" + (project / "000.LIB").string()), std::string::npos);
    EXPECT_NE(saved.out.find("3     0x22728   4100      " + c), std::string::npos) << saved.out;

    const std::string library = marrowick::testing::ReadFile(project / "000.LIB");
    ASSERT_EQ(library.size(), 24U + 14100U);
    EXPECT_EQ(marrowick::testing::ReadFile(dump / "library.bin"), library);
    EXPECT_NE(marrowick::testing::ReadFile(dump / "summary.txt").find("library_complete 1"), std::string::npos);
}

TEST(LibraryEndToEnd, TimeoutIsTheAllowanceBeyondAPacketsWireTime)
{
    // At 9600 baud packet 1 alone takes 2.1 s on the line: --timeout 2 leaves the
    // controller two seconds after that to answer, not two seconds in all.
    ClipFiles files;
    const std::string clip = files.Make("clip.wav", 3000);
    SimProcess sim({"--model", "K5", "--pace"});
    ASSERT_FALSE(sim.path().empty());
    const RunResult sent = RunCli({"send-clips", "--port", sim.path(), "--timeout", "2", clip});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out.substr(sent.out.rfind('\n', sent.out.size() - 2) + 1), "Audio Library Transmission Complete\n");
}

TEST(LibraryEndToEnd, AnUnfinishedTransferExitsWithItsReason)
{
    ClipFiles files;
    const std::string big = files.Make("big.mp3", 7000);
    {
        // Version, model and packet 1 are answered, then nothing.
        SimProcess sim({"--model", "K5", "--silence-after", "3"});
        const RunResult result = RunCli({"send-clips", "--port", sim.path(), "--timeout", "0.5", big});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("Audio clip transfer stopped: the controller did not answer packet 2"),
                  std::string::npos)
            << result.err;
    }
    {
        SimProcess sim({"--model", "K5", "--close-after", "3"});
        const RunResult result = RunCli({"send-clips", "--port", sim.path(), big});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("Audio clip transfer stopped: Serial port lost"), std::string::npos) << result.err;
    }
}

TEST(LibraryEndToEnd, SaveLibraryRefusesWhatTheDialogWouldRefuse)
{
    ClipFiles files;
    const std::string project = (files.path / "p").string();
    const std::string small = files.Make("small.wav", 10);

    fs::resize_file(files.Make("huge.wav", 0), 4063225);
    const RunResult tooLarge =
        RunCli({"save-library", "--model", "K5", "--project", project, (files.path / "huge.wav").string()});
    EXPECT_EQ(tooLarge.status, 1);
    EXPECT_EQ(tooLarge.err, "File Too Large\n");
    EXPECT_FALSE(fs::exists(project + "/000.LIB"));

    const std::string gone = (files.path / "gone.wav").string();
    const RunResult missing = RunCli({"save-library", "--model", "K5", "--project", project, small, gone});
    EXPECT_EQ(missing.status, 0) << missing.err;
    EXPECT_NE(missing.err.find(gone), std::string::npos) << missing.err;
    EXPECT_EQ(fs::file_size(project + "/000.LIB"), 18U);

    EXPECT_EQ(RunCli({"save-library", "--model", "K9", "--project", project, small}).status, 2);
    EXPECT_EQ(RunCli({"save-library", "--model", "K5", small}).status, 2);
    EXPECT_EQ(RunCli({"save-library", "--model", "K5", "--project", project}).status, 2);
    EXPECT_EQ(RunCli({"send-clips", "--port", "/dev/null"}).status, 2);
}

} // namespace
