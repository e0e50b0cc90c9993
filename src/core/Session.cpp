#include "core/Session.h"

#include "firmware/FirmwareFeature.h"
#include "library/LibraryFeature.h"
#include "link/Identification.h"
#include "shows/ShowsFeature.h"

namespace marrowick {

Session::Session(View& view_, Dialogs& dialogs_, Clock& clock_, SerialPort& port)
    : view(view_), dialogs(dialogs_), clock(clock_), link(port, clock_, stateEngine)
{
    link.LineEventReceived.connect([this](const LineEvent& event) { OnLineEvent(event); });
    OnClick("btnCancel", [this] { Cancel(); });
    link.Port().onNotice = [this](const std::string& notice) { LogDebug(notice, 0, LogBaseline); };
    m_identification = std::make_unique<Identification>(*this);
    m_shows = std::make_unique<ShowsFeature>(*this);
    m_library = std::make_unique<LibraryFeature>(*this);
    m_firmware = std::make_unique<FirmwareFeature>(*this);
}

Session::~Session() = default;

void Session::SetStatus(int panel, const std::string& text)
{
    if (panel < 1 || panel > 3)
        return;
    m_status[panel - 1] = text;
    view.setStatus(panel, text);
}

const std::string& Session::Status(int panel) const
{
    static const std::string none;
    if (panel < 1 || panel > 3)
        return none;
    return m_status[panel - 1];
}

void Session::OnClick(const std::string& control, std::function<void()> handler)
{
    m_clicks[control] = std::move(handler);
}

void Session::OnDrop(const std::string& control, std::function<void(const std::vector<std::string>&)> handler)
{
    m_drops[control] = std::move(handler);
}

void Session::OnOption(const std::string& optionArray, std::function<void(int)> handler)
{
    m_options[optionArray] = std::move(handler);
}

void Session::Click(const std::string& control)
{
    const auto found = m_clicks.find(control);
    if (found != m_clicks.end() && found->second)
        found->second();
}

void Session::Drop(const std::string& control, const std::vector<std::string>& files)
{
    const auto found = m_drops.find(control);
    if (found != m_drops.end() && found->second)
        found->second(files);
}

void Session::OptionSelected(const std::string& optionArray, int index)
{
    const auto found = m_options.find(optionArray);
    if (found != m_options.end() && found->second)
        found->second(index);
}

bool Session::Connect(const std::string& portName, std::string* error)
{
    m_identification->StartTimer();
    std::string why;
    if (!link.Port().open(portName, &why)) {
        view.setWindowCaption("port not found");
        PortNotFound = true;
        LogDebug("Port " + portName + " could not be opened: " + why, 0, LogBaseline);
        // A caller that takes the reason reports it itself; the window shows it
        // in the status bar, where it stays beside the "port not found" caption.
        if (error)
            *error = why;
        else
            SetStatus(1, why);
        return false;
    }
    m_lost = false;
    m_identification->Start();
    PortNotFound = false;
    return true;
}

void Session::Cancel()
{
    if (Conversation* active = link.Active())
        active->Abort("Cancelled");
}

void Session::Shutdown()
{
    UnloadRequested = true;
    if (Conversation* active = link.Active())
        active->Abort("The program is closing");
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
        const std::string message = "Serial port lost: " + event.detail;
        LogDebug(message, 0, LogBaseline);
        if (Conversation* active = link.Active())
            active->Abort(message);
        link.Receive().ReadAll();
        if (State() != StateIdle)
            SetState(StateIdle);
        SetStatus(1, message);
        return;
    }
    }
    dialogs.message(text, AppTitle, DialogIcon::None);
}

} // namespace marrowick
