#include "app/DesktopApp.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/LogWindow.h"
#include "app/QtDialogs.h"
#include "base/Files.h"
#include "core/Session.h"

namespace marrowick {
namespace {

// Keeps the log window against the main window: the window manager places the
// main window only after it is shown, and the user may move it later.
class FollowMainWindow : public QObject {
public:
    FollowMainWindow(QWidget& main, std::function<void()> place) : QObject(&main), m_place(std::move(place))
    {
        main.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            m_place();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_place;
};

} // namespace

DesktopApp::DesktopApp(DesktopParts parts) : m_parts(std::move(parts))
{
    m_window = std::make_unique<MainWindow>();
    Dialogs* dialogs = m_parts.dialogs;
    if (!dialogs) {
        m_qtDialogs = std::make_unique<QtDialogs>(m_window.get());
        dialogs = m_qtDialogs.get();
    }
    m_session = std::make_unique<Session>(m_window->view(), *dialogs, m_parts.clock, m_parts.port);
    // A pulled cable does not mean a restart: the window waits for the device to come back.
    m_session->watchLostPort = true;
    m_startup = std::make_unique<Startup>(*m_session, m_parts.settings, *this, *this);
    // Backups of the controller's shows go beside the saved logs, in the user's own data folder.
    if (!m_parts.logFolders.userDataFolder.empty())
        m_session->shows().backupRoot = Utf8FromPath(m_parts.logFolders.userDataFolder / "backups");
    if (!m_parts.simulatedModel.empty()) {
        m_startup->simulated = true;
        m_window->qtView().setCaptionSuffix(
            QStringLiteral("simulated %1 controller").arg(QString::fromStdString(m_parts.simulatedModel)));
    }
    m_window->Attach(m_session.get());
    m_window->onClosing = [this] { CloseLogWindow(); };
}

DesktopApp::~DesktopApp()
{
    m_window->Attach(nullptr);
    m_window->onClosing = nullptr;
    m_logWindow.reset();
    m_startup.reset();
    m_session.reset();
}

void DesktopApp::Start()
{
    m_window->show();
    m_startup->Run();
}

void DesktopApp::ChoosePort(const PortChoice& current, std::function<void(const PortChoice&)> done)
{
    auto* dialog = new PortDialog(m_parts.probe, current, m_window.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, m_window.get(),
                     [dialog, done = std::move(done)](int) { done(dialog->Choice()); });
    m_portDialog = dialog;
    dialog->show();
}

void DesktopApp::ShowLogWindow()
{
    m_logWindow = std::make_unique<LogWindow>(
        m_session->log, m_session->clock, [this](LinkState state) { m_session->ForceState(state); },
        m_parts.logFolders);
    // Said in a box: the main window may be closing with it, and its status bar with it.
    m_logWindow->onCloseSaveFailed = [this](const std::string& why) {
        m_session->dialogs.message("Log not saved: " + why, AppTitle, DialogIcon::Critical);
    };
    PlaceBesideMainWindow(*m_logWindow);
    m_logWindow->show();
    // Its frame is known only once the window manager has framed it.
    QTimer::singleShot(200, m_logWindow.get(), [this] { PlaceBesideMainWindow(*m_logWindow); });
    new FollowMainWindow(*m_window, [this] {
        if (m_logWindow && m_logWindow->isVisible())
            PlaceBesideMainWindow(*m_logWindow);
    });
}

void DesktopApp::PlaceBesideMainWindow(QWidget& window)
{
    // Touching the main window without overlapping it: to its right, or where
    // that leaves the screen, below it or to its left.
    const QRect main = m_window->frameGeometry();
    window.resize(window.width(), m_window->height());
    const QSize size = window.frameGeometry().size();
    QPoint place(main.right() + 1, main.top());
    if (const QScreen* screen = m_window->screen()) {
        const QRect available = screen->availableGeometry();
        const QPoint below(main.left(), main.bottom() + 1);
        const QPoint left(main.left() - size.width(), main.top());
        if (!available.contains(QRect(place, size))) {
            if (available.contains(QRect(below, size))) {
                place = below;
            } else if (available.contains(QRect(left, size))) {
                place = left;
            } else if (main.width() + size.width() <= available.width()) {
                // Side by side they fit: move the pair onto the screen.
                const int x = available.left() + (available.width() - main.width() - size.width()) / 2;
                m_window->move(x, main.top());
                place = QPoint(x + main.width(), main.top());
            } else {
                // Nowhere beside it: over its right-hand part, no larger than
                // the screen and wholly on it.
                window.resize(std::min(window.width(), available.width() - (size.width() - window.width())),
                              std::min(window.height(), available.height() - (size.height() - window.height())));
                const QSize fitted = window.frameGeometry().size();
                place.setX(std::clamp(place.x(), available.left(), available.right() + 1 - fitted.width()));
                place.setY(std::clamp(place.y(), available.top(), available.bottom() + 1 - fitted.height()));
            }
        }
    }
    window.move(place);
}

void DesktopApp::CloseLogWindow()
{
    if (m_logWindow && m_session->log.DebugMode)
        m_logWindow->close();
}

} // namespace marrowick
