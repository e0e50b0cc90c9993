#include <gtest/gtest.h>

#include "base/Files.h"
#include "base/Texts.h"
#include "conversations/ShowTestSupport.h"
#include "features/ProjectFiles.h"
#include "features/ShowsFeature.h"
#include "projects/ShowFiles.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::testing;
namespace fs = std::filesystem;

namespace {

const std::string Sep(1, static_cast<char>(fs::path::preferred_separator));

struct FileHarness : Harness {
    explicit FileHarness(const std::string& model)
    {
        session.identity.CurrentController = MakeController(model);
        session.SetState(StateIdle); // as after the identification
    }
    ShowState& Shows() { return session.shows().State(); }
    // "Save Shows" into a new project `name` below `parent`.
    void SaveAs(const TempFolder& parent, const std::string& name)
    {
        dialogs.folders.push_back(parent.Str());
        dialogs.prompts.push_back(name);
        session.Click(control::btnSaveShows);
    }
    void Open(const fs::path& folder)
    {
        dialogs.folders.push_back(folder.string());
        session.Click(control::btnOpenShows);
    }
    bool Logged(const std::string& text) const
    {
        for (const auto& line : session.log.Lines())
            if (line.text.find(text) != std::string::npos)
                return true;
        return false;
    }
    bool StatusSaid(const std::string& text)
    {
        for (const auto& said : view.statusHistory[1])
            if (said == text)
                return true;
        return false;
    }
};

void SetShow(ShowState& shows, int index, std::int32_t start, std::int32_t length, int clip)
{
    ShowEntry& e = shows.ShowTable[static_cast<std::size_t>(index)];
    e.Start = start;
    e.Length = length;
    for (int k = 0; k < 4; ++k) {
        e.RawStartLength[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(start >> (8 * k));
        e.RawStartLength[static_cast<std::size_t>(k + 4)] = static_cast<std::uint8_t>(length >> (8 * k));
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
    const std::string block1 = Bytes({0x10, 0x27, 0, 0, 4, 0, 0, 0, 120, 50, 100, 99, 0xEE, 1, 2, 3});
    image.replace(16, 16, block1);
    const std::string block2 = Bytes({0x14, 0x27, 0, 0, 3, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF});
    image.replace(32, 16, block2);
    image[160] = 2;
    image[161] = 5; // ambient, normally open, lockout
    image[166] = 2;
    image[167] = 7;
    for (std::size_t k = 175; k < 303; ++k)
        image[k] = static_cast<char>('a' + k % 26);
    return image;
}

} // namespace

TEST(ShowFile, K5ProjectHoldsOneEntryAndDataFilePerShow)
{
    TempFolder temp;
    FileHarness h("K5");
    ShowState& shows = h.Shows();
    shows.ShowCount = 3;
    SetShow(shows, 0, 1, 9, 1); // no ambient: not saved
    SetShow(shows, 1, 0x1000, 300, 150);
    SetShow(shows, 2, 0x112C, 0, 2);
    SetShow(shows, 3, 0x112C, 40000, 3);
    shows.ShowTable[1].RawStartLength[0] = 0x99; // written as held, not from Start
    h.SaveAs(temp, "Demo");

    const fs::path demo = temp.path / "Demo";
    EXPECT_EQ(h.dialogs.Texts("message"), std::vector<std::string>{"Project Folder: Demo Created\r\n"});
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(demo))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"001.K5S", "002.K5S", "003.K5S"}));
    EXPECT_EQ(ReadFile(demo / "001.K5S"),
              Bytes({0x99, 0x10, 0, 0, 0x2C, 1, 0, 0, 150, 60, 5, 6, 0x81, 0xFF, 0xFF, 0xFF}) + std::string(300, 'B'));
    EXPECT_EQ(ReadFile(demo / "002.K5S"), Bytes({0x2C, 0x11, 0, 0, 0, 0, 0, 0, 2, 60, 5, 6, 0x81, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ReadFile(demo / "003.K5S").size(), 16U + 40000U);
    EXPECT_EQ(h.view.status[1], "Show Saved as: " + Sep + "Demo" + Sep + "003.K5S");

    // A file that cannot be written is named where the user looks, after the
    // others were saved, and a message box lists it.
    fs::remove(demo / "002.K5S");
    fs::create_directory(demo / "002.K5S");
    fs::remove(demo / "003.K5S");
    h.dialogs.shown.clear();
    EXPECT_FALSE(SaveAllShows(h.session.features(), shows));
    EXPECT_TRUE(fs::exists(demo / "003.K5S"));
    const std::string failed = h.view.status[1];
    EXPECT_EQ(failed.rfind("Show Save Failed: " + Sep + "Demo" + Sep + "002.K5S: ", 0), 0U) << failed;
    EXPECT_GT(failed.size(), std::string("Show Save Failed: /Demo/002.K5S: ").size()) << "the reason follows";
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    EXPECT_EQ(h.dialogs.shown.back().text,
              "These files were not saved:\r\n" + failed.substr(std::string("Show Save Failed: ").size()));
    EXPECT_EQ(h.dialogs.shown.back().icon, DialogIcon::Critical);
}

TEST(ShowFile, R2AndLumenProjectsAddTheConfigurationFile)
{
    for (const std::string model : {"R2", "L+", "T7"}) {
        TempFolder temp;
        FileHarness h(model);
        ShowState& shows = h.Shows();
        shows.ShowCount = 2;
        shows.AmbientMode = true;
        shows.TocImage = R2Image();
        SetShow(shows, 0, 0, 7, 1);
        SetShow(shows, 1, 7, 40000, 1);
        SetShow(shows, 2, 40007, 0, 1);
        h.SaveAs(temp, "P");
        const fs::path p = temp.path / "P";
        EXPECT_EQ(ReadFile(p / "000.R2S"), std::string(7, 'A')) << model;
        EXPECT_EQ(ReadFile(p / "001.R2S"), std::string(40000, 'B')) << model;
        EXPECT_TRUE(fs::exists(p / "002.R2S")) << model;
        EXPECT_EQ(fs::file_size(p / "002.R2S"), 0U) << model;
        if (model == "T7") {
            EXPECT_FALSE(fs::exists(p / "000.CFG"));
        } else {
            EXPECT_EQ(ReadFile(p / "000.CFG"), R2Image()) << model;
            EXPECT_EQ(h.view.status[1], "cfg Saved as: " + Sep + "P" + Sep + "000.CFG");
        }
    }

    // Without a table image, 000.CFG is not written and the status says why.
    TempFolder temp;
    FileHarness h("R2");
    h.Shows().ShowCount = 1;
    SetShow(h.Shows(), 1, 0, 3, 1);
    h.SaveAs(temp, "NoImage");
    EXPECT_TRUE(fs::exists(temp.path / "NoImage" / "001.R2S"));
    EXPECT_FALSE(fs::exists(temp.path / "NoImage" / "000.CFG"));
    const std::string noImage =
        "cfg Save Failed: " + Sep + "NoImage" + Sep + "000.CFG: no table image of 304 bytes to save";
    EXPECT_EQ(h.view.status[1], noImage);
    EXPECT_EQ(h.dialogs.Texts("message").back(), "These files were not saved:\r\n" + Sep + "NoImage" + Sep +
                                                     "000.CFG: no table image of 304 bytes to save");

    // No folder to write into: each file says so, the rest are still tried, and
    // at the end every failure stays in view.
    h.session.paths.ProjectFolder = (temp.path / "gone").string() + Sep;
    h.Shows().TocImage = R2Image();
    EXPECT_FALSE(SaveAllShows(h.session.features(), h.session.shows().State()));
    const std::string gone = Sep + "gone" + Sep;
    // The reason is the system's own words for a missing folder.
    std::string why;
    ASSERT_FALSE(WriteFileAtomically(temp.path / "gone" / "probe", "", &why));
    EXPECT_EQ(h.view.status[1].rfind(
                  "Show Save Failed: " + gone + "001.R2S: " + why + "; cfg Save Failed: " + gone + "000.CFG: ", 0),
              0U)
        << h.view.status[1];
    EXPECT_EQ(h.dialogs.Texts("message").back().rfind(
                  "These files were not saved:\r\n" + gone + "001.R2S: " + why + "\r\n" + gone + "000.CFG: ", 0),
              0U)
        << h.dialogs.Texts("message").back();
}

TEST(ShowFile, OpeningAK5FolderFindsAnyLetterCaseAndCountsNumberedShows)
{
    TempFolder temp;
    const fs::path folder = temp.path / "K5Proj";
    fs::create_directory(folder);
    WriteFile(folder / "000.k5s", Bytes({0, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF}) + "zz");
    WriteFile(folder / "001.K5S",
              Bytes({0x10, 0x27, 0, 0, 3, 0, 0, 0, 150, 200, 3, 4, 255, 0xFF, 0xFF, 0xFF}) + "abcdef");
    WriteFile(folder / "003.K5s", Bytes({0, 0, 0, 0, 20, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF}) + "0123456789");
    WriteFile(folder / "004.K5S", Bytes({1, 2, 3})); // not a show file

    FileHarness h("K5");
    h.Shows().ShowData[2] = "left over";
    h.Shows().ShowTable[2].Length = 9;
    h.Open(folder);
    const ShowState& shows = h.Shows();
    EXPECT_TRUE(shows.AmbientMode);
    EXPECT_EQ(shows.ShowCount, 2);
    EXPECT_EQ(shows.ShowData[0], "zz");
    EXPECT_EQ(shows.ShowData[1], "abc"); // bytes beyond the length are not the show's
    EXPECT_EQ(shows.ShowData[2], "");    // emptied, although its file is missing
    EXPECT_EQ(shows.ShowTable[2].Length, 9);
    EXPECT_EQ(shows.ShowData[3], "0123456789");
    EXPECT_EQ(shows.ShowTable[1].Start, 10000);
    EXPECT_EQ(shows.ShowTable[1].ClipNumber, 150); // a show file's values are kept as they are
    const auto& rows = h.view.rows["ListShows"];
    ASSERT_EQ(rows.size(), 10U);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Show 1", "10000", "3", "150", "200", "3", "4", "255"}));
    EXPECT_EQ(h.view.captions["lblShowCount"], "2");
    EXPECT_EQ(h.view.captions["lblAmbient"], "Yes");
    EXPECT_TRUE(h.Logged("Show 2 File Not Found."));
    EXPECT_TRUE(h.StatusSaid("Show Opened: " + Sep + "003.K5s (only 10 of 20 bytes)"));
    EXPECT_TRUE(
        h.StatusSaid("Show Opened: " + Sep + "001.K5S (longer than its 3 bytes of show data; the rest ignored)"));
    EXPECT_TRUE(h.StatusSaid("Show Open Failed: " + Sep + "004.K5S holds only 3 bytes"));
    // Show 3's file is there but show 2's is not: the stale entry of show 2
    // would go out among the shows, so the status says so.
    EXPECT_EQ(h.view.status[1], text::ShowsLoaded(2) + "; show 2: 002.K5S is missing");
    EXPECT_EQ(h.session.paths.BrowseFolder, folder.string());
}

TEST(ShowFile, OpeningNamesTheShowsThatCannotBeWrittenWhole)
{
    struct Case {
        std::string model;
        std::map<std::string, std::string> files;
        std::string status;
    };
    const std::string k5Header = Bytes({0, 0, 0, 0, 20, 0, 0, 0, 1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF});
    std::string config(304, '\0');
    for (int show = 1; show <= 3; ++show)
        config[static_cast<std::size_t>(16 * show + 4)] = static_cast<char>(show == 2 ? 0x88 : 10);
    config[16 * 2 + 5] = 0x13; // show 2: 5000 bytes
    config[160] = 3;
    const Case cases[] = {
        {"R2",
         {{"000.CFG", config},
          {"001.R2S", std::string(10, 'a')},
          {"002.R2S", std::string(100, 'b')},
          {"003.R2S", std::string(10, 'c')}},
         text::ShowsLoaded(3) + "; show 2 has 100 of 5000 bytes"},
        {"L+",
         {{"000.CFG", config}, {"001.R2S", std::string(10, 'a')}, {"003.R2S", std::string(9, 'c')}},
         text::ShowsLoaded(3) + "; show 2 has 0 of 5000 bytes; show 3 has 9 of 10 bytes"},
        {"K5",
         {{"001.K5S", k5Header + std::string(20, 'a')},
          {"002.K5S", Bytes({1, 2, 3})},
          {"003.K5S", k5Header + std::string(20, 'c')}},
         text::ShowsLoaded(2) + "; show 2: 002.K5S could not be read"},
        {"K5",
         {{"001.K5S", k5Header + std::string(20, 'a')}, {"002.K5S", k5Header + "short"}},
         text::ShowsLoaded(2) + "; show 2 has 5 of 20 bytes"},
        {"K5",
         {{"001.K5S", k5Header + std::string(20, 'a')}, {"002.K5S", k5Header + std::string(25, 'b')}},
         text::ShowsLoaded(2)},
    };
    for (const Case& c : cases) {
        TempFolder temp;
        for (const auto& [name, bytes] : c.files)
            WriteFile(temp.path / name, bytes);
        FileHarness h(c.model);
        h.Open(temp.path);
        EXPECT_EQ(h.view.status[1], c.status) << c.model;
        EXPECT_EQ(IncompleteShows(h.Shows()).empty(), c.status.find(';') == std::string::npos) << c.model;
    }
}

TEST(ShowFile, OpeningAnR2FolderDecodesTheConfigurationAndKeepsItsBytes)
{
    TempFolder temp;
    const fs::path folder = temp.path / "R2Proj";
    fs::create_directory(folder);
    WriteFile(folder / "000.cfg", R2Image());
    WriteFile(folder / "000.R2S", "");
    WriteFile(folder / "001.r2s", "12345678"); // longer than its length of 4
    WriteFile(folder / "002.R2S", "xyz");

    FileHarness h("R2");
    h.Open(folder);
    const ShowState& shows = h.Shows();
    EXPECT_EQ(shows.TocImage, R2Image());
    EXPECT_EQ(shows.ShowCount, 2);
    EXPECT_TRUE(shows.AmbientMode);
    EXPECT_EQ(shows.LockOut, 1);
    EXPECT_EQ(shows.ShowData[1], "1234");
    EXPECT_EQ(shows.ShowData[2], "xyz");
    EXPECT_EQ(h.view.rows["ListShows"][1],
              (std::vector<std::string>{"Show 1", "10000", "4", "0", "50", "0", "99", "238"}));
    EXPECT_EQ(h.view.captions["lblAmbient"], "Yes");
    EXPECT_EQ(h.view.captions["lblTrigger"], "N.O.");
    EXPECT_EQ(h.view.captions["lblLockOut"], "Yes");
    EXPECT_EQ(h.view.captions["LblTriggerAvalue"], "Stop");
    EXPECT_EQ(h.view.captions["LblTriggerBvalue"], "Show # 5"); // no " Start" after a file
    EXPECT_TRUE(h.StatusSaid("Config Opened: " + Sep + "000.cfg"));
    EXPECT_TRUE(
        h.StatusSaid("Show Opened: " + Sep + "001.r2s (longer than its 4 bytes of show data; the rest ignored)"));
    EXPECT_TRUE(h.StatusSaid("Show Opened: " + Sep + "002.R2S"));
    EXPECT_EQ(h.view.status[1], text::ShowsLoaded(2));

    // Saved again, the values above 99 go back as they came.
    h.SaveAs(temp, "Again");
    EXPECT_EQ(ReadFile(temp.path / "Again" / "000.CFG"), R2Image());
    EXPECT_EQ(ReadFile(temp.path / "Again" / "001.R2S"), "1234");
}

TEST(ShowFile, AnUnusableOrMissingConfigurationAndACancelledChooser)
{
    TempFolder temp;
    const fs::path folder = temp.path / "Bad";
    fs::create_directory(folder);
    WriteFile(folder / "001.R2S", "abc");
    std::string tooMany = R2Image();
    tooMany[160] = static_cast<char>(200);
    std::string negative = R2Image(); // show 2 exists and is -1 bytes long
    negative.replace(32 + 4, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    std::string negativeUnused = R2Image(); // show 5 is not one of the two shows
    negativeUnused.replace(80 + 4, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    const std::pair<std::string, std::string> refused[] = {
        {std::string(303, '\0'), "Config Open Failed: " + Sep + "000.CFG holds 303 bytes, not 304"},
        {std::string(305, '\0'), "Config Open Failed: " + Sep + "000.CFG: holds 305 bytes, more than 304"},
        {tooMany, "Config Open Failed: " + Sep + "000.CFG: the file reports 200 shows; at most 10 can be held"},
        {negative, "Config Open Failed: " + Sep + "000.CFG: show 2 has a negative length (-1)"},
    };

    FileHarness h("L+");
    ShowState& shows = h.Shows();
    for (const auto& [image, status] : refused) {
        WriteFile(folder / "000.CFG", image);
        h.session.paths.BrowseFolder = "before";
        shows.ShowCount = 4;
        shows.ShowData[1] = "kept";
        h.dialogs.shown.clear();
        h.Open(folder);
        EXPECT_EQ(h.view.status[1], status);
        EXPECT_EQ(shows.ShowCount, 4);
        EXPECT_EQ(shows.ShowData[1], "kept");
        EXPECT_TRUE(shows.TocImage.empty());
        EXPECT_EQ(h.session.paths.BrowseFolder, "before");
        EXPECT_EQ(h.view.rows.count("ListShows"), 0U);
        EXPECT_EQ(h.dialogs.Texts("message"), std::vector<std::string>{"Failed"});
        EXPECT_EQ(h.dialogs.shown.back().caption, AppTitle);
    }
    WriteFile(folder / "000.CFG", negativeUnused);
    h.Open(folder);
    EXPECT_EQ(shows.ShowCount, 2);
    EXPECT_EQ(shows.TocImage, negativeUnused);
    WriteFile(folder / "000.CFG", std::string(303, '\0'));

    h.Open(temp.path / "nowhere-else"); // a folder with no 000.CFG at all
    EXPECT_TRUE(h.Logged("Show 0 File Not Found."));
    EXPECT_EQ(shows.ShowCount, 0);
    EXPECT_EQ(h.view.status[1], text::ShowsLoaded(0));

    shows.ShowCount = 3;
    h.session.Click(control::btnOpenShows); // chooser cancelled
    EXPECT_EQ(shows.ShowCount, 3);
    EXPECT_EQ(h.view.status[1], text::ShowsLoaded(0));

    const std::size_t asked = h.dialogs.Texts("folder").size();
    h.session.SetState(StateReadShows);
    h.Open(folder);
    EXPECT_EQ(h.dialogs.Texts("folder").size(), asked); // the busy link refused before asking
}
