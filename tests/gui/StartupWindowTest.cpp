#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "app/LogWindow.h"
#include "core/Session.h"
#include "features/Texts.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#ifndef _WIN32
#include "e2e/SimProcess.h"
#endif

namespace marrowick::testing {
namespace {

template <typename W = QWidget> W* Control(QWidget& window, const char* name)
{
    W* found = window.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString StatusText(QWidget& window, int panel)
{
    return Control<QLabel>(window, QStringLiteral("StatusBar1_%1").arg(panel).toLatin1().constData())->text();
}

TEST(StartupWindow, FirstRunLetsThePortDialogDecideAndStoresTheChoice)
{
    DesktopFixture f;
    f.ports.entries = {Port(2), Port(3)};
    DesktopApp& app = f.App();
    app.Start();

    PortDialog* dialog = app.portDialog();
    ASSERT_NE(dialog, nullptr);
    auto* combo = Control<QComboBox>(*dialog, "Combo1");
    ASSERT_TRUE(WaitFor([&] { return combo->currentText() == QStringLiteral("Select.."); }));
    EXPECT_EQ(combo->count(), 2);
    // Nothing stored, nothing selected: the dialog insists on a choice.
    Control<QPushButton>(*dialog, "Command1")->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(f.port.isOpen());

    combo->setCurrentIndex(1);
    Control<QPushButton>(*dialog, "Command1")->click();
    EXPECT_EQ(f.settings.value("defaults", "k5port", ""), "3");
    EXPECT_EQ(f.port.openedName, "COM3");
    EXPECT_EQ(app.logWindow(), nullptr) << "debugmode is false unless set";

    f.clock.RunUntilIdle(5000);
    QWidget& window = app.window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Marrowick Interface Utility"));
    EXPECT_EQ(StatusText(window, 2), QStringLiteral("Firmware Version: 1.05       Model: K5"));
    EXPECT_FALSE(Control(window, "FirmwareK5")->isHidden());
    EXPECT_TRUE(Control(window, "btnLibrary")->isHidden());
    EXPECT_EQ(Control<QPushButton>(window, "btnReadShows")->text(), QStringLiteral("Read Shows from K5"));
    EXPECT_EQ(f.session().State(), LinkState::StateIdle);
}

// A device typed in the port dialog is opened, stored under "k5device" with
// "k5port" 0, and shown and preselected at the next start; picking a numbered
// port then empties "k5device" again.
TEST(StartupWindow, ATypedDeviceIsOpenedStoredAndPreselectedNextTime)
{
    DesktopFixture f;
    f.ports.entries = {Port(2)};
    f.App().Start();
    auto* combo = Control<QComboBox>(*f.app->portDialog(), "Combo1");
    ASSERT_TRUE(WaitFor([&] { return combo->currentText() == QStringLiteral("Select.."); }));
    Type(*combo, QStringLiteral("/dev/pts/7"));
    Control<QPushButton>(*f.app->portDialog(), "Command1")->click();
    EXPECT_EQ(f.port.openedName, "/dev/pts/7");
    EXPECT_EQ(f.settings.value("defaults", "k5device", "-"), "/dev/pts/7");
    EXPECT_EQ(f.settings.value("defaults", "k5port", "-"), "0");
    f.clock.RunUntilIdle(5000);
    EXPECT_EQ(StatusText(f.app->window(), 2), QStringLiteral("Firmware Version: 1.05       Model: K5"));

    // The next start: the same settings file, the device listed after the ports and preselected.
    f.app.reset();
    f.port.close();
    f.port.openedName.clear();
    f.App().Start();
    combo = Control<QComboBox>(*f.app->portDialog(), "Combo1");
    ASSERT_TRUE(WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); }));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("/dev/pts/7"));
    combo->setCurrentIndex(0);
    Control<QPushButton>(*f.app->portDialog(), "Command1")->click();
    EXPECT_EQ(f.port.openedName, "COM2");
    EXPECT_EQ(f.settings.value("defaults", "k5device", "-"), "");
    EXPECT_EQ(f.settings.value("defaults", "k5port", "-"), "2");
}

