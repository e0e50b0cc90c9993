#include <gtest/gtest.h>

#include "base/Texts.h"
#include "core/Startup.h"
#include "support/Harness.h"

namespace marrowick::testing {
namespace {

// Settings, port dialog and log window that write what happens, in order, to one list.
struct StartupFakes : Settings, PortChooser, LogWindowHost {
    explicit StartupFakes(Harness& h) : harness(h) {}

    std::string value(const std::string& section, const std::string& key, const std::string& def) const override
    {
        events.push_back("read " + key);
        return store.value(section, key, def);
    }
    void setValue(const std::string& section, const std::string& key, const std::string& v) override
    {
        events.push_back("write " + key + "=" + v);
        store.setValue(section, key, v);
    }
    void ChoosePort(const PortChoice& current, std::function<void(const PortChoice&)> done) override
    {
        events.push_back("port dialog from " +
                         (current.device.empty() ? std::to_string(current.number) : current.device));
        pendingDone = std::move(done);
    }
    void ShowLogWindow() override
    {
        events.push_back(std::string("log window, port ") + (harness.port.isOpen() ? "open" : "closed") +
                         ", first line " + harness.session.log.Lines().at(0).text);
    }

    Harness& harness;
    MemorySettings store;
    mutable std::vector<std::string> events;
    std::function<void(const PortChoice&)> pendingDone;
};

TEST(Startup, RunsItsStepsInOrderAndOpensTheChosenPort)
{
    Harness h;
    h.session.log.DebugMode = false;
    StartupFakes fakes(h);
    fakes.store.setValue("defaults", "k5port", "4");
    fakes.store.setValue("defaults", "debugmode", "true");
    Startup startup(h.session, fakes, fakes, fakes);
    startup.Run();

    EXPECT_EQ(fakes.events, (std::vector<std::string>{"read k5port", "read k5device", "port dialog from 4"}));
    EXPECT_FALSE(startup.Finished()) << "nothing more until the dialog has closed";
    EXPECT_FALSE(h.port.isOpen());

    fakes.pendingDone({3, ""});
    EXPECT_EQ(fakes.events,
              (std::vector<std::string>{"read k5port", "read k5device", "port dialog from 4", "write k5port=3",
                                        "write k5device=", "read debugmode",
                                        "log window, port closed, first line Debugger loaded: 06/12/2026  12:00:00"}));
    EXPECT_TRUE(startup.Finished());
    EXPECT_TRUE(startup.PortOpened());
    EXPECT_EQ(h.port.openedName, "COM3");
    h.clock.RunUntilIdle(5000);
    EXPECT_EQ(h.Sent().substr(0, 2), "VM");
    EXPECT_EQ(h.session.identity.ControllerModel, "K5");
}

// A device typed in the port dialog is opened instead of a number, stored
// under "k5device" (with "k5port" 0) and offered again; choosing a numbered
// port later empties it.
TEST(Startup, ATypedDeviceIsOpenedStoredAndOfferedAgain)
{
    struct Case {
        const char* storedPort;
        const char* storedDevice;
        std::string offered;
        PortChoice chosen;
        std::string opened;
        std::string k5port;
        std::string k5device;
    };
    for (const Case& c : {Case{"3", "", "3", {0, "/dev/pts/7"}, "/dev/pts/7", "0", "/dev/pts/7"},
                          Case{"0", "/dev/pts/7", "/dev/pts/7", {0, "/dev/pts/7"}, "/dev/pts/7", "0", "/dev/pts/7"},
                          Case{"0", "/dev/pts/7", "/dev/pts/7", {2, ""}, "COM2", "2", ""},
                          Case{"0", "COM23", "COM23", {0, "COM23"}, "COM23", "0", "COM23"}}) {
        SCOPED_TRACE(c.storedDevice);
        Harness h;
        StartupFakes fakes(h);
        fakes.store.setValue("defaults", "k5port", c.storedPort);
        if (*c.storedDevice != 0)
            fakes.store.setValue("defaults", "k5device", c.storedDevice);
        Startup startup(h.session, fakes, fakes, fakes);
        startup.Run();
        EXPECT_EQ(fakes.events.back(), "port dialog from " + c.offered);
        fakes.pendingDone(c.chosen);
        EXPECT_EQ(h.port.openedName, c.opened);
        EXPECT_EQ(fakes.store.value("defaults", "k5port", "-"), c.k5port);
        EXPECT_EQ(fakes.store.value("defaults", "k5device", "-"), c.k5device);
        EXPECT_EQ(startup.Device(), c.k5device);
        h.clock.RunUntilIdle(5000);
        EXPECT_EQ(h.session.identity.ControllerModel, "K5");
    }
}

TEST(Startup, UnreadableSettingsFallBackToTheirDefaultsAndAreLogged)
{
    Harness h;
    StartupFakes fakes(h);
    fakes.store.setValue("defaults", "k5port", "COM3");
    fakes.store.setValue("defaults", "debugmode", "yes please");
    h.port.failOpen = true; // COM0 is on no computer
    Startup startup(h.session, fakes, fakes, fakes);
    startup.Run();
    EXPECT_EQ(fakes.events.back(), "port dialog from 0");
    fakes.pendingDone({0, ""});

    ASSERT_EQ(startup.Notices().size(), 2u);
    EXPECT_NE(startup.Notices()[0].find("COM3"), std::string::npos);
    EXPECT_NE(startup.Notices()[1].find("yes please"), std::string::npos);
    EXPECT_EQ(fakes.store.value("defaults", "k5port", ""), "0");
    EXPECT_EQ(fakes.events.back(), "read debugmode") << "an unreadable debugmode is false: no log window";
    EXPECT_TRUE(h.session.PortNotFound);
    EXPECT_EQ(h.port.openedName, "");
    // Said where people look: panel 1 holds both, and why the port did not open.
    EXPECT_EQ(h.session.Status(1), startup.Notices()[0] + ". " + startup.Notices()[1] + ". No such device");
    h.clock.Advance(1000);
    EXPECT_EQ(h.session.Status(2), text::VersionNotAvailable) << "the timer runs even without a port";
}

TEST(Startup, SettingValuesAreReadLeniently)
{
    std::int16_t port = -1;
    EXPECT_TRUE(ParsePortSetting(" 12 ", port));
    EXPECT_EQ(port, 12);
    EXPECT_TRUE(ParsePortSetting("-1", port));
    EXPECT_EQ(port, -1);
    for (const char* bad : {"", "3.5", "70000", "COM3", "+", "1 2"})
        EXPECT_FALSE(ParsePortSetting(bad, port)) << bad;

    bool on = false;
    EXPECT_TRUE(ParseSwitchSetting("True", on));
    EXPECT_TRUE(on);
    EXPECT_TRUE(ParseSwitchSetting("0", on));
    EXPECT_FALSE(on);
    EXPECT_TRUE(ParseSwitchSetting("-1", on));
    EXPECT_TRUE(on);
    for (const char* bad : {"", "yes", "truefalse"})
        EXPECT_FALSE(ParseSwitchSetting(bad, on)) << bad;
}

TEST(Startup, ASimulatedControllerNeedsNoPortAndLeavesTheStoredOneAlone)
{
    Harness h(SampleControllerState("L+"));
    StartupFakes fakes(h);
    Startup startup(h.session, fakes, fakes, fakes);
    startup.simulated = true;
    startup.Run();
    EXPECT_EQ(fakes.events, std::vector<std::string>{"read debugmode"});
    EXPECT_TRUE(startup.PortOpened());
    h.clock.RunUntilIdle(5000);
    EXPECT_EQ(h.session.identity.SerialNumber, "1A2B3C4D");
}

} // namespace
} // namespace marrowick::testing
