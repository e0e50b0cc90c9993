#include "conversations/Conversation.h"

#include <algorithm>
#include <limits>

namespace marrowick {

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
    m_running = true;
    m_awaiting = false;
    m_ctx.slot.m_active = this;
    // What goes out and what comes in move the silence watch while a reply is awaited.
    Unwatch();
    m_sentConnection = m_ctx.link.BytesSent.connect([this](std::string_view) { WatchSilence(); });
    m_arrivedConnection = m_ctx.link.BytesArrived.connect([this](std::string_view) { WatchSilence(); });
    m_ctx.status.ClearProgressLine();
    if (opening.cancellable)
        m_ctx.status.ShowCancel(true);
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

bool Conversation::TimerRunning() const
{
    return m_timer->isActive();
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

void Conversation::Finish(const Result& result)
{
    if (!m_running)
        return;
    m_running = false;
    StopTimer();
    Unwatch();
    if (m_ctx.slot.m_active == this)
        m_ctx.slot.m_active = nullptr;
    if (!result.ok())
        m_ctx.link.Receive().ReadAll(); // what the controller still sends belongs to nobody
    m_ctx.link.SetThreshold(IdleThreshold);
    if (m_ctx.State() != StateIdle)
        m_ctx.SetState(StateIdle);
    m_ctx.status.ShowCancel(false);
    m_ctx.status.ClearProgressLine();
    Finished(result);
}

void Conversation::StartProgressLine(const std::string& unit, long long total)
{
    m_ctx.status.StartProgressLine(unit, total, m_ctx.clock.nowMs());
}

void Conversation::ShowProgressLine(long long done)
{
    m_ctx.status.UpdateProgressLine(done, m_ctx.clock.nowMs());
}

void Conversation::Listen(std::int16_t state)
{
    m_ctx.link.SetHandler(state, [this, state](const std::string& chunk) { OnChunk(state, chunk); });
}

} // namespace marrowick
