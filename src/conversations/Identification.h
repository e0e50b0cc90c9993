#pragma once

#include <string>

#include "conversations/Conversation.h"

namespace marrowick {

// The conversation that starts every run: firmware version ("V"), model ("M")
// and, for models that have one, the serial number ("Z" from version 1.02 on,
// else "S"). The one-second timer ends it when the controller stays silent; the
// serial number has a time-out of its own.
class Identification : public Conversation {
public:
    static constexpr int TimerIntervalMs = 1000;
    static constexpr int SerialTimeoutMs = 2000;
    // Quiet time that ends the version reply, whose length is unknown.
    static constexpr int VersionSettleMs = 10;

    explicit Identification(ConversationContext& context);
    ConversationKind Kind() const override { return ConversationKind::Identification; }

    // Start-up: the one-second timer, and when the port opened, state 0 and "V".
    void Start(bool portOpen);

    // What the identity holds changed: a reply came, or is known to be missing.
    Signal<> Changed;
    // The version did not come: the Firmware tab is made unavailable.
    Signal<> VersionUnavailable;
    // The model is known, or known to be missing: time to set the window up for it.
    Signal<> ModelDecided;

protected:
    void OnChunk(const std::string& chunk) override;
    void TimedOut() override;
    void OnAbort(const Result& reason) override;

private:
    enum class Step { Version, Model, Serial };

    void OnVersion(const std::string& chunk);
    void OnModel(const std::string& chunk);
    void OnSerial(const std::string& chunk);
    // The version or the model did not come in time, or came unreadable; `ending` says how.
    void NotAvailable(const Result& ending);
    void SerialNotAvailable(const Result& ending);

    Step m_step = Step::Version;
};

// The numeric value of a version text: its leading decimal number, 0 when none.
double VersionValue(const std::string& text);

// A reply without the line ends and padding controllers put around it.
std::string TrimmedReply(const std::string& reply);

} // namespace marrowick
