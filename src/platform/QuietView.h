#pragma once

#include <string>
#include <vector>

#include "platform/View.h"

namespace marrowick {

// A window that shows nothing: for driving a session without one (benchmarks,
// and the command line, which shows only what it chooses).
class QuietView : public View {
public:
    void setWindowCaption(const std::string&) override {}
    void setStatus(int, const std::string&) override {}
    void setProgressMaximum(double) override {}
    void setProgressValue(double) override {}
    void setCaption(const std::string&, const std::string&) override {}
    void setVisible(const std::string&, bool) override {}
    void setEnabled(const std::string&, bool) override {}
    void setTabEnabled(int, bool) override {}
    void setFillColor(const std::string&, Rgb) override {}
    void setRows(const std::string&, const std::vector<std::vector<std::string>>&) override {}
    int selectedOption(const std::string&) const override { return 0; }
    void closeWindow() override {}
};

} // namespace marrowick
