#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "app/LogWindow.h"
#include "app/Widgets.h"
#include "base/Files.h"
#include "core/Session.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "support/SoundFiles.h"
#include "support/TempFolder.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <algorithm>

namespace marrowick::testing {
namespace {

// Stands in for the system's opener of local files: records what it was asked to open.
class FileOpener : public QObject {
    Q_OBJECT
public:
    FileOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~FileOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<std::string> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url.toLocalFile().toStdString()); }
};

TEST(WindowWiring, ClicksDropsAndOptionsReachTheSessionByControlName)
{
    DesktopFixture f("K5", "K5");
    DesktopApp& app = f.App();
    Session& session = f.session();
    QWidget& window = app.window();

    // Buttons that would do nothing are greyed, with the reason as their tooltip.
    auto* clear = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    auto* read = window.findChild<QPushButton*>(QStringLiteral("btnReadShows"));
    EXPECT_FALSE(read->isEnabled());
    EXPECT_EQ(read->toolTip(), QStringLiteral("No controller connected"));
    app.Start();
    f.clock.RunUntilIdle(5000);
    EXPECT_TRUE(read->isEnabled());
    EXPECT_EQ(read->toolTip(), QString()) << "its own tooltip again";
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_EQ(clear->toolTip(), QStringLiteral("No clips in the library"));
    const QString clipFile = f.folder.filePath(QStringLiteral("a.mp3"));
    WriteFile(U8Path(clipFile.toStdString()), "x");
    session.commands().Drop(control::List1, {clipFile.toStdString()});
    EXPECT_TRUE(clear->isEnabled());

    std::vector<std::string> clicked;
    for (Control button : {control::btnCancel, control::btnReadShows, control::Command3, control::btnFirmware})
        session.commands().OnClick(button, [&clicked, button] { clicked.push_back(button.name); });
    for (Control button : {control::btnCancel, control::btnReadShows, control::Command3, control::btnFirmware})
        window.findChild<QPushButton*>(QString::fromLatin1(button.name))->click();
    EXPECT_EQ(clicked, (std::vector<std::string>{"btnCancel", "btnReadShows", "Command3", "btnFirmware"}));

    // A screen reader has a name for every control the window shows, and is
    // told which tab is open.
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QStringLiteral("qt_")) ||
            !widget->isVisibleTo(&window))
            continue;
        const QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(reader, nullptr);
        EXPECT_FALSE(reader->text(QAccessible::Name).isEmpty()) << widget->objectName().toStdString();
    }
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    tabs->setCurrentIndex(1);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(tabs)->text(QAccessible::Description),
              QStringLiteral("Open: ") + tabs->tabText(1));

    std::vector<std::string> dropped;
    session.commands().OnDrop(control::List1, [&](const std::vector<std::string>& files) { dropped = files; });
    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("List1"));
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(QStringLiteral("/music/a b.mp3")), QUrl::fromLocalFile(QStringLiteral("/x.wav"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
    EXPECT_EQ(dropped, (std::vector<std::string>{"/music/a b.mp3", "/x.wav"}));

    // Rows dragged within the list, and the Delete key on it.
    std::vector<int> moved;
    int before = -1;
    session.commands().OnRowsMoved(control::List1, [&](const std::vector<int>& rows, int to) {
        moved = rows;
        before = to;
    });
    bool removed = false;
    session.commands().OnClick(control::btnRemoveClip, [&] { removed = true; });
    app.window().view().setRows(control::List1, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
    auto* files = static_cast<FileDropList*>(list);
    files->topLevelItem(1)->setSelected(true);
    files->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(app.window().view().selectedRows(control::List1), (std::vector<int>{1, 2}));
    files->MoveSelectionTo(files->visualItemRect(files->topLevelItem(0)).topLeft() + QPoint(2, 1));
    EXPECT_EQ(moved, (std::vector<int>{1, 2}));
    EXPECT_EQ(before, 0);
    files->MoveSelectionTo(QPoint(5, files->viewport()->height() - 2));
    EXPECT_EQ(before, 3) << "below the last row is the end";
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(files, &del);
    EXPECT_TRUE(removed);

    View& view = app.window().view();
    EXPECT_EQ(view.selectedOption(control::OptFirmware), 4);
    EXPECT_EQ(view.selectedOption(control::Option2), 5);
    EXPECT_EQ(view.selectedOption(control::Option1), 0);
    EXPECT_EQ(view.selectedOption(control::Option3), 2);
    std::vector<int> chosen;
    session.commands().OnOption(control::Option2, [&](int index) { chosen.push_back(index); });
    window.findChild<QRadioButton*>(QStringLiteral("Option2_1"))->click();
    EXPECT_EQ(chosen, std::vector<int>{1}) << "only the option turned on is reported";
    EXPECT_EQ(view.selectedOption(control::Option2), 1);
}

// Every control the program addresses is a widget of the window, of a kind
// that shows what the program sets.
TEST(WindowWiring, EveryControlTheProgramNamesExistsInTheWindow)
{
    DesktopFixture f("K5", "K5");
    QWidget& window = f.App().window();
    for (const Control& control : AllControls()) {
        const QString name = QString::fromLatin1(control.name);
        QObject* found = control.kind == ControlKind::Window ? &window : window.findChild<QObject*>(name);
        ASSERT_NE(found, nullptr) << control.name;
        EXPECT_EQ(found->objectName(), name);
        const bool fits = [&] {
            switch (control.kind) {
            case ControlKind::Button:
                return qobject_cast<QPushButton*>(found) != nullptr;
            case ControlKind::Check:
                return qobject_cast<QCheckBox*>(found) != nullptr;
            case ControlKind::Label:
                return qobject_cast<QLabel*>(found) != nullptr;
            case ControlKind::List:
                return qobject_cast<QTreeWidget*>(found) != nullptr;
            case ControlKind::OptionArray:
                return qobject_cast<QButtonGroup*>(found) != nullptr;
            case ControlKind::Choice:
                return qobject_cast<QComboBox*>(found) != nullptr;
            case ControlKind::Progress:
                return qobject_cast<QProgressBar*>(found) != nullptr;
            default:
                return qobject_cast<QWidget*>(found) != nullptr;
            }
        }();
        EXPECT_TRUE(fits) << control.name;
    }
}

TEST(WindowWiring, ViewShowsRowsProgressLightAndCancel)
{
    DesktopFixture f("K5", "K5");
    DesktopApp& app = f.App();
    View& view = app.window().view();
    QWidget& window = app.window();

    view.setRows(control::ListShows, {{"Show 0", "1", "2", "3", "4", "5", "6", "7"}, {"Show 1", "0"}});
    auto* shows = window.findChild<QTreeWidget*>(QStringLiteral("ListShows"));
    ASSERT_EQ(shows->topLevelItemCount(), 2);
    EXPECT_EQ(shows->topLevelItem(0)->text(0), QStringLiteral("Show 0"));
    EXPECT_EQ(shows->topLevelItem(0)->text(7), QStringLiteral("7"));

    view.setProgressMaximum(3e6);
    view.setProgressValue(4e6);
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    EXPECT_EQ(bar->maximum(), 3000000);
    EXPECT_EQ(bar->value(), 3000000) << "never above the maximum";

    view.setMeter(control::barCapacity, 4063232, 3700000, "3.7 MB of 4.1 MB used (4 clips)", true);
    auto* capacity = window.findChild<QProgressBar*>(QStringLiteral("barCapacity"));
    EXPECT_EQ(capacity->text(), QStringLiteral("3.7 MB of 4.1 MB used (4 clips)"));
    EXPECT_EQ(capacity->value(), 3700000);
    EXPECT_NE(capacity->palette().color(QPalette::Highlight), bar->palette().color(QPalette::Highlight));

    view.setFillColor(control::Shape1, Rgb{0, 255, 0});
    EXPECT_EQ(window.findChild<StatusLight*>(QStringLiteral("Shape1"))->fillColor(), QColor(0, 255, 0));

    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    EXPECT_TRUE(cancel->isHidden());
    view.setVisible(control::btnCancel, true);
    EXPECT_FALSE(cancel->isHidden());
    view.setCaption(control::lblFirmwareInfo, "image 106");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblFirmwareInfo"))->text(), QStringLiteral("image 106"));
}

// The clip list shows each clip's playing time and format; a text file named
// .mp3 is marked with a warning sign that says why; the library's playing
// time stands beside the capacity bar.
TEST(WindowWiring, TheClipListShowsTimeAndFormatAndMarksAFileThatIsNeitherWavNorMp3)
{
    DesktopFixture f("K5", "K5");
    QWidget& window = f.App().window();
    const std::string song = f.folder.filePath(QStringLiteral("song.mp3")).toStdString();
    WriteFile(U8Path(song), Mp3Bytes({44100, false, std::vector<int>(200, 128), false, 0, 3}));
    const std::string notes = f.folder.filePath(QStringLiteral("notes.mp3")).toStdString();
    WriteFile(U8Path(notes), "Notes about the show, not a sound.\n");
    f.session().commands().Drop(control::List1, {song, notes});

    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("List1"));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Time"));
    EXPECT_EQ(list->headerItem()->text(4), QStringLiteral("Format"));
    const QTreeWidgetItem* mp3 = list->topLevelItem(0);
    EXPECT_EQ(mp3->text(3), QStringLiteral("0:05"));
    EXPECT_EQ(mp3->text(4), QStringLiteral("MP3 128 kbit/s 44.1 kHz stereo"));
    EXPECT_TRUE(mp3->icon(0).isNull());
    const QTreeWidgetItem* text = list->topLevelItem(1);
    EXPECT_EQ(text->text(3), QString());
    EXPECT_EQ(text->text(4), QStringLiteral("Not WAV or MP3"));
    EXPECT_FALSE(text->icon(0).isNull());
    EXPECT_TRUE(text->toolTip(1).contains(QStringLiteral("neither WAV nor MP3"))) << text->toolTip(1).toStdString();
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblPlayingTime"))->text(), QStringLiteral("Playing time 0:05"));

    // A double click on a clip opens it as the system opens files.
    FileOpener opener;
    list->scrollToItem(list->topLevelItem(1));
    const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
    for (const QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
        QMouseEvent click(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &click);
    }
    EXPECT_EQ(opener.opened, std::vector<std::string>{notes});
}

// A clip transfer on the 9600-baud line: the label beside the bar says how far
// it is and how long it still needs, and is emptied when the transfer has ended.
TEST(WindowWiring, TheLineBesideTheBarShowsHowLongATransferStillNeeds)
{
    DesktopFixture f("R2", "R2");
    DesktopApp& app = f.App();
    app.Start();
    f.clock.RunUntilIdle(5000);
    ASSERT_TRUE(f.port.isOpen());
    QWidget& window = app.window();

    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    auto* line = window.findChild<QLabel*>(QStringLiteral("lblProgress"));
    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    ASSERT_NE(line, nullptr);
    // Bar, line and Cancel, in this order, in one row.
    const auto* row = [&]() -> QLayout* {
        for (auto* layout : window.findChildren<QHBoxLayout*>())
            if (layout->indexOf(bar) >= 0)
                return layout;
        return nullptr;
    }();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->indexOf(line), row->indexOf(bar) + 1);
    EXPECT_EQ(row->indexOf(cancel), row->indexOf(line) + 1);
    EXPECT_EQ(line->text(), QString()) << "nothing runs";

    // Two clips: packet 1 carries 2032 bytes after the table, nine more 2048 each.
    std::vector<std::string> clips;
    for (const auto& [name, size] : {std::pair{"a.mp3", 10000}, std::pair{"b.mp3", 10464}}) {
        clips.push_back(f.folder.filePath(QString::fromLatin1(name)).toStdString());
        WriteFile(U8Path(clips.back()), std::string(static_cast<std::size_t>(size), 'x'));
    }
    f.session().commands().Drop(control::List1, clips);
    f.port.SetBytesPerSecond(960);
    window.findChild<QPushButton*>(QStringLiteral("BtnWriteLibrary"))->click();
    f.clock.Advance(9000); // four packets in, six to go: about 13 s
    const QRegularExpression during(QStringLiteral("^packet 4 of 10 \u00B7 about 1[0-9] s left$"));
    EXPECT_TRUE(during.match(line->text()).hasMatch()) << line->text().toStdString();
    EXPECT_EQ(bar->value(), 4) << "the bar counts the packets taken, as the line beside it";

    f.clock.RunUntilIdle(60000);
    EXPECT_EQ(f.Panel(1), "Audio Library Transmission Complete");
    EXPECT_EQ(line->text(), QString()) << "emptied when the transfer ended";
}

