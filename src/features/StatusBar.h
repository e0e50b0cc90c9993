#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/Signal.h"
#include "base/TimeLeft.h"
#include "conversations/Conversation.h"
#include "log/LogModel.h"
#include "platform/Clock.h"
#include "ui/View.h"

namespace marrowick {

// What the window shows of the running operation: status panel 1 (every text
// of it also goes to the log), the progress bar with the progress line and the
// Cancel button beside it, and the window's caption while a controller is
// being changed. It follows every conversation through the slot: Cancel while
// one that can be cancelled runs, the bar and "packet 12 of 3,906 · about 1 h
// 52 min left" as it reports progress, both cleared when it ends.
class StatusBar {
public:
    StatusBar(View& view, Clock& clock, LogModel& log, ConversationSlot& slot);
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    // Panel 1: what the running operation does, or how it ended.
    void Say(const std::string& text);
    // Panel 1 for the steps between outcomes: an operation starting ("Writing
    // Shows"), so no text of an earlier one stays under it, or a download
    // complete while its reset question is open. Told only when narrated.
    void Narrate(const std::string& text)
    {
        if (narrate)
            Say(text);
    }
    // The command line prints only outcomes.
    bool narrate = true;
    // Panels 2 (version and model) and 3 (serial number).
    void SetPanel(int panel, const std::string& text);
    // The bar of an operation that is no conversation (loading clips, saving a library).
    void SetBar(double maximum, double value);

    // The progress line beside the bar; empty while nothing runs.
    const std::string& ProgressText() const { return m_progressText; }
    // How far the running conversation said it has come, as the line tells it.
    const Progress& Reported() const { return m_progress; }
    // The estimate behind the line; nothing before there is a rate, or once all is done.
    std::optional<double> SecondsLeft() const;
    // The line changed (the command line prints it).
    Signal<const std::string&> ProgressLineChanged;

private:
    void Started(const Conversation& conversation);
    void Progressed(const Progress& progress);
    void Ended();
    void ShowLine();

    View& m_view;
    Clock& m_clock;
    LogModel& m_log;
    TimeLeft m_timeLeft;
    Progress m_progress;
    bool m_lineShown = false;
    bool m_started = false;
    std::string m_progressText;
    std::string m_said;
};

} // namespace marrowick
