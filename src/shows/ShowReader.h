#pragma once

#include <memory>
#include <string>

#include "core/Signal.h"
#include "link/Conversation.h"
#include "platform/Clock.h"
#include "shows/ShowTable.h"

namespace marrowick {

class Session;

// Reading the shows: "u" brings the table, then "*" brings each show's data in
// turn. Driven by receive events; a time-out ends it when the controller stops.
class ShowReader : public Conversation {
public:
    // Quiet time allowed beyond the wire time of the reply awaited.
    static constexpr int SlackMs = 3000;

    ShowReader(Session& session, ShowState& shows);

    // btnReadShows. Silently refused (empty message) while another conversation
    // runs or the port is closed; refused with a message for a T7.
    Outcome Start();

    // State 9: the table reply of a K5, and of every other model.
    void HandleK5TocReply(const std::string& reply);
    void HandleR2TocReply(const std::string& reply);
    // The ten K5 show blocks (also state 5); true when they were taken.
    bool ReceiveTOC(const std::string& blocks);
    // A whole R2-layout reply; true when it was taken.
    bool ReceiveR2TOC(const std::string& reply);
    // State 10: one show's data.
    void ReceiveShowData(const std::string& data);

    void Abort(const std::string& reason) override;
    bool Running() const { return m_running; }
    // Bytes done and in all, as the progress bar shows them.
    double Done() const { return m_done; }
    double Total() const { return m_total; }

    // Raised once when a read ends: ok when every show arrived.
    Signal<const Outcome&> Finished;

private:
    void ShowTableTime();
    void TableTaken();
    void RequestShows();
    void Stop(bool ok, const std::string& message);
    void Refuse(const std::string& problem);
    void Restore();
    void Await(std::size_t bytes);
    void ShowProgress();

    Session& m_session;
    ShowState& m_shows;
    std::unique_ptr<Timer> m_timeout;
    bool m_running = false;
    float m_readStartTime = 0;
    ShowState m_before;
    bool m_tableShown = false;
    double m_total = 0;
    double m_done = 0;
};

} // namespace marrowick
