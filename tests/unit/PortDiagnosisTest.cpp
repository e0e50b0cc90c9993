#include <gtest/gtest.h>

#include <algorithm>

#include "link/PortDiagnosis.h"
#include "support/Harness.h"
#include "support/Helpers.h"

using namespace marrowick;
using marrowick::testing::Harness;
using marrowick::testing::Has;
using marrowick::testing::LogCount;

namespace {

PortFacts Facts(PortProblem problem, const std::string& port, const std::string& device = "")
{
    PortFacts f;
    f.problem = problem;
    f.port = port;
    f.device = device;
    return f;
}

// A show builder reads it at a glance: one line, at most two sentences.
void ExpectShort(const std::string& text)
{
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(text.back() == '.' || text.back() == '?') << text;
    int sentences = 1;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if ((text[i] == '.' || text[i] == '?') && text[i + 1] == ' ')
            ++sentences;
    EXPECT_LE(sentences, 2) << text;
    EXPECT_LE(text.size(), 200U) << text;
}

} // namespace

TEST(PortDiagnosis, MissingDevicesAskWhetherTheAdapterIsPluggedIn)
{
    const std::string path = DescribePortProblem(Facts(PortProblem::NoDevice, "/dev/ttyUSB0", "/dev/ttyUSB0"));
    EXPECT_EQ(path, "/dev/ttyUSB0 does not exist: is the adapter plugged in?");

    // A number set to a device in the settings shows both.
    const std::string mapped = DescribePortProblem(Facts(PortProblem::NoDevice, "COM3", "/dev/ttyUSB1"));
    EXPECT_TRUE(Has(mapped, "COM3 (/dev/ttyUSB1) does not exist")) << mapped;

    const std::string number = DescribePortProblem(Facts(PortProblem::NoDevice, "COM4"));
    EXPECT_TRUE(Has(number, "COM4 has no serial device")) << number;
    EXPECT_TRUE(Has(number, "plugged in")) << number;

    const std::string outOfRange = DescribePortProblem(Facts(PortProblem::BadNumber, "COM17"));
    EXPECT_TRUE(Has(outOfRange, "COM17") && Has(outOfRange, "COM1 to COM16")) << outOfRange;

    // A Windows port name where there is no such device: no adapter to plug in, another name to use.
    const std::string windows = DescribePortProblem(Facts(PortProblem::WindowsName, "COM23", "/dev/COM23"));
    EXPECT_EQ(windows, "COM23 is a Windows port name and no such device exists here: use COM1 to COM16 or a device "
                       "path such as /dev/ttyUSB0.");
    for (const auto& text : {path, mapped, number, outOfRange, windows})
        ExpectShort(text);
}

TEST(PortDiagnosis, PermissionNamesTheGroupTheCommandAndTheNewLogin)
{
    PortFacts f = Facts(PortProblem::PermissionDenied, "/dev/ttyUSB0", "/dev/ttyUSB0");
    f.group = "uucp";
    f.groupMayOpen = true;
    f.user = "mira";
    const std::string join = DescribePortProblem(f);
    EXPECT_TRUE(Has(join, "group uucp")) << join;
    EXPECT_TRUE(Has(join, "`sudo usermod -aG uucp mira`")) << join;
    EXPECT_TRUE(Has(join, "log out and in again")) << join;
    ExpectShort(join);

    // Already listed in the group: only the new login is missing.
    f.userListedInGroup = true;
    const std::string relog = DescribePortProblem(f);
    EXPECT_FALSE(Has(relog, "usermod")) << relog;
    EXPECT_TRUE(Has(relog, "mira") && Has(relog, "log out and in again")) << relog;

    // Unknown user: the shell fills it in.
    f.userListedInGroup = false;
    f.user.clear();
    EXPECT_TRUE(Has(DescribePortProblem(f), "`sudo usermod -aG uucp $USER`"));

    // A group that cannot open it (or root's): joining would not help, so no command.
    f.groupMayOpen = false;
    const std::string noGroup = DescribePortProblem(f);
    EXPECT_FALSE(Has(noGroup, "usermod")) << noGroup;
    EXPECT_TRUE(Has(noGroup, "You may not open /dev/ttyUSB0")) << noGroup;
}

