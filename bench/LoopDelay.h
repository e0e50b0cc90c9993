#pragma once

// How long the event loop is held up while it runs: a 10 ms timer notes how late
// each of its firings is. In the window, that delay is how long a click or a
// repaint would wait, so its 99th percentile is how badly the window stutters.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace marrowick::bench {

class LoopDelay {
public:
    static constexpr int IntervalMs = 10;

    LoopDelay()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double late = static_cast<double>(m_clock.nsecsElapsed()) / 1e6 - IntervalMs;
            m_delays.push_back(std::max(0.0, late));
            m_clock.restart();
        });
    }
    void Start()
    {
        m_delays.clear();
        m_clock.start();
        m_timer.start(IntervalMs);
    }
    void Stop() { m_timer.stop(); }
    // The delay that 99 % of the firings did not exceed, in milliseconds.
    double P99Ms() const
    {
        if (m_delays.empty())
            return 0;
        std::vector<double> sorted = m_delays;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<std::size_t>(0.99 * static_cast<double>(sorted.size() - 1))];
    }
    std::size_t Samples() const { return m_delays.size(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::vector<double> m_delays;
};

} // namespace marrowick::bench
