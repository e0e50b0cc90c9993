// Project folders on disk: the show files of each layout and 000.CFG as they
// are saved and opened, with what each step did to each file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "projects/ProjectFiles.h"
#include "support/Harness.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;
using Step = FileEvent::Step;

void SetShow(ShowState& shows, int index, std::int32_t start, std::int32_t length, int clip)
{
    ShowEntry& e = shows.ShowTable[static_cast<std::size_t>(index)];
    e.Start = start;
    e.Length = length;
    for (int k = 0; k < 4; ++k) {
        e.RawStartLength[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(start >> (8 * k));
        e.RawStartLength[static_cast<std::size_t>(k) + 4] = static_cast<std::uint8_t>(length >> (8 * k));
    }
    e.ClipNumber = static_cast<std::uint8_t>(clip);
    e.Volume = 60;
    e.PreShowDelay = 5;
    e.PostShowDelay = 6;
    e.Configuration = 0x81;
    shows.ShowData[static_cast<std::size_t>(index)] = std::string(static_cast<std::size_t>(length), char('A' + index));
}

std::string R2Image()
{
    std::string image(304, '\0');
    image.replace(16, 16, Bytes({0x10, 0x27, 0, 0, 4, 0, 0, 0, 120, 50, 100, 99, 0xEE, 1, 2, 3}));
    image.replace(32, 16, Bytes({0x14, 0x27, 0, 0, 3, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF}));
    image[160] = 2;
    image[161] = 5; // ambient, normally open, lockout
    image[166] = 2;
    image[167] = 7;
    for (std::size_t k = 175; k < 303; ++k)
        image[k] = static_cast<char>('a' + k % 26);
    return image;
}

ProjectPaths Into(const fs::path& folder)
{
    return {U8Text(folder.parent_path()), U8Text(folder) + static_cast<char>(fs::path::preferred_separator), {}};
}

// The steps `events` took, "Saved 001.K5S", in order.
std::vector<std::string> Steps(const std::vector<FileEvent>& events)
{
    const char* names[] = {"Saved", "SaveFailed", "Opened", "OpenFailed", "Missing", "Removed"};
    std::vector<std::string> steps;
    steps.reserve(events.size());
    for (const FileEvent& e : events)
        steps.push_back(std::string(names[static_cast<int>(e.step)]) + " " + U8Text(U8Path(e.path).filename()));
    return steps;
}

struct Opened {
    Result result;
    ShowState shows;
    std::vector<FileEvent> events;
};

Opened Open(const std::string& model, const fs::path& folder, ShowState shows = {})
{
    ProjectPaths paths;
    Opened opened;
    opened.shows = std::move(shows);
    opened.result = OpenExistingShows(paths, *MakeController(model), opened.shows, U8Text(folder), opened.events);
    return opened;
}

} // namespace

// A K5 project holds one file per show that exists: its 16-byte entry, Start and
// Length as held, then the data. What the folder held beyond the shows saved is
// removed; a file that cannot be written stops neither the others nor the save.
TEST(ProjectFiles, K5ShowsAreSavedOneFileEachAndTheFolderHoldsNothingElse)
{
    TempFolder temp;
    const fs::path demo = temp.path / u8"Geisterbahn Süd 幽霊";
    fs::create_directory(demo);
    for (const char* stale : {"000.K5S", "004.k5s", "005.K5S"})
        WriteFile(demo / stale, "stale");
    WriteFile(demo / "000.LIB", "library");
    ShowState shows;
    shows.ShowCount = 3;
    SetShow(shows, 0, 1, 9, 1); // no ambient mode: show 0 does not exist
    SetShow(shows, 1, 0x1000, 300, 150);
    SetShow(shows, 2, 0x112C, 0, 2);
    SetShow(shows, 3, 0x112C, 40000, 3);
    shows.ShowTable[1].RawStartLength[0] = 0x99; // written as held, not from Start
    std::vector<FileEvent> events;
    ASSERT_TRUE(SaveAllShows(Into(demo), k5(), shows, events));
    const std::map<std::string, std::string> saved = {
        {"000.LIB", "library"},
        {"001.K5S",
         Bytes({0x99, 0x10, 0, 0, 0x2C, 1, 0, 0, 150, 60, 5, 6, 0x81, 0xFF, 0xFF, 0xFF}) + std::string(300, 'B')},
        {"002.K5S", Bytes({0x2C, 0x11, 0, 0, 0, 0, 0, 0, 2, 60, 5, 6, 0x81, 0xFF, 0xFF, 0xFF})},
        {"003.K5S",
         Bytes({0x2C, 0x11, 0, 0, 0x40, 0x9C, 0, 0, 3, 60, 5, 6, 0x81, 0xFF, 0xFF, 0xFF}) + std::string(40000, 'D')}};
    EXPECT_EQ(FolderContents(demo), saved);
    const auto steps = Steps(events);
    EXPECT_EQ(std::count_if(steps.begin(), steps.end(), [](const auto& s) { return s.rfind("Removed", 0) == 0; }), 3);

    // A folder where a file belongs: named, the others saved, nothing removed.
    fs::remove(demo / "002.K5S");
    fs::create_directory(demo / "002.K5S");
    WriteFile(demo / "007.K5S", "stale");
    events.clear();
    EXPECT_FALSE(SaveAllShows(Into(demo), k5(), shows, events));
    EXPECT_EQ(Steps(events), (std::vector<std::string>{"Saved 001.K5S", "SaveFailed 002.K5S", "Saved 003.K5S"}));
    EXPECT_EQ(events[1].problem.reason, Reason::SystemError);
    EXPECT_NE(events[1].problem.detail, "");
    EXPECT_TRUE(fs::exists(demo / "007.K5S"));
}

