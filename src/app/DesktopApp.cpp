#include "app/DesktopApp.h"

#include <QGuiApplication>
#include <QScreen>

#include "core/Session.h"
#include "log/qt/LogWindow.h"
#include "platform/qt/QtDialogs.h"

namespace marrowick {

DesktopApp::DesktopApp(DesktopParts parts) : m_parts(std::move(parts))
{
    m_window = std::make_unique<MainWindow>();
    Dialogs* dialogs = m_parts.dialogs;
    if (!dialogs) {
        m_qtDialogs = std::make_unique<QtDialogs>(m_window.get());
        dialogs = m_qtDialogs.get();
    }
    m_session = std::make_unique<Session>(m_window->view(), *dialogs, m_parts.clock, m_parts.port);
    m_startup = std::make_unique<Startup>(*m_session, m_parts.settings, *this, *this);
    if (!m_parts.simulatedModel.empty()) {
        m_session->Simulated = true;
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

void DesktopApp::ChoosePort(int current, std::function<void(int)> done)
{
    auto* dialog = new PortDialog(m_parts.probe, current, m_window.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, m_window.get(),
                     [dialog, done = std::move(done)](int) { done(dialog->ComPortNumber()); });
    m_portDialog = dialog;
    dialog->show();
}

void DesktopApp::ShowLogWindow()
{
    m_logWindow = std::make_unique<LogWindow>(*m_session, m_parts.logFolders);
    PlaceBesideMainWindow(*m_logWindow);
    m_logWindow->show();
}

void DesktopApp::PlaceBesideMainWindow(QWidget& window)
{
    // Touching the main window without overlapping it: to its right when that
    // fits on the screen, otherwise below it.
    const QRect main = m_window->frameGeometry();
    window.resize(window.width(), m_window->height());
    QPoint place(main.right() + 1, main.top());
    if (const QScreen* screen = m_window->screen()) {
        const QRect available = screen->availableGeometry();
        if (place.x() + window.frameGeometry().width() > available.right() &&
            main.bottom() + 1 + window.frameGeometry().height() <= available.bottom())
            place = QPoint(main.left(), main.bottom() + 1);
    }
    window.move(place);
}

void DesktopApp::CloseLogWindow()
{
    if (m_logWindow && m_session->log.DebugMode)
        m_logWindow->close();
}

} // namespace marrowick
