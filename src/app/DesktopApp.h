#pragma once

#include <QPointer>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "core/Startup.h"
#include "log/LogFile.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/Settings.h"
#include "ui/Dialogs.h"

namespace marrowick {

class LogWindow;
class QtDialogs;

// What the desktop program runs on. Tests give a manual clock, scripted
// dialogs, a simulated port and a settings file of their own.
struct DesktopParts {
    Clock& clock;
    SerialPort& port;
    Settings& settings;
    Dialogs* dialogs = nullptr; // null: real message boxes over the main window
    PortProbe probe;
    LogFolders logFolders;
    std::string simulatedModel; // not empty: the in-process simulated controller
};

// The desktop program of one run: the main window, the session behind it, the
// port dialog and the log window, started in their order.
class DesktopApp : public PortChooser, public LogWindowHost {
public:
    explicit DesktopApp(DesktopParts parts);
    ~DesktopApp() override;

    // Shows the main window and runs the start-up.
    void Start();

    MainWindow& window() { return *m_window; }
    Session& session() { return *m_session; }
    Startup& startup() { return *m_startup; }
    // While it is open.
    PortDialog* portDialog() const { return m_portDialog; }
    LogWindow* logWindow() const { return m_logWindow.get(); }

    void ChoosePort(const PortChoice& current, std::function<void(const PortChoice&)> done) override;
    void ShowLogWindow() override;

private:
    void PlaceBesideMainWindow(QWidget& window);
    void CloseLogWindow();

    DesktopParts m_parts;
    std::unique_ptr<QtDialogs> m_qtDialogs;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Startup> m_startup;
    std::unique_ptr<LogWindow> m_logWindow;
    QPointer<PortDialog> m_portDialog;
};

} // namespace marrowick
