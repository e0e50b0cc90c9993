#pragma once

#include <string>
#include <vector>

#include "ui/View.h"

namespace marrowick {

// A window that shows nothing: for driving a session without one (benchmarks,
// and the command line, which shows only what it chooses).
class QuietView : public View {
public:
    void setWindowCaption(const std::string&) override {}
    void setStatus(int, const std::string&) override {}
    void setProgressMaximum(double) override {}
    void setProgressValue(double) override {}
    void setCaption(Control, const std::string&) override {}
    void setVisible(Control, bool) override {}
    void setAvailable(Control, const std::string&) override {}
    void setChecked(Control, bool) override {}
    void setTabEnabled(int, bool) override {}
    void setFillColor(Control, Rgb) override {}
    void setRows(Control, const std::vector<std::vector<std::string>>&) override {}
    void markRows(Control, const std::vector<std::string>&) override {}
    void setEditableCells(Control, const std::vector<std::vector<int>>&, int) override {}
    void setChoices(Control, const std::vector<std::string>&, int) override {}
    std::vector<int> selectedRows(Control) const override { return {}; }
    void setMeter(Control, double, double, const std::string&, bool) override {}
    int selectedOption(Control) const override { return 0; }
    void openFile(const std::string&) override {}
    void closeWindow() override {}
};

} // namespace marrowick
