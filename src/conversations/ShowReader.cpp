#include "conversations/ShowReader.h"

#include "link/LineRate.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

constexpr std::size_t K5HeaderBytes = 3;

} // namespace

ShowReader::ShowReader(ConversationContext& context, ShowState& shows) : Conversation(context), m_shows(shows) {}

void ShowReader::OnChunk(const std::string& chunk)
{
    switch (m_step) {
    case Step::Table:
        if (m_ctx.identity.Model()->Traits().layout == TableLayout::K5)
            HandleK5TocReply(chunk);
        else
            HandleR2TocReply(chunk);
        return;
    case Step::Shows:
        return ReceiveShowData(chunk);
    case Step::NoShows:
        return NoShowAnswered(chunk.size());
    case Step::ForcedBlocks:
        m_ctx.link.SetReceiver(nullptr);
        m_step = Step::Table;
        if (ReceiveTOC(chunk))
            m_ctx.SetState(LinkState::StateIdle);
        return;
    }
}

Result ShowReader::Refusal() const
{
    const controller* model = m_ctx.identity.Model();
    if (m_ctx.State() != LinkState::StateIdle || !m_ctx.link.IsOpen() || !model)
        return Result::Busy();
    if (!model->Traits().hasShowTable)
        return Result::Fail(ResultCode::Refused, Reason::NoShowTable, model->Name());
    return Result::Done();
}

Result ShowReader::Start()
{
    if (Result refused = Refusal(); !refused.ok())
        return refused;
    const controller* model = m_ctx.identity.Model();
    const auto tableBytes = static_cast<std::size_t>(model->ShowReadDataCount());
    // What is held now comes back if the read fails, so no half-read table and
    // data are left to be saved.
    m_before = m_shows;
    m_step = Step::Table;
    Begin({LinkState::StateReadShows, static_cast<int>(tableBytes), SlackMs});
    m_readStartTime = static_cast<float>(m_ctx.clock.secondsSinceMidnight());
    m_done = 0;
    StartProgress(ProgressUnit::Byte, static_cast<long long>(tableBytes));
    Await(tableBytes);
    m_ctx.link.Send("u");
    return Result::Done();
}

void ShowReader::TakeForcedBlocks()
{
    if (Running())
        return;
    m_step = Step::ForcedBlocks;
    m_ctx.link.SetReceiver(this);
}

void ShowReader::HandleK5TocReply(const std::string& reply)
{
    m_ctx.Log(reply, LogAllRx);
    const std::size_t expected = K5HeaderBytes + TableBlockBytes;
    if (reply.size() != expected)
        return Finish(Result::Fail(ResultCode::UnreadableReply, Reason::ReplyLength, -1,
                                   static_cast<long long>(reply.size()), static_cast<long long>(expected)));
    const std::string blocks = reply.substr(K5HeaderBytes);
    const int count = static_cast<unsigned char>(reply[0]);
    if (Result problem = TableProblem(blocks, count, reply[1] == 'Y', m_ctx.identity.Model()->Traits().showMemory);
        !problem.ok())
        return Finish(problem);

    m_shows.ShowCount = static_cast<std::uint8_t>(count);
    m_ctx.Log("Show Count: " + std::to_string(count));
    m_shows.AmbientMode = reply[1] == 'Y';
    m_shows.TriggerMode = reply[2] == 'O' ? 0 : 1;
    m_shows.triggerKnown = true;
    m_shows.source = ShowSource::K5Reply;
    if (ReceiveTOC(blocks))
        TableTaken();
}

bool ShowReader::ReceiveTOC(const std::string& blocks)
{
    SayTableTime();
    const controller* model = m_ctx.identity.Model();
    if (model == nullptr || static_cast<std::size_t>(model->ShowReadDataCount()) - K5HeaderBytes != blocks.size())
        return false;
    for (std::size_t i = 0; i < BlocksPerTable; ++i)
        m_shows.ShowTable[i] =
            DecodeShowBlock(std::string_view(blocks).substr(i * ShowBlockBytes, ShowBlockBytes), true);
    Shown();
    return true;
}

