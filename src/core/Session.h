#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "conversations/Conversation.h"
#include "conversations/Identification.h"
#include "features/FeatureContext.h"
#include "features/FirmwareFeature.h"
#include "features/LibraryFeature.h"
#include "features/ShowsFeature.h"
#include "link/Link.h"
#include "link/StateEngine.h"
#include "log/LogModel.h"
#include "models/Identity.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SerialPort.h"
#include "platform/StatusSink.h"
#include "platform/View.h"
#include "projects/ProjectPaths.h"

namespace marrowick {

// The composition root: everything the program holds for one run, built and
// wired here. The window (or the command line) supplies the platform pieces and
// forwards clicks, drops and option changes; the parts below do the rest
// through the View. Nothing below this file includes it.
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
    StatusSink status;
    Identity identity;
    ProjectPaths paths;
    ConversationSlot conversations;
    // Reply allowances: each conversation's own, unless the user gave one (--timeout).
    std::optional<int> timeoutOverrideMs;
    bool PortNotFound = false;
    bool Simulated = false;

    void LogDebug(const std::string& message, int indent, int level) { log.LogDebug(message, indent, level); }
    std::int16_t State() const { return stateEngine.State(); }
    void SetState(std::int16_t state) { stateEngine.SetState(state); }
    // Status bar panels 1..3, as they show now.
    void SetStatus(int panel, const std::string& text) { status.SetStatus(panel, text); }
    const std::string& Status(int panel) const { return status.Status(panel); }

    // The window's commands.
    CommandMap& commands() { return m_commands; }
    void Click(Control control) { m_commands.Click(control); }
    void Drop(Control control, const std::vector<std::string>& files) { m_commands.Drop(control, files); }
    void MoveRows(Control list, const std::vector<int>& rows, int before) { m_commands.RowsMoved(list, rows, before); }
    void OptionSelected(Control optionArray, int index) { m_commands.OptionSelected(optionArray, index); }
    void Toggle(Control checkBox, bool checked) { m_commands.Toggled(checkBox, checked); }

    // Start-up once the port is chosen: the port opened at 9600,N,8,1, the
    // one-second timer, state 0 and the version request. False when the port
    // would not open; why goes to `error` when given, else to status panel 1.
    bool Connect(const std::string& portName, std::string* error = nullptr);
    // The user's cancel: ends the conversation that is running, if any.
    void Cancel();
    // The log window's state options: the running conversation ends first, its
    // time-out with it, so nothing of it changes the state later; then `state`.
    void ForceState(std::int16_t state);
    // The window is closing: ends any conversation and closes the port.
    void Shutdown();
    bool Closing() const { return conversations.closing; }

    Identification& identification() { return m_identification; }
    ShowsFeature& shows() { return m_shows; }
    LibraryFeature& library() { return m_library; }
    FirmwareFeature& firmware() { return m_firmware; }
    const FeatureContext& features() const { return m_featureContext; }

private:
    void OnLineEvent(const LineEvent& event);

    ConversationContext m_conversationContext;
    CommandMap m_commands;
    FeatureContext m_featureContext;
    Identification m_identification;
    ShowsFeature m_shows;
    LibraryFeature m_library;
    FirmwareFeature m_firmware;
    // Opens the model question once the event that decided it has returned.
    std::unique_ptr<Timer> m_modelQuestion;
    bool m_lost = false;
};

} // namespace marrowick
