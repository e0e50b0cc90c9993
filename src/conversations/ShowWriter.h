#pragma once

#include <cstdint>
#include <string>

#include "conversations/Conversation.h"
#include "shows/ShowTable.h"

namespace marrowick {

// Writing the shows: "d" and the whole table in one burst, then each 6-byte
// request of the controller is answered with the next chunk of show data.
class ShowWriter : public Conversation {
public:
    static constexpr std::int64_t ShowChunkSize = 2048;
    static constexpr int RequestBytes = 6;
    static constexpr int SlackMs = 3000;

    ShowWriter(ConversationContext& context, ShowState& shows);
    ConversationKind Kind() const override { return ConversationKind::ShowWrite; }

    // btnWriteShows, in the table layout of the model. Busy with no shows,
    // while another conversation runs or with the port closed; refused, with
    // nothing sent, when the shows cannot be written whole (Problem).
    Result Start();
    // Why the shows held cannot be written to the controller identified now;
    // Ok when they can.
    Result Problem() const;

    // The 165- or 305-byte burst that starts a write, "d" first.
    std::string K5Table();
    std::string R2Table();

protected:
    void OnChunk(const std::string& chunk) override;
    void TimedOut() override;

private:
    // Asking the serial number the table carries, or sending the shows.
    enum class Step { Serial, Chunks };

    // "d", the table, and the first show ready to go.
    void SendTable();
    // State 12: the controller asks for the next chunk.
    void SendShowChunk();
    std::string Blocks();
    void Send(const std::string& bytes);

    ShowState& m_shows;
    Step m_step = Step::Chunks;
    std::int64_t m_sendPosition = 1;  // 1-based position of the next chunk in the show's data
    std::int64_t m_sendRemaining = 0; // bytes of the current show not yet sent
    long long m_done = 0;
};

} // namespace marrowick
