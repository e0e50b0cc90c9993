#pragma once

#include <memory>
#include <string>

#include "core/Signal.h"
#include "link/Conversation.h"
#include "platform/Clock.h"

namespace marrowick {

class Session;

// The conversation that starts every run: firmware version ("V"), model ("M")
// and, for R2 and L+, the serial number ("Z" from version 1.02 on, else "S").
// The one-second timer ends it when the controller stays silent; the serial
// number has a time-out of its own.
class Identification : public Conversation {
public:
    static constexpr int TimerIntervalMs = 1000;
    static constexpr int SerialTimeoutMs = 2000;
    // Quiet time that ends the version reply, whose length is unknown.
    static constexpr int VersionSettleMs = 10;

    explicit Identification(Session& session);

    // Start-up: the one-second timer first, then (port open) state 0 and "V".
    void StartTimer();
    void Start();
    void Abort(const std::string& reason) override;
    bool Running() const { return m_running; }

    // Raised once when the identification has ended, with what it found.
    Signal<const Outcome&> Finished;

private:
    void OnVersion(const std::string& chunk);
    void OnModel(const std::string& chunk);
    void OnSerial(const std::string& chunk);
    void Tick();
    void SerialTimedOut();
    void Finish(bool ok, const std::string& message);

    Session& m_session;
    std::unique_ptr<Timer> m_timer1;
    std::unique_ptr<Timer> m_serialTimer;
    bool m_running = false;
};

// The numeric value of a version text: its leading decimal number, 0 when none.
double VersionValue(const std::string& text);

} // namespace marrowick
