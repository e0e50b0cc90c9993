#include "core/Startup.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/Session.h"

namespace marrowick {
namespace {

constexpr const char* Section = "defaults";

std::string Trimmed(const std::string& text)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace

bool ParsePortSetting(const std::string& text, std::int16_t& number)
{
    const std::string digits = Trimmed(text);
    const char* begin = digits.data();
    const char* end = begin + digits.size();
    if (begin != end && *begin == '+')
        ++begin;
    std::int16_t value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || begin == end)
        return false;
    number = value;
    return true;
}

bool ParseSwitchSetting(const std::string& text, bool& value)
{
    std::string word = Trimmed(text);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (word == "true" || word == "false") {
        value = word == "true";
        return true;
    }
    long number = 0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), number);
    if (word.empty() || result.ec != std::errc() || result.ptr != word.data() + word.size())
        return false;
    value = number != 0;
    return true;
}

Startup::Startup(Session& session, Settings& settings, PortChooser& ports, LogWindowHost& logWindow)
    : m_session(session), m_settings(settings), m_ports(ports), m_logWindow(logWindow)
{
    m_session.commands().OnClick(control::btnConnect, [this] { ConnectAgain(); });
}

void Startup::Run()
{
    if (simulated) {
        OpenLogAndConnect();
        return;
    }
    const std::string stored = m_settings.value(Section, "k5port", "0");
    if (!ParsePortSetting(stored, m_comPortNumber)) {
        m_comPortNumber = 0;
        m_notices.push_back("The stored port \"" + stored + "\" is not a port number; no port taken");
    }
    m_device = m_settings.value(Section, "k5device", "");
    m_ports.ChoosePort({m_comPortNumber, m_device}, [this](const PortChoice& chosen) { AfterPortDialog(chosen); });
}

void Startup::StoreChoice(const PortChoice& chosen)
{
    m_comPortNumber = static_cast<std::int16_t>(chosen.number);
    m_device = chosen.device;
    m_settings.setValue(Section, "k5port", std::to_string(m_comPortNumber));
    m_settings.setValue(Section, "k5device", m_device);
}

std::string Startup::PortName() const
{
    if (simulated)
        return "simulated controller";
    return m_device.empty() ? "COM" + std::to_string(m_comPortNumber) : m_device;
}

void Startup::AfterPortDialog(const PortChoice& chosen)
{
    StoreChoice(chosen);
    OpenLogAndConnect();
}

void Startup::ConnectAgain()
{
    if (!m_finished || m_choosing || !m_session.shows().MayLoseEdits(EditsLostBy::Connect) || !m_session.Disconnect())
        return;
    if (simulated) {
        m_portOpened = m_session.Reconnect(PortName());
        return;
    }
    // The port is closed before the dialog tries the ports, so it is offered
    // (and preselected) like any other.
    m_choosing = true;
    m_ports.ChoosePort({m_comPortNumber, m_device}, [this](const PortChoice& chosen) {
        m_choosing = false;
        StoreChoice(chosen);
        m_portOpened = m_session.Reconnect(PortName());
    });
}

bool Startup::StoredSwitch(const std::string& key)
{
    const std::string stored = m_settings.value(Section, key, "false");
    bool value = false;
    if (!ParseSwitchSetting(stored, value))
        m_notices.push_back("The stored " + key + " \"" + stored + "\" is neither true nor false; taken as false");
    return value;
}

void Startup::TakeWriteSwitches()
{
    ShowsFeature& shows = m_session.shows();
    const bool backup = StoredSwitch("backupshows");
    const bool verify = StoredSwitch("verifyshows");
    shows.SetWriteSwitches(backup, verify, !StoredSwitch("dontaskbeforewrite"));
    // Each change is kept at once.
    shows.WriteSwitchesChanged.disconnect(m_keepSwitches);
    m_keepSwitches = shows.WriteSwitchesChanged.connect([&settings = m_settings, &shows] {
        settings.setValue(Section, "backupshows", shows.BackupShows() ? "true" : "false");
        settings.setValue(Section, "verifyshows", shows.VerifyShows() ? "true" : "false");
        settings.setValue(Section, "dontaskbeforewrite", shows.AskBeforeWrite() ? "false" : "true");
    });
}

void Startup::OpenLogAndConnect()
{
    const bool debugMode = StoredSwitch("debugmode");
    TakeWriteSwitches();
    if (debugMode) {
        m_session.log.Open(m_session.clock.localDate(), m_session.clock.localTime());
        m_logWindow.ShowLogWindow();
        for (const auto& notice : m_notices)
            m_session.log.LogDebug(notice, 0, LogBaseline);
    }
    std::string why;
    m_portOpened = m_session.Connect(PortName(), &why);
    ShowNotices(why);
    m_finished = true;
    if (onFinished)
        onFinished();
}

void Startup::ShowNotices(const std::string& portProblem)
{
    // Where people look: status panel 1, ahead of why the port did not open
    // when it did not.
    std::string text;
    for (const auto& notice : m_notices)
        text += (text.empty() ? "" : ". ") + notice;
    if (!portProblem.empty())
        text += (text.empty() ? "" : ". ") + portProblem;
    if (!text.empty())
        m_session.status.Say(text);
}

} // namespace marrowick
