#include "features/StatusBar.h"

namespace marrowick {
namespace {

const char* UnitName(ProgressUnit unit)
{
    switch (unit) {
    case ProgressUnit::Packet:
        return "packet";
    case ProgressUnit::Record:
        return "record";
    case ProgressUnit::Byte:
        break;
    }
    return "byte";
}

} // namespace

StatusBar::StatusBar(View& view, Clock& clock, LogModel& log, ConversationSlot& slot)
    : m_view(view), m_clock(clock), m_log(log)
{
    slot.Started.connect([this](const Conversation& conversation) { Started(conversation); });
    slot.Progressed.connect([this](const Conversation&, const Progress& progress) { Progressed(progress); });
    slot.Ended.connect([this](const Conversation&, const Result&) { Ended(); });
}

void StatusBar::Say(const std::string& text)
{
    // Said again, it is there already.
    if (text == m_said)
        return;
    m_said = text;
    m_view.setStatus(1, text);
    if (!text.empty())
        m_log.LogDebug(text, 0, LogBaseline);
}

void StatusBar::SetPanel(int panel, const std::string& text)
{
    m_view.setStatus(panel, text);
}

void StatusBar::SetBar(double maximum, double value)
{
    m_view.setProgressMaximum(maximum);
    m_view.setProgressValue(value < maximum ? value : maximum);
}

void StatusBar::Started(const Conversation& conversation)
{
    if (conversation.Cancellable())
        m_view.setVisible(control::btnCancel, true);
    m_lineShown = false;
    m_started = false;
    ShowLine();
}

void StatusBar::Progressed(const Progress& progress)
{
    // The first report of a conversation starts its line and its estimate.
    if (!m_started) {
        m_started = true;
        m_lineShown = true;
        m_timeLeft.Start(m_clock.nowMs(), static_cast<double>(progress.total));
    }
    m_timeLeft.SetTotal(static_cast<double>(progress.total));
    m_timeLeft.Update(m_clock.nowMs(), static_cast<double>(progress.done));
    m_progress = progress;
    SetBar(static_cast<double>(progress.total), static_cast<double>(progress.done));
    ShowLine();
}

void StatusBar::Ended()
{
    m_view.setVisible(control::btnCancel, false);
    m_lineShown = false;
    m_started = false;
    ShowLine();
}

std::optional<double> StatusBar::SecondsLeft() const
{
    if (!m_lineShown || m_progress.done >= m_progress.total)
        return std::nullopt;
    return m_timeLeft.SecondsLeft();
}

void StatusBar::ShowLine()
{
    const std::string text =
        m_lineShown ? ProgressLine(UnitName(m_progress.unit), m_progress.done, m_progress.total, SecondsLeft())
                    : std::string();
    if (text == m_progressText)
        return;
    m_progressText = text;
    m_view.setCaption(control::lblProgress, text);
    ProgressLineChanged(m_progressText);
}

} // namespace marrowick