TEST(WindowWiring, ClosingShutsDownTheSessionAndSavesTheLog)
{
    DesktopFixture f("R2", "R2");
    f.settings.setValue("defaults", "debugmode", "true");
    DesktopApp& app = f.App();
    app.Start();
    f.clock.RunUntilIdle(5000);
    ASSERT_TRUE(f.port.isOpen());
    ASSERT_NE(app.logWindow(), nullptr);
    ASSERT_TRUE(app.logWindow()->isVisible());

    // In the middle of a read, closing asks first; No keeps it running.
    f.port.SetBytesPerSecond(960);
    f.session().commands().Click(control::btnReadShows);
    f.clock.Advance(500);
    ASSERT_NE(f.session().conversations.Active(), nullptr);
    const auto answer = [&](QMessageBox::StandardButton button) {
        app.window().close();
        QMessageBox* box = nullptr;
        for (QMessageBox* asked : app.window().findChildren<QMessageBox*>(QStringLiteral("stopAndClose")))
            if (asked->isVisible())
                box = asked;
        ASSERT_NE(box, nullptr);
        box->button(button)->click();
    };
    answer(QMessageBox::No);
    EXPECT_FALSE(f.session().Closing());
    EXPECT_NE(f.session().conversations.Active(), nullptr) << "still reading";
    answer(QMessageBox::Yes);
    EXPECT_TRUE(f.session().Closing());
    EXPECT_FALSE(f.port.isOpen());
    EXPECT_FALSE(app.logWindow()->isVisible());
    EXPECT_FALSE(f.session().log.DebugMode);
    const auto saved = std::filesystem::path(f.programFolder) / "logs" / "2026-06-12 12.00.00 logfile.rtf";
    ASSERT_TRUE(std::filesystem::exists(saved));
    std::string error;
    const auto rtf = ReadWholeFile(saved, 1 << 20, &error);
    ASSERT_TRUE(rtf.has_value()) << error;
    EXPECT_NE(rtf->find("Closing Logfile at 06/12/2026 12:00:00"), std::string::npos);
    EXPECT_NE(rtf->find("Model set up as R2"), std::string::npos);
}

