#include <gtest/gtest.h>

#include "base/Texts.h"

using namespace marrowick;

// The one place the wording of the shared texts is pinned: people read them
// and scripts look for them, so a change here is a change they will notice.
// Every other test names the texts through base/Texts.h.
TEST(Wording, TheTextsPeopleAndScriptsLookFor)
{
    EXPECT_EQ(text::VersionNotAvailable, "Firmware Version Not Available");
    EXPECT_EQ(text::ModelNotAvailable, "Model Not Available");
    EXPECT_EQ(text::SerialNotAvailable, "Serial Number Not Available");
    EXPECT_EQ(text::DownloadComplete, "Download Complete");
    EXPECT_EQ(text::PortLost, "Serial port lost: ");
    EXPECT_EQ(text::ShowsLoaded(3), "Show Loading Complete. Loaded 3 shows");
    EXPECT_EQ(text::ShowsLoaded(0), "Show Loading Complete. Loaded 0 shows");
}
