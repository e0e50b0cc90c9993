#include "core/Session.h"

#include <utility>

#include "features/Availability.h"
#include "features/FirmwarePresenter.h"
#include "features/IdentityPresenter.h"
#include "features/ModelSetup.h"
#include "features/Texts.h"

namespace marrowick {

Session::Session(View& view_, Dialogs& dialogs_, Clock& clock_, SerialPort& port)
    : m_countingDialogs(dialogs_), view(view_), dialogs(m_countingDialogs), clock(clock_),
      link(port, clock_, stateEngine),
      status(view_, clock_, log, conversations), m_conversationContext{link,     clock_,        log,
                                                                       identity, conversations, timeoutOverrideMs},
      m_featureContext{view_, dialogs, m_conversationContext, paths, m_commands, status},
      m_identification(m_conversationContext), m_shows(m_featureContext), m_library(m_featureContext),
      m_firmware(m_featureContext), m_modelQuestion(clock_.createTimer()), m_portWatch(clock_.createTimer()),
      m_modelNoticeBox(clock_.createTimer()), m_rejoinTimer(clock_.createTimer())
{
    link.LineEventReceived.connect([this](const LineEvent& event) { OnLineEvent(event); });
    link.Port().onNotice = [this](const std::string& notice) { log.LogDebug(notice, 0, LogBaseline); };
    m_commands.OnClick(control::btnCancel, [this] { Cancel(); });
    // What the commands can do changes with every command, every conversation
    // and every change of the line.
    m_commands.afterCommand = [this] { RefreshCommands(); };
    conversations.Started.connect([this](const Conversation&) { RefreshCommands(); });
    conversations.Ended.connect([this](const Conversation&, const Result&) { RefreshCommands(); });
    m_commands.onOutOfMemory = [this] {
        status.Say(text::Why(Result::Fail(ResultCode::Refused, Reason::OutOfMemory)));
    };
    // The caption's mark and Undo and Redo follow every edit, save and new table.
    m_shows.EditsChanged.connect([this] {
        SetCaption(m_caption);
        RefreshCommands();
    });
    m_identification.Changed.connect([this] { ShowIdentity(); });
    m_identification.VersionUnavailable.connect([this] { view.setTabEnabled(TabFirmware, false); });
    // A reply that names a model sets the window up at once. Otherwise the user
    // is asked, from a timer of its own: the model reply's receive event (or
    // the lost port's report) has returned by then, so what the controller
    // sends while the question is open is read and dropped.
    m_modelQuestion->onTimeout = [this] {
        if (!Closing())
            SetUpModel();
    };
    m_identification.ModelDecided.connect([this] {
        if (!MakeController(identity.ControllerModel)) {
            // A controller still starting after its reset is asked again, not the person.
            if (m_rejoin.active)
                return;
            m_modelQuestion->start(0);
            return;
        }
        SetUpModel();
    });
    m_portWatch->onTimeout = [this] { OnPortWatch(); };
    m_firmware.ResetSent.connect([this](const std::string& before) {
        if (rejoinAfterReset)
            StartRejoin(before);
    });
    m_rejoinTimer->onTimeout = [this] { OnRejoinTimer(); };
    m_identification.Finished.connect([this](const Result&) {
        // What the controller said, as panels 2 and 3 show it, for the log.
        const std::string serial = SerialText(identity);
        log.LogDebug("Identified: " + VersionAndModelText(identity) + (serial.empty() ? "" : "   " + serial), 0,
                     LogBaseline);
        m_firmware.RefreshInfo(m_firmware.WindowOptions());
        if (m_rejoin.active) {
            if (!identity.versionMissing && !identity.FirmwareVersion.empty())
                EndRejoin(FirmwareUpdatedText(m_rejoin.versionBefore, identity.FirmwareVersion));
            else
                m_rejoinTimer->start(RejoinRetryMs);
        }
        // Once the receive event that ended it has returned.
        if (!m_modelNotice.empty())
            m_modelNoticeBox->start(0);
    });
    m_modelNoticeBox->onTimeout = [this] {
        const std::string notice = std::exchange(m_modelNotice, {});
        if (!notice.empty() && !Closing())
            dialogs.message(notice, AppTitle, DialogIcon::Information);
    };
    m_library.ShowCapacity();
    RefreshCommands();
}

Session::~Session() = default;

void Session::ShowIdentity()
{
    status.SetPanel(2, VersionAndModelText(identity));
    status.SetPanel(3, SerialText(identity));
}

void Session::SetCaption(const std::string& caption)
{
    m_caption = caption;
    view.setWindowCaption(EditedCaption(m_caption, m_shows.Edits().Unsaved()));
}

std::string Session::CloseQuestion() const
{
    if (Closing())
        return {};
    // The few seconds of an identification are stopped without a question.
    const Conversation* running = conversations.Active();
    std::optional<ConversationKind> stopped;
    if (running != nullptr && running->Kind() != ConversationKind::Identification)
        stopped = running->Kind();
    return text::CloseQuestionText(stopped, m_shows.Edits().Unsaved());
}

void Session::SetUpModel()
{
    RunModelSetup(view, dialogs, identity, log, PortNotFound);
    m_library.ShowCapacity();
    // Shows and clips made for another model are not kept as if they were this one's.
    std::string notice = m_shows.ControllerChanged();
    if (const std::string beyond = m_library.ClipsBeyond(); !beyond.empty()) {
        status.Say(beyond);
        notice += (notice.empty() ? "" : ".\r\n") + beyond;
    }
    m_modelNotice = notice;
    if (!notice.empty() && m_identification.Running() == false)
        m_modelNoticeBox->start(0);
    RefreshCommands();
}

bool Session::Connect(const std::string& portName, std::string* error)
{
    m_portName = portName;
    m_portWatch->stop();
    std::string why;
    const bool opened = link.Port().open(portName, &why);
    if (!opened) {
        SetCaption("port not found");
        PortNotFound = true;
        log.LogDebug("Port " + portName + " could not be opened: " + why, 0, LogBaseline);
        // A caller that takes the reason reports it itself; the window shows it
        // in the status bar, where it stays beside the "port not found" caption.
        if (error)
            *error = why;
        else
            status.Say(why);
    } else {
        m_lost = false;
        PortNotFound = false;
    }
    // Without a port the timer still runs: its tick reports the version as not
    // available and asks which model is attached.
    m_identification.Start(opened);
    return opened;
}

bool Session::Quiet() const
{
    return !Closing() && conversations.Active() == nullptr && State() == LinkState::StateIdle &&
           !m_modelQuestion->isActive() && !m_countingDialogs.AnyOpen();
}

bool Session::Disconnect()
{
    if (!Quiet())
        return false;
    m_portWatch->stop();
    if (link.Port().isOpen())
        link.Port().close();
    return true;
}

void Session::ForgetController()
{
    UndoModelSetup(view);
    SetCaption(MainCaption);
    identity = Identity{};
    ShowIdentity();
    PortNotFound = false;
}

bool Session::Reconnect(const std::string& portName)
{
    if (!Disconnect())
        return false;
    ForgetController();
    status.Say("");
    log.LogDebug("Connecting to " + portName, 0, LogBaseline);
    return Connect(portName);
}

void Session::OnPortWatch()
{
    if (Closing() || link.Port().isOpen()) {
        m_portWatch->stop();
        return;
    }
    // Never under a conversation (a state forced from the log window counts)
    // or a question: the next tick looks again.
    if (!Quiet())
        return;
    const DeviceLook look = link.Port().lookForDevice();
    if (look == DeviceLook::Gone)
        return;
    if (look == DeviceLook::Other) {
        // Not ours to open: the person chooses with "Connect…".
        m_portWatch->stop();
        status.Say(OtherDeviceText(m_portName));
        return;
    }
    std::string why;
    if (!link.Port().open(m_portName, &why)) {
        // A device that has just appeared may not be usable yet (its
        // permissions are set a moment later); tried again at the next tick.
        if (why != m_watchRefusal)
            log.LogDebug("Port " + m_portName + " is back but could not be opened: " + why, 0, LogBaseline);
        m_watchRefusal = why;
        return;
    }
    m_portWatch->stop();
    m_watchRefusal.clear();
    m_lost = false;
    ForgetController();
    status.Say("Serial port back: " + m_portName);
    m_identification.Start(true);
}

void Session::RefreshCommands()
{
    CommandFacts facts;
    facts.busy = conversations.Active() != nullptr || State() != LinkState::StateIdle;
    facts.portOpen = link.Port().isOpen();
    facts.showCount = m_shows.State().ShowCount;
    facts.clips = m_library.Library().ClipCount > 0;
    facts.sendingClips = m_library.Transfer().Running();
    facts.showsEditable = m_shows.Editable();
    facts.canUndo = m_shows.Edits().CanUndo();
    facts.canRedo = m_shows.Edits().CanRedo();
    for (const auto& [control, whyNot] : WhyNotAvailable(facts))
        view.setAvailable(control, whyNot);
}

void Session::Cancel()
{
    conversations.Abort(Result::Fail(ResultCode::Cancelled, Reason::Cancelled));
}

void Session::ForceState(LinkState state)
{
    conversations.Abort(Result::Fail(ResultCode::Cancelled, Reason::StateForced));
    stateEngine.SetState(state);
    // State 5 takes the next chunk as the ten K5 show blocks; no other forced
    // state has anyone to take what comes.
    if (state == LinkState::StateReceiveToc)
        m_shows.Reader().TakeForcedBlocks();
    RefreshCommands();
}

void Session::Interrupt(int signal)
{
    conversations.interruptedBy = signal;
    conversations.closing = true;
    m_portWatch->stop();
    conversations.Abort(conversations.Stopping());
}

void Session::Shutdown()
{
    conversations.closing = true;
    m_portWatch->stop();
    conversations.Abort(Result::Fail(ResultCode::Cancelled, Reason::Closing));
    if (link.Port().isOpen())
        link.Port().close();
}

void Session::StartRejoin(const std::string& versionBefore)
{
    m_rejoin = {true, versionBefore, clock.nowMs()};
    status.Say(ResettingText);
    m_rejoinTimer->start(RejoinPauseMs);
}

void Session::OnRejoinTimer()
{
    if (!m_rejoin.active || Closing())
        return;
    if (clock.nowMs() - m_rejoin.sinceMs >= RejoinLimitMs) {
        EndRejoin(NoAnswerAfterResetText);
        return;
    }
    // A port that went away with the restart is found again by the lost-port
    // watch, which identifies the controller itself.
    if (link.Port().isOpen() && Quiet()) {
        m_identification.Start(true);
        return;
    }
    m_rejoinTimer->start(RejoinRetryMs);
}

void Session::EndRejoin(const std::string& text)
{
    m_rejoin.active = false;
    m_rejoinTimer->stop();
    status.Say(text);
    // Told in a box too, once the receive event that brought the answer has returned.
    m_modelNotice += (m_modelNotice.empty() ? "" : "\r\n") + text;
    m_modelNoticeBox->start(0);
}

void Session::OnLineEvent(const LineEvent& event)
{
    if (event.kind != LineEventKind::Lost) {
        const std::string text = text::LineEventText(event.kind);
        if (text.empty())
            return; // a framing error alone is not told
        // Told without disturbing what runs; a conversation that then fails says so.
        status.Say(text);
        conversations.NoteLineError(event.kind);
        if (onLineError)
            onLineError(text);
        else if (conversations.Active() == nullptr)
            dialogs.message(text, AppTitle, DialogIcon::None);
        return;
    }
    if (m_lost)
        return; // said once; the port is closed by now
    m_lost = true;
    const std::string lost = text::PortLost + event.detail;
    const bool watch = watchLostPort && !Closing();
    const std::string message = watch ? lost + text::WaitingForPort : lost;
    // Said before the conversation ends, so it is there before anything its
    // end asks; and again after, where the conversation said its own.
    status.Say(message);
    conversations.Abort(Result::Fail(ResultCode::PortLost, Reason::PortLost, event.detail));
    link.Receive().ReadAll();
    if (State() != LinkState::StateIdle)
        stateEngine.SetState(LinkState::StateIdle);
    status.Say(message);
    RefreshCommands();
    // The conversation has ended; from now on the device is looked for.
    if (watch) {
        m_watchRefusal.clear();
        m_portWatch->start(PortWatchIntervalMs, true);
    }
}

} // namespace marrowick