// R2, Lumen and T7 shows are the data alone, in ".R2S" files; R2 and Lumen add
// 000.CFG, the table image byte for byte, and without one that file is refused.
TEST(ProjectFiles, R2LayoutShowsAreDataAloneBesideTheConfiguration)
{
    for (const char* model : {"R2", "L+", "T7"}) {
        SCOPED_TRACE(model);
        TempFolder temp;
        ShowState shows;
        shows.ShowCount = 2;
        shows.AmbientMode = true;
        shows.TocImage = R2Image();
        SetShow(shows, 0, 0, 7, 1);
        SetShow(shows, 1, 7, 40000, 1);
        SetShow(shows, 2, 40007, 0, 1);
        std::vector<FileEvent> events;
        ASSERT_TRUE(SaveAllShows(Into(temp.path), *MakeController(model), shows, events));
        EXPECT_EQ(ReadFile(temp.path / "000.R2S"), std::string(7, 'A'));
        EXPECT_EQ(ReadFile(temp.path / "001.R2S"), std::string(40000, 'B'));
        EXPECT_EQ(fs::file_size(temp.path / "002.R2S"), 0U);
        EXPECT_EQ(fs::exists(temp.path / "000.CFG"), std::string(model) != "T7");
        if (fs::exists(temp.path / "000.CFG")) {
            EXPECT_EQ(ReadFile(temp.path / "000.CFG"), R2Image());
        }
    }
    TempFolder temp;
    ShowState shows;
    shows.ShowCount = 1;
    SetShow(shows, 1, 0, 3, 1);
    std::vector<FileEvent> events;
    EXPECT_FALSE(SaveAllShows(Into(temp.path), r2(), shows, events));
    EXPECT_EQ(Steps(events), (std::vector<std::string>{"Saved 001.R2S", "SaveFailed 000.CFG"}));
    EXPECT_EQ(events.back().problem.reason, Reason::NoTableImage);
}