#ifndef _WIN32
// The whole way on a real line: marrowick-sim on a pseudo-terminal, its path
// typed into the port dialog, the real serial port, clock and port probe.
TEST(StartupWindow, OpensATypedPseudoTerminalOfARunningSimulatorAndIdentifiesIt)
{
    e2e::SimProcess sim({"--model", "R2", "--version", "1.05", "--serial", "12345678"});
    ASSERT_FALSE(sim.path().empty());
    QTemporaryDir folder;
    QtSettings settings(folder.filePath(QStringLiteral("settings.ini")));
    const LogFolders logFolders{folder.filePath(QStringLiteral("program")).toStdString(),
                                folder.filePath(QStringLiteral("user")).toStdString()};
    const QString identified = QStringLiteral("Firmware Version: 1.05       Model: R2");
    for (const bool typed : {true, false}) {
        SCOPED_TRACE(typed ? "typed" : "preselected at the next start");
        QtClock clock;
        QtSerialPort port(&settings);
        ScriptedDialogs dialogs;
        DesktopApp app(DesktopParts{clock, port, settings, &dialogs, SystemPortProbe(&settings), logFolders, ""});
        app.Start();
        auto* combo = Control<QComboBox>(*app.portDialog(), "Combo1");
        ASSERT_TRUE(WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); }, 15000));
        if (typed)
            Type(*combo, QString::fromStdString(sim.path()));
        else
            EXPECT_EQ(combo->currentText().toStdString(), sim.path());
        Control<QPushButton>(*app.portDialog(), "Command1")->click();
        ASSERT_TRUE(
            WaitFor([&] { return StatusText(app.window(), 3) == QStringLiteral("Serial Number: 12345678"); }, 10000))
            << StatusText(app.window(), 1).toStdString();
        EXPECT_EQ(StatusText(app.window(), 2), identified);
        EXPECT_EQ(app.window().windowTitle(), QStringLiteral("Marrowick Interface Utility"));
        EXPECT_EQ(settings.value("defaults", "k5device", "-"), sim.path());
        EXPECT_EQ(settings.value("defaults", "k5port", "-"), "0");
        EXPECT_TRUE(dialogs.shown.empty());
        app.window().close();
    }
}
#endif

#ifndef _WIN32
// A pulled cable on a real line: marrowick-sim stopped and started again on
// the same --link path, the second time as another model. The window says it
// waits, finds the controller again by itself and sets itself up for the new
// model; "Connect…" then takes it to a third simulator typed into the port dialog.
TEST(StartupWindow, FindsARestartedSimulatorAgainAndConnectsToAnotherOne)
{
    QTemporaryDir folder;
    const std::string link = folder.filePath(QStringLiteral("controller")).toStdString();
    const std::string other = folder.filePath(QStringLiteral("other")).toStdString();
    QtSettings settings(folder.filePath(QStringLiteral("settings.ini")));
    settings.setValue("defaults", "k5device", link);
    const LogFolders logFolders{folder.filePath(QStringLiteral("program")).toStdString(),
                                folder.filePath(QStringLiteral("user")).toStdString()};
    auto sim = std::make_unique<e2e::SimProcess>(
        std::vector<std::string>{"--model", "R2", "--serial", "12345678", "--link", link});
    ASSERT_EQ(sim->path(), link);
    QtClock clock;
    QtSerialPort port(&settings);
    ScriptedDialogs dialogs;
    DesktopApp app(DesktopParts{clock, port, settings, &dialogs, SystemPortProbe(&settings), logFolders, ""});
    QWidget& window = app.window();
    const auto panel = [&](int number) { return StatusText(window, number).toStdString(); };
    const auto chooseInDialog = [&](const std::string& device, bool type) {
        ASSERT_NE(app.portDialog(), nullptr);
        auto* combo = Control<QComboBox>(*app.portDialog(), "Combo1");
        ASSERT_TRUE(WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); }, 15000));
        if (type)
            Type(*combo, QString::fromStdString(device));
        EXPECT_EQ(combo->currentText().toStdString(), device);
        Control<QPushButton>(*app.portDialog(), "Command1")->click();
    };
    app.Start();
    chooseInDialog(link, false);
    ASSERT_TRUE(WaitFor([&] { return panel(3) == "Serial Number: 12345678"; }, 10000)) << panel(1);
    EXPECT_FALSE(Control(window, "FirmwareR2")->isHidden());

    sim->Stop();
    ASSERT_TRUE(WaitFor([&] { return panel(1).rfind(text::PortLost, 0) == 0; }, 10000)) << panel(1);
    EXPECT_TRUE(StatusText(window, 1).endsWith(QString::fromStdString(text::WaitingForPort))) << panel(1);
    sim = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--model", "K5", "--link", link});
    ASSERT_TRUE(WaitFor([&] { return panel(2) == "Firmware Version: 1.05       Model: K5"; }, 10000)) << panel(1);
    EXPECT_EQ(panel(1), "Serial port back: " + link);
    EXPECT_EQ(panel(3), "") << "a K5 has no serial number";
    EXPECT_TRUE(Control(window, "FirmwareR2")->isHidden());
    EXPECT_FALSE(Control(window, "FirmwareK5")->isHidden());
    EXPECT_TRUE(Control(window, "LblTriggerB")->isHidden());
    EXPECT_TRUE(Control(window, "btnLibrary")->isHidden());
    EXPECT_EQ(Control<QPushButton>(window, "BtnWriteLibrary")->text(), QStringLiteral("Send Clips to K5"));

    e2e::SimProcess lumen({"--model", "L+", "--link", other});
    auto* connect = Control<QPushButton>(window, "btnConnect");
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->text(), QStringLiteral("Connect\u2026"));
    connect->click();
    chooseInDialog(other, true);
    ASSERT_TRUE(WaitFor([&] { return panel(3) == "Serial Number: 1A2B3C4D"; }, 10000)) << panel(1);
    EXPECT_EQ(panel(2), "Firmware Version: 1.05       Model: L+");
    EXPECT_EQ(settings.value("defaults", "k5device", "-"), other);
    EXPECT_TRUE(Control(window, "FirmwareK5")->isHidden());
    EXPECT_FALSE(Control(window, "firmwareLumen")->isHidden());
    EXPECT_FALSE(Control(window, "LblTriggerA")->isHidden());

    // A pseudo-terminal typed by its bare path: once it is gone, the next
    // terminal to open one gets its number, and that is not the controller.
    auto bare = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--model", "R2"});
    connect->click();
    chooseInDialog(bare->path(), true);
    ASSERT_TRUE(WaitFor([&] { return panel(2) == "Firmware Version: 1.05       Model: R2"; }, 10000)) << panel(1);
    const std::string number = bare->path();
    bare->Stop();
    ASSERT_TRUE(WaitFor([&] { return panel(1).rfind(text::PortLost, 0) == 0; }, 10000)) << panel(1);
    bare = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--model", "T7"});
    ASSERT_EQ(bare->path(), number) << "the freed number was not given again";
    ASSERT_TRUE(WaitFor([&] { return panel(1).find("another device") != std::string::npos; }, 5000)) << panel(1);
    EXPECT_FALSE(WaitFor([&] { return panel(2).find("T7") != std::string::npos; }, 1500)) << "it was not opened";
    EXPECT_TRUE(dialogs.shown.empty());
    window.close();
}
#endif