// The Show tab's two check boxes are kept in the settings ("backupshows",
// "verifyshows", off at first) and make "Write Shows" back up the
// controller's shows into the user's data folder first and check them after.
TEST(WindowWiring, ShowWriteCheckBoxesAreRememberedAndBackUpAndVerifyTheWrite)
{
    DesktopFixture f("R2", "R2");
    const auto box = [&](const char* name) {
        return f.App().window().findChild<QCheckBox*>(QString::fromLatin1(name));
    };
    const auto stored = [&](const char* key) { return f.settings.value("defaults", key, "unset"); };
    f.App().Start();
    f.clock.RunUntilIdle(5000);
    ASSERT_NE(box("chkBackupShows"), nullptr);
    ASSERT_NE(box("chkVerifyShows"), nullptr);
    EXPECT_EQ(box("chkBackupShows")->text(), QStringLiteral("Back up the controller's shows first"));
    EXPECT_EQ(box("chkVerifyShows")->text(), QStringLiteral("Verify after writing"));
    EXPECT_FALSE(box("chkBackupShows")->isChecked());
    EXPECT_FALSE(box("chkVerifyShows")->isChecked());

    // Unguarded, a write is asked about first; "Do not ask again" is kept.
    f.session().commands().Click(control::btnReadShows); // and No to the offer to save
    f.clock.RunUntilIdle(60000);
    auto* write = f.App().window().findChild<QPushButton*>(QStringLiteral("btnWriteShows"));
    f.simulator.state().showCount = 0;
    write->click();
    f.clock.RunUntilIdle(120000);
    EXPECT_EQ(f.simulator.state().showCount, 0) << "No writes nothing";
    f.dialogs.answers = {true};
    f.dialogs.doNotAskAgain = true;
    QString unguardedWrite;
    const int watch = f.session().stateEngine.StateChanged.connect([&](LinkState state) {
        if (state == LinkState::StateWriteShows)
            unguardedWrite = QString::fromStdString(f.Panel(1));
    });
    write->click();
    f.clock.RunUntilIdle(120000);
    f.session().stateEngine.StateChanged.disconnect(watch);
    EXPECT_EQ(unguardedWrite, QStringLiteral("Writing Shows")) << "not the read's text";
    EXPECT_EQ(f.simulator.state().showCount, 3);
    EXPECT_EQ(
        f.dialogs.Texts("question"),
        (std::vector<std::string>{"Save Shows To Computer?",
                                  "Write 3 shows and the ambient show to the R2? This replaces the shows it holds.",
                                  "Write 3 shows and the ambient show to the R2? This replaces the shows it holds."}));
    EXPECT_EQ(stored("dontaskbeforewrite"), "true");
    f.dialogs.shown.clear();

    // A box changed by the program (or a screen reader) counts as a click does.
    box("chkBackupShows")->click();
    box("chkVerifyShows")->setChecked(true);
    box("chkVerifyShows")->setChecked(false);
    EXPECT_EQ(stored("backupshows"), "true");
    EXPECT_EQ(stored("verifyshows"), "false");
    box("chkVerifyShows")->click();
    EXPECT_EQ(stored("verifyshows"), "true");
    f.App().window().close();
    f.app.reset();

    // The next run takes them from the settings.
    DesktopApp& app = f.App();
    Session& session = f.session();
    app.Start();
    f.clock.RunUntilIdle(5000);
    EXPECT_TRUE(box("chkBackupShows")->isChecked());
    EXPECT_TRUE(box("chkVerifyShows")->isChecked());
    session.log.DebugMode = true;                    // the log window's log
    session.commands().Click(control::btnReadShows); // and No to the offer to save
    f.clock.RunUntilIdle(60000);
    ASSERT_EQ(session.shows().State().ShowCount, 3);
    auto* panel1 = app.window().findChild<QLabel*>(QStringLiteral("StatusBar1_1"));
    QString whileWriting;
    session.stateEngine.StateChanged.connect([&](LinkState state) {
        if (state == LinkState::StateWriteShows)
            whileWriting = panel1->text();
    });
    // The controller keeps show 1 with one byte changed: the check says so in
    // a box that leads to the backup.
    f.simulator.faults().corruptStoredShow = 1;
    app.window().findChild<QPushButton*>(QStringLiteral("btnWriteShows"))->click();
    f.clock.RunUntilIdle(120000);

    const auto folder = PathFromUtf8(f.userFolder) / "backups" / "R2 1A2B3C4D 2026-06-12 12.00.00";
    EXPECT_EQ(whileWriting.toStdString(), "Shows Backed Up To: " + PathText(folder));
    EXPECT_EQ(panel1->text().left(19), QStringLiteral("Show Verify Failed:"));
    for (const char* file : {"000.CFG", "000.R2S", "001.R2S", "002.R2S", "003.R2S"})
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / file)) << file;
    ASSERT_EQ(f.dialogs.Texts("failure").size(), 1U);
    EXPECT_EQ(f.dialogs.Texts("failure").front(), panel1->text().toStdString());
    EXPECT_EQ(f.dialogs.shown.back().folder, Utf8FromPath(folder));
    // What panel 1 told is in the log too.
    for (const std::string& told :
         std::vector<std::string>{"Backing Up Shows", "Verifying Shows", panel1->text().toStdString()}) {
        const auto& lines = session.log.Lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const LogLine& line) {
            return line.text.find(told) != std::string::npos;
        })) << told;
    }
    EXPECT_EQ(f.dialogs.Texts("question"), std::vector<std::string>{"Save Shows To Computer?"})
        << "offered after the read only; a guarded write is not asked about";
}

