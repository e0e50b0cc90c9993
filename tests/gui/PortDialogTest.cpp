#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "link/PortDiagnosis.h"

namespace marrowick::testing {
namespace {

struct DialogFixture {
    DialogFixture(std::vector<PortEntry> found, PortChoice current, std::map<std::string, std::string> refused = {})
        : dialog((ports.entries = std::move(found), ports.refused = std::move(refused), ports.Probe()),
                 std::move(current))
    {
        combo = dialog.findChild<QComboBox*>(QStringLiteral("Combo1"));
        done = dialog.findChild<QPushButton*>(QStringLiteral("Command1"));
        hint = dialog.findChild<QLabel*>(QStringLiteral("lblTypeDevice"));
    }
    bool Search()
    {
        dialog.show();
        return WaitFor(
                   [&] { return !ports.tried.empty() || combo->currentText() == QStringLiteral("No Ports Found"); }) &&
               WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); });
    }

    bool Selectable(int index) const
    {
        return (combo->model()->flags(combo->model()->index(index, 0)) & Qt::ItemIsEnabled) != 0;
    }

    FakePorts ports;
    PortDialog dialog;
    QComboBox* combo = nullptr;
    QPushButton* done = nullptr;
    QLabel* hint = nullptr;
};

// What the dialog says of a typed port number: the diagnosis's words (tests/unit/PortDiagnosisTest).
std::string Told(PortProblem problem, const std::string& port)
{
    PortFacts facts;
    facts.problem = problem;
    facts.port = port;
    return DescribePortProblem(facts);
}

// The search says that it runs, a dot more for each port it tries, and lists
// the ports by number; without the one used last time, nothing is picked and
// the dialog will not close until a port is.
TEST(PortDialog, WithoutAMatchingPortItWillNotCloseUntilOneIsPicked)
{
    DialogFixture f({Port(2), Port(3)}, {5, ""});
    std::vector<QString> statusWhileTrying;
    f.ports.whileTrying = [&](int) { statusWhileTrying.push_back(f.combo->currentText()); };
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("Finding Com Ports"));
    ASSERT_TRUE(f.Search());
    EXPECT_EQ(statusWhileTrying,
              (std::vector<QString>{QStringLiteral("Finding Com Ports."), QStringLiteral("Finding Com Ports..")}));
    EXPECT_EQ(f.combo->itemData(1).toInt(), 3);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("Select.."));
    EXPECT_EQ(f.combo->currentIndex(), -1);

    f.done->click();
    EXPECT_TRUE(f.dialog.isVisible());
    f.dialog.close();
    EXPECT_TRUE(f.dialog.isVisible()) << "the close box is refused too";
    f.dialog.reject();
    EXPECT_TRUE(f.dialog.isVisible()) << "and Escape";

    f.combo->setCurrentIndex(0);
    f.dialog.close();
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.dialog.ComPortNumber(), 2) << "the close box takes the selected entry";
}

TEST(PortDialog, ClosedBeforeTheSearchOrWithoutPortsItLeavesNoPort)
{
    {
        DialogFixture f({Port(2)}, {2, ""});
        f.dialog.show();
        f.dialog.close();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), 0);
        // The search never runs after the dialog has gone.
        WaitFor([] { return false; }, PortDialog::SearchDelayMs + 100);
        EXPECT_TRUE(f.ports.tried.empty());
    }
    {
        DialogFixture f({}, {4, ""});
        ASSERT_TRUE(f.Search());
        EXPECT_EQ(f.combo->currentText(), QStringLiteral("No Ports Found"));
        f.done->click();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), 0);
    }
}

