#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace marrowick::testing {

// A clock that moves only when the test says so. Timers fire in due order.
class ManualClock : public Clock {
public:
    ManualClock();
    ~ManualClock() override;

    std::unique_ptr<Timer> createTimer() override;
    std::int64_t nowMs() const override { return m_now; }
    double secondsSinceMidnight() const override { return 43200.0 + static_cast<double>(m_now) / 1000.0; }
    std::string localDate() const override { return "06/12/2026"; }
    std::string localTime() const override { return "12:00:00"; }
    LocalDateTime localDateTime() const override { return {2026, 6, 12, 12, 0, 0}; }

    // Moves time forward, firing every timer that falls due on the way.
    void Advance(std::int64_t ms);
    // Fires what is due now (zero-delay deliveries and their consequences).
    void RunPending() { Advance(0); }
    // Runs until no timer is active, or `limitMs` has passed. Returns the time taken.
    std::int64_t RunUntilIdle(std::int64_t limitMs = 600000);

    // Timer firings so far. With a limit set, the clock stops firing once it is
    // reached, so a test of a program that never settles ends all the same.
    std::uint64_t Firings() const { return m_firings; }
    std::uint64_t firingLimit = 0; // 0: no limit
    bool LimitReached() const { return m_limitReached; }

    class ManualTimer;

private:
    friend class ManualTimer;
    std::int64_t m_now = 0;
    std::uint64_t m_sequence = 0;
    std::uint64_t m_firings = 0;
    bool m_limitReached = false;
    std::vector<ManualTimer*> m_timers;
};

} // namespace marrowick::testing
