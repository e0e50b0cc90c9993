#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "GuiSupport.h"

namespace marrowick::testing {
namespace {

struct DialogFixture {
    DialogFixture(std::vector<PortEntry> found, int current)
        : dialog((ports.entries = std::move(found), ports.Probe()), current)
    {
        combo = dialog.findChild<QComboBox*>(QStringLiteral("Combo1"));
        done = dialog.findChild<QPushButton*>(QStringLiteral("Command1"));
    }
    bool Search()
    {
        dialog.show();
        return WaitFor(
                   [&] { return !ports.tried.empty() || combo->currentText() == QStringLiteral("No Ports Found"); }) &&
               WaitFor([&] { return !combo->currentText().startsWith(QStringLiteral("Finding")); });
    }

    FakePorts ports;
    PortDialog dialog;
    QComboBox* combo = nullptr;
    QPushButton* done = nullptr;
};

TEST(PortDialog, ListsThePortsThatOpenAndSelectsTheOneUsedLastTime)
{
    DialogFixture f({Port(2), Port(3), Port(17)}, 3);
    std::vector<QString> statusWhileTrying;
    f.ports.whileTrying = [&](int) { statusWhileTrying.push_back(f.combo->currentText()); };
    EXPECT_EQ(f.dialog.windowTitle(), QStringLiteral("  Select Com Port"));
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("Finding Com Ports"));
    ASSERT_TRUE(f.Search());

    EXPECT_EQ(f.ports.tried, (std::vector<int>{2, 3})) << "ports above 16 are never tried";
    EXPECT_EQ(statusWhileTrying,
              (std::vector<QString>{QStringLiteral("Finding Com Ports."), QStringLiteral("Finding Com Ports..")}));
    ASSERT_EQ(f.combo->count(), 2);
    EXPECT_EQ(f.combo->itemText(0), QStringLiteral("COM2"));
    EXPECT_EQ(f.combo->itemData(1).toInt(), 3);
    EXPECT_EQ(f.combo->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB3 - Adapter 3"));
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("COM3"));

    f.done->click();
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.dialog.ComPortNumber(), 3);
}

TEST(PortDialog, WithoutAMatchingPortItWillNotCloseUntilOneIsPicked)
{
    DialogFixture f({Port(2), Port(3)}, 5);
    ASSERT_TRUE(f.Search());
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
        DialogFixture f({Port(2)}, 2);
        f.dialog.show();
        f.dialog.close();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), 0);
        // The search never runs after the dialog has gone.
        WaitFor([] { return false; }, PortDialog::SearchDelayMs + 100);
        EXPECT_TRUE(f.ports.tried.empty());
    }
    {
        DialogFixture f({}, 4);
        ASSERT_TRUE(f.Search());
        EXPECT_EQ(f.combo->currentText(), QStringLiteral("No Ports Found"));
        f.done->click();
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(f.dialog.ComPortNumber(), 0);
    }
}

} // namespace
} // namespace marrowick::testing
