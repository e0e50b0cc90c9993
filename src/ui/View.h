#pragma once

#include <string>
#include <vector>

#include "ui/Controls.h"

namespace marrowick {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The main window as the program sees it. Controls are the constants of
// ui/Controls.h, so the program decides what a control shows and the
// window only shows it.
class View {
public:
    virtual ~View() = default;

    virtual void setWindowCaption(const std::string& text) = 0;
    // Panels are 1-based: 1 operation messages, 2 version and model, 3 serial number.
    virtual void setStatus(int panel, const std::string& text) = 0;
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;

    virtual void setCaption(Control control, const std::string& text) = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    // A command that would do nothing now is greyed out, its tooltip saying why
    // ("No shows loaded"); an empty reason makes it usable with its own tooltip.
    virtual void setAvailable(Control control, const std::string& whyNot) = 0;
    // Ticks or clears a check box; the user's own clicks reach the program as commands.
    virtual void setChecked(Control checkBox, bool checked) = 0;
    // Tabs of SSTab1: TabAudioLibrary, TabShows, TabFirmware.
    virtual void setTabEnabled(int tab, bool enabled) = 0;
    virtual void setFillColor(Control control, Rgb colour) = 0;
    // Rows of a list view; the first text of a row is the row's own text.
    virtual void setRows(Control control, const std::vector<std::vector<std::string>>& rows) = 0;
    // Marks rows of a list view with a warning sign: row i when warnings[i] is
    // not empty, with that text as its tooltip. Rows beyond the texts are not marked.
    virtual void markRows(Control list, const std::vector<std::string>& warnings) = 0;
    // The cells of a list view the user may change, each a whole number from 0
    // to `maximum`: cells[row] lists the row's columns (0-based; column 0 is the
    // row's own text). Every other cell is read-only, and a row without any is
    // shown greyed. What the user enters reaches the program as a command
    // (CommandMap::CellEdited); the list shows it once the program sets the rows
    // again. A list made unavailable (setAvailable) takes no edits but can still be read.
    virtual void setEditableCells(Control list, const std::vector<std::vector<int>>& cells, int maximum) = 0;
    // The items of a choice and the one shown (-1: none). The user's choice
    // reaches the program as a command (CommandMap::OptionSelected).
    virtual void setChoices(Control choice, const std::vector<std::string>& items, int selected) = 0;
    // Rows of a list view that the user has selected, 0-based, in list order.
    virtual std::vector<int> selectedRows(Control list) const = 0;
    // A bar that shows how full something is, with its text; `warning` colours it.
    virtual void setMeter(Control bar, double maximum, double value, const std::string& text, bool warning) = 0;
    // Index of the selected option button of an option-button array (OptFirmware, ...).
    virtual int selectedOption(Control optionArray) const = 0;
    // Opens the file (a path in UTF-8) in the program the system has for it: a
    // sound file in its default player.
    virtual void openFile(const std::string& path) = 0;
    // Closes the main window, which ends the program through its ordinary shutdown.
    virtual void closeWindow() = 0;
};

} // namespace marrowick
