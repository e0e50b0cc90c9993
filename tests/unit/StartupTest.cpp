#include <gtest/gtest.h>

#include "core/Startup.h"
#include "features/ModelSetup.h"
#include "features/Texts.h"
#include "support/Harness.h"
#include "support/Helpers.h"

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
                                        "write k5device=", "read debugmode", "read backupshows", "read verifyshows",
                                        "read dontaskbeforewrite",
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
        EXPECT_EQ(fakes.events.back(), "read dontaskbeforewrite") << "no log window unless debugmode is set";
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
    EXPECT_EQ(fakes.events.back(), "read dontaskbeforewrite") << "an unreadable debugmode is false: no log window";
    EXPECT_TRUE(h.session.PortNotFound);
    EXPECT_EQ(h.port.openedName, "");
    // Said where people look: panel 1 holds both, and why the port did not open.
    EXPECT_EQ(h.view.status[1], startup.Notices()[0] + ". " + startup.Notices()[1] + ". No such device");
    h.clock.Advance(1000);
    EXPECT_EQ(h.view.status[2], text::VersionNotAvailable) << "the timer runs even without a port";

    // With the log open, they are in the log as well.
    Harness logged;
    StartupFakes withLog(logged);
    withLog.store.setValue("defaults", "k5port", "three");
    withLog.store.setValue("defaults", "debugmode", "TRUE");
    Startup again(logged.session, withLog, withLog, withLog);
    again.Run();
    withLog.pendingDone({1, ""});
    ASSERT_EQ(again.Notices().size(), 1u);
    EXPECT_GE(LogCount(logged.session.log, again.Notices()[0]), 1);
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

// "Connect…" lets go of the port, shows the port dialog, stores the choice and
// identifies the controller on the chosen port, the window set up for it anew;
// shows and clips made for another model are let go, and the person is told.
TEST(Startup, ConnectIdentifiesTheChosenControllerAndLetsGoOfWhatWasMadeForAnother)
{
    struct Case {
        const char* first;
        bool firstFails;
        const char* second;
        bool secondFails;
        PortChoice chosen;
    };
    for (const Case& c : {Case{"R2", false, "K5", false, {0, "/dev/pts/9"}}, Case{"T7", false, "L+", false, {2, ""}},
                          Case{"K5", true, "R2", false, {3, ""}}, Case{"L+", false, "K5", true, {4, ""}}}) {
        SCOPED_TRACE(std::string(c.first) + (c.firstFails ? " (port not found)" : "") + " then " + c.second +
                     (c.secondFails ? " (port not found)" : ""));
        Harness h(SampleControllerState(c.first));
        h.port.failOpen = c.firstFails;
        h.dialogs.defaultAnswer = true; // "Is this an K5 controller?" when the port would not open
        StartupFakes fakes(h);
        fakes.store.setValue("defaults", "k5port", "3");
        Startup startup(h.session, fakes, fakes, fakes);
        startup.Run();
        fakes.pendingDone({3, ""});
        h.clock.RunUntilIdle(5000);
        // Shows read from the first controller, not saved.
        const bool showsRead = !c.firstFails && std::string(c.first) != "T7";
        if (showsRead) {
            h.dialogs.answers = {false};
            h.session.commands().Click(control::btnReadShows);
            h.clock.RunUntilIdle();
            ASSERT_NE(h.session.shows().State().ShowCount, 0);
        }
        // And clips that fit an R2's audio memory, not a K5's.
        ClipFolder clips;
        const bool bigLibrary = std::string(c.first) == "R2";
        if (bigLibrary) {
            ASSERT_TRUE(h.session.library().TakeFiles({clips.MakeSparse("big.mp3", 5000000)}).problems.empty());
        }
        h.dialogs.shown.clear();
        const std::string firstRequests = h.simulator.requests;

        h.simulator.state() = SampleControllerState(c.second);
        h.port.failOpen = c.secondFails;
        h.session.commands().Click(control::btnConnect);
        ASSERT_EQ(fakes.events.back(), "port dialog from 3");
        EXPECT_FALSE(h.port.isOpen()) << "let go before the dialog tries the ports";
        fakes.pendingDone(c.chosen);
        h.clock.RunUntilIdle(5000);

        EXPECT_EQ(fakes.store.value("defaults", "k5port", "-"), std::to_string(c.chosen.number));
        EXPECT_EQ(fakes.store.value("defaults", "k5device", "-"), c.chosen.device);
        EXPECT_EQ(startup.PortOpened(), !c.secondFails);
        if (!c.secondFails) {
            EXPECT_EQ(h.port.openedName,
                      c.chosen.device.empty() ? "COM" + std::to_string(c.chosen.number) : c.chosen.device);
            EXPECT_EQ(h.simulator.requests.substr(firstRequests.size(), 2), "VM");
        }
        EXPECT_EQ(std::count(fakes.events.begin(), fakes.events.end(), "read debugmode"), 1)
            << "the log window is not opened again";
        EXPECT_EQ(h.session.identity.Model()->Name(), c.second);
        EXPECT_EQ(h.session.PortNotFound, c.secondFails);
        EXPECT_EQ(h.view.caption, c.secondFails ? "port not found" : MainCaption);

        const bool cleared = showsRead && std::string(c.second) != c.first;
        EXPECT_EQ(h.session.shows().State().ShowCount == 0, cleared || !showsRead);
        std::string told;
        for (const std::string& box : h.dialogs.Texts("message"))
            told += box + "\n";
        EXPECT_EQ(Has(told, "Shows cleared: the controller is now " + text::WithArticle(c.second)), cleared) << told;
        EXPECT_EQ(Has(told, "clip 1 (big.mp3) does not fit"), bigLibrary && std::string(c.second) == "K5") << told;
    }
}