// The show table changed in the window: a cell of the list in its spin box
// and a choice below it. A write carries those bytes and no others; Ctrl+Z
// takes an edit back; the caption is marked while edits are not saved, and a
// read that would throw them away asks first.
TEST(WindowWiring, TheShowTableIsEditedInTheWindow)
{
    DesktopFixture f("R2", "R2");
    DesktopApp& app = f.App();
    QWidget& window = app.window();
    app.Start();
    f.clock.RunUntilIdle(5000);
    Child<QTabWidget>(window, "SSTab1")->setCurrentIndex(TabShows);
    window.activateWindow(); // its shortcuts work while it is the active window
    ASSERT_TRUE(WaitFor([&] { return window.isActiveWindow(); }));
    auto* read = Child<QPushButton>(window, "btnReadShows");
    auto* list = Child<QTreeWidget>(window, "ListShows");
    auto* triggerA = Child<QComboBox>(window, "cboTriggerA");
    const auto marked = [&] { return window.windowTitle().startsWith(QLatin1Char('*')); };
    // A key pressed as the keyboard does it; shortcuts come first.
    const auto press = [](QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                          const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(to, &down);
    };
    // A cell clicked and a digit typed: the cell's spin box, if it has one, takes it, and Enter changes the cell.
    const auto edit = [&](int row, int column, char digit) {
        const QPoint at = list->visualRect(list->model()->index(row, column)).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &click);
        }
        press(list, Qt::Key_0 + (digit - '0'), Qt::NoModifier, QString(QLatin1Char(digit)));
        for (QSpinBox* spin : list->viewport()->findChildren<QSpinBox*>()) {
            if (!spin->isVisible())
                continue;
            press(spin, Qt::Key_Return);
            QCoreApplication::sendPostedEvents(); // the commit the key has queued
            return true;
        }
        return false;
    };
    // The table carries the controller's serial number, as a write puts it there.
    f.simulator.state().image.replace(168, 4, "\x4D\x3C\x2B\x1A");
    read->click(); // and No to the offer to save
    f.clock.RunUntilIdle(60000);
    const std::string table = f.simulator.TableReply();
    EXPECT_FALSE(marked());

    EXPECT_FALSE(edit(5, 4, '7')) << "show 5 does not exist";
    EXPECT_FALSE(edit(2, 1, '7')) << "a show's start is not edited";
    EXPECT_TRUE(edit(2, 4, '7'));
    EXPECT_EQ(list->topLevelItem(2)->text(4), QStringLiteral("7"));
    ASSERT_EQ(triggerA->count(), 6) << "Next, Previous, Stop and a start for each of the three shows";
    press(triggerA, Qt::Key_End);
    EXPECT_EQ(triggerA->currentText(), QStringLiteral("Show # 3 Start"));
    EXPECT_TRUE(marked());

    // Written and verified: the controller's table differs in those two bytes.
    Child<QCheckBox>(window, "chkVerifyShows")->setChecked(true);
    f.port.SetBytesPerSecond(960);
    Child<QPushButton>(window, "btnWriteShows")->click();
    f.clock.Advance(100);
    EXPECT_FALSE(triggerA->isEnabled()) << "no edits while the shows are written";
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    f.clock.RunUntilIdle(120000);
    EXPECT_EQ(f.Panel(1), "Shows Verified");
    std::string expected = table;
    expected[2 * 16 + 9] = 7;
    expected[166] = 5;
    EXPECT_EQ(f.simulator.TableReply(), expected);

    // The shortcut clicks Undo as a person would see it: pressed for a moment.
    press(&window, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("z"));
    EXPECT_TRUE(WaitFor([&] { return triggerA->currentText() == QStringLiteral("Next"); }));
    EXPECT_TRUE(marked()) << "show 2's volume is still edited";

    // No keeps the edits and sends nothing; Yes reads the controller's table.
    std::string sent;
    f.session().link.BytesSent.connect([&](std::string_view bytes) { sent.append(bytes); });
    f.dialogs.answers = {false, true}; // No; then Yes, and No to the offer to save
    read->click();
    EXPECT_EQ(f.dialogs.shown.back().question, Question::LoseEdits);
    EXPECT_EQ(sent, "");
    EXPECT_TRUE(marked());
    window.close(); // asked about too; No keeps the window
    const auto asked = window.findChildren<QMessageBox*>(QStringLiteral("stopAndClose"));
    ASSERT_EQ(asked.size(), 1);
    asked.front()->button(QMessageBox::No)->click();
    EXPECT_TRUE(window.isVisible());
    read->click();
    f.clock.RunUntilIdle(60000);
    EXPECT_EQ(sent.substr(0, 1), "u");
    EXPECT_EQ(triggerA->currentText(), QStringLiteral("Show # 3 Start")) << "as the controller holds it";
    EXPECT_FALSE(marked());
}

