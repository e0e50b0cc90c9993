#include "shows/ShowWriter.h"

#include <cctype>

#include "core/Session.h"
#include "link/Encoding.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

constexpr std::uint8_t DummyClipCount = 32;

bool IsEightHexDigits(const std::string& text)
{
    if (text.size() != 8)
        return false;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    return true;
}

} // namespace

ShowWriter::ShowWriter(Session& session, ShowState& shows)
    : m_session(session), m_shows(shows), m_timeout(session.clock.createTimer())
{
    m_timeout->onTimeout = [this] { Abort("Controller not responding"); };
}

Outcome ShowWriter::Start()
{
    if (m_shows.ShowCount == 0 || !m_session.CurrentController)
        return {};
    return m_session.CurrentController->Name() == "K5" ? WriteK5Shows() : WriteR2Shows();
}

Outcome ShowWriter::WriteK5Shows()
{
    return Write(false);
}

Outcome ShowWriter::WriteR2Shows()
{
    return Write(true);
}

Outcome ShowWriter::Write(bool r2Layout)
{
    Session& s = m_session;
    if (s.State() != StateIdle || !s.link.IsOpen() || !s.CurrentController)
        return {};
    std::string problem;
    if (s.CurrentController->Name() == "T7") {
        problem = "Shows cannot be written to a T7 controller";
    } else if (r2Layout && m_shows.TocImage.size() != TocImageBytes) {
        problem = "there is no table image to send; read the shows or open a project first";
    } else if (m_shows.ShowCount > MaxShowCount) {
        problem = "the table holds " + std::to_string(m_shows.ShowCount) + " shows; at most " +
                  std::to_string(MaxShowCount) + " can be written";
    } else {
        for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount && problem.empty(); ++show)
            if (m_shows.ShowTable[static_cast<std::size_t>(show)].Length < 0)
                problem = "show " + std::to_string(show) + " has a negative length";
    }
    if (!problem.empty()) {
        if (problem.rfind("Shows", 0) != 0)
            problem = "Show write refused: " + problem;
        s.SetStatus(1, problem);
        return {false, problem};
    }

    s.link.Expect(RequestBytes);
    s.SetState(StateWriteShows);
    s.view.setWindowCaption("");
    const std::string burst = r2Layout ? R2Table() : K5Table();
    m_running = true;
    s.link.Begin(this);
    s.view.setVisible("btnCancel", true);
    m_total = static_cast<double>(burst.size());
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show)
        m_total += m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
    m_done = 0;
    Send(burst);
    m_done = static_cast<double>(burst.size());
    m_sendPosition = 1;
    m_shows.CurrentShow = static_cast<std::int16_t>(m_shows.FirstShow());
    m_sendRemaining = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
    s.SetState(StateWriteShowRecords);
    return {true, ""};
}

std::string ShowWriter::Blocks()
{
    std::string blocks;
    for (std::size_t i = 0; i < BlocksPerTable; ++i) {
        m_session.LogDebug("Sending Show ToC # " + std::to_string(i), 0, LogAllTx);
        blocks += EncodeShowBlock(m_shows.ShowTable[i]);
    }
    return blocks;
}

std::string ShowWriter::K5Table()
{
    Session& s = m_session;
    std::string burst = "d" + Blocks();
    s.LogDebug("Sending ShowCount: " + std::to_string(m_shows.ShowCount), 0, LogAllTx);
    burst += static_cast<char>(m_shows.ShowCount);
    const int config = (m_shows.AmbientMode ? 1 : 0) | (m_shows.TriggerMode == 1 ? 2 : 0);
    s.LogDebug("Sending Ambient and trigger Config: " + std::to_string(config), 0, LogAllTx);
    burst += static_cast<char>(config);
    s.LogDebug("Sending dummy audio clip count", 0, LogAllTx);
    burst += static_cast<char>(DummyClipCount);
    const int sector = m_shows.ShowTable[static_cast<std::size_t>(m_shows.FirstShow())].Start >= 65535 ? 1 : 0;
    s.LogDebug("Sending Show Sector: " + std::to_string(sector), 0, LogAllTx);
    burst += static_cast<char>(sector);
    return burst;
}

