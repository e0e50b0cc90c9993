#include <gtest/gtest.h>

#include "support/Harness.h"
#include "support/Helpers.h"

using namespace marrowick;
using marrowick::testing::Harness;
using marrowick::testing::LogCount;

// The window keeps the caption "port not found" and shows why in the status
// bar; a caller that takes the reason (the command line) gets it instead.
TEST(PortDiagnosis, SessionShowsWhyThePortWouldNotOpen)
{
    {
        Harness h;
        h.port.failOpen = true;
        EXPECT_FALSE(h.session.Connect("COM7"));
        EXPECT_EQ(h.view.caption, "port not found");
        EXPECT_EQ(h.view.status[1], "No such device");
        EXPECT_TRUE(h.dialogs.shown.empty());
        EXPECT_EQ(LogCount(h.session.log, "Port COM7 could not be opened: No such device"), 1);
    }
    {
        Harness h;
        h.port.failOpen = true;
        std::string error;
        EXPECT_FALSE(h.session.Connect("COM7", &error));
        EXPECT_EQ(error, "No such device");
        EXPECT_EQ(h.view.status.count(1), 0U);
    }
    {
        // What the port notices after opening (an adapter refusing low latency) goes to the log.
        Harness h;
        ASSERT_TRUE(h.session.Connect("COM1"));
        ASSERT_TRUE(h.port.onNotice);
        h.port.onNotice("/dev/ttyUSB0 refused low-latency mode");
        EXPECT_EQ(LogCount(h.session.log, "refused low-latency mode"), 1);
    }
}
