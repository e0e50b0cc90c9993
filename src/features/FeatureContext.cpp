#include "features/FeatureContext.h"

namespace marrowick {

void CommandMap::OnClick(Control control, std::function<void()> handler)
{
    m_clicks[control.Name()] = std::move(handler);
}

void CommandMap::OnDrop(Control control, std::function<void(const std::vector<std::string>&)> handler)
{
    m_drops[control.Name()] = std::move(handler);
}

void CommandMap::OnOption(Control optionArray, std::function<void(int)> handler)
{
    m_options[optionArray.Name()] = std::move(handler);
}

void CommandMap::OnRowsMoved(Control list, std::function<void(const std::vector<int>&, int)> handler)
{
    m_moves[list.Name()] = std::move(handler);
}

void CommandMap::RowsMoved(Control list, const std::vector<int>& rows, int before) const
{
    const auto found = m_moves.find(list.Name());
    if (found != m_moves.end() && found->second)
        found->second(rows, before);
}

void CommandMap::Click(Control control) const
{
    const auto found = m_clicks.find(control.Name());
    if (found != m_clicks.end() && found->second)
        found->second();
}

void CommandMap::Drop(Control control, const std::vector<std::string>& files) const
{
    const auto found = m_drops.find(control.Name());
    if (found != m_drops.end() && found->second)
        found->second(files);
}

void CommandMap::OptionSelected(Control optionArray, int index) const
{
    const auto found = m_options.find(optionArray.Name());
    if (found != m_options.end() && found->second)
        found->second(index);
}

} // namespace marrowick
