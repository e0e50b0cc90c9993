#pragma once

#include <array>
#include <string>

#include "platform/View.h"

namespace marrowick {

// What a running operation shows of itself: the three status panels (whose
// texts it remembers, so a command line can print what the window shows), the
// progress bar, the Cancel button beside it, the window's caption and the
// transfer light. Conversations see the window only through this.
class StatusSink {
public:
    explicit StatusSink(View& view) : m_view(view) {}

    // Panels 1..3; others are ignored.
    void SetStatus(int panel, const std::string& text);
    const std::string& Status(int panel) const;

    void SetProgress(double maximum, double value);
    void SetProgressMaximum(double maximum) { m_view.setProgressMaximum(maximum); }
    void SetProgressValue(double value) { m_view.setProgressValue(value); }
    void ShowCancel(bool shown) { m_view.setVisible(control::btnCancel, shown); }
    void SetWindowCaption(const std::string& text) { m_view.setWindowCaption(text); }
    void SetLight(Rgb colour) { m_view.setFillColor(control::Shape1, colour); }

private:
    View& m_view;
    std::array<std::string, 3> m_panels;
};

} // namespace marrowick
