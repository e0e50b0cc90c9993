#pragma once

#include <map>
#include <string>

#include "conversations/Conversation.h"
#include "shows/ShowTable.h"

namespace marrowick {

// Reading the shows: "u" brings the table, then "*" brings each show's data in
// turn. Driven by receive events; it ends when the controller stays silent for
// the allowance while bytes are due, however long the show it promised.
class ShowReader : public Conversation {
public:
    // Quiet time allowed while a reply is due, and beyond its wire time.
    static constexpr int SlackMs = 3000;

    ShowReader(ConversationContext& context, ShowState& shows);

    // btnReadShows. Busy while another conversation runs, with the port closed
    // or before the model is known; refused for a model without a show table.
    Result Start();

    // State 9: the table reply of a K5-layout model, and of an R2-layout one.
    void HandleK5TocReply(const std::string& reply);
    void HandleR2TocReply(const std::string& reply);
    // The ten K5 show blocks (also state 5); true when they were taken.
    bool ReceiveTOC(const std::string& blocks);
    // A whole R2-layout reply; true when it was taken.
    bool ReceiveR2TOC(const std::string& reply);
    // State 10: one show's data.
    void ReceiveShowData(const std::string& data);

    // The table and its labels changed: after a table reply, and after a failed
    // read gave back what was held before.
    Signal<> Shown;

protected:
    void OnChunk(std::int16_t state, const std::string& chunk) override;
    void TimedOut() override;
    void OnAbort(const Result& reason) override;

private:
    // The table, the shows it lists, or the answer to the "*" asked when it lists none.
    enum class Step { Table, Shows, NoShows };

    void ShowTableTime();
    void TableTaken();
    void RequestShows();
    void RequestNoShow();
    void NoShowAnswered(std::size_t bytes);
    void Stop(const Result& result);
    void Refuse(ResultCode code, const std::string& problem);
    void Await(std::size_t bytes);
    void ShowProgress();

    ShowState& m_shows;
    Step m_step = Step::Table;
    float m_readStartTime = 0;
    ShowState m_before;
    double m_total = 0;
    double m_done = 0;
};

} // namespace marrowick
