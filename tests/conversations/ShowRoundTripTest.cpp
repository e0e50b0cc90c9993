#include <gtest/gtest.h>

#include "base/Texts.h"
#include "conversations/ShowTestSupport.h"
#include "features/ShowsFeature.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::testing;

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
// (its own serial number aside) and the same show data.
TEST(ShowRoundTrip, ReadSavedOpenedAndWrittenBackGivesTheSameBytes)
{
    for (const std::string model : {"K5", "R2", "L+"}) {
        TempFolder temp;
        ControllerState original = SampleControllerState(model);
        original.shows[1].clip = 120; // shown as 0, written back as 0
        Harness reading(original);
        reading.Identify();
        reading.dialogs.answers.push_back(true);
        reading.dialogs.folders.push_back(temp.Str());
        reading.dialogs.prompts.push_back("Trip");
        reading.session.Click(control::btnReadShows);
        reading.clock.RunUntilIdle();
        ASSERT_EQ(reading.dialogs.Texts("message"), std::vector<std::string>{"Project Folder: Trip Created\r\n"})
            << model;

        Harness writing(Blank(model));
        writing.Identify();
        writing.dialogs.folders.push_back((temp.path / "Trip").string());
        writing.session.Click(control::btnOpenShows);
        EXPECT_EQ(writing.view.status[1], text::ShowsLoaded(3)) << model;
        EXPECT_EQ(writing.view.rows["ListShows"], reading.view.rows["ListShows"]) << model;
        writing.session.Click(control::btnWriteShows);
        writing.clock.RunUntilIdle();
        EXPECT_EQ(writing.view.status[1], text::DownloadComplete) << model;

        std::string expected = reading.simulator.TableReply();
        const std::size_t blocks = model == "K5" ? 3 : 0;
        expected[blocks + 16 + 8] = 0; // the clip of show 1 was shown, and so kept, as 0
        if (model != "K5")
            expected.replace(168, 4, Bytes({0x4D, 0x3C, 0x2B, 0x1A})); // its serial number "1A2B3C4D"
        EXPECT_EQ(writing.simulator.TableReply(), expected) << model;
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(writing.simulator.state().shows[i].data, original.shows[i].data) << model << " show " << i;
    }
}
