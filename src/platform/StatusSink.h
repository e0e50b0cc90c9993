#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Signal.h"
#include "base/TimeLeft.h"
#include "platform/View.h"

namespace marrowick {

// What a running operation shows of itself: the three status panels (whose
// texts it remembers, so a command line can print what the window shows), the
// progress bar with the progress line and the Cancel button beside it, the
// window's caption and the transfer light. Conversations see the window only
// through this.
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

    // The progress line beside the bar: how far a long transfer has come, in
    // units a person counts, and the time left at the rate measured so far:
    // "packet 12 of 3,906 · about 1 h 52 min left". Times are the clock's
    // milliseconds. Empty while nothing runs.
    void StartProgressLine(const std::string& unit, long long total, std::int64_t nowMs);
    // More turned out to be due (a read learns the shows' lengths from the
    // table); the line shows it with the next update.
    void SetProgressLineTotal(long long total);
    void UpdateProgressLine(long long done, std::int64_t nowMs);
    void ClearProgressLine();
    const std::string& ProgressText() const { return m_progressText; }
    // The estimate behind the line; nothing before there is a rate, or once all is done.
    std::optional<double> SecondsLeft() const;
    // The line changed (the command line prints it).
    Signal<const std::string&> ProgressLineChanged;

private:
    void ShowProgressText();

    View& m_view;
    std::array<std::string, 3> m_panels;
    TimeLeft m_timeLeft;
    std::string m_unit;
    long long m_total = 0;
    long long m_done = 0;
    bool m_lineShown = false;
    std::string m_progressText;
};

} // namespace marrowick
