#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "app/LogWindow.h"
#include "base/Files.h"
#include "core/Session.h"

namespace marrowick::testing {
namespace {

// A session with its log window open, as start-up leaves it with "debugmode" true.
struct LogFixture {
    LogFixture() : desktop("K5", "K5")
    {
        desktop.settings.setValue("defaults", "debugmode", "true");
        desktop.App().Start();
        window = desktop.App().logWindow();
        text = window->findChild<QTextEdit*>(QStringLiteral("txtdebug"));
    }
    Session& session() { return desktop.session(); }
    template <typename W> W* Control(const char* name) { return Child<W>(*window, name); }
    QStringList Lines() const { return text->toPlainText().split(QLatin1Char('\n')); }
    QTextCharFormat FormatOfLine(int index) const
    {
        const QTextBlock block = text->document()->findBlockByNumber(index);
        return block.begin().fragment().charFormat();
    }

    DesktopFixture desktop;
    LogWindow* window = nullptr;
    QTextEdit* text = nullptr;
};

// The boxes set what the log keeps (its levels and repeats, tests/unit/LogModelTest);
// the text shows each line in its colour and size, and underlines the notice of repeats.
TEST(LogWindow, TheBoxesSetWhatIsWrittenAndTheTextShowsHowItIsMarked)
{
    LogFixture f;
    f.session().log.Clear();
    EXPECT_EQ(f.window->debuglevel(), 0xFF);
    f.Control<QCheckBox>("chkDebugLevel_0")->click();
    EXPECT_EQ(f.window->debuglevel(), 0xFE);
    f.Control<QCheckBox>("chkRepeat")->click();
    f.session().log.LogDebug("baseline line", 0, LogBaseline);
    for (int i = 0; i < 3; ++i)
        f.session().log.LogDebug("same", 0, LogAllRx);
    f.session().log.LogDebug("other", 0, LogAllTx);
    EXPECT_EQ(f.Lines(),
              (QStringList{QStringLiteral("same"), QStringLiteral("<3: duplicates>"), QStringLiteral("other")}));
    EXPECT_EQ(f.FormatOfLine(0).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(f.FormatOfLine(0).fontPointSize(), 11);
    EXPECT_FALSE(f.FormatOfLine(0).fontUnderline());
    EXPECT_TRUE(f.FormatOfLine(1).fontUnderline());
    EXPECT_EQ(f.FormatOfLine(1).foreground().color(), QColor(0, 0, 255)) << "in the colour of the repeated line";
    EXPECT_FALSE(f.FormatOfLine(2).fontUnderline()) << "the line after the notice is not underlined";

    f.Control<QPushButton>("btnDebugLevelClear")->click();
    EXPECT_EQ(f.window->debuglevel(), 0);
    f.session().log.LogDebug("sent line", 0, LogAllTx);
    EXPECT_EQ(f.Lines().size(), 3);
}

// The file's contents are LogFile's and LogRtf's; here, that the button saves
// it and the text says where it went.
TEST(LogWindow, SaveLogWritesRtfAndEmptiesTheLog)
{
    LogFixture f;
    f.session().log.LogDebug("sent {V}", 0, LogAllTx);
    f.Control<QPushButton>("btnSaveLog")->click();
    const auto file = std::filesystem::path(f.desktop.programFolder) / "logs" / "2026-06-12 12.00.00 logfile.rtf";
    std::string error;
    const auto rtf = ReadWholeFile(file, 1 << 20, &error);
    ASSERT_TRUE(rtf.has_value()) << error;
    EXPECT_EQ(rtf->rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf->find("sent \\{V\\}"), std::string::npos);
    // Emptied but for where it went.
    EXPECT_EQ(f.text->toPlainText().toStdString(), "Log saved to " + PathText(file));
}

// A save that fails says why in the text and keeps it; on closing, with "Auto
// Save" checked, it is told in a box naming where it tried, with the system's separators.
TEST(LogWindow, AFailedSaveSaysWhyAndKeepsTheTextAndOnClosingIsToldInABox)
{
    LogFixture f;
    std::filesystem::remove_all(std::filesystem::path(f.desktop.programFolder) / "logs");
    std::ofstream(f.desktop.userFolder) << "a file where the folder would be";
    f.session().log.LogDebug("keep me", 0, LogBaseline);
    f.Control<QPushButton>("btnSaveLog")->click();
    const QString text = f.text->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("keep me")));
    EXPECT_TRUE(text.contains(QStringLiteral("Log not saved: "))) << text.toStdString();
    EXPECT_TRUE(f.desktop.dialogs.shown.empty());

    f.desktop.App().window().close(); // closes the log window too
    const auto boxes = f.desktop.dialogs.Texts("message");
    ASSERT_EQ(boxes.size(), 1U);
    const QString shown = QString::fromStdString(boxes.front());
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Log not saved: "))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QDir::toNativeSeparators(QString::fromStdString(f.desktop.userFolder))))
        << shown.toStdString();
}

TEST(LogWindow, StateOptionsForceTheLinkState)
{
    LogFixture f;
    f.desktop.clock.RunUntilIdle(5000);
    ASSERT_EQ(f.session().State(), LinkState::StateIdle);
    EXPECT_TRUE(f.text->toPlainText().contains(QStringLiteral("Identified: Firmware Version: ")))
        << "what the controller said is in the log";
    auto* teach = f.Control<QRadioButton>("optState_9"); // Teach
    teach->click();
    EXPECT_EQ(f.session().State(), LinkState::StateReadShows);
    f.Control<QRadioButton>("optState_2")->click();
    EXPECT_EQ(f.session().State(), LinkState::StateIdle);

    // A read left waiting on a silent controller is ended by forcing a state, its
    // time-out with it: nothing of it changes the state set afterwards.
    f.desktop.simulator.faults().silenceAfterReplies = f.desktop.simulator.repliesSent + 1; // the table only
    f.session().commands().Click(control::btnReadShows);
    f.desktop.clock.Advance(500);
    ASSERT_EQ(f.session().State(), LinkState::StateReadShowRecords);
    f.Control<QRadioButton>("optState_2")->click();
    EXPECT_EQ(f.desktop.Panel(1), "Show read stopped: State forced from the log window");
    EXPECT_EQ(f.session().conversations.Active(), nullptr);
    teach->click();
    f.desktop.clock.Advance(60000);
    EXPECT_EQ(f.session().State(), LinkState::StateReadShows);
    EXPECT_EQ(f.desktop.Panel(1), "Show read stopped: State forced from the log window");
}

TEST(LogWindow, ClosingItEndsLoggingForTheRun)
{
    LogFixture f;
    f.Control<QCheckBox>("chkAutoSave")->click();
    f.window->close();
    EXPECT_FALSE(f.session().log.DebugMode);
    f.session().log.LogDebug("after close", 0, LogBaseline);
    EXPECT_FALSE(f.text->toPlainText().contains(QStringLiteral("after close")));
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(f.desktop.programFolder) / "logs"))
        << "nothing saved without Auto Save";
}

} // namespace
} // namespace marrowick::testing
