#include <gtest/gtest.h>

#include "features/LibraryFeature.h"
#include "library/LibraryImage.h"
#include "support/Helpers.h"

namespace marrowick::testing {
namespace {

struct LibraryFile : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(h.Identify());
        // A name outside ASCII, ending in "/" as Qt's folder dialog gives it on every system.
        std::filesystem::create_directories(folder.path / u8"Geisterbahn Süd");
        project = U8Text(folder.path / u8"Geisterbahn Süd") + "/";
        h.session.paths.ProjectFolder = project;
    }
    void Select(std::vector<std::string> files)
    {
        h.dialogs.files.push_back(std::move(files));
        h.session.commands().Click(control::BtnAddClip);
    }
    std::string Saved() const { return ReadFile(U8Path(project + "000.LIB")); }

    Harness h;
    ClipFolder folder;
    std::string project;
};

TEST_F(LibraryFile, TwoClipsGiveTheirTableThenTheirBytes)
{
    const std::string a = folder.Make("a 幽霊.wav", 1000);
    const std::string b = folder.Make("b.wav", 500);
    Select({a, b});
    EXPECT_EQ(h.view.rows["List1"],
              (std::vector<std::vector<std::string>>{{"1", Shown(a), "1000", "", "Not WAV or MP3"},
                                                     {"2", Shown(b), "500", "", "Not WAV or MP3"}}));
    h.session.commands().Click(control::btnLibrary);
    const std::string expected =
        Bytes("00 02 00 10 00 00 03 E8  00 02 03 F8 00 00 01 F4") + ReadFile(U8Path(a)) + ReadFile(U8Path(b));
    EXPECT_EQ(Saved(), expected);
    EXPECT_EQ(Saved().size(), 1516U);
    EXPECT_EQ(h.view.status[1], "Library File saved to:" + Shown(project + "000.LIB"));
    EXPECT_EQ(h.view.progressMaximum, 1500.0 / 2048);
    EXPECT_EQ(h.view.progressValue, 1500.0 / 2048);
    EXPECT_EQ(LogLinesStarting(h.session, "Start Address: "),
              (std::vector<std::string>{"Start Address: 131088", "Start Address: 132088"}));
    EXPECT_EQ(LogLinesStarting(h.session, "Clip Length: "),
              (std::vector<std::string>{"Clip Length: 1000", "Clip Length: 500"}));
    EXPECT_EQ(h.view.statusHistory[1].end()[-2], "Copying Audio Clips to Library File");

    // Saving again gives the same file; a smaller library then leaves no old bytes.
    h.session.commands().Click(control::btnLibrary);
    EXPECT_EQ(Saved(), expected);
    Select({a});
    h.session.commands().Click(control::btnLibrary);
    EXPECT_EQ(Saved(), Bytes("00 02 00 08 00 00 03 E8") + ReadFile(U8Path(a)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(U8Path(project)), {}), 1) << "only 000.LIB";
}

TEST_F(LibraryFile, NinetyNineClipsHaveATableOf792Bytes)
{
    std::vector<AudioClip> clips;
    for (int i = 0; i < 99; ++i)
        clips.push_back({"x", static_cast<float>(i + 1), {}});
    const auto entries = ClipEntries(clips);
    const std::string table = ClipTable(entries);
    ASSERT_EQ(table.size(), 792U);
    EXPECT_EQ(table.substr(0, 8), Bytes("00 02 03 18 00 00 00 01"));
    // Each start follows the clip before it: 0x20318 + 1 + 2 + ... + 98 for the last.
    EXPECT_EQ(table.substr(784, 8), Bytes("00 02 16 0B 00 00 00 63"));
}

TEST_F(LibraryFile, AClipChangedSinceItWasAddedStopsTheSaveAndKeepsTheOldFile)
{
    const std::string a = folder.Make("a.wav", 1000);
    const std::string b = folder.Make("b.wav", 500);
    Select({a, b});
    h.session.commands().Click(control::btnLibrary);
    const std::string old = Saved();

    folder.Make("b.wav", 501);
    h.session.commands().Click(control::btnLibrary);
    EXPECT_EQ(Saved(), old);
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    const std::string message = h.dialogs.Texts("message")[0];
    EXPECT_NE(message.find(Shown(b)), std::string::npos) << message;
    EXPECT_EQ(h.view.status[1], message);

    std::filesystem::remove(U8Path(a));
    h.session.commands().Click(control::btnLibrary);
    EXPECT_EQ(Saved(), old);
    ASSERT_EQ(h.dialogs.Texts("message").size(), 2U);
    EXPECT_NE(h.dialogs.Texts("message")[1].find(Shown(a)), std::string::npos);
}

TEST_F(LibraryFile, NothingIsWrittenWithoutAProjectAnEmptyLibraryOrABusyLink)
{
    h.session.commands().Click(control::btnLibrary); // empty library: nothing at all
    EXPECT_FALSE(std::filesystem::exists(U8Path(project + "000.LIB")));
    EXPECT_TRUE(h.dialogs.shown.empty());

    Select({folder.Make("a.wav", 10)});
    h.session.stateEngine.SetState(LinkState::StateReadShowRecords);
    h.session.commands().Click(control::btnLibrary);
    EXPECT_FALSE(std::filesystem::exists(U8Path(project + "000.LIB")));
    h.session.stateEngine.SetState(LinkState::StateIdle);

    // No project and the new-project questions cancelled: nothing lands anywhere.
    h.session.paths.ProjectFolder.clear();
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    h.session.commands().Click(control::btnLibrary);
    std::filesystem::current_path(cwd);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "000.LIB"));
    EXPECT_EQ(h.view.status[1], "Library File not saved: no project folder was chosen");
}

} // namespace
} // namespace marrowick::testing