// "Connect…" is refused silently while a conversation runs, while its dialog
// is open and before start-up has finished; with a simulated controller it
// identifies that controller again, with no dialog and the stored port left alone.
TEST(Startup, ConnectIsRefusedWhileBusyAndReidentifiesASimulatedController)
{
    Harness h(SampleControllerState("R2"));
    StartupFakes fakes(h);
    Startup startup(h.session, fakes, fakes, fakes);
    startup.Run();
    h.session.commands().Click(control::btnConnect);
    EXPECT_EQ(std::count(fakes.events.begin(), fakes.events.end(), "port dialog from 0"), 1)
        << "start-up's own dialog is still open";
    fakes.pendingDone({1, ""});
    h.clock.RunUntilIdle(5000);

    bool read = false;
    h.session.shows().Reader().Finished.connect([&](const Result& outcome) { read = outcome.ok(); });
    h.session.commands().Click(control::btnReadShows);
    ASSERT_EQ(h.session.State(), LinkState::StateReadShows);
    const std::size_t events = fakes.events.size();
    h.session.commands().Click(control::btnConnect);
    EXPECT_EQ(fakes.events.size(), events) << "no dialog during a conversation";
    EXPECT_TRUE(h.port.isOpen());
    h.clock.RunUntilIdle(60000);
    EXPECT_TRUE(read) << h.view.status[1];

    h.session.commands().Click(control::btnConnect);
    h.session.commands().Click(control::btnConnect);
    EXPECT_EQ(fakes.events.size(), events + 1) << "one dialog at a time";
    fakes.pendingDone({1, ""});
    h.clock.RunUntilIdle(5000);
    EXPECT_EQ(h.session.identity.SerialNumber, "1A2B3C4D");

    Harness s(SampleControllerState("L+"));
    StartupFakes simulatedFakes(s);
    Startup simulated(s.session, simulatedFakes, simulatedFakes, simulatedFakes);
    simulated.simulated = true;
    simulated.Run();
    s.clock.RunUntilIdle(5000);
    s.simulator.requests.clear();
    s.session.commands().Click(control::btnConnect);
    s.clock.RunUntilIdle(5000);
    EXPECT_EQ(simulatedFakes.events, (std::vector<std::string>{"read debugmode", "read backupshows", "read verifyshows",
                                                               "read dontaskbeforewrite"}))
        << "no port dialog for a simulated controller";
    EXPECT_EQ(s.simulator.requests, "VMZ");
    EXPECT_EQ(s.view.status[2], "Firmware Version: 1.05       Model: L+");
    EXPECT_TRUE(s.view.visible["firmwareLumen"]);
}

// A lost port in the window: panel 1 says it waits, the device is looked for
// once a second (never more often), and once it is back the port is reopened
// and the controller on it identified, the window set up for its model.
TEST(Startup, ALostPortIsLookedForOnceASecondAndTheControllerIdentifiedWhenBack)
{
    Harness h(SampleControllerState("R2"));
    h.session.watchLostPort = true;
    ASSERT_TRUE(h.Identify("/dev/pts/4"));
    h.port.LoseLine("unplugged");
    EXPECT_EQ(h.view.status[1], text::PortLost + "unplugged" + text::WaitingForPort);
    EXPECT_TRUE(h.session.WatchingLostPort());
    h.clock.Advance(999);
    EXPECT_EQ(h.port.presenceChecks, 0);
    h.clock.Advance(1);
    EXPECT_EQ(h.port.presenceChecks, 1);
    h.clock.Advance(4000);
    EXPECT_EQ(h.port.presenceChecks, 5);
    EXPECT_FALSE(h.port.isOpen());

    // It comes back as another controller.
    h.simulator.state() = SampleControllerState("K5");
    h.simulator.requests.clear();
    h.port.present = true;
    h.clock.Advance(1000);
    EXPECT_TRUE(h.port.isOpen());
    EXPECT_EQ(h.port.openedName, "/dev/pts/4");
    EXPECT_FALSE(h.session.WatchingLostPort());
    h.clock.RunUntilIdle(5000);
    EXPECT_EQ(h.simulator.requests, "VM");
    EXPECT_EQ(h.session.identity.Model()->Name(), "K5");
    EXPECT_FALSE(h.view.visible["FirmwareR2"]);
    const int checks = h.port.presenceChecks;
    h.clock.Advance(5000);
    EXPECT_EQ(h.port.presenceChecks, checks) << "the watch has stopped";
    h.port.LoseLine("unplugged again");
    EXPECT_EQ(h.view.status[1], text::PortLost + "unplugged again" + text::WaitingForPort) << "lost once more";
    EXPECT_TRUE(h.session.WatchingLostPort());
}

