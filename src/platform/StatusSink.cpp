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

} // namespace marrowick