// Ports that would not open are listed greyed with the reason as tooltip and
// cannot be chosen; ports above 16 are neither tried nor listed; the port used
// last time is preselected; the device typed last time is tried, listed after
// the numbered ports and preselected when it opens, and kept when nothing opens.
TEST(PortDialog, PortsThatWouldNotOpenAreGreyedAndATypedDeviceIsOfferedAgain)
{
    const std::string busy = "COM2 (/dev/ttyUSB2) is in use by minicom (pid 812): close that program and try again.";
    const std::string gone = "/dev/pts/7 does not exist: is the adapter plugged in?";
    struct Case {
        const char* name;
        std::vector<PortEntry> found;
        PortChoice remembered;
        std::map<std::string, std::string> refused;
        std::vector<QString> entries;  // in list order
        std::vector<bool> selectable;  // per entry
        std::vector<QString> tooltips; // per entry
        QString text;                  // once the search has ended
        PortChoice closedWith;         // by "Done", once its entry (if it has one) is picked
    };
    const QString busyTip = QString::fromStdString(busy);
    const QString goneTip = QString::fromStdString(gone);
    const std::vector<Case> cases = {
        {"busy port greyed, stored number preselected",
         {Port(1), Port(2), Port(3), Port(17)},
         {3, ""},
         {{"/dev/ttyUSB2", busy}},
         {"COM1", "COM2", "COM3"},
         {true, false, true},
         {"/dev/ttyUSB1 - Adapter 1", busyTip, "/dev/ttyUSB3 - Adapter 3"},
         "COM3",
         {3, ""}},
        {"a greyed port is never preselected",
         {Port(1), Port(2)},
         {2, ""},
         {{"/dev/ttyUSB2", busy}},
         {"COM1", "COM2"},
         {true, false},
         {"/dev/ttyUSB1 - Adapter 1", busyTip},
         "Select..",
         {1, ""}},
        {"typed device listed last and preselected",
         {Port(2), Port(3)},
         {0, "/dev/pts/7"},
         {},
         {"COM2", "COM3", "/dev/pts/7"},
         {true, true, true},
         {"/dev/ttyUSB2 - Adapter 2", "/dev/ttyUSB3 - Adapter 3", "/dev/pts/7"},
         "/dev/pts/7",
         {0, "/dev/pts/7"}},
        {"typed device that opens when no numbered port does",
         {},
         {0, "/dev/pts/7"},
         {},
         {"/dev/pts/7"},
         {true},
         {"/dev/pts/7"},
         "/dev/pts/7",
         {0, "/dev/pts/7"}},
        {"typed device gone: greyed, the user picks a port",
         {Port(2)},
         {0, "/dev/pts/7"},
         {{"/dev/pts/7", gone}},
         {"COM2", "/dev/pts/7"},
         {true, false},
         {"/dev/ttyUSB2 - Adapter 2", goneTip},
         "Select..",
         {2, ""}},
        {"nothing opens: no port, the typed device kept for start-up to explain",
         {Port(2)},
         {0, "/dev/pts/7"},
         {{"/dev/ttyUSB2", busy}, {"/dev/pts/7", gone}},
         {"COM2", "/dev/pts/7"},
         {false, false},
         {busyTip, goneTip},
         "No Ports Found",
         {0, "/dev/pts/7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogFixture f(c.found, c.remembered, c.refused);
        std::vector<QString> statusWhileTrying;
        f.ports.whileTrying = [&](int) { statusWhileTrying.push_back(f.combo->currentText()); };
        ASSERT_TRUE(f.Search());
        EXPECT_EQ(std::count(f.ports.tried.begin(), f.ports.tried.end(), 17), 0);
        ASSERT_EQ(f.combo->count(), static_cast<int>(c.entries.size()));
        for (int i = 0; i < f.combo->count(); ++i) {
            EXPECT_EQ(f.combo->itemText(i), c.entries[static_cast<std::size_t>(i)]) << i;
            EXPECT_EQ(f.Selectable(i), c.selectable[static_cast<std::size_t>(i)]) << i;
            EXPECT_EQ(f.combo->itemData(i, Qt::ToolTipRole).toString(), c.tooltips[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(f.combo->currentText(), c.text);
        if (!c.remembered.device.empty()) {
            EXPECT_EQ(statusWhileTrying.back(), QStringLiteral("Finding Com Ports") + QString(16, QLatin1Char('.')))
                << "the typed device is tried after the sixteen numbered ports, with a dot of its own";
        }

        // A greyed entry picked all the same is no choice.
        for (int i = 0; i < f.combo->count(); ++i) {
            if (f.Selectable(i) || c.text == QStringLiteral("No Ports Found"))
                continue;
            f.combo->setCurrentIndex(i);
            f.done->click();
            EXPECT_TRUE(f.dialog.isVisible()) << "greyed entry " << i << " was taken";
        }
        // Back to the entry to close with; with no port at all, "Done" closes as it is.
        const QString closeWith = c.closedWith.device.empty() ? QStringLiteral("COM%1").arg(c.closedWith.number)
                                                              : QString::fromStdString(c.closedWith.device);
        for (int i = 0; i < f.combo->count(); ++i)
            if (f.Selectable(i) && f.combo->itemText(i) == closeWith)
                f.combo->setCurrentIndex(i);
        f.done->click();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), c.closedWith.number);
        EXPECT_EQ(f.dialog.Device(), c.closedWith.device);
    }
}

// Another device is typed into the list's text field: a path, or on Windows
// a name such as COM23. It is tried at once: one that would not open keeps the
// dialog open with the reason below the list. A typed numbered port means the
// listed one.
TEST(PortDialog, WhatIsTypedIsTheChoiceWhenItNamesAPortThatCanBeUsed)
{
    const std::string busy = "COM2 (/dev/ttyUSB2) is in use by minicom (pid 812): close that program and try again.";
    const std::string windows = "COM24 is a Windows port name and no such device exists here: use COM1 to COM16 or a "
                                "device path such as /dev/ttyUSB0.";
    const std::string gone = "/dev/ttyUSB9 does not exist: is the adapter plugged in?";
    struct Case {
        QString typed;
        bool closes;
        PortChoice chosen;
        std::string hint; // when it stays open
    };
    const std::vector<Case> cases = {
        {"/dev/pts/7", true, {0, "/dev/pts/7"}, ""},
        {"  /dev/ttyUSB3 ", true, {0, "/dev/ttyUSB3"}, ""},
        {"COM23", true, {0, "COM23"}, ""},
        {"\\\\.\\COM23", true, {0, "\\\\.\\COM23"}, ""},
        {"com3", true, {3, ""}, ""},
        {"3", true, {3, ""}, ""},
        {"COM24", false, {}, windows},
        {"/dev/ttyUSB9", false, {}, gone},
        {"COM2", false, {}, busy},
        {"COM5", false, {}, Told(PortProblem::NoDevice, "COM5")},
        {"23", false, {}, Told(PortProblem::BadNumber, "COM23")},
        {"COM0", false, {}, Told(PortProblem::BadNumber, "COM0")},
        {"", false, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        DialogFixture f({Port(2), Port(3)}, {5, ""},
                        {{"/dev/ttyUSB2", busy}, {"COM24", windows}, {"/dev/ttyUSB9", gone}});
        ASSERT_TRUE(f.Search());
        const QString hint = f.hint->text();
        EXPECT_FALSE(hint.isEmpty()) << "the dialog says that another device can be typed";
        Type(*f.combo, c.typed);
        f.done->click();
        EXPECT_EQ(f.dialog.isVisible(), !c.closes);
        if (c.closes) {
            EXPECT_EQ(f.dialog.ComPortNumber(), c.chosen.number);
            EXPECT_EQ(f.dialog.Device(), c.chosen.device);
            continue;
        }
        EXPECT_EQ(f.hint->text().toStdString(), c.hint.empty() ? hint.toStdString() : c.hint);
        // Picking from the list again puts the hint back and closes.
        f.combo->setCurrentIndex(1);
        emit f.combo->activated(1);
        EXPECT_EQ(f.hint->text(), hint);
        f.done->click();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), 3);
    }

    // With no port at all, emptying the text drops the device typed last time.
    DialogFixture f({}, {0, "/dev/pts/7"}, {{"/dev/pts/7", "gone"}});
    ASSERT_TRUE(f.Search());
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("No Ports Found"));
    Type(*f.combo, QString());
    f.done->click();
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.dialog.ComPortNumber(), 0);
    EXPECT_EQ(f.dialog.Device(), "");
}

} // namespace
} // namespace marrowick::testing
