#include "base/TimeLeft.h"

#include <cmath>

namespace marrowick {

void TimeLeft::Start(std::int64_t nowMs, double total)
{
    *this = TimeLeft{};
    m_startMs = nowMs;
    m_total = total;
    m_samples.emplace_back(nowMs, 0.0);
}

void TimeLeft::Update(std::int64_t nowMs, double done)
{
    m_done = done;
    m_samples.emplace_back(nowMs, done);
    // Keep the newest sample that is at least a window old, as the far end.
    while (m_samples.size() > 2 && nowMs - m_samples[1].first >= WindowMs)
        m_samples.pop_front();
    if (nowMs - m_startMs < WarmUpMs)
        return;
    const auto& [fromMs, fromDone] = m_samples.front();
    if (nowMs <= fromMs)
        return;
    m_rate = (done - fromDone) / (static_cast<double>(nowMs - fromMs) / 1000.0);
    m_hasRate = true;
}

std::optional<double> TimeLeft::SecondsLeft() const
{
    if (!m_hasRate || m_rate <= 0)
        return std::nullopt;
    const double left = m_total - m_done;
    return left > 0 ? left / m_rate : 0.0;
}

std::string TimeLeftText(double seconds)
{
    if (seconds < 10)
        return "a few seconds left";
    if (seconds < 100) {
        const long rounded = std::lround(seconds / 10.0) * 10;
        return "about " + std::to_string(rounded) + " s left";
    }
    const long minutes = std::lround(seconds / 60.0);
    if (minutes < 60)
        return "about " + std::to_string(minutes) + " min left";
    const std::string hours = "about " + std::to_string(minutes / 60) + " h";
    return minutes % 60 == 0 ? hours + " left" : hours + " " + std::to_string(minutes % 60) + " min left";
}

std::string Grouped(long long count)
{
    std::string digits = std::to_string(count < 0 ? -count : count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return count < 0 ? "-" + digits : digits;
}

std::string ProgressLine(const std::string& unit, long long done, long long total,
                         const std::optional<double>& secondsLeft)
{
    std::string line = unit + " " + Grouped(done) + " of " + Grouped(total);
    if (secondsLeft)
        line += " \xC2\xB7 " + TimeLeftText(*secondsLeft);
    return line;
}

} // namespace marrowick