#if defined(Q_OS_UNIX)
// The model question and the offer to save after a read open once the receive
// event that brought the last reply has returned. Whatever the controller sends
// while one is open is read and dropped then, and does not wait in the port to
// spoil the next reply. Real port, real pseudo-terminal, real time.
TEST(WindowWiring, QuestionsOpenAfterTheReceiveEventAndWhatComesMeanwhileIsDropped)
{
    struct Case {
        const char* model;    // the controller's model reply
        const char* question; // while it is open, stray bytes come over the line
        int reads;            // reads of the shows, the last one after the question
    };
    for (const Case& c : {Case{"X9", "Is this an K5 controller?", 1}, Case{"K5", "Save Shows To Computer?", 2}}) {
        SCOPED_TRACE(c.question);
        QTemporaryDir folder;
        QtSettings settings(folder.filePath(QStringLiteral("settings.ini")));
        ControllerState state = SampleControllerState("K5");
        state.model = c.model;
        PtyController line(state);
        ASSERT_FALSE(line.path.empty());
        settings.setValue("defaults", "k5port", "1");
        settings.setValue("ports", "com1", line.path);
        QtClock clock;
        QtSerialPort port(&settings);
        ScriptedDialogs dialogs;
        dialogs.answers = {true}; // Yes, it is a K5; No to every offer to save
        bool strayed = false;
        dialogs.whileOpen = [&](const ScriptedDialogs::Shown& shown) {
            if (shown.text != c.question || strayed)
                return;
            strayed = true;
            line.Write("stray");
            // A question is modal: the program's events go on until it is answered.
            QEventLoop answering;
            QTimer::singleShot(300, &answering, &QEventLoop::quit);
            answering.exec();
        };
        FakePorts ports;
        ports.entries = {PortEntry{1, line.path, "pseudo-terminal"}};
        const std::string programFolder = folder.filePath(QStringLiteral("program")).toStdString();
        DesktopApp app(
            DesktopParts{clock, port, settings, &dialogs, ports.Probe(), LogFolders{programFolder, programFolder}, ""});
        Session& session = app.session();
        bool identified = false;
        session.identification().Finished.connect([&](const Result&) { identified = true; });
        std::vector<Result> reads;
        session.shows().Reader().Finished.connect([&](const Result& outcome) { reads.push_back(outcome); });

        app.Start();
        auto* combo = app.portDialog()->findChild<QComboBox*>(QStringLiteral("Combo1"));
        ASSERT_TRUE(WaitFor([&] { return combo->currentText() == QStringLiteral("COM1"); }));
        app.portDialog()->close();
        ASSERT_TRUE(WaitFor([&] { return identified && session.identity.Model() != nullptr; }));
        EXPECT_EQ(session.identity.Model()->Name(), "K5");
        for (int read = 1; read <= c.reads; ++read) {
            session.commands().Click(control::btnReadShows);
            const auto offered = [&] {
                const auto questions = dialogs.Texts("question");
                return std::count(questions.begin(), questions.end(), "Save Shows To Computer?");
            };
            ASSERT_TRUE(WaitFor([&] { return reads.size() == static_cast<std::size_t>(read) && offered() == read; }))
                << "read " << read << ": " << PanelText(app.window(), 1);
        }
        EXPECT_TRUE(strayed);
        for (const Result& outcome : reads)
            EXPECT_TRUE(outcome.ok()) << static_cast<int>(outcome.reason);
        EXPECT_EQ(session.shows().State().ShowCount, 3);
        EXPECT_EQ(session.State(), LinkState::StateIdle);
        session.Shutdown();
    }
}
#endif

} // namespace
} // namespace marrowick::testing

#include "WindowWiringTest.moc"
