#include "platform/StatusSink.h"

namespace marrowick {

void StatusSink::SetStatus(int panel, const std::string& text)
{
    if (panel < 1 || panel > 3)
        return;
    m_panels[static_cast<std::size_t>(panel - 1)] = text;
    m_view.setStatus(panel, text);
}

const std::string& StatusSink::Status(int panel) const
{
    static const std::string none;
    if (panel < 1 || panel > 3)
        return none;
    return m_panels[static_cast<std::size_t>(panel - 1)];
}

void StatusSink::SetProgress(double maximum, double value)
{
    m_view.setProgressMaximum(maximum);
    m_view.setProgressValue(value < maximum ? value : maximum);
}

void StatusSink::StartProgressLine(const std::string& unit, long long total, std::int64_t nowMs)
{
    m_timeLeft.Start(nowMs, static_cast<double>(total));
    m_unit = unit;
    m_total = total;
    m_done = 0;
    m_lineShown = true;
    ShowProgressText();
}

void StatusSink::SetProgressLineTotal(long long total)
{
    m_timeLeft.SetTotal(static_cast<double>(total));
    m_total = total;
}

void StatusSink::UpdateProgressLine(long long done, std::int64_t nowMs)
{
    if (!m_lineShown)
        return;
    m_timeLeft.Update(nowMs, static_cast<double>(done));
    m_done = done;
    ShowProgressText();
}

void StatusSink::ClearProgressLine()
{
    m_lineShown = false;
    ShowProgressText();
}

std::optional<double> StatusSink::SecondsLeft() const
{
    if (!m_lineShown || m_done >= m_total)
        return std::nullopt;
    return m_timeLeft.SecondsLeft();
}

void StatusSink::ShowProgressText()
{
    const std::string text = m_lineShown ? ProgressLine(m_unit, m_done, m_total, SecondsLeft()) : std::string();
    if (text == m_progressText)
        return;
    m_progressText = text;
    m_view.setCaption(control::lblProgress, text);
    ProgressLineChanged(m_progressText);
}

} // namespace marrowick
