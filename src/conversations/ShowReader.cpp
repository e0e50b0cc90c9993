#include "conversations/ShowReader.h"

#include <cstdio>

#include "link/LineRate.h"
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

ShowReader::ShowReader(ConversationContext& context, ShowState& shows) : Conversation(context), m_shows(shows)
{
    // State 5 is set only from the log window: the ten K5 blocks, nothing more.
    Listen(StateReceiveToc);
    Listen(StateReadShows);
    Listen(StateReadShowRecords);
}

void ShowReader::OnChunk(std::int16_t state, const std::string& chunk)
{
    if (state == StateReceiveToc) {
        ReceiveTOC(chunk);
    } else if (state == StateReadShows) {
        const controller* model = m_ctx.identity.Model();
        if (model && model->Traits().layout == TableLayout::K5)
            HandleK5TocReply(chunk);
        else
            HandleR2TocReply(chunk);
    } else {
        ReceiveShowData(chunk);
    }
}

Result ShowReader::Start()
{
    const controller* model = m_ctx.identity.Model();
    if (m_ctx.State() != StateIdle || !m_ctx.link.IsOpen() || !model)
        return Result::Busy();
    if (!model->Traits().hasShowTable) {
        m_ctx.status.SetStatus(1, "Shows cannot be read from a " + model->Name() + " controller");
        return Result::Fail(ResultCode::Refused, m_ctx.status.Status(1));
    }
    const auto tableBytes = static_cast<std::size_t>(model->ShowReadDataCount());
    // What is held now comes back if the read fails, so no half-read table and
    // data are left to be saved.
    m_before = m_shows;
    m_step = Step::Table;
    Begin({StateReadShows, static_cast<int>(tableBytes), SlackMs});
    m_readStartTime = static_cast<float>(m_ctx.clock.secondsSinceMidnight());
    m_total = static_cast<double>(tableBytes);
    m_done = 0;
    StartProgressLine("byte", static_cast<long long>(tableBytes));
    ShowProgress();
    Await(tableBytes);
    m_ctx.link.Send("u");
    m_ctx.status.SetStatus(1, "Reading Shows");
    return Result::Done("Reading Shows");
}

void ShowReader::HandleK5TocReply(const std::string& reply)
{
    m_ctx.Log(reply, LogAllRx);
    if (!Running())
        return;
    const std::size_t expected = K5HeaderBytes + BlocksPerTable * ShowBlockBytes;
    if (reply.size() != expected)
        return Refuse(ResultCode::UnreadableReply, "the table reply had " + std::to_string(reply.size()) +
                                                       " bytes instead of " + std::to_string(expected));
    const std::string blocks = reply.substr(K5HeaderBytes);
    const int count = static_cast<unsigned char>(reply[0]);
    const std::string problem = TableProblem(blocks, count, reply[1] == 'Y');
    if (!problem.empty())
        return Refuse(ResultCode::Refused, problem);

    m_shows.ShowCount = static_cast<std::uint8_t>(count);
    m_shows.SetLabel(control::lblShowCount, std::to_string(count));
    m_ctx.Log("Show Count: " + std::to_string(count));
    m_shows.AmbientMode = reply[1] == 'Y';
    m_shows.SetLabel(control::lblAmbient, m_shows.AmbientMode ? "Y" : "N");
    m_shows.TriggerMode = reply[2] == 'O' ? 0 : 1;
    m_shows.SetLabel(control::lblTrigger, TriggerModeText(m_shows.TriggerMode));
    if (ReceiveTOC(blocks))
        TableTaken();
}

bool ShowReader::ReceiveTOC(const std::string& blocks)
{
    ShowTableTime();
    const controller* model = m_ctx.identity.Model();
    if (model == nullptr || static_cast<std::size_t>(model->ShowReadDataCount()) - K5HeaderBytes != blocks.size())
        return false;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        m_shows.ShowTable[i] =
            DecodeShowBlock(std::string_view(blocks).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    Shown();
    m_ctx.SetState(StateIdle);
    return true;
}

void ShowReader::HandleR2TocReply(const std::string& reply)
{
    m_ctx.Log(reply, LogAllRx);
    if (!Running())
        return;
    if (reply.size() != TocImageBytes)
        return Refuse(ResultCode::UnreadableReply, "the table reply had " + std::to_string(reply.size()) +
                                                       " bytes instead of " + std::to_string(TocImageBytes));
    const std::string problem = TableProblem(std::string_view(reply).substr(0, BlocksPerTable * ShowBlockBytes),
                                             static_cast<unsigned char>(reply[160]), (reply[161] & 1) != 0);
    if (!problem.empty())
        return Refuse(ResultCode::Refused, problem);
    if (ReceiveR2TOC(reply))
        TableTaken();
}

bool ShowReader::ReceiveR2TOC(const std::string& reply)
{
    ShowTableTime();
    if (reply.size() != TocImageBytes)
        return false;
    ApplyTocImage(m_shows, reply, true);
    m_ctx.Log("Show Count: " + std::to_string(m_shows.ShowCount));
    Shown();
    m_ctx.SetState(StateIdle);
    return true;
}

void ShowReader::ShowTableTime()
{
    float elapsed = static_cast<float>(m_ctx.clock.secondsSinceMidnight()) - m_readStartTime;
    if (elapsed < 0)
        elapsed += 86400.0F; // the read went past midnight
    m_ctx.status.SetStatus(1, "TOC Received- Time: " + SecondsText(elapsed));
}

void ShowReader::TableTaken()
{
    m_step = Step::Shows;
    m_shows.UnopenedShows.clear();
    m_shows.CurrentShow = static_cast<std::int16_t>(m_shows.FirstShow());
    m_ctx.SetState(StateReadShowRecords);
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show)
        m_total += m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
    m_done = static_cast<double>(m_ctx.identity.Model()->ShowReadDataCount());
    m_ctx.status.SetProgressLineTotal(static_cast<long long>(m_total));
    ShowProgress();
    if (m_shows.FirstShow() > m_shows.ShowCount)
        return RequestNoShow();
    RequestShows();
}