TEST(StartupWindow, PortThatWillNotOpenEndsInTheModelQuestionWithoutControllerButtons)
{
    DesktopFixture f;
    f.settings.setValue("defaults", "k5port", "7");
    f.settings.setValue("defaults", "debugmode", "true");
    f.port.failOpen = true;
    DesktopApp& app = f.App();
    app.Start();

    auto* combo = Control<QComboBox>(*app.portDialog(), "Combo1");
    ASSERT_TRUE(WaitFor([&] { return combo->currentText() == QStringLiteral("No Ports Found"); }));
    app.portDialog()->close();
    EXPECT_EQ(f.settings.value("defaults", "k5port", ""), "0");

    QWidget& window = app.window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("port not found"));
    EXPECT_TRUE(f.session().PortNotFound);
    ASSERT_NE(app.logWindow(), nullptr);
    auto* log = Control<QTextEdit>(*app.logWindow(), "txtdebug");
    EXPECT_TRUE(log->toPlainText().startsWith(QStringLiteral("Debugger loaded: 06/12/2026  12:00:00")));
    // The offscreen screen is narrower than the two windows side by side:
    // the log window still opens wholly on it.
    const QWidget* logWindow = app.logWindow();
    EXPECT_TRUE(WaitFor([&] { return logWindow->screen()->availableGeometry().contains(logWindow->frameGeometry()); }))
        << logWindow->frameGeometry().x() << " " << logWindow->frameGeometry().width();
    EXPECT_TRUE(f.dialogs.shown.empty()) << "no message box for a missing port";

    f.dialogs.answers = {true};
    f.clock.Advance(1000);
    EXPECT_EQ(f.dialogs.Texts("question"), std::vector<std::string>{"Is this an K5 controller?"});
    EXPECT_EQ(StatusText(window, 2), QString::fromStdString(text::VersionNotAvailable));
    for (const char* hidden : {"btnReadShows", "btnWriteShows", "BtnWriteLibrary"})
        EXPECT_TRUE(Control(window, hidden)->isHidden()) << hidden;
    EXPECT_FALSE(Control(window, "btnLibrary")->isHidden()) << "Yes to the question keeps the library file button";
    EXPECT_FALSE(Control<QTabWidget>(window, "SSTab1")->isTabEnabled(2));
}

