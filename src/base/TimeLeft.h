#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace marrowick {

// How long a transfer still needs, from the rate measured over the last minute
// of progress, so one slow packet does not make the estimate jump; nothing is
// estimated in the first seconds, before there is a rate to speak of.
class TimeLeft {
public:
    static constexpr std::int64_t WarmUpMs = 3000;
    static constexpr std::int64_t WindowMs = 60000;

    // A transfer of `total` units starts now.
    void Start(std::int64_t nowMs, double total);
    // More (or less) turned out to be due, as when a read learns the lengths of
    // what it reads; the rate measured so far still holds.
    void SetTotal(double total) { m_total = total; }
    // `done` units are done now.
    void Update(std::int64_t nowMs, double done);
    // Seconds still needed; nothing before the warm-up or without progress.
    std::optional<double> SecondsLeft() const;

private:
    std::int64_t m_startMs = 0;
    double m_total = 0;
    double m_done = 0;
    std::deque<std::pair<std::int64_t, double>> m_samples; // (time, done) of the last minute
    double m_rate = 0;                                     // units a second
    bool m_hasRate = false;
};

// "about 1 h 52 min left", "about 3 min left", "about 40 s left", "a few seconds left".
std::string TimeLeftText(double seconds);

// A count with thousands grouped by commas: 3906 -> "3,906".
std::string Grouped(long long count);

// "packet 12 of 3,906", with " · " and the time left when there is an estimate.
std::string ProgressLine(const std::string& unit, long long done, long long total,
                         const std::optional<double>& secondsLeft);

} // namespace marrowick
