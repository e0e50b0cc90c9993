#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/Result.h"
#include "base/Signal.h"
#include "link/Link.h"
#include "log/LogModel.h"
#include "models/Identity.h"
#include "platform/Clock.h"
#include "platform/StatusSink.h"

namespace marrowick {

class Conversation;

// The one conversation running on the link, so the user's cancel, a lost port
// or the window closing can end it.
class ConversationSlot {
public:
    Conversation* Active() const { return m_active; }
    // Ends the running conversation, if any, for `reason`.
    void Abort(const Result& reason);
    // Set while the program closes: a conversation ending then asks nothing more.
    bool closing = false;

private:
    friend class Conversation;
    Conversation* m_active = nullptr;
};

// What a conversation works with: the link, the clock, the status it shows,
// the log, what the controller said about itself, and the slot it runs in.
struct ConversationContext {
    Link& link;
    Clock& clock;
    StatusSink& status;
    LogModel& log;
    Identity& identity;
    ConversationSlot& slot;
    // The user's allowance for every reply (--timeout), in place of each conversation's own.
    const std::optional<int>& timeoutOverrideMs;

    int TimeoutMs(int defaultMs) const { return timeoutOverrideMs.value_or(defaultMs); }
    std::int16_t State() const { return link.States().State(); }
    void SetState(std::int16_t state) { link.States().SetState(state); }
    void Log(const std::string& message, int level = LogBaseline) { log.LogDebug(message, 0, level); }
};

// The receive threshold between conversations: every byte that comes in idle
// is read at once and dropped, so nothing waits for a later conversation.
inline constexpr int IdleThreshold = 1;

// The life of one exchange with the controller, the same for all of them.
// Begin drops what waits from earlier exchanges, sets the receive threshold and
// the link state, shows the Cancel button and takes the slot. Finish stops the
// timers, drops late bytes after a failure, sets the idle threshold, returns
// the link to idle, hides Cancel and raises Finished, once. The chunks of the
// states a conversation listens to go to OnChunk.
//
// Two clocks watch a reply that is awaited (AwaitFor), and either ends in
// TimedOut: the step timer, the most the whole reply may take; and the silence
// watch, once the line has been quiet for the conversation's allowance (its own,
// or the user's --timeout). The watch counts from when the program's own bytes
// have left at the line rate, and every byte that arrives starts it again, so a
// controller that stops half-way through a long reply is noticed within the
// allowance however long the whole reply could be.
class Conversation {
public:
    explicit Conversation(ConversationContext& context);
    virtual ~Conversation();
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    bool Running() const { return m_running; }
    // Ends it from outside: the user's cancel, a lost port, the program closing.
    void Abort(const Result& reason);

    // Raised once when the conversation has ended.
    Signal<const Result&> Finished;

protected:
    struct Opening {
        std::int16_t state;
        int threshold;
        // How long the controller may stay silent while a reply is awaited.
        int allowanceMs;
        bool cancellable = true;
    };
    void Begin(const Opening& opening);
    // The silence allowed: the conversation's own, or the user's --timeout.
    int AllowanceMs() const { return m_ctx.TimeoutMs(m_allowanceMs); }
    // A reply is awaited: (re)starts the step timer, which it must beat by `ms`,
    // and the silence watch.
    void AwaitFor(int ms);
    // No reply is awaited any more: both stop.
    void StopTimer();
    bool TimerRunning() const;
    void Finish(const Result& result);
    // The chunks that arrive in `state` go to OnChunk, whether or not the
    // conversation runs (the log window can force a state).
    void Listen(std::int16_t state);
    // The progress line beside the bar, once per step, timed by the clock:
    // `total` units of `unit` ("packet", "record", "byte") are due, `done` of
    // them are done. Begin and Finish empty it.
    void StartProgressLine(const std::string& unit, long long total);
    void ShowProgressLine(long long done);

    virtual void OnChunk(std::int16_t state, const std::string& chunk) = 0;
    // The reply did not come in time, or the line fell silent while it was due.
    virtual void TimedOut() = 0;
    // Ends the conversation for `reason`; conversations say what stopped first.
    virtual void OnAbort(const Result& reason) { Finish(reason); }

    ConversationContext& m_ctx;

private:
    void WatchSilence();
    void Unwatch();

    std::unique_ptr<Timer> m_timer;
    std::unique_ptr<Timer> m_silence;
    int m_allowanceMs = 0;
    bool m_running = false;
    bool m_awaiting = false;
    // Connections to the link's traffic while the conversation runs.
    int m_sentConnection = 0;
    int m_arrivedConnection = 0;
};

} // namespace marrowick
