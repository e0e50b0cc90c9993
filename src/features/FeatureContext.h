#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "conversations/Conversation.h"
#include "features/StatusBar.h"
#include "projects/ProjectPaths.h"
#include "ui/Dialogs.h"
#include "ui/View.h"

namespace marrowick {

// The window's commands by control: a click, files dropped, an option chosen,
// a cell of a list changed.
// The features fill it; the window (or a command line, or a test) raises them.
class CommandMap {
public:
    void OnClick(Control control, std::function<void()> handler);
    void OnDrop(Control control, std::function<void(const std::vector<std::string>&)> handler);
    void OnOption(Control optionArray, std::function<void(int)> handler);
    // Rows of a list dragged to stand before row `before` (0-based; the row count: the end).
    void OnRowsMoved(Control list, std::function<void(const std::vector<int>& rows, int before)> handler);
    // A check box the user ticked (true) or cleared.
    void OnToggle(Control checkBox, std::function<void(bool checked)> handler);
    // A cell of a list the user changed to `value` (row and column 0-based).
    void OnCellEdited(Control list, std::function<void(int row, int column, int value)> handler);

    void Click(Control control) const;
    void Drop(Control control, const std::vector<std::string>& files) const;
    void OptionSelected(Control optionArray, int index) const;
    void RowsMoved(Control list, const std::vector<int>& rows, int before) const;
    void Toggled(Control checkBox, bool checked) const;
    void CellEdited(Control list, int row, int column, int value) const;

    // A command ran out of memory: it ended there, and this says so.
    std::function<void()> onOutOfMemory;
    // After every command: what it changed may change what the others can do.
    std::function<void()> afterCommand;

private:
    std::map<std::string_view, std::function<void()>> m_clicks;
    std::map<std::string_view, std::function<void(const std::vector<std::string>&)>> m_drops;
    std::map<std::string_view, std::function<void(int)>> m_options;
    std::map<std::string_view, std::function<void(const std::vector<int>&, int)>> m_moves;
    std::map<std::string_view, std::function<void(bool)>> m_toggles;
    std::map<std::string_view, std::function<void(int, int, int)>> m_cells;
};

// What a tab of the window works with: the window and its dialogs, the status
// it shows, the conversations' context (link, clock, log, the controller's
// identity), the project folders and the command map it registers with.
struct FeatureContext {
    View& view;
    Dialogs& dialogs;
    ConversationContext& conversations;
    ProjectPaths& paths;
    CommandMap& commands;
    StatusBar& status;

    Identity& identity() const { return conversations.identity; }
    Link& link() const { return conversations.link; }
    Clock& clock() const { return conversations.clock; }
    LogModel& log() const { return conversations.log; }
    const controller* model() const { return conversations.identity.Model(); }
    LinkState State() const { return conversations.State(); }
    bool Idle() const { return conversations.State() == LinkState::StateIdle; }
    void Log(const std::string& message, int level = LogBaseline) const { conversations.Log(message, level); }
};

} // namespace marrowick
