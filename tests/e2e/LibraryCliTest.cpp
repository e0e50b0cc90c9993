#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "e2e/SimProcess.h"

using namespace marrowick::e2e;
namespace fs = std::filesystem;

namespace {

class ClipFiles {
public:
    ClipFiles()
    {
        std::random_device random;
        root = fs::temp_directory_path() / ("marrowick-e2e-lib-" + std::to_string(random()));
        fs::create_directories(root);
    }
    ~ClipFiles()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string Make(const std::string& name, std::size_t size)
    {
        std::mt19937 random(static_cast<unsigned>(size));
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        const fs::path path = root / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path root;
};

TEST(LibraryEndToEnd, TheControllerStoresExactly000Lib)
{
    ClipFiles files;
    const std::string a = files.Make("a.wav", 1000);
    const std::string b = files.Make("b.mp3", 9000);
    const std::string c = files.Make("c.MP3", 4100);
    const fs::path dump = files.root / "dump";
    SimProcess sim({"--model", "R2", "--dump", dump.string(), "--error-packet", "3"});
    ASSERT_FALSE(sim.path().empty());

    const RunResult sent = RunCli({"send-clips", "--port", sim.path(), a, b, c});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, "Loading Audio Clips into Computer Memory\nTransmitting Audio clips to R2\n"
                        "Audio Library Transmission Complete\n");
    EXPECT_NE(sent.err.find("100%  14100 of 14100 bytes"), std::string::npos) << sent.err;
    sim.Stop();

    const fs::path project = files.root / "new" / "project";
    const RunResult saved = RunCli({"save-library", "--model", "R2", "--project", project.string(), a, b, c});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_NE(saved.out.find("Library File saved to:" + (project / "000.LIB").string()), std::string::npos);
    EXPECT_NE(saved.out.find("3     0x22728   4100      " + c), std::string::npos) << saved.out;

    const std::string library = ClipFiles::Read(project / "000.LIB");
    ASSERT_EQ(library.size(), 24U + 14100U);
    EXPECT_EQ(ClipFiles::Read(dump / "library.bin"), library);
    EXPECT_NE(ClipFiles::Read(dump / "summary.txt").find("library_complete 1"), std::string::npos);
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
    const std::string project = (files.root / "p").string();
    const std::string small = files.Make("small.wav", 10);

    fs::resize_file(files.Make("huge.wav", 0), 4063225);
    const RunResult tooLarge =
        RunCli({"save-library", "--model", "K5", "--project", project, (files.root / "huge.wav").string()});
    EXPECT_EQ(tooLarge.status, 1);
    EXPECT_EQ(tooLarge.err, "File Too Large\n");
    EXPECT_FALSE(fs::exists(project + "/000.LIB"));

    const std::string gone = (files.root / "gone.wav").string();
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