// Opening a K5 folder finds files in any letter case, counts the numbered
// shows it found, takes no more of a file than its entry's length, keeps a
// file's values above 99, and names what cannot be written whole.
TEST(ProjectFiles, OpeningAK5FolderTakesWhatIsThereAndNamesWhatIsNot)
{
    TempFolder temp;
    const std::string header20 = Bytes({0, 0, 0, 0, 20, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF});
    WriteFile(temp.path / "000.k5s", Bytes({0, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF}) + "zz");
    WriteFile(temp.path / "001.K5S",
              Bytes({0x10, 0x27, 0, 0, 3, 0, 0, 0, 150, 200, 3, 4, 255, 0xFF, 0xFF, 0xFF}) + "abcdef");
    WriteFile(temp.path / "003.K5s", header20 + "0123456789");
    WriteFile(temp.path / "004.K5S", Bytes({1, 2, 3}));
    // A length no controller holds is not read, however long the file.
    WriteFile(temp.path / "005.K5S", Bytes({0, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF}));
    ShowState held;
    held.ShowData[2] = "left over";
    held.ShowTable[2].Length = 9;
    const Opened o = Open("K5", temp.path, held);
    ASSERT_TRUE(o.result.ok());
    EXPECT_TRUE(o.shows.AmbientMode);
    EXPECT_EQ(o.shows.ShowCount, 2);
    EXPECT_EQ(o.shows.source, ShowSource::K5Project);
    EXPECT_EQ(o.shows.ShowData[0], "zz");
    EXPECT_EQ(o.shows.ShowData[1], "abc");
    EXPECT_EQ(o.shows.ShowData[2], "");
    EXPECT_EQ(o.shows.ShowTable[2].Length, 9);
    EXPECT_EQ(o.shows.ShowData[3], "0123456789");
    EXPECT_EQ(o.shows.ShowTable[1].Start, 10000);
    EXPECT_EQ(o.shows.ShowTable[1].ClipNumber, 150);
    EXPECT_EQ(Steps(o.events),
              (std::vector<std::string>{"Opened 000.k5s", "Opened 001.K5S", "Missing 002.K5S", "Opened 003.K5s",
                                        "OpenFailed 004.K5S", "OpenFailed 005.K5S", "Missing 006.K5S",
                                        "Missing 007.K5S", "Missing 008.K5S", "Missing 009.K5S"}));
    EXPECT_TRUE(o.events[1].longer);
    EXPECT_EQ(o.events[3].got, 10U);
    EXPECT_EQ(o.events[4].problem.reason, Reason::FileSize);
    EXPECT_EQ(o.events[5].problem.reason, Reason::TooLong);
    // Show 3 is there but show 2 is not: its stale entry would go out among the shows.
    const auto shortfalls = IncompleteShows(o.shows);
    ASSERT_EQ(shortfalls.size(), 1U);
    EXPECT_EQ(shortfalls[0].show, 2);
    EXPECT_FALSE(shortfalls[0].unopened->exists);
}

// An R2 folder takes 000.CFG as the table and each show's data as far as its
// length goes; the image keeps every byte, so a save gives it back unchanged.
// A 000.CFG that cannot be used is refused and changes nothing.
TEST(ProjectFiles, OpeningAnR2FolderTakesTheConfigurationWholeOrNotAtAll)
{
    TempFolder temp;
    WriteFile(temp.path / "000.cfg", R2Image());
    WriteFile(temp.path / "000.R2S", "");
    WriteFile(temp.path / "001.r2s", "12345678");
    WriteFile(temp.path / "002.R2S", "xy");
    Opened o = Open("R2", temp.path);
    ASSERT_TRUE(o.result.ok());
    EXPECT_EQ(o.shows.TocImage, R2Image());
    EXPECT_EQ(o.shows.ShowCount, 2);
    EXPECT_TRUE(o.shows.AmbientMode);
    EXPECT_EQ(o.shows.LockOut, 1);
    EXPECT_EQ(o.shows.source, ShowSource::ConfigFile);
    EXPECT_EQ(o.shows.ShowTable[1].ClipNumber, 0) << "above 99 taken as 0";
    EXPECT_EQ(o.shows.ShowData[1], "1234");
    EXPECT_TRUE(o.events[2].longer);
    ASSERT_EQ(IncompleteShows(o.shows).size(), 1U) << "show 2 has 2 of 3 bytes";
    TempFolder again;
    std::vector<FileEvent> events;
    SaveAllShows(Into(again.path), r2(), o.shows, events);
    EXPECT_EQ(ReadFile(again.path / "000.CFG"), R2Image());

    std::string tooMany = R2Image();
    tooMany[160] = static_cast<char>(200);
    std::string negative = R2Image();
    negative.replace(32 + 4, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    std::string tooLong = R2Image();
    tooLong.replace(32 + 4, 4, Bytes({0xF0, 0xFF, 0xFF, 0x7F}));
    std::string negativeUnused = R2Image(); // show 5 is not one of the two shows
    negativeUnused.replace(80 + 4, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    const std::pair<std::string, Reason> images[] = {
        {std::string(303, '\0'), Reason::FileSize},
        {std::string(305, '\0'), Reason::SystemError},
        {tooMany, Reason::TooManyShows},
        {negative, Reason::NegativeLength},
        {tooLong, Reason::TooLong},
        {negativeUnused, Reason::None},
    };
    for (const auto& [image, reason] : images) {
        WriteFile(temp.path / "000.cfg", image);
        const Opened refused = Open("L+", temp.path, o.shows);
        EXPECT_EQ(refused.result.reason, reason);
        if (reason != Reason::None) {
            EXPECT_EQ(refused.shows.TocImage, R2Image()) << "nothing changed";
        }
    }
    fs::remove(temp.path / "000.cfg");
    const Opened missing = Open("R2", temp.path, o.shows);
    EXPECT_EQ(missing.shows.ShowCount, 0);
    EXPECT_EQ(Steps(missing.events).front(), "Missing 000.CFG");
}

} // namespace marrowick::testing
