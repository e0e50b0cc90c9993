#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Signal.h"
#include "firmware/FirmwareRecords.h"
#include "link/Conversation.h"
#include "platform/Clock.h"

namespace marrowick {

class Session;

// Sends a checked image to the controller's loader: "F", then one record at a
// time. "T" moves on to the next record, "7" sends the same one again (or "F"
// again when "F" was refused); the 21st "7" in a row, a controller silent for
// the token time-out, the user's cancel or a lost port give up with "x". The
// answer to the last record is not awaited. Every step runs from a receive
// event or the timer; nothing waits in between.
class FirmwareDownload : public Conversation {
public:
    static constexpr int TokenTimeoutMs = 5000;
    static constexpr int MaxResends = 20;

    explicit FirmwareDownload(Session& session);
    ~FirmwareDownload() override;

    // Starts in state 13 with the receive threshold 1; the image must be checked.
    void Start(const FirmwareImage& image);
    void Abort(const std::string& reason) override;
    bool Running() const { return m_running; }
    int ImageNumber() const { return m_number; }

    // Each record as it goes out: its index and the last index.
    Signal<int, int> RecordSent;
    // Raised once when the download has ended, sent to the end or given up.
    Signal<const Outcome&> Finished;

private:
    void OnChunk(const std::string& chunk);
    void SendCurrent();
    void TimedOut();
    void GiveUp(const std::string& reason);
    void Finish(bool ok, const std::string& message);

    Session& m_session;
    std::unique_ptr<Timer> m_timeout;
    std::vector<std::string> m_records;
    std::vector<std::string> m_wire;
    int m_number = 0;
    int m_index = -1;          // record last sent; -1 while "F" waits for its answer
    int m_errors = 0;          // "7" received in a row
    bool m_unreadable = false; // something other than a token came since the last one sent
    bool m_running = false;
};

} // namespace marrowick