std::string ShowWriter::R2Table()
{
    Session& s = m_session;
    std::string image = m_shows.TocImage;
    image.resize(TocImageBytes, '\0');
    std::string burst = "d" + Blocks();
    s.LogDebug("Sending ShowCount: " + std::to_string(m_shows.ShowCount), 0, LogAllTx);
    burst += static_cast<char>(m_shows.ShowCount);
    // Flags, clip count and sector byte go out as the controller gave them;
    // the values computed here are only logged.
    const int config =
        (m_shows.AmbientMode ? 1 : 0) | (m_shows.TriggerMode == 1 ? 2 : 0) | (m_shows.LockOut == 1 ? 4 : 0);
    s.LogDebug("Sending Ambient and trigger Config: " + std::to_string(config), 0, LogAllTx);
    burst += image[161];
    s.LogDebug("Sending dummy audio clip count", 0, LogAllTx);
    burst += image[162];
    const int sector = m_shows.ShowTable[static_cast<std::size_t>(m_shows.FirstShow())].Start >= 65535 ? 1 : 0;
    s.LogDebug("Sending Show Sector: " + std::to_string(sector), 0, LogAllTx);
    burst += image[163];
    // The serial number goes in as the controller's own number, least
    // significant byte first; a malformed one leaves the image's bytes alone.
    if (IsEightHexDigits(s.SerialNumber))
        for (std::size_t pair = 0; pair < 4; ++pair)
            image[168 + pair] = static_cast<char>(HexToInt(std::string_view(s.SerialNumber).substr(6 - 2 * pair, 2)));
    burst += image.substr(164);
    return burst;
}

void ShowWriter::SendShowChunk(const std::string& /*reply*/)
{
    Session& s = m_session;
    if (!m_running)
        return;
    s.link.SetThreshold(RequestBytes);
    s.LogDebug("Sending Show #" + std::to_string(m_shows.CurrentShow), 0, LogAllTx);
    const std::string& data = m_shows.ShowData[static_cast<std::size_t>(m_shows.CurrentShow)];
    // A data text shorter than its table length sends what it holds.
    auto piece = [&](std::int64_t count) {
        const auto from = static_cast<std::size_t>(m_sendPosition - 1);
        return from < data.size() ? data.substr(from, static_cast<std::size_t>(count)) : std::string();
    };
    if (m_sendRemaining > ShowChunkSize) {
        Send(piece(ShowChunkSize));
        m_done += static_cast<double>(ShowChunkSize);
        m_sendPosition += ShowChunkSize;
        m_sendRemaining -= ShowChunkSize;
        return;
    }
    Send(m_sendRemaining != 0 ? piece(m_sendRemaining) : std::string("*"));
    m_done += static_cast<double>(m_sendRemaining);
    ++m_shows.CurrentShow;
    if (m_shows.CurrentShow <= m_shows.ShowCount) {
        m_sendPosition = 1;
        m_sendRemaining = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
        return;
    }
    Stop(true, "Download Complete");
}

void ShowWriter::Send(const std::string& bytes)
{
    ShowProgress();
    // The controller's next request comes once these bytes are on the wire.
    m_timeout->start(WireTimeMs(bytes.size() + RequestBytes) + m_session.TimeoutMs(SlackMs));
    m_session.link.Send(bytes);
}

void ShowWriter::Abort(const std::string& reason)
{
    if (!m_running)
        return;
    Stop(false, "Show write stopped: " + reason);
}

void ShowWriter::Stop(bool ok, const std::string& message)
{
    Session& s = m_session;
    m_timeout->stop();
    m_running = false;
    s.link.End(this);
    if (ok) {
        m_done = m_total;
        ShowProgress();
    } else {
        s.link.Expect(0);
    }
    s.view.setVisible("btnCancel", false);
    s.SetState(StateIdle);
    s.SetStatus(1, message);
    Finished(Outcome{ok, message});
}

void ShowWriter::ShowProgress()
{
    m_session.view.setProgressMaximum(m_total);
    m_session.view.setProgressValue(m_done < m_total ? m_done : m_total);
}

} // namespace marrowick