void ShowReader::HandleR2TocReply(const std::string& reply)
{
    m_ctx.Log(reply, LogAllRx);
    if (reply.size() != TocImageBytes)
        return Finish(Result::Fail(ResultCode::UnreadableReply, Reason::ReplyLength, -1,
                                   static_cast<long long>(reply.size()), static_cast<long long>(TocImageBytes)));
    if (Result problem =
            TableProblem(std::string_view(reply).substr(0, TableBlockBytes), static_cast<unsigned char>(reply[160]),
                         (reply[161] & 1) != 0, m_ctx.identity.Model()->Traits().showMemory);
        !problem.ok())
        return Finish(problem);
    SayTableTime();
    ApplyTocImage(m_shows, reply, ShowSource::R2Reply);
    m_ctx.Log("Show Count: " + std::to_string(m_shows.ShowCount));
    Shown();
    TableTaken();
}

void ShowReader::SayTableTime()
{
    float elapsed = static_cast<float>(m_ctx.clock.secondsSinceMidnight()) - m_readStartTime;
    if (elapsed < 0)
        elapsed += 86400.0F; // the read went past midnight
    TableReceived(elapsed);
}

void ShowReader::TableTaken()
{
    m_step = Step::Shows;
    m_shows.UnopenedShows.clear();
    m_shows.model = m_ctx.identity.Model()->Name();
    m_shows.CurrentShow = static_cast<std::int16_t>(m_shows.FirstShow());
    m_ctx.SetState(LinkState::StateReadShowRecords);
    long long total = static_cast<long long>(m_ctx.identity.Model()->ShowReadDataCount());
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show)
        total += m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
    m_done = static_cast<long long>(m_ctx.identity.Model()->ShowReadDataCount());
    SetProgressTotal(total);
    ReportProgress(m_done);
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
    const std::int64_t most = m_ctx.identity.Model()->Traits().showMemory;
    if (length <= 0 || length > most) {
        m_ctx.link.Send("*");
        Finish(Result::Done());
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
    Finish(Result::Done());
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
    Finish(Result::Done());
}

void ShowReader::ReceiveShowData(const std::string& data)
{
    m_ctx.Log("Show Number: " + std::to_string(m_shows.CurrentShow));
    m_ctx.Log(data);
    // More bytes than asked for: noise on the line or a reply run together
    // with another; the show's data cannot be told from them.
    const auto index = static_cast<std::size_t>(m_shows.CurrentShow);
    const auto length = static_cast<std::size_t>(m_shows.ShowTable[index].Length);
    if (data.size() != length)
        return Finish(Result::Fail(ResultCode::UnreadableReply, Reason::ShowLength, m_shows.CurrentShow,
                                   static_cast<long long>(data.size()), static_cast<long long>(length)));
    m_shows.ShowData[index] = data;
    m_done += static_cast<long long>(length);
    ReportProgress(m_done);
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
        return Finish(Result::Fail(ResultCode::TimedOut, Reason::NotResponding));
    const bool table = m_step == Step::Table;
    const long long expected =
        table ? static_cast<long long>(m_ctx.identity.Model()->ShowReadDataCount())
              : static_cast<long long>(m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length);
    Finish(Result::Fail(ResultCode::TimedOut, Reason::StoppedSending, table ? -1 : m_shows.CurrentShow,
                        static_cast<long long>(came), expected));
}

void ShowReader::OnFinish(const Result& result)
{
    if (result.ok()) {
        ReportProgress(CurrentProgress().total);
        return;
    }
    m_shows = m_before;
    m_before = ShowState{};
    if (m_step == Step::Shows) // the table was shown: show the one held before again
        Shown();
}

void ShowReader::Await(std::size_t bytes)
{
    AwaitFor(WireTimeMs(bytes) + AllowanceMs());
}

} // namespace marrowick
