#include "shows/ShowReader.h"

#include <cstdio>

#include "core/Session.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

constexpr std::size_t K5HeaderBytes = 3;

// Seconds as a single-precision number with up to seven significant digits.
std::string SecondsText(float seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(seconds));
    return text;
}

} // namespace

ShowReader::ShowReader(Session& session, ShowState& shows)
    : m_session(session), m_shows(shows), m_timeout(session.clock.createTimer())
{
    m_timeout->onTimeout = [this] { Abort("Controller not responding"); };
}

Outcome ShowReader::Start()
{
    Session& s = m_session;
    if (s.State() != StateIdle || !s.link.IsOpen() || !s.CurrentController)
        return {};
    if (s.CurrentController->Name() == "T7") {
        s.SetStatus(1, "Shows cannot be read from a T7 controller");
        return {false, s.Status(1)};
    }
    const auto tableBytes = static_cast<std::size_t>(s.CurrentController->ShowReadDataCount());
    s.SetState(StateReadShows);
    s.link.Expect(static_cast<int>(tableBytes));
    const double now = s.clock.secondsSinceMidnight();
    m_readStartTime = static_cast<float>(now);
    // What is held now comes back if the read fails, so no half-read table and
    // data are left to be saved.
    m_before = m_shows;
    m_tableShown = false;
    m_running = true;
    s.link.Begin(this);
    s.view.setVisible("btnCancel", true);
    m_total = static_cast<double>(tableBytes);
    m_done = 0;
    ShowProgress();
    Await(tableBytes);
    s.link.Send("u");
    s.SetStatus(1, "Reading Shows");
    return {true, "Reading Shows"};
}

void ShowReader::HandleK5TocReply(const std::string& reply)
{
    Session& s = m_session;
    s.LogDebug(reply, 0, LogAllRx);
    if (!m_running)
        return;
    const std::size_t expected = K5HeaderBytes + BlocksPerTable * ShowBlockBytes;
    if (reply.size() != expected)
        return Refuse("the table reply had " + std::to_string(reply.size()) + " bytes instead of " +
                      std::to_string(expected));
    const std::string blocks = reply.substr(K5HeaderBytes);
    const int count = static_cast<unsigned char>(reply[0]);
    const std::string problem = TableProblem(blocks, count, reply[1] == 'Y');
    if (!problem.empty())
        return Refuse(problem);

    m_shows.ShowCount = static_cast<std::uint8_t>(count);
    SetShowLabel(s.view, m_shows, "lblShowCount", std::to_string(count));
    s.LogDebug("Show Count: " + std::to_string(count), 0, LogBaseline);
    m_shows.AmbientMode = reply[1] == 'Y';
    SetShowLabel(s.view, m_shows, "lblAmbient", m_shows.AmbientMode ? "Y" : "N");
    m_shows.TriggerMode = reply[2] == 'O' ? 0 : 1;
    SetShowLabel(s.view, m_shows, "lblTrigger", TriggerModeText(m_shows.TriggerMode));
    if (ReceiveTOC(blocks))
        TableTaken();
}

bool ShowReader::ReceiveTOC(const std::string& blocks)
{
    Session& s = m_session;
    ShowTableTime();
    if (s.CurrentController == nullptr ||
        static_cast<std::size_t>(s.CurrentController->ShowReadDataCount()) - K5HeaderBytes != blocks.size())
        return false;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        m_shows.ShowTable[i] =
            DecodeShowBlock(std::string_view(blocks).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    FillShowList(s.view, m_shows);
    m_tableShown = true;
    s.SetState(StateIdle);
    return true;
}

void ShowReader::HandleR2TocReply(const std::string& reply)
{
    m_session.LogDebug(reply, 0, LogAllRx);
    if (!m_running)
        return;
    if (reply.size() != TocImageBytes)
        return Refuse("the table reply had " + std::to_string(reply.size()) + " bytes instead of " +
                      std::to_string(TocImageBytes));
    const std::string problem = TableProblem(std::string_view(reply).substr(0, BlocksPerTable * ShowBlockBytes),
                                             static_cast<unsigned char>(reply[160]), (reply[161] & 1) != 0);
    if (!problem.empty())
        return Refuse(problem);
    if (ReceiveR2TOC(reply))
        TableTaken();
}

bool ShowReader::ReceiveR2TOC(const std::string& reply)
{
    Session& s = m_session;
    ShowTableTime();
    if (reply.size() != TocImageBytes)
        return false;
    ApplyTocImage(s, m_shows, reply, true);
    FillShowList(s.view, m_shows);
    m_tableShown = true;
    s.SetState(StateIdle);
    return true;
}

void ShowReader::ShowTableTime()
{
    float elapsed = static_cast<float>(m_session.clock.secondsSinceMidnight()) - m_readStartTime;
    if (elapsed < 0)
        elapsed += 86400.0F; // the read went past midnight
    m_session.SetStatus(1, "TOC Received- Time: " + SecondsText(elapsed));
}

void ShowReader::TableTaken()
{
    m_shows.CurrentShow = static_cast<std::int16_t>(m_shows.FirstShow());
    m_session.SetState(StateReadShowRecords);
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show)
        m_total += m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
    m_done = static_cast<double>(m_session.CurrentController->ShowReadDataCount());
    ShowProgress();
    RequestShows();
}

