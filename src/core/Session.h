#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Link.h"
#include "link/StateEngine.h"
#include "log/LogModel.h"
#include "models/Controller.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SerialPort.h"
#include "platform/View.h"

namespace marrowick {

class Identification;
class ShowsFeature;
class LibraryFeature;
class FirmwareFeature;

// The program's title as message boxes carry it, and the main window's caption.
inline constexpr const char* AppTitle = "Marrowick";
inline constexpr const char* MainCaption = "Marrowick Interface Utility";

// Everything the program holds for one run, and the commands the window offers.
// The window (or the command line) supplies the platform pieces and forwards
// clicks, drops and option changes; the subsystems do the rest through the View.
class Session {
public:
    Session(View& view, Dialogs& dialogs, Clock& clock, SerialPort& port);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    View& view;
    Dialogs& dialogs;
    Clock& clock;
    StateEngine stateEngine;
    Link link;
    LogModel log;

    // What the controller said about itself.
    std::string FirmwareVersion;
    std::string ControllerModel;
    std::string SerialNumber;
    std::unique_ptr<controller> CurrentController;
    bool PortNotFound = false;
    bool UnloadRequested = false;
    bool Simulated = false;

    // Project paths: the folder last chosen to open shows from, and the project
    // folder (with a trailing separator) that saves go into.
    std::string BrowseFolder;
    std::string ProjectFolder;

    void LogDebug(const std::string& message, int indent, int level) { log.LogDebug(message, indent, level); }
    std::int16_t State() const { return stateEngine.State(); }
    void SetState(std::int16_t state) { stateEngine.SetState(state); }

    // Status bar panels 1..3; the session remembers what each shows.
    void SetStatus(int panel, const std::string& text);
    const std::string& Status(int panel) const;

    // Reply time-outs: the conversation's own, unless the user gave one (--timeout).
    std::optional<int> timeoutOverrideMs;
    int TimeoutMs(int defaultMs) const { return timeoutOverrideMs.value_or(defaultMs); }

    // Commands, by control name.
    void OnClick(const std::string& control, std::function<void()> handler);
    void OnDrop(const std::string& control, std::function<void(const std::vector<std::string>&)> handler);
    void OnOption(const std::string& optionArray, std::function<void(int)> handler);
    void Click(const std::string& control);
    void Drop(const std::string& control, const std::vector<std::string>& files);
    void OptionSelected(const std::string& optionArray, int index);

    // Start-up once the port is chosen: the one-second timer, the port opened at
    // 9600,N,8,1, state 0 and the version request. False when the port would not
    // open; why goes to `error` when given, else to status panel 1.
    bool Connect(const std::string& portName, std::string* error = nullptr);
    // The user's cancel: ends the conversation that is running, if any.
    void Cancel();
    // The window is closing: ends any conversation and closes the port.
    void Shutdown();

    Identification& identification() { return *m_identification; }
    ShowsFeature& shows() { return *m_shows; }
    LibraryFeature& library() { return *m_library; }
    FirmwareFeature& firmware() { return *m_firmware; }

private:
    void OnLineEvent(const LineEvent& event);

    std::string m_status[3];
    std::map<std::string, std::function<void()>> m_clicks;
    std::map<std::string, std::function<void(const std::vector<std::string>&)>> m_drops;
    std::map<std::string, std::function<void(int)>> m_options;
    bool m_lost = false;

    std::unique_ptr<Identification> m_identification;
    std::unique_ptr<ShowsFeature> m_shows;
    std::unique_ptr<LibraryFeature> m_library;
    std::unique_ptr<FirmwareFeature> m_firmware;
};

} // namespace marrowick
