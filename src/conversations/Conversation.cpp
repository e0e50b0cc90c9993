#include "conversations/Conversation.h"

namespace marrowick {

void ConversationSlot::Abort(const Result& reason)
{
    if (m_active != nullptr)
        m_active->Abort(reason);
}

void ConversationSlot::Route(std::int16_t state, const std::string& chunk)
{
    const auto found = m_listeners.find(state);
    if (found == m_listeners.end() || found->second.empty())
        return;
    Conversation* to = found->second.front();
    for (Conversation* listener : found->second)
        if (listener->Running()) {
            to = listener;
            break;
        }
    to->OnChunk(state, chunk);
}

Conversation::Conversation(ConversationContext& context) : m_ctx(context), m_timer(context.clock.createTimer())
{
    m_timer->onTimeout = [this] {
        if (m_running)
            TimedOut();
    };
}

Conversation::~Conversation()
{
    if (m_ctx.slot.m_active == this)
        m_ctx.slot.m_active = nullptr;
    for (auto& [state, listeners] : m_ctx.slot.m_listeners)
        std::erase(listeners, this);
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
    m_running = true;
    m_ctx.slot.m_active = this;
    if (opening.cancellable)
        m_ctx.status.ShowCancel(true);
}

void Conversation::AwaitFor(int ms)
{
    m_timer->start(ms);
}

void Conversation::StopTimer()
{
    m_timer->stop();
}

bool Conversation::TimerRunning() const
{
    return m_timer->isActive();
}

void Conversation::Finish(const Result& result)
{
    if (!m_running)
        return;
    m_running = false;
    m_timer->stop();
    if (m_ctx.slot.m_active == this)
        m_ctx.slot.m_active = nullptr;
    if (!result.ok())
        m_ctx.link.Receive().ReadAll(); // what the controller still sends belongs to nobody
    m_ctx.link.SetThreshold(IdleThreshold);
    if (m_ctx.State() != StateIdle)
        m_ctx.SetState(StateIdle);
    m_ctx.status.ShowCancel(false);
    Finished(result);
}

void Conversation::Listen(std::int16_t state)
{
    auto& listeners = m_ctx.slot.m_listeners[state];
    listeners.push_back(this);
    if (listeners.size() == 1)
        m_ctx.link.SetHandler(state,
                              [&slot = m_ctx.slot, state](const std::string& chunk) { slot.Route(state, chunk); });
}

} // namespace marrowick