void ShowReader::RequestShows()
{
    // An empty show is asked for too, so the controller moves on to the next,
    // but it sends nothing back: no receive event, so ask for the next at once.
    while (m_shows.CurrentShow <= m_shows.ShowCount) {
        const std::int32_t length = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
        m_session.link.SetThreshold(length);
        if (length > 0)
            Await(static_cast<std::size_t>(length));
        m_session.link.Send("*");
        if (length > 0)
            return;
        ++m_shows.CurrentShow;
    }
    Stop(true, "");
}

void ShowReader::ReceiveShowData(const std::string& data)
{
    Session& s = m_session;
    s.LogDebug("Show Number: " + std::to_string(m_shows.CurrentShow), 0, LogBaseline);
    s.LogDebug(data, 0, LogBaseline);
    if (!m_running || m_shows.CurrentShow < 0 || m_shows.CurrentShow > MaxShowCount)
        return;
    // More bytes than asked for: noise on the line or a reply run together
    // with another; the show's data cannot be told from them.
    const auto length =
        static_cast<std::size_t>(m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length);
    if (data.size() != length)
        return Refuse("show " + std::to_string(m_shows.CurrentShow) + " came with " + std::to_string(data.size()) +
                      " bytes instead of " + std::to_string(length));
    m_shows.ShowData[static_cast<std::size_t>(m_shows.CurrentShow)] = data;
    m_done += m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
    ShowProgress();
    ++m_shows.CurrentShow;
    RequestShows();
}

void ShowReader::Abort(const std::string& reason)
{
    if (!m_running)
        return;
    Stop(false, "Show read stopped: " + reason);
}

void ShowReader::Refuse(const std::string& problem)
{
    Stop(false, "Show read stopped: " + problem);
}

void ShowReader::Stop(bool ok, const std::string& message)
{
    Session& s = m_session;
    m_timeout->stop();
    m_running = false;
    s.link.End(this);
    if (!ok) {
        s.link.Expect(0); // what the controller still sends belongs to nobody
        Restore();
        s.SetStatus(1, message);
    } else {
        m_done = m_total;
        ShowProgress();
    }
    s.view.setVisible("btnCancel", false);
    s.SetState(StateIdle);
    Finished(Outcome{ok, ok ? "Shows read" : message});
}

void ShowReader::Restore()
{
    View& view = m_session.view;
    const auto labels = m_shows.labels;
    m_shows = m_before;
    m_before = ShowState{};
    for (const auto& [control, text] : labels)
        if (m_shows.labels.count(control) == 0)
            view.setCaption(control, "");
    for (const auto& [control, text] : m_shows.labels)
        view.setCaption(control, text);
    if (m_tableShown)
        FillShowList(view, m_shows);
}

void ShowReader::Await(std::size_t bytes)
{
    m_timeout->start(WireTimeMs(bytes) + m_session.TimeoutMs(SlackMs));
}

void ShowReader::ShowProgress()
{
    m_session.view.setProgressMaximum(m_total);
    m_session.view.setProgressValue(m_done < m_total ? m_done : m_total);
}

} // namespace marrowick
