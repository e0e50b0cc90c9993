#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Settings.h"

namespace marrowick {

class Session;

// The port start-up opens: a numbered port 1..16, a device the user typed
// (its path, with number 0), or none (0 and no device).
struct PortChoice {
    int number = 0;
    std::string device;
};

// The port selection dialog as start-up sees it: shown modally over the main
// window, it reports the chosen port once it has closed.
class PortChooser {
public:
    virtual ~PortChooser() = default;
    virtual void ChoosePort(const PortChoice& current, std::function<void(const PortChoice& chosen)> done) = 0;
};

// The log window as start-up sees it: shown beside the main window, showing
// the session's log, which start-up has just opened.
class LogWindowHost {
public:
    virtual ~LogWindowHost() = default;
    virtual void ShowLogWindow() = 0;
};

// The main window's start-up, in order: the stored port ("k5port", and
// "k5device" for a device the user typed), the port dialog, both stored again,
// the Show tab's "backupshows" and "verifyshows" check boxes, the log window
// when "debugmode" asks for it, then the one-second timer, the
// port (the typed device when there is one) and the version request
// (Session::Connect).
// The single-instance hand-over comes before all this, before any window exists.
// "Connect…" (btnConnect) later runs the port part again: the port let go, the
// dialog, the choice stored, the window set up afresh for the controller on
// the chosen port (Session::Reconnect). With a simulated controller there is
// no dialog: the simulated controller is identified again.
class Startup {
public:
    Startup(Session& session, Settings& settings, PortChooser& ports, LogWindowHost& logWindow);

    // With a simulated controller there is no port to choose or to remember.
    bool simulated = false;

    // Runs the steps; the port dialog closes later, so the rest follows then.
    void Run();
    bool Finished() const { return m_finished; }
    bool PortOpened() const { return m_portOpened; }
    std::int16_t ComPortNumber() const { return m_comPortNumber; }
    // The device typed in the port dialog; empty when a numbered port is used.
    const std::string& Device() const { return m_device; }
    // Stored values that could not be read and were taken as their defaults;
    // shown in status panel 1 and, when the log window is open, logged.
    const std::vector<std::string>& Notices() const { return m_notices; }

    std::function<void()> onFinished;

    // "Connect…": refused silently before start-up has finished, while the
    // port dialog is open, and while a conversation runs (Session::Disconnect);
    // asked about first when the show table has edits not saved.
    void ConnectAgain();

private:
    void StoreChoice(const PortChoice& chosen);
    std::string PortName() const;
    void AfterPortDialog(const PortChoice& chosen);
    // A stored "true"/"false"; an unreadable value is taken as false and noted.
    bool StoredSwitch(const std::string& key);
    // "backupshows" and "verifyshows": the Show tab's check boxes, stored again when changed.
    void TakeWriteSwitches();
    void OpenLogAndConnect();
    // The stored values taken as defaults, and why the port did not open.
    void ShowNotices(const std::string& portProblem);

    Session& m_session;
    Settings& m_settings;
    PortChooser& m_ports;
    LogWindowHost& m_logWindow;
    std::int16_t m_comPortNumber = 0;
    std::string m_device;
    std::vector<std::string> m_notices;
    int m_keepSwitches = 0;
    bool m_finished = false;
    bool m_portOpened = false;
    bool m_choosing = false; // the port dialog of "Connect…" is open
};

// "k5port" as a port number: a whole decimal number that fits 16 bits; false otherwise.
bool ParsePortSetting(const std::string& text, std::int16_t& number);
// "debugmode" as a switch: "true"/"false" in any letter case, or a number (non-zero is true).
bool ParseSwitchSetting(const std::string& text, bool& value);

} // namespace marrowick
