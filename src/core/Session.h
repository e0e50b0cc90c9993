#pragma once

#include <cstdint>
#include <functional>
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
#include "features/StatusBar.h"
#include "link/Link.h"
#include "link/StateEngine.h"
#include "log/LogModel.h"
#include "models/Identity.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "projects/ProjectPaths.h"
#include "ui/Dialogs.h"
#include "ui/View.h"

namespace marrowick {

// Dialogs passed on to the real ones, counting those open: while a question
// waits for its answer (a nested event loop in the window), a lost port that
// comes back is left until it has been answered.
class CountingDialogs : public Dialogs {
public:
    explicit CountingDialogs(Dialogs& dialogs) : m_dialogs(dialogs) {}

    void message(const std::string& text, const std::string& caption, DialogIcon icon) override
    {
        const Open open(m_open);
        m_dialogs.message(text, caption, icon);
    }
    bool question(Question id, const std::string& text, const std::string& caption, DialogIcon icon) override
    {
        const Open open(m_open);
        return m_dialogs.question(id, text, caption, icon);
    }
    std::optional<std::string> prompt(const std::string& text, const std::string& title,
                                      const std::string& defaultText) override
    {
        const Open open(m_open);
        return m_dialogs.prompt(text, title, defaultText);
    }
    std::optional<std::string> chooseFolder(const std::string& title) override
    {
        const Open open(m_open);
        return m_dialogs.chooseFolder(title);
    }
    std::vector<std::string> openFiles(const std::string& filter) override
    {
        const Open open(m_open);
        return m_dialogs.openFiles(filter);
    }
    void failure(const std::string& text, const std::string& folder) override
    {
        const Open open(m_open);
        m_dialogs.failure(text, folder);
    }
    bool confirm(Question id, const std::string& text, bool& askAgain) override
    {
        const Open open(m_open);
        return m_dialogs.confirm(id, text, askAgain);
    }

    bool AnyOpen() const { return m_open > 0; }

private:
    struct Open {
        explicit Open(int& count) : m_count(count) { ++m_count; }
        ~Open() { --m_count; }
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;
        int& m_count;
    };

    Dialogs& m_dialogs;
    int m_open = 0;
};

// The composition root: everything the program holds for one run, built and
// wired here. The window (or the command line) supplies the platform pieces and
// forwards clicks, drops and option changes; the parts below do the rest
// through the View. Nothing below this file includes it.
class Session {
    CountingDialogs m_countingDialogs; // first, so `dialogs` below can be it

public:
    // How often a lost port's device is looked for.
    static constexpr int PortWatchIntervalMs = 1000;
    // After the reset: the pause before the controller is first asked, the
    // pause between tries, and how long it may take to start again.
    static constexpr int RejoinPauseMs = 2000;
    static constexpr int RejoinRetryMs = 1000;
    static constexpr int RejoinLimitMs = 15000;
    // The window waits for a reset controller to come back and names its new
    // version; the command line ends with the download.
    bool rejoinAfterReset = true;

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
    Identity identity;
    ProjectPaths paths;
    ConversationSlot conversations;
    StatusBar status;
    // Reply allowances: each conversation's own, unless the user gave one (--timeout).
    std::optional<int> timeoutOverrideMs;
    bool PortNotFound = false;
    // The window waits for a lost port to come back and identifies the
    // controller on it again; the command line ends instead.
    bool watchLostPort = false;
    // Where an error the line reported is told besides panel 1 and the log:
    // the window shows it in a box once no conversation runs (unset); the
    // command line prints it on stderr at once.
    std::function<void(const std::string&)> onLineError;

    LinkState State() const { return stateEngine.State(); }
    // The window's commands: clicks, drops, options, check boxes.
    CommandMap& commands() { return m_commands; }

    // Start-up once the port is chosen: the port opened at 9600,N,8,1, the
    // one-second timer, state 0 and the version request. False when the port
    // would not open; why goes to `error` when given, else to status panel 1.
    bool Connect(const std::string& portName, std::string* error = nullptr);
    // Lets go of the port for the user's "Connect…": stops watching for a
    // lost port and closes the port. Refused (false) while a conversation
    // runs, a question is open or the program closes.
    bool Disconnect();
    // "Connect…" once the port is chosen: the window set back to how it was
    // at start-up, what the earlier controller said forgotten, then Connect.
    // False when refused (see Disconnect) or when the port would not open.
    bool Reconnect(const std::string& portName);
    // A lost port's device is looked for once a second until it is back.
    bool WatchingLostPort() const { return m_portWatch->isActive(); }
    // The user's cancel: ends the conversation that is running, if any.
    void Cancel();
    // The log window's state options: the running conversation ends first, its
    // time-out with it, so nothing of it changes the state later; then `state`.
    void ForceState(LinkState state);
    // The window is closing: ends any conversation and closes the port.
    void Shutdown();
    // SIGINT, SIGTERM or SIGHUP (the console's Ctrl+C or close on Windows): the
    // running conversation ends as on Cancel (the firmware loader is told to
    // stop), and nothing further starts; the program then ends.
    void Interrupt(int signal);
    bool Closing() const { return conversations.closing; }
    // What closing the window now would cost, as the question to ask first
    // (a conversation stopped half-way, edits of the show table not saved);
    // empty when it can close at once.
    std::string CloseQuestion() const;

    Identification& identification() { return m_identification; }
    ShowsFeature& shows() { return m_shows; }
    LibraryFeature& library() { return m_library; }
    FirmwareFeature& firmware() { return m_firmware; }
    const FeatureContext& features() const { return m_featureContext; }

private:
    void OnLineEvent(const LineEvent& event);
    void ShowIdentity();
    // The window caption, marked while the show table has edits not saved.
    void SetCaption(const std::string& caption);
    // Greys out the commands that would do nothing now, saying why.
    void RefreshCommands();
    void SetUpModel();
    // Nothing runs on the line and no question waits for an answer.
    bool Quiet() const;
    void ForgetController();
    void OnPortWatch();

    ConversationContext m_conversationContext;
    CommandMap m_commands;
    FeatureContext m_featureContext;
    Identification m_identification;
    ShowsFeature m_shows;
    LibraryFeature m_library;
    FirmwareFeature m_firmware;
    // Opens the model question once the event that decided it has returned.
    std::unique_ptr<Timer> m_modelQuestion;
    std::unique_ptr<Timer> m_portWatch;
    // What a controller of another model changed (shows let go, clips that no
    // longer fit), told in a box once the identification has ended.
    std::string m_modelNotice;
    std::unique_ptr<Timer> m_modelNoticeBox;
    // After the reset that applies new firmware: the controller is identified
    // again once it has started, for up to RejoinLimitMs.
    void StartRejoin(const std::string& versionBefore);
    void OnRejoinTimer();
    void EndRejoin(const std::string& text);
    struct Rejoin {
        bool active = false;
        std::string versionBefore;
        std::int64_t sinceMs = 0;
    } m_rejoin;
    std::unique_ptr<Timer> m_rejoinTimer;
    std::string m_caption = MainCaption; // as set, before the mark of unsaved edits
    std::string m_portName;              // as last given to Connect
    std::string m_watchRefusal;          // why the port that came back would not open, said once
    bool m_lost = false;
};

} // namespace marrowick
