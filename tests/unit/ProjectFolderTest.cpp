// New project folders: which names a project may have, the questions that
// make one, and that nothing is made when either is cancelled.

#include <gtest/gtest.h>

#include "features/NewProject.h"
#include "support/Harness.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

std::size_t Entries(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

// The names a project folder may not have: empty, separators, the characters
// and device names Windows refuses, a trailing dot or space. The same rule holds
// for every folder the program makes; the command line's table is in its tests.
const std::vector<std::pair<std::string, bool>>& ProjectNames()
{
    static const std::vector<std::pair<std::string, bool>> names = {
        {"", false},
        {"   ", false},
        {"a/b", false},
        {"a\\b", false},
        {"..", false},
        {"a:b", false},
        {"what?", false},
        {"a*b", false},
        {"a|b", false},
        {"a<b", false},
        {"a>b", false},
        {"say \"hi\"", false},
        {"tab\there", false},
        {"CON", false},
        {"prn", false},
        {"Aux.txt", false},
        {"NUL.tar.gz", false},
        {"com1", false},
        {"COM9.cfg", false},
        {"lpt1", false},
        {"con .txt", false},
        {"Demo.", false},
        {"Demo ", false},
        {"COM10", true},
        {"LPT0", true},
        {"CONSOLE", true},
        {"NULL.v2", true},
        {"Auxiliary", true},
        {"my.con", true},
        {"  Hall", true},
        {"Geisterbahn S\xC3\xBC"
         "d \xE5\xB9\xBD\xE9\x9C\x8A",
         true},
    };
    return names;
}

TEST(ProjectFolder, EveryNameIsJudgedByOneRule)
{
    for (const auto& [name, allowed] : ProjectNames()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(!CheckProjectName(name), allowed);
        TempFolder temp;
        Harness h;
        h.session.paths.ProjectFolder = "old";
        h.dialogs.folders.push_back(temp.Str());
        h.dialogs.prompts.push_back(name);
        EXPECT_EQ(NewProject(h.session.features()), allowed);
        EXPECT_EQ(Entries(temp.path), allowed ? 1U : 0U);
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
    EXPECT_EQ(Entries(temp.path / "Taken"), 0U);
}

} // namespace marrowick::testing
