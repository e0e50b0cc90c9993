#include <QComboBox>
#include <QPushButton>
#include <QScreen>
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

#ifndef _WIN32
// The whole way on a real line: marrowick-sim on a pseudo-terminal, the real
// serial port, clock, settings and port probe. The device stored last time is
// preselected in the port dialog and identified; a pulled cable (marrowick-sim
// stopped and started again on the same --link path, as another model) is
// waited for, found again and set up for the new model; "Connect…" then takes
// it to a third simulator typed into the port dialog, stored for the next start.
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
    const auto panel = [&](int number) { return PanelText(window, number); };
    const auto chooseInDialog = [&](const std::string& device, bool type) {
        ASSERT_NE(app.portDialog(), nullptr);
        auto* combo = Child<QComboBox>(*app.portDialog(), "Combo1");
        ASSERT_TRUE(WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); }, 15000));
        if (type)
            Type(*combo, QString::fromStdString(device));
        EXPECT_EQ(combo->currentText().toStdString(), device);
        Child<QPushButton>(*app.portDialog(), "Command1")->click();
    };
    app.Start();
    chooseInDialog(link, false);
    ASSERT_TRUE(WaitFor([&] { return panel(3) == "Serial Number: 12345678"; }, 10000)) << panel(1);
    EXPECT_FALSE(Child(window, "FirmwareR2")->isHidden());

    sim->Stop();
    ASSERT_TRUE(WaitFor([&] { return panel(1).rfind(text::PortLost, 0) == 0; }, 10000)) << panel(1);
    EXPECT_TRUE(panel(1).ends_with(text::WaitingForPort)) << panel(1);
    sim = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--model", "K5", "--link", link});
    ASSERT_TRUE(WaitFor([&] { return panel(2) == "Firmware Version: 1.05       Model: K5"; }, 10000)) << panel(1);
    EXPECT_EQ(panel(1), "Serial port back: " + link);
    EXPECT_EQ(panel(3), "") << "a K5 has no serial number";
    EXPECT_TRUE(Child(window, "FirmwareR2")->isHidden());
    EXPECT_FALSE(Child(window, "FirmwareK5")->isHidden());

    e2e::SimProcess lumen({"--model", "L+", "--link", other});
    auto* connect = Child<QPushButton>(window, "btnConnect");
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->text(), QStringLiteral("Connect\u2026"));
    connect->click();
    chooseInDialog(other, true);
    ASSERT_TRUE(WaitFor([&] { return panel(3) == "Serial Number: 1A2B3C4D"; }, 10000)) << panel(1);
    EXPECT_EQ(panel(2), "Firmware Version: 1.05       Model: L+");
    EXPECT_EQ(settings.value("defaults", "k5device", "-"), other);
    EXPECT_EQ(settings.value("defaults", "k5port", "-"), "0");
    EXPECT_FALSE(Child(window, "firmwareLumen")->isHidden());

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

    auto* combo = Child<QComboBox>(*app.portDialog(), "Combo1");
    ASSERT_TRUE(WaitFor([&] { return combo->currentText() == QStringLiteral("No Ports Found"); }));
    app.portDialog()->close();

    QWidget& window = app.window();
    ASSERT_NE(app.logWindow(), nullptr);
    // The offscreen screen is narrower than the two windows side by side:
    // the log window still opens wholly on it.
    const QWidget* logWindow = app.logWindow();
    EXPECT_TRUE(WaitFor([&] { return logWindow->screen()->availableGeometry().contains(logWindow->frameGeometry()); }))
        << logWindow->frameGeometry().x() << " " << logWindow->frameGeometry().width();
    EXPECT_TRUE(f.dialogs.shown.empty()) << "no message box for a missing port";

    f.dialogs.answers = {true};
    f.clock.Advance(1000);
    EXPECT_EQ(f.dialogs.Texts("question"), std::vector<std::string>{"Is this an K5 controller?"});
    EXPECT_EQ(PanelText(window, 2), text::VersionNotAvailable);
    EXPECT_TRUE(Child(window, "btnReadShows")->isHidden()) << "no controller buttons without a port";
}

// How each model's window looks is ModelSetup's; here, that the title names a
// simulated controller, also once a transfer has emptied the caption.
TEST(StartupWindow, ASimulatedControllerIsNamedInTheTitle)
{
    DesktopFixture f("L+", "L+");
    DesktopApp& app = f.App();
    app.Start();
    EXPECT_EQ(app.portDialog(), nullptr);
    f.clock.RunUntilIdle(5000);
    QWidget& window = app.window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Marrowick Interface Utility - simulated L+ controller"));
    app.window().view().setWindowCaption(""); // as a transfer leaves it
    EXPECT_EQ(window.windowTitle(), QStringLiteral("simulated L+ controller"));
}

} // namespace
} // namespace marrowick::testing
