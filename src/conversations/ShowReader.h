#pragma once

#include <string>

#include "conversations/Conversation.h"
#include "shows/ShowTable.h"

namespace marrowick {

// Reading the shows: "u" brings the table, then "*" brings each show's data in
// turn. Driven by receive events; it ends when the controller stays silent for
// the allowance while bytes are due, however long the show it promised. A
// failed read puts back the table held before, so nothing half-read is left.
class ShowReader : public Conversation {
public:
    // Quiet time allowed while a reply is due, and beyond its wire time.
    static constexpr int SlackMs = 3000;

    ShowReader(ConversationContext& context, ShowState& shows);
    ConversationKind Kind() const override { return ConversationKind::ShowRead; }

    // btnReadShows. Busy while another conversation runs, with the port closed
    // or before the model is known; refused for a model without a show table.
    Result Start();
    // What Start would refuse with now; Done when it would start.
    Result Refusal() const;
    // State 5 was forced from the log window: the next chunk is taken as the
    // ten K5 show blocks.
    void TakeForcedBlocks();

    // The table came, this many seconds after it was asked for.
    Signal<float> TableReceived;
    // The table changed: after a table reply, and after a failed read gave
    // back what was held before.
    Signal<> Shown;

protected:
    void OnChunk(const std::string& chunk) override;
    void TimedOut() override;
    void OnFinish(const Result& result) override;

private:
    // The table, the shows it lists, the answer to the "*" asked when it lists
    // none, or the blocks a forced state 5 waits for.
    enum class Step { Table, Shows, NoShows, ForcedBlocks };

    void HandleK5TocReply(const std::string& reply);
    void HandleR2TocReply(const std::string& reply);
    // The ten K5 show blocks; true when they were taken.
    bool ReceiveTOC(const std::string& blocks);
    void ReceiveShowData(const std::string& data);
    void SayTableTime();
    void TableTaken();
    void RequestShows();
    void RequestNoShow();
    void NoShowAnswered(std::size_t bytes);
    void Await(std::size_t bytes);

    ShowState& m_shows;
    Step m_step = Step::Table;
    float m_readStartTime = 0;
    ShowState m_before;
    long long m_done = 0;
};

} // namespace marrowick
