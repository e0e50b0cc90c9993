#include <gtest/gtest.h>

#include "conversations/ShowTestSupport.h"
#include "features/NewProject.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::testing;
namespace fs = std::filesystem;

namespace {

std::size_t Entries(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(ProjectFolder, CancellingEitherQuestionCreatesNothing)
{
    TempFolder temp;
    Harness h;
    h.session.paths.ProjectFolder = "old";

    EXPECT_FALSE(NewProject(h.session.features())); // folder chooser cancelled
    EXPECT_TRUE(h.dialogs.Texts("prompt").empty());
    EXPECT_EQ(h.session.paths.BrowseFolder, "");

    h.dialogs.folders.push_back(temp.Str() + "/");
    EXPECT_FALSE(NewProject(h.session.features())); // name prompt cancelled
    EXPECT_EQ(h.dialogs.Texts("prompt"), std::vector<std::string>{"Enter Project Name"});
    EXPECT_EQ(h.dialogs.shown.back().caption, "New Project");
    EXPECT_EQ(h.session.paths.BrowseFolder, temp.Str());
    EXPECT_EQ(h.session.paths.ProjectFolder, "old");
    EXPECT_TRUE(h.dialogs.Texts("message").empty());
    EXPECT_EQ(Entries(temp.path), 0U);
}

TEST(ProjectFolder, BadNamesAndExistingFoldersFailWithTheReason)
{
    TempFolder temp;
    fs::create_directory(temp.path / "Taken");
    // An empty name given with OK, and names Windows cannot hold (refused
    // everywhere, so a project moves between computers).
    for (const std::string name :
         {"",        "   ",        "a/b",  "a\\b",     "..",   "a:b",  "what?",    "tab\there", "Taken", "CON",   "prn",
          "Aux.txt", "NUL.tar.gz", "com1", "COM9.cfg", "lpt1", "LPT9", "con .txt", "Demo.",     "Demo ", " Demo "}) {
        Harness h;
        h.session.paths.ProjectFolder = "old";
        h.dialogs.folders.push_back(temp.Str());
        h.dialogs.prompts.push_back(name);
        EXPECT_FALSE(NewProject(h.session.features())) << name;
        ASSERT_EQ(h.dialogs.shown.back().kind, "message") << name;
        EXPECT_EQ(h.dialogs.shown.back().caption, "Project Creation Failed") << name;
        EXPECT_EQ(h.dialogs.shown.back().icon, DialogIcon::Critical) << name;
        EXPECT_EQ(h.dialogs.shown.back().text.rfind("\r\n", 0), 0U) << name;
        EXPECT_GT(h.dialogs.shown.back().text.size(), 2U) << name;
        EXPECT_EQ(h.session.paths.ProjectFolder, "old") << name;
    }
    EXPECT_EQ(Entries(temp.path), 1U);
}

TEST(ProjectFolder, TheNameAsTypedBecomesTheProjectFolder)
{
    // Near the names Windows keeps for devices, but not among them.
    for (const std::string name : {"COM10", "LPT0", "CONSOLE", "NULL.v2", "Auxiliary", "my.con", "  Hall"}) {
        TempFolder temp;
        Harness h;
        h.dialogs.folders.push_back(temp.Str());
        h.dialogs.prompts.push_back(name);
        EXPECT_TRUE(NewProject(h.session.features())) << name;
        EXPECT_TRUE(fs::is_directory(temp.path / name)) << name;
    }

    TempFolder temp;
    Harness h;
    h.dialogs.folders.push_back(temp.Str());
    h.dialogs.prompts.push_back("Demo");
    ASSERT_TRUE(NewProject(h.session.features()));
    EXPECT_TRUE(fs::is_directory(temp.path / "Demo"));
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(h.session.paths.ProjectFolder, (temp.path / "Demo").string() + sep);
    EXPECT_EQ(h.session.paths.BrowseFolder, temp.Str());
    EXPECT_EQ(h.dialogs.shown.back().text, "Project Folder: Demo Created\r\n");
    EXPECT_EQ(h.dialogs.shown.back().caption, "Project Creation Status");
    EXPECT_EQ(h.dialogs.shown.back().icon, DialogIcon::None);
}

TEST(ProjectFolder, SaveShowsAsksForAProjectOnlyWithShows)
{
    TempFolder temp;
    Harness h;
    h.session.identity.CurrentController = MakeController("K5");
    h.session.shows().State().AmbientMode = true; // an ambient show alone is not saved
    h.session.Click(control::btnSaveShows);
    EXPECT_TRUE(h.dialogs.shown.empty());

    // A failed project creation saves nothing.
    h.session.shows().State().ShowCount = 1;
    fs::create_directory(temp.path / "Taken");
    h.dialogs.folders.push_back(temp.Str());
    h.dialogs.prompts.push_back("Taken");
    h.session.Click(control::btnSaveShows);
    EXPECT_EQ(Entries(temp.path / "Taken"), 0U);
    EXPECT_EQ(h.view.status.count(1), 0U);
}