TEST(PortDiagnosis, BusyNamesTheProgramsHoldingThePortWhenKnown)
{
    PortFacts f = Facts(PortProblem::Busy, "COM2", "/dev/ttyACM0");
    const std::string unknown = DescribePortProblem(f);
    EXPECT_EQ(unknown, "COM2 (/dev/ttyACM0) is in use by another program: close it and try again.");

    f.holders = {"minicom (pid 812)"};
    const std::string one = DescribePortProblem(f);
    EXPECT_TRUE(Has(one, "in use by minicom (pid 812)")) << one;
    EXPECT_TRUE(Has(one, "close that program")) << one;

    f.holders.push_back("pid 990");
    const std::string two = DescribePortProblem(f);
    EXPECT_TRUE(Has(two, "minicom (pid 812) and pid 990")) << two;
    EXPECT_TRUE(Has(two, "close those programs")) << two;

    // Windows does not say whether "access denied" means busy or forbidden.
    PortFacts denied = Facts(PortProblem::BusyOrDenied, "COM5", "COM5");
    denied.systemText = "Access is denied.";
    const std::string either = DescribePortProblem(denied);
    EXPECT_EQ(either, "COM5 is in use by another program, or you may not open it: Access is denied.");
    for (const auto& text : {unknown, one, two, either})
        ExpectShort(text);
}

TEST(PortDiagnosis, RefusedSettingsNotSerialPortsAndOtherFailures)
{
    PortFacts f = Facts(PortProblem::SettingRefused, "/dev/ttyUSB0", "/dev/ttyUSB0");
    f.setting = "no flow control";
    const std::string named = DescribePortProblem(f);
    EXPECT_TRUE(Has(named, "/dev/ttyUSB0 refused the setting no flow control")) << named;
    EXPECT_TRUE(Has(named, "9600 baud")) << named;

    // Qt's "unsupported operation" without a setting named: its words are kept.
    f.setting.clear();
    f.systemText = "Unsupported operation";
    const std::string unnamed = DescribePortProblem(f);
    EXPECT_TRUE(Has(unnamed, "refused the line settings")) << unnamed;
    EXPECT_TRUE(Has(unnamed, ": Unsupported operation.")) << unnamed;

    EXPECT_EQ(DescribePortProblem(Facts(PortProblem::NotSerial, "/home/mira/show.k5s", "/home/mira/show.k5s")),
              "/home/mira/show.k5s is not a serial port.");

    PortFacts other = Facts(PortProblem::Other, "COM9", "COM9");
    other.systemText = "The semaphore timeout period has expired.";
    EXPECT_EQ(DescribePortProblem(other), "COM9 could not be opened: The semaphore timeout period has expired.");
    other.systemText.clear();
    EXPECT_EQ(DescribePortProblem(other), "COM9 could not be opened.");
    for (const auto& text : {named, unnamed})
        ExpectShort(text);
}

TEST(PortDiagnosis, NoPortChosenSaysWhyTheFoundPortsWouldNotOpen)
{
    PortFacts none = Facts(PortProblem::NotChosen, "COM0");
    const std::string nothingThere = DescribePortProblem(none);
    EXPECT_TRUE(Has(nothingThere, "No port was chosen")) << nothingThere;
    EXPECT_TRUE(Has(nothingThere, "plugged in")) << nothingThere;

    none.devicesFound = 2;
    const std::string notPicked = DescribePortProblem(none);
    EXPECT_FALSE(Has(notPicked, "plugged in")) << notPicked;

    PortFacts denied = Facts(PortProblem::PermissionDenied, "COM1", "/dev/ttyUSB0");
    denied.group = "dialout";
    denied.groupMayOpen = true;
    denied.user = "mira";
    none.refused = {denied, Facts(PortProblem::Busy, "COM2", "/dev/ttyS0")};
    const std::string refused = DescribePortProblem(none);
    EXPECT_TRUE(Has(refused, "No port was chosen")) << refused;
    EXPECT_TRUE(Has(refused, DescribePortProblem(denied))) << refused;
    EXPECT_FALSE(Has(refused, "/dev/ttyS0")) << "only the first reason, to stay short: " << refused;
    for (const auto& text : {nothingThere, notPicked, refused})
        ExpectShort(text);
}

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
