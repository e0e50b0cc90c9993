#include <gtest/gtest.h>

#include "base/Texts.h"
#include "conversations/ShowTestSupport.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::testing;
namespace fs = std::filesystem;

namespace {

// A controller of `model` that holds no shows yet.
ControllerState Blank(const std::string& model)
{
    ControllerState state;
    state.model = model;
    return state;
}

} // namespace

// Read from one controller, saved from the question after the read, opened
// again and written into a blank controller: it ends up with the same table
// (its own serial number aside) and the same show data. Folder and project
// names outside ASCII keep their names on the disk (on Windows too, where the
// file system would read plain bytes in the ANSI code page).
TEST(ShowRoundTrip, ReadSavedOpenedAndWrittenBackGivesTheSameBytes)
{
    struct Row {
        const char* model;
        std::u8string folder;  // where the project is made
        std::u8string project; // the name typed for it
    };
    const Row rows[] = {
        {"K5", u8"shows", u8"Trip"},
        {"R2", u8"Geisterbahn Süd", u8"幽霊"},
        {"L+", u8"Geisterbahn Süd", u8"Trip"},
    };
    for (const Row& row : rows) {
        const std::string model = row.model;
        SCOPED_TRACE(model);
        TempFolder temp;
        const fs::path folder = temp.path / row.folder;
        const fs::path project = folder / row.project;
        const std::string name = U8Text(row.project);
        fs::create_directory(folder);
        ControllerState original = SampleControllerState(model);
        original.shows[1].clip = 120; // shown as 0, written back as 0
        Harness reading(original);
        reading.Identify();
        reading.dialogs.answers.push_back(true);
        // Qt's folder dialog gives "/" between the folders on every system.
        reading.dialogs.folders.push_back(U8Text(folder.generic_u8string()));
        reading.dialogs.prompts.push_back(name);
        reading.session.Click(control::btnReadShows);
        reading.clock.RunUntilIdle();
        ASSERT_EQ(reading.dialogs.Texts("message"),
                  std::vector<std::string>{"Project Folder: " + name + " Created\r\n"});
        const std::string ext = model == "K5" ? ".K5S" : ".R2S";
        EXPECT_EQ(reading.view.status[1], model == "K5" ? "Show Saved as: " + Shown("/" + name + "/003.K5S")
                                                        : "cfg Saved as: " + Shown("/" + name + "/000.CFG"));
        for (const char* show : {"000", "001", "002", "003"})
            EXPECT_TRUE(fs::is_regular_file(project / (show + ext))) << show;

        Harness writing(Blank(model));
        writing.Identify();
        writing.dialogs.folders.push_back(U8Text(project.generic_u8string()));
        writing.session.Click(control::btnOpenShows);
        EXPECT_EQ(writing.view.status[1], text::ShowsLoaded(3));
        EXPECT_EQ(writing.view.rows["ListShows"], reading.view.rows["ListShows"]);
        writing.session.Click(control::btnWriteShows);
        writing.clock.RunUntilIdle();
        EXPECT_EQ(writing.view.status[1], text::DownloadComplete);

        std::string expected = reading.simulator.TableReply();
        const std::size_t blocks = model == "K5" ? 3 : 0;
        expected[blocks + 16 + 8] = 0; // the clip of show 1 was shown, and so kept, as 0
        if (model != "K5")
            expected.replace(168, 4, Bytes({0x4D, 0x3C, 0x2B, 0x1A})); // its serial number "1A2B3C4D"
        EXPECT_EQ(writing.simulator.TableReply(), expected);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(writing.simulator.state().shows[i].data, original.shows[i].data) << "show " << i;
    }
}
