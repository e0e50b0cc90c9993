#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Settings.h"

namespace marrowick {

class Session;

// The port selection dialog as start-up sees it: shown modally over the main
// window, it reports the chosen port number (0 for none) once it has closed.
class PortChooser {
public:
    virtual ~PortChooser() = default;
    virtual void ChoosePort(int current, std::function<void(int chosen)> done) = 0;
};

// The log window as start-up sees it: shown beside the main window, showing
// the session's log, which start-up has just opened.
class LogWindowHost {
public:
    virtual ~LogWindowHost() = default;
    virtual void ShowLogWindow() = 0;
};

// The main window's start-up, in order: the stored port number, the port
// dialog, the number stored again, the log window when "debugmode" asks for it,
// then the one-second timer, the port and the version request (Session::Connect).
// The single-instance hand-over comes before all this, before any window exists.
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
    // Stored values that could not be read and were taken as their defaults;
    // shown in status panel 1 and, when the log window is open, logged.
    const std::vector<std::string>& Notices() const { return m_notices; }

    std::function<void()> onFinished;

private:
    void AfterPortDialog(int chosen);
    void OpenLogAndConnect();
    void ShowNotices();

    Session& m_session;
    Settings& m_settings;
    PortChooser& m_ports;
    LogWindowHost& m_logWindow;
    std::int16_t m_comPortNumber = 0;
    std::vector<std::string> m_notices;
    bool m_finished = false;
    bool m_portOpened = false;
};

// "k5port" as a port number: a whole decimal number that fits 16 bits; false otherwise.
bool ParsePortSetting(const std::string& text, std::int16_t& number);
// "debugmode" as a switch: "true"/"false" in any letter case, or a number (non-zero is true).
bool ParseSwitchSetting(const std::string& text, bool& value);

} // namespace marrowick