// The watch never looks while a conversation or a question holds the
// program, comes after the conversation has ended, keeps trying a device that
// is back but will not open yet, and stops when the user connects elsewhere or
// the program closes. The command line does not wait.
TEST(Startup, TheLostPortWatchWaitsForQuietAndStops)
{
    enum class While { StateForced, QuestionOpen, Reading, NotOpenYet, UserConnects, Closing, CommandLine };
    for (While w : {While::StateForced, While::QuestionOpen, While::Reading, While::NotOpenYet, While::UserConnects,
                    While::Closing, While::CommandLine}) {
        SCOPED_TRACE(static_cast<int>(w));
        Harness h(SampleControllerState("R2"));
        h.session.watchLostPort = w != While::CommandLine;
        ASSERT_TRUE(h.Identify());
        std::vector<Result> readEnds;
        bool openWhenReadEnded = true;
        if (w == While::Reading) {
            h.session.shows().Reader().Finished.connect([&](const Result& r) {
                readEnds.push_back(r);
                openWhenReadEnded = h.port.isOpen();
            });
            h.port.SetBytesPerSecond(960); // the table alone takes a third of a second
            h.session.commands().Click(control::btnReadShows);
            h.clock.Advance(100);
            ASSERT_NE(h.session.State(), LinkState::StateIdle);
        }
        h.port.LoseLine("unplugged");
        h.port.present = true; // back at once
        int checksMeanwhile = 0;
        switch (w) {
        case While::StateForced:
            h.session.stateEngine.SetState(LinkState::StateReadShowRecords); // from the log window
            h.clock.Advance(3000);
            checksMeanwhile = h.port.presenceChecks;
            h.session.stateEngine.SetState(LinkState::StateIdle);
            break;
        case While::QuestionOpen:
            h.dialogs.whileOpen = [&](const ScriptedDialogs::Shown&) {
                h.clock.Advance(3000); // the question's own event loop runs the timers
                checksMeanwhile = h.port.presenceChecks;
            };
            h.session.dialogs.message("Break received", AppTitle, DialogIcon::None);
            break;
        case While::Reading:
            EXPECT_EQ(readEnds.size(), 1U);
            EXPECT_FALSE(openWhenReadEnded);
            EXPECT_EQ(readEnds.at(0).code, ResultCode::PortLost);
            break;
        case While::NotOpenYet: {
            h.port.failOpen = true; // its permissions are not set yet
            h.clock.Advance(3000);
            EXPECT_EQ(h.port.presenceChecks, 3);
            EXPECT_FALSE(h.port.isOpen());
            EXPECT_EQ(LogCount(h.session.log, "is back but could not be opened: No such device"), 1) << "said once";
            h.port.failOpen = false;
            h.port.presenceChecks = 0;
            break;
        }
        case While::UserConnects:
            EXPECT_TRUE(h.session.Reconnect("COM2"));
            break;
        case While::Closing:
            h.session.Shutdown();
            break;
        case While::CommandLine:
            EXPECT_EQ(h.view.status[1], text::PortLost + "unplugged");
            break;
        }
        EXPECT_EQ(checksMeanwhile, 0);
        const bool watching =
            w == While::StateForced || w == While::QuestionOpen || w == While::Reading || w == While::NotOpenYet;
        EXPECT_EQ(h.session.WatchingLostPort(), watching);
        const int before = h.port.presenceChecks;
        h.clock.Advance(1000);
        EXPECT_EQ(h.port.presenceChecks, before + (watching ? 1 : 0));
        EXPECT_EQ(h.port.isOpen(), watching || w == While::UserConnects);
        EXPECT_EQ(h.port.openedName, w == While::UserConnects ? "COM2" : "COM1");
        h.clock.Advance(3000);
        EXPECT_EQ(h.port.presenceChecks, before + (watching ? 1 : 0));
        EXPECT_EQ(readEnds.size(), w == While::Reading ? 1U : 0U) << "the read ended once";
    }
}

} // namespace
} // namespace marrowick::testing
