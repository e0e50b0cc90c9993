// New project folders: which names a project may have, the questions that
// make one, and that nothing is made when either is cancelled.

#include <gtest/gtest.h>

#include "features/NewProject.h"
#include "support/Harness.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

// The names a project folder may not have: empty, separators, the characters
// and device names Windows refuses, a trailing dot or space. The same rule holds
// for every folder the program makes; the command line's table is in its tests.
const std::vector<std::string> RefusedNames = {"",          "   ",  "a/b",      "a\\b",    "..",         "a:b",
                                               "what?",     "a*b",  "a|b",      "a<b",     "a>b",        "say \"hi\"",
                                               "tab\there", "CON",  "prn",      "Aux.txt", "NUL.tar.gz", "com1",
                                               "COM9.cfg",  "lpt1", "con .txt", "Demo.",   "Demo "};
const std::vector<std::string> AllowedNames = {"COM10",     "LPT0",   "CONSOLE", "NULL.v2",
                                               "Auxiliary", "my.con", "  Hall",  "Geisterbahn S\u00FCd \u5E7D\u970A"};

} // namespace

TEST(ProjectFolder, EveryNameIsJudgedByOneRule)
{
    for (const bool allowed : {false, true}) {
        for (const std::string& name : allowed ? AllowedNames : RefusedNames) {
            SCOPED_TRACE(name);
            EXPECT_EQ(!CheckProjectName(name), allowed);
            TempFolder temp;
            Harness h;
            h.session.paths.ProjectFolder = "old";
            h.dialogs.folders.push_back(temp.Str());
            h.dialogs.prompts.push_back(name);
            EXPECT_EQ(NewProject(h.session.features()), allowed);
            EXPECT_EQ(FolderContents(temp.path).size(), allowed ? 1U : 0U);
            if (!allowed) {
                // Told why, then asked again (and the person gave up).
                ASSERT_GE(h.dialogs.shown.size(), 3U);
                EXPECT_EQ(h.dialogs.shown[h.dialogs.shown.size() - 2].caption, "Project Creation Failed");
                EXPECT_EQ(h.dialogs.shown.back().kind, "prompt");
                EXPECT_EQ(h.session.paths.ProjectFolder, "old");
            } else {
                EXPECT_EQ(h.session.paths.ProjectFolder,
                          U8Text(temp.path / U8Path(name)) + static_cast<char>(fs::path::preferred_separator));
                EXPECT_EQ(h.session.paths.BrowseFolder, temp.Str());
            }
        }
    }
}

// Cancelling either question makes nothing; a folder that exists is not taken.
TEST(ProjectFolder, CancelledOrTakenMakesNothing)
{
    TempFolder temp;
    Harness h;
    h.session.paths.ProjectFolder = "old";
    EXPECT_FALSE(NewProject(h.session.features())); // folder chooser cancelled
    EXPECT_TRUE(h.dialogs.Texts("prompt").empty());
    h.dialogs.folders.push_back(temp.Str() + "/");
    EXPECT_FALSE(NewProject(h.session.features())); // name prompt cancelled
    EXPECT_EQ(h.session.paths.BrowseFolder, temp.Str());
    EXPECT_EQ(h.session.paths.ProjectFolder, "old");
    fs::create_directory(temp.path / "Taken");
    h.dialogs.folders.push_back(temp.Str());
    h.dialogs.prompts.push_back("Taken");
    EXPECT_FALSE(NewProject(h.session.features()));
    EXPECT_EQ(h.session.paths.ProjectFolder, "old");
    EXPECT_TRUE(FolderContents(temp.path / "Taken").empty());
}

} // namespace marrowick::testing