// A stored value that cannot be read is taken as its default and said in
// status panel 1, and in the log when the log window is open.
TEST(StartupWindow, UnreadableSettingsAreTakenAsTheirDefaults)
{
    struct Case {
        const char* k5port;
        const char* debugmode;
        bool logWindow;
        const char* said;
    };
    for (const Case& c :
         {Case{"three", "TRUE", true, "The stored port \"three\" is not a port number; no port taken"},
          Case{"3", "maybe", false, "The stored debugmode \"maybe\" is neither true nor false; taken as false"}}) {
        SCOPED_TRACE(c.said);
        DesktopFixture f;
        f.settings.setValue("defaults", "k5port", c.k5port);
        f.settings.setValue("defaults", "debugmode", c.debugmode);
        f.ports.entries = {Port(3)};
        DesktopApp& app = f.App();
        app.Start();
        auto* combo = Control<QComboBox>(*app.portDialog(), "Combo1");
        ASSERT_TRUE(WaitFor([&] {
            return combo->currentText() == QStringLiteral("Select..") || combo->currentText() == QStringLiteral("COM3");
        }));
        combo->setCurrentIndex(0);
        app.portDialog()->close();
        EXPECT_EQ(f.port.openedName, "COM3");

        EXPECT_EQ(StatusText(app.window(), 1).toStdString(), c.said);
        ASSERT_EQ(app.logWindow() != nullptr, c.logWindow);
        if (c.logWindow) {
            const QString log = Control<QTextEdit>(*app.logWindow(), "txtdebug")->toPlainText();
            EXPECT_TRUE(log.contains(QString::fromStdString(c.said))) << log.toStdString();
        }
    }
}

TEST(StartupWindow, EachSimulatedModelAdaptsTheWindow)
{
    struct Expect {
        const char* model;
        const char* frame;
        const char* clipsCaption;
        bool libraryButton;
        bool showsTab;
        bool triggerA;
        bool triggerB;
    };
    for (const Expect& e : {Expect{"K5", "FirmwareK5", "Send Clips to K5", false, true, false, false},
                            Expect{"R2", "FirmwareR2", "Send Clips to R2", true, true, true, true},
                            Expect{"T7", "FirmwareT7", "Send Clips to T7", false, false, false, false},
                            Expect{"L+", "firmwareLumen", "Send Clips to Lumen", false, true, true, false}}) {
        SCOPED_TRACE(e.model);
        DesktopFixture f(e.model, e.model);
        DesktopApp& app = f.App();
        app.Start();
        EXPECT_EQ(app.portDialog(), nullptr);
        EXPECT_TRUE(app.startup().simulated);
        f.clock.RunUntilIdle(5000);

        QWidget& window = app.window();
        EXPECT_EQ(
            window.windowTitle(),
            QStringLiteral("Marrowick Interface Utility - simulated %1 controller").arg(QString::fromLatin1(e.model)));
        app.window().view().setWindowCaption(""); // as a transfer leaves it
        EXPECT_EQ(window.windowTitle(), QStringLiteral("simulated %1 controller").arg(QString::fromLatin1(e.model)));
        for (const char* frame : {"FirmwareK5", "FirmwareR2", "FirmwareT7", "firmwareLumen"})
            EXPECT_EQ(Control(window, frame)->isHidden(), std::string(frame) != e.frame) << frame;
        EXPECT_EQ(Control<QPushButton>(window, "BtnWriteLibrary")->text().toStdString(), e.clipsCaption);
        EXPECT_EQ(!Control(window, "btnLibrary")->isHidden(), e.libraryButton);
        EXPECT_EQ(Control<QTabWidget>(window, "SSTab1")->isTabEnabled(1), e.showsTab);
        EXPECT_EQ(!Control(window, "LblTriggerAvalue")->isHidden(), e.triggerA);
        EXPECT_EQ(!Control(window, "LblTriggerB")->isHidden(), e.triggerB);
        EXPECT_FALSE(Control(window, "btnReadShows")->isHidden());
        if (std::string(e.model) == "R2" || std::string(e.model) == "L+") {
            EXPECT_EQ(StatusText(window, 3), QStringLiteral("Serial Number: 1A2B3C4D"));
        }
    }
}

} // namespace
} // namespace marrowick::testing
