#pragma once

#include <QMainWindow>
#include <functional>

#include "app/QtView.h"

namespace marrowick {

class Session;

// The main window `frmInterface`. It knows no command: every button click,
// file drop and option choice goes to the session by the control's name, and
// the session changes the window through the View.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    View& view() { return m_view; }
    QtView& qtView() { return m_view; }
    // Starts forwarding the window's events to the session (null: stop).
    void Attach(Session* session);
    // Restored if minimised, raised and activated (a later start handed over).
    void BringToFront();

    // Runs after the session has shut down, while the window closes.
    std::function<void()> onClosing;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Wire();

    QtView m_view;
    Session* m_session = nullptr;
    // The person said to stop what runs and close.
    bool m_closeConfirmed = false;
};

} // namespace marrowick
