#include "core/Session.h"

#include "base/Texts.h"
#include "features/ModelSetup.h"

namespace marrowick {

Session::Session(View& view_, Dialogs& dialogs_, Clock& clock_, SerialPort& port)
    : view(view_), dialogs(dialogs_), clock(clock_), link(port, clock_, stateEngine),
      status(view_), m_conversationContext{link, clock_, status, log, identity, conversations, timeoutOverrideMs},
      m_featureContext{view_, dialogs_, m_conversationContext, paths, m_commands},
      m_identification(m_conversationContext), m_shows(m_featureContext), m_library(m_featureContext),
      m_firmware(m_featureContext), m_modelQuestion(clock_.createTimer())
{
    link.LineEventReceived.connect([this](const LineEvent& event) { OnLineEvent(event); });
    link.Port().onNotice = [this](const std::string& notice) { LogDebug(notice, 0, LogBaseline); };
    m_commands.OnClick(control::btnCancel, [this] { Cancel(); });
    m_identification.VersionUnavailable.connect([this] { view.setTabEnabled(TabFirmware, false); });
    // A reply that names a model sets the window up at once. Otherwise the user
    // is asked, from a timer of its own: the model reply's receive event (or
    // the lost port's report) has returned by then, so what the controller
    // sends while the question is open is read and dropped.
    m_modelQuestion->onTimeout = [this] {
        if (Closing())
            return;
        RunModelSetup(view, dialogs, identity, log, PortNotFound);
        m_library.ShowCapacity();
    };
    m_identification.ModelDecided.connect([this] {
        if (!MakeController(identity.ControllerModel)) {
            m_modelQuestion->start(0);
            return;
        }
        RunModelSetup(view, dialogs, identity, log, PortNotFound);
        m_library.ShowCapacity();
    });
    m_identification.Finished.connect([this](const Result&) { m_firmware.RefreshInfo(m_firmware.WindowOptions()); });
    m_library.ShowCapacity();
}

Session::~Session() = default;

bool Session::Connect(const std::string& portName, std::string* error)
{
    std::string why;
    const bool opened = link.Port().open(portName, &why);
    if (!opened) {
        view.setWindowCaption("port not found");
        PortNotFound = true;
        LogDebug("Port " + portName + " could not be opened: " + why, 0, LogBaseline);
        // A caller that takes the reason reports it itself; the window shows it
        // in the status bar, where it stays beside the "port not found" caption.
        if (error)
            *error = why;
        else
            SetStatus(1, why);
    } else {
        m_lost = false;
        PortNotFound = false;
    }
    // Without a port the timer still runs: its tick reports the version as not
    // available and asks which model is attached.
    m_identification.Start(opened);
    return opened;
}

void Session::Cancel()
{
    conversations.Abort(Result::Fail(ResultCode::Cancelled, "Cancelled"));
}

void Session::ForceState(std::int16_t state)
{
    conversations.Abort(Result::Fail(ResultCode::Cancelled, "State forced from the log window"));
    SetState(state);
}

void Session::Shutdown()
{
    conversations.closing = true;
    conversations.Abort(Result::Fail(ResultCode::Cancelled, "The program is closing"));
    if (link.Port().isOpen())
        link.Port().close();
}

void Session::OnLineEvent(const LineEvent& event)
{
    const char* text = nullptr;
    switch (event.kind) {
    case LineEventKind::Break:
        text = "Break received";
        break;
    case LineEventKind::Overrun:
        text = "Overrun error";
        break;
    case LineEventKind::BufferOverflow:
        text = "Receive Buffer overflow";
        break;
    case LineEventKind::Parity:
        text = "Parity Error";
        break;
    case LineEventKind::TransmitFull:
        text = "Transmit Buffer full";
        break;
    case LineEventKind::Configuration:
        text = "DCB error";
        break;
    case LineEventKind::Framing:
        return;
    case LineEventKind::Lost: {
        if (m_lost)
            return; // said once; the port is closed by now
        m_lost = true;
        const std::string message = text::PortLost + event.detail;
        LogDebug(message, 0, LogBaseline);
        // Said before the conversation ends, so it is there before anything
        // its end asks; and again after, where the conversation wrote its own.
        SetStatus(1, message);
        conversations.Abort(Result::Fail(ResultCode::PortLost, message));
        link.Receive().ReadAll();
        if (State() != StateIdle)
            SetState(StateIdle);
        if (Status(1) != message)
            SetStatus(1, message);
        return;
    }
    }
    dialogs.message(text, AppTitle, DialogIcon::None);
}

} // namespace marrowick
