#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "app/Widgets.h"
#include "core/Files.h"
#include "core/Session.h"
#include "log/qt/LogWindow.h"
#include <QLabel>
#include <QProgressBar>

namespace marrowick::testing {
namespace {

TEST(WindowWiring, ClicksDropsAndOptionsReachTheSessionByControlName)
{
    DesktopFixture f("K5", "K5");
    DesktopApp& app = f.App();
    Session& session = f.session();
    QWidget& window = app.window();

    std::vector<std::string> clicked;
    for (const char* name : {"btnCancel", "btnReadShows", "Command3", "btnFirmware"})
        session.OnClick(name, [&clicked, name] { clicked.push_back(name); });
    for (const char* name : {"btnCancel", "btnReadShows", "Command3", "btnFirmware"})
        window.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(clicked, (std::vector<std::string>{"btnCancel", "btnReadShows", "Command3", "btnFirmware"}));

    std::vector<std::string> dropped;
    session.OnDrop("List1", [&](const std::vector<std::string>& files) { dropped = files; });
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

    View& view = app.window().view();
    EXPECT_EQ(view.selectedOption("OptFirmware"), 4);
    EXPECT_EQ(view.selectedOption("Option2"), 5);
    EXPECT_EQ(view.selectedOption("Option1"), 0);
    EXPECT_EQ(view.selectedOption("Option3"), 2);
    std::vector<int> chosen;
    session.OnOption("Option2", [&](int index) { chosen.push_back(index); });
    window.findChild<QRadioButton*>(QStringLiteral("Option2_1"))->click();
    EXPECT_EQ(chosen, std::vector<int>{1}) << "only the option turned on is reported";
    EXPECT_EQ(view.selectedOption("Option2"), 1);
}

TEST(WindowWiring, ViewShowsRowsProgressLightAndCancel)
{
    DesktopFixture f("K5", "K5");
    DesktopApp& app = f.App();
    View& view = app.window().view();
    QWidget& window = app.window();

    view.setRows("ListShows", {{"Show 0", "1", "2", "3", "4", "5", "6", "7"}, {"Show 1", "0"}});
    auto* shows = window.findChild<QTreeWidget*>(QStringLiteral("ListShows"));
    ASSERT_EQ(shows->topLevelItemCount(), 2);
    EXPECT_EQ(shows->topLevelItem(0)->text(0), QStringLiteral("Show 0"));
    EXPECT_EQ(shows->topLevelItem(0)->text(7), QStringLiteral("7"));

    view.setProgressMaximum(3e6);
    view.setProgressValue(4e6);
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    EXPECT_EQ(bar->maximum(), 3000000);
    EXPECT_EQ(bar->value(), 3000000) << "never above the maximum";

    view.setFillColor("Shape1", Rgb{0, 255, 0});
    EXPECT_EQ(window.findChild<StatusLight*>(QStringLiteral("Shape1"))->fillColor(), QColor(0, 255, 0));

    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    EXPECT_TRUE(cancel->isHidden());
    view.setVisible("btnCancel", true);
    EXPECT_FALSE(cancel->isHidden());
    view.setCaption("lblFirmwareInfo", "image 106");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblFirmwareInfo"))->text(), QStringLiteral("image 106"));
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

    app.window().close();
    EXPECT_TRUE(f.session().UnloadRequested);
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

} // namespace
} // namespace marrowick::testing
