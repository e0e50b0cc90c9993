#include "features/FeatureContext.h"

#include <new>

namespace marrowick {
namespace {

// Runs the handler registered for `control`, if there is one. Memory running
// out ends that command, not the program.
template <typename Handlers, typename... Args>
void Raise(const CommandMap& map, const Handlers& handlers, Control control, Args&&... args)
{
    const auto found = handlers.find(control.Name());
    if (found == handlers.end() || !found->second)
        return;
    try {
        found->second(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        if (map.onOutOfMemory)
            map.onOutOfMemory();
    }
    if (map.afterCommand)
        map.afterCommand();
}

} // namespace

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

void CommandMap::OnToggle(Control checkBox, std::function<void(bool)> handler)
{
    m_toggles[checkBox.Name()] = std::move(handler);
}

void CommandMap::OnCellEdited(Control list, std::function<void(int, int, int)> handler)
{
    m_cells[list.Name()] = std::move(handler);
}

void CommandMap::RowsMoved(Control list, const std::vector<int>& rows, int before) const
{
    Raise(*this, m_moves, list, rows, before);
}

void CommandMap::Click(Control control) const
{
    Raise(*this, m_clicks, control);
}

void CommandMap::Drop(Control control, const std::vector<std::string>& files) const
{
    Raise(*this, m_drops, control, files);
}

void CommandMap::OptionSelected(Control optionArray, int index) const
{
    Raise(*this, m_options, optionArray, index);
}

void CommandMap::Toggled(Control checkBox, bool checked) const
{
    Raise(*this, m_toggles, checkBox, checked);
}

void CommandMap::CellEdited(Control list, int row, int column, int value) const
{
    Raise(*this, m_cells, list, row, column, value);
}

} // namespace marrowick
