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

namespace marrowick {

class Conversation;

// The five exchanges with the controller.
enum class ConversationKind { Identification, ShowRead, ShowWrite, ClipTransfer, FirmwareDownload };

// How far a long exchange has come, in units a person counts.
enum class ProgressUnit { Byte, Packet, Record };
struct Progress {
    ProgressUnit unit = ProgressUnit::Byte;
    long long done = 0;
    long long total = 0;
};

// The one conversation running on the link, so the user's cancel, a lost port,
// an interrupt or the window closing can end it; and the life of every
// conversation as the presenters see it.
class ConversationSlot {
public:
    Conversation* Active() const { return m_active; }
    // Ends the running conversation, if any, for `reason`.
    void Abort(const Result& reason);
    // Set while the program closes or was interrupted: a conversation ending
    // then asks nothing more, and no further step starts.
    bool closing = false;
    // The signal that interrupted the program (SIGINT, SIGTERM, SIGHUP), 0 when none did.
    int interruptedBy = 0;
    // Why the steps still to come will not start: the program closing or the interrupt.
    Result Stopping() const;

    Signal<const Conversation&> Started;
    Signal<const Conversation&, const Progress&> Progressed;
    // Raised before the conversation's own Finished.
    Signal<const Conversation&, const Result&> Ended;
    // The line reported an error while a conversation runs: its failure will say so.
    void NoteLineError(LineEventKind kind);

private:
    friend class Conversation;
    Conversation* m_active = nullptr;
    unsigned m_lineErrors = 0;
};

// What a conversation works with: the link, the clock, the log, what the
// controller said about itself, and the slot it runs in.
struct ConversationContext {
    Link& link;
    Clock& clock;
    LogModel& log;
    Identity& identity;
    ConversationSlot& slot;
    // The user's allowance for every reply (--timeout), in place of each conversation's own.
    const std::optional<int>& timeoutOverrideMs;

    int TimeoutMs(int defaultMs) const { return timeoutOverrideMs.value_or(defaultMs); }
    LinkState State() const { return link.State(); }
    void SetState(LinkState state) { link.SetState(state); }
    void Log(const std::string& message, int level = LogBaseline) const { log.LogDebug(message, 0, level); }
};

// The receive threshold between conversations: every byte that comes in idle
// is read at once and dropped, so nothing waits for a later conversation.
inline constexpr int IdleThreshold = 1;

// The life of one exchange with the controller, the same for all of them.
// Begin drops what waits from earlier exchanges, sets the receive threshold and
// the link state, takes the slot and becomes the link's receiver: from then on
// every chunk goes to OnChunk, where the conversation's own step decides what
// it means. Finish stops the timers, drops late bytes after a failure, sets
// the idle threshold, returns the link to idle, lets go of the slot and raises
// Ended and Finished, once; every way a conversation ends goes through it.
//
// Two clocks watch a reply that is awaited (AwaitFor), and either ends in
// TimedOut: the step timer, the most the whole reply may take; and the silence
// watch, once the line has been quiet for the conversation's allowance (its own,
// or the user's --timeout). The watch counts from when the program's own bytes
// have left at the line rate, and every byte that arrives starts it again, so a
// controller that stops half-way through a long reply is noticed within the
// allowance however long the whole reply could be.
class Conversation : public ChunkReceiver {
public:
    explicit Conversation(ConversationContext& context);
    virtual ~Conversation();
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    virtual ConversationKind Kind() const = 0;
    bool Running() const { return m_running; }
    // Whether the user may cancel it (the Cancel button is shown while it runs).
    bool Cancellable() const { return m_cancellable; }
    const Progress& CurrentProgress() const { return m_progress; }
    // Ends it from outside: the user's cancel, a lost port, the program closing.
    void Abort(const Result& reason);

    // Raised once when the conversation has ended.
    Signal<const Result&> Finished;

protected:
    struct Opening {
        LinkState state;
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
    void Finish(const Result& result);
    // Progress of the step under way: `total` units are due, `done` of them done.
    void StartProgress(ProgressUnit unit, long long total);
    void SetProgressTotal(long long total);
    void ReportProgress(long long done);

    // The reply did not come in time, or the line fell silent while it was due.
    virtual void TimedOut() = 0;
    // Handling a chunk needed more memory than the computer had.
    void OnOutOfMemory() override { OnAbort(Result::Fail(ResultCode::Refused, Reason::OutOfMemory)); }
    // Ends the conversation for `reason`; a conversation with something to
    // tell the controller first (the firmware loader's "x") says it here.
    virtual void OnAbort(const Result& reason) { Finish(reason); }
    // Runs inside Finish, before anyone hears of the end: a failed read puts
    // back what was held before.
    virtual void OnFinish(const Result&) {}

    ConversationContext& m_ctx;

private:
    void WatchSilence();
    void Unwatch();

    std::unique_ptr<Timer> m_timer;
    std::unique_ptr<Timer> m_silence;
    int m_allowanceMs = 0;
    bool m_running = false;
    bool m_awaiting = false;
    bool m_cancellable = false;
    Progress m_progress;
    // Connections to the link's traffic while the conversation runs.
    int m_sentConnection = 0;
    int m_arrivedConnection = 0;
};

// Why a conversation was ended from outside, as its Result.
inline Result Aborted(ResultCode code, Reason reason, std::string detail = {})
{
    return Result::Fail(code, reason, std::move(detail));
}

} // namespace marrowick
