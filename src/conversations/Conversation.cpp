#include "conversations/Conversation.h"

#include <algorithm>
#include <limits>

namespace marrowick {

Result ConversationSlot::Stopping() const
{
    return interruptedBy != 0 ? Result::Fail(ResultCode::Cancelled, Reason::Interrupted, -1, interruptedBy)
                              : Result::Fail(ResultCode::Cancelled, Reason::Closing);
}

void ConversationSlot::NoteLineError(LineEventKind kind)
{
    if (m_active != nullptr)
        m_lineErrors |= 1U << static_cast<unsigned>(kind);
}

void ConversationSlot::Abort(const Result& reason)
{
    if (m_active != nullptr)
        m_active->Abort(reason);
}

Conversation::Conversation(ConversationContext& context)
    : m_ctx(context), m_timer(context.clock.createTimer()), m_silence(context.clock.createTimer())
{
    m_timer->onTimeout = [this] {
        if (m_running)
            TimedOut();
    };
    m_silence->onTimeout = [this] {
        if (m_running && m_awaiting)
            TimedOut();
    };
}

Conversation::~Conversation()
{
    Unwatch();
    if (m_ctx.slot.m_active == this)
        m_ctx.slot.m_active = nullptr;
    if (m_ctx.link.Receiver() == this)
        m_ctx.link.SetReceiver(nullptr);
}

void Conversation::Abort(const Result& reason)
{
    if (m_running)
        OnAbort(reason);
}

void Conversation::Begin(const Opening& opening)
{
    m_ctx.link.Expect(opening.threshold);
    m_ctx.SetState(opening.state);
    m_allowanceMs = opening.allowanceMs;
    m_cancellable = opening.cancellable;
    m_running = true;
    m_awaiting = false;
    m_progress = {};
    m_ctx.slot.m_active = this;
    m_ctx.link.SetReceiver(this);
    // What goes out and what comes in move the silence watch while a reply is awaited.
    Unwatch();
    m_sentConnection = m_ctx.link.BytesSent.connect([this](std::string_view) { WatchSilence(); });
    m_arrivedConnection = m_ctx.link.BytesArrived.connect([this](std::string_view) { WatchSilence(); });
    m_ctx.slot.Started(*this);
}

void Conversation::AwaitFor(int ms)
{
    m_timer->start(ms);
    m_awaiting = true;
    WatchSilence();
}

void Conversation::WatchSilence()
{
    if (!m_running || !m_awaiting)
        return;
    // Until its own bytes are out the controller has nothing to answer yet.
    const std::int64_t stillSending = std::max<std::int64_t>(0, m_ctx.link.SendingUntilMs() - m_ctx.clock.nowMs());
    m_silence->start(
        static_cast<int>(std::min<std::int64_t>(stillSending + AllowanceMs(), std::numeric_limits<int>::max())));
}

void Conversation::StopTimer()
{
    m_timer->stop();
    m_silence->stop();
    m_awaiting = false;
}

void Conversation::Unwatch()
{
    if (m_sentConnection != 0)
        m_ctx.link.BytesSent.disconnect(m_sentConnection);
    if (m_arrivedConnection != 0)
        m_ctx.link.BytesArrived.disconnect(m_arrivedConnection);
    m_sentConnection = 0;
    m_arrivedConnection = 0;
}

void Conversation::Finish(const Result& ending)
{
    if (!m_running)
        return;
    m_running = false;
    // What the line reported meanwhile, counted once more now, goes with a failure.
    m_ctx.link.Port().checkLine();
    Result result = ending;
    if (!result.ok())
        result.lineErrors = m_ctx.slot.m_lineErrors;
    StopTimer();
    Unwatch();
    if (m_ctx.slot.m_active == this)
        m_ctx.slot.m_active = nullptr;
    if (m_ctx.link.Receiver() == this)
        m_ctx.link.SetReceiver(nullptr);
    if (!result.ok())
        m_ctx.link.Receive().ReadAll(); // what the controller still sends belongs to nobody
    m_ctx.link.SetThreshold(IdleThreshold);
    if (m_ctx.State() != LinkState::StateIdle)
        m_ctx.SetState(LinkState::StateIdle);
    OnFinish(result);
    m_ctx.slot.Ended(*this, result);
    Finished(result);
}

void Conversation::StartProgress(ProgressUnit unit, long long total)
{
    m_progress = {unit, 0, total};
    m_ctx.slot.Progressed(*this, m_progress);
}

void Conversation::SetProgressTotal(long long total)
{
    m_progress.total = total;
}

void Conversation::ReportProgress(long long done)
{
    m_progress.done = std::min(done, m_progress.total);
    m_ctx.slot.Progressed(*this, m_progress);
}

} // namespace marrowick
