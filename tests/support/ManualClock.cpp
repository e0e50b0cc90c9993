#include "support/ManualClock.h"

#include <algorithm>
#include <limits>

namespace marrowick::testing {

class ManualClock::ManualTimer : public Timer {
public:
    explicit ManualTimer(ManualClock& clock) : m_clock(clock) { m_clock.m_timers.push_back(this); }
    ~ManualTimer() override { std::erase(m_clock.m_timers, this); }

    void start(int intervalMs, bool repeat) override
    {
        m_interval = intervalMs < 0 ? 0 : intervalMs;
        m_repeat = repeat;
        m_due = m_clock.m_now + m_interval;
        m_order = ++m_clock.m_sequence;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    ManualClock& m_clock;
    std::int64_t m_due = 0;
    int m_interval = 0;
    std::uint64_t m_order = 0;
    bool m_repeat = false;
    bool m_active = false;
};

ManualClock::ManualClock() = default;
ManualClock::~ManualClock() = default;

std::unique_ptr<Timer> ManualClock::createTimer()
{
    return std::make_unique<ManualTimer>(*this);
}

void ManualClock::Advance(std::int64_t ms)
{
    const std::int64_t target = m_now + ms;
    for (;;) {
        ManualTimer* next = nullptr;
        for (ManualTimer* timer : m_timers) {
            if (!timer->m_active || timer->m_due > target)
                continue;
            if (next == nullptr || timer->m_due < next->m_due ||
                (timer->m_due == next->m_due && timer->m_order < next->m_order))
                next = timer;
        }
        if (next == nullptr)
            break;
        if (firingLimit != 0 && m_firings >= firingLimit) {
            m_limitReached = true;
            break;
        }
        ++m_firings;
        m_now = std::max(m_now, next->m_due);
        if (next->m_repeat) {
            next->m_due = m_now + std::max(next->m_interval, 1);
            next->m_order = ++m_sequence;
        } else {
            next->m_active = false;
        }
        if (next->onTimeout)
            next->onTimeout();
    }
    m_now = target;
}

std::int64_t ManualClock::RunUntilIdle(std::int64_t limitMs)
{
    const std::int64_t start = m_now;
    for (;;) {
        std::int64_t nextDue = std::numeric_limits<std::int64_t>::max();
        for (ManualTimer* timer : m_timers)
            if (timer->m_active)
                nextDue = std::min(nextDue, timer->m_due);
        if (m_limitReached || nextDue == std::numeric_limits<std::int64_t>::max() || nextDue - start > limitMs)
            break;
        Advance(nextDue - m_now);
    }
    return m_now - start;
}

} // namespace marrowick::testing