void ShowReader::RequestNoShow()
{
    // No ambient show and no numbered one, yet show 1 is asked for all the same:
    // the controller may be waiting for that "*". What it sends for it (the
    // table's length for show 1, if any) belongs to no show; it is waited for,
    // so it cannot run into a later command, and then dropped. A controller
    // with no shows may well send nothing, so silence ends it well.
    m_step = Step::NoShows;
    const std::int32_t length = m_shows.ShowTable[1].Length;
    if (length <= 0) {
        m_ctx.link.Send("*");
        Stop(Result::Done("Shows read"));
        return;
    }
    m_ctx.link.SetThreshold(length);
    Await(static_cast<std::size_t>(length));
    m_ctx.link.Send("*");
}

void ShowReader::NoShowAnswered(std::size_t bytes)
{
    m_ctx.Log("The table lists no shows; " + std::to_string(bytes) + " bytes sent for show 1 were dropped");
    m_ctx.link.Receive().ReadAll();
    Stop(Result::Done("Shows read"));
}

void ShowReader::RequestShows()
{
    // An empty show is asked for too, so the controller moves on to the next,
    // but it sends nothing back: no receive event, so ask for the next at once.
    while (m_shows.CurrentShow <= m_shows.ShowCount) {
        const std::int32_t length = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
        m_ctx.link.SetThreshold(length);
        if (length > 0)
            Await(static_cast<std::size_t>(length));
        m_ctx.link.Send("*");
        if (length > 0)
            return;
        ++m_shows.CurrentShow;
    }
    Stop(Result::Done("Shows read"));
}

void ShowReader::ReceiveShowData(const std::string& data)
{
    m_ctx.Log("Show Number: " + std::to_string(m_shows.CurrentShow));
    m_ctx.Log(data);
    if (Running() && m_step == Step::NoShows)
        return NoShowAnswered(data.size());
    if (!Running() || m_step != Step::Shows || m_shows.CurrentShow < 0 || m_shows.CurrentShow > MaxShowCount)
        return;
    // More bytes than asked for: noise on the line or a reply run together
    // with another; the show's data cannot be told from them.
    const auto length =
        static_cast<std::size_t>(m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length);
    if (data.size() != length)
        return Refuse(ResultCode::UnreadableReply, "show " + std::to_string(m_shows.CurrentShow) + " came with " +
                                                       std::to_string(data.size()) + " bytes instead of " +
                                                       std::to_string(length));
    m_shows.ShowData[static_cast<std::size_t>(m_shows.CurrentShow)] = data;
    m_done += m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
    ShowProgress();
    ++m_shows.CurrentShow;
    RequestShows();
}

void ShowReader::TimedOut()
{
    // The step's time, or the silence allowed, ran out: say how far the reply got.
    const std::size_t came = m_ctx.link.Receive().Waiting();
    if (m_step == Step::NoShows)
        return NoShowAnswered(came);
    if (came == 0)
        return Stop(Result::Fail(ResultCode::TimedOut, "Show read stopped: Controller not responding"));
    const std::string what = m_step == Step::Table ? "the table" : "show " + std::to_string(m_shows.CurrentShow);
    const std::size_t expected =
        m_step == Step::Table
            ? static_cast<std::size_t>(m_ctx.identity.Model()->ShowReadDataCount())
            : static_cast<std::size_t>(m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length);
    Refuse(ResultCode::TimedOut, "the controller stopped sending after " + std::to_string(came) + " of " +
                                     std::to_string(expected) + " bytes of " + what);
}

void ShowReader::OnAbort(const Result& reason)
{
    Stop(Result::Fail(reason.code, "Show read stopped: " + reason.message));
}

void ShowReader::Refuse(ResultCode code, const std::string& problem)
{
    Stop(Result::Fail(code, "Show read stopped: " + problem));
}

void ShowReader::Stop(const Result& result)
{
    if (result.ok()) {
        m_done = m_total;
        ShowProgress();
    } else {
        m_shows = m_before;
        m_before = ShowState{};
        if (m_step == Step::Shows) // the table was shown: show the one held before again
            Shown();
        m_ctx.status.SetStatus(1, result.message);
    }
    Finish(result);
}

void ShowReader::Await(std::size_t bytes)
{
    AwaitFor(WireTimeMs(bytes) + AllowanceMs());
}

void ShowReader::ShowProgress()
{
    m_ctx.status.SetProgress(m_total, m_done);
    ShowProgressLine(static_cast<long long>(m_done));
}

} // namespace marrowick
