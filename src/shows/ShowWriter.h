#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Signal.h"
#include "link/Conversation.h"
#include "platform/Clock.h"
#include "shows/ShowTable.h"

namespace marrowick {

class Session;

// Writing the shows: "d" and the whole table in one burst, then each 6-byte
// request of the controller is answered with the next chunk of show data.
class ShowWriter : public Conversation {
public:
    static constexpr std::int64_t ShowChunkSize = 2048;
    static constexpr int RequestBytes = 6;
    static constexpr int SlackMs = 3000;

    ShowWriter(Session& session, ShowState& shows);

    // btnWriteShows: the K5 layout for a K5, the R2 layout for the others.
    // Silently refused (empty message) with no shows, while another conversation
    // runs or with the port closed; refused with a message when the table
    // cannot be written.
    Outcome Start();
    Outcome WriteK5Shows();
    Outcome WriteR2Shows();
    // State 12: the controller asks for the next chunk.
    void SendShowChunk(const std::string& reply);

    void Abort(const std::string& reason) override;
    bool Running() const { return m_running; }
    // Bytes done and in all, as the progress bar shows them.
    double Done() const { return m_done; }
    double Total() const { return m_total; }

    // The 165- or 305-byte burst that starts a write, "d" first.
    std::string K5Table();
    std::string R2Table();

    // Raised once when a write ends: ok after the last chunk of the last show.
    Signal<const Outcome&> Finished;

private:
    Outcome Write(bool r2Layout);
    std::string Blocks();
    void Send(const std::string& bytes);
    void Stop(bool ok, const std::string& message);
    void ShowProgress();

    Session& m_session;
    ShowState& m_shows;
    std::unique_ptr<Timer> m_timeout;
    bool m_running = false;
    std::int64_t m_sendPosition = 1;  // 1-based position of the next chunk in the show's data
    std::int64_t m_sendRemaining = 0; // bytes of the current show not yet sent
    double m_total = 0;
    double m_done = 0;
};

} // namespace marrowick
