#pragma once

#include <string>
#include <vector>

#include "conversations/Conversation.h"
#include "firmware/FirmwareRecords.h"

namespace marrowick {

// What the loader's answer says; the names are those of the flags its tokens
// have always set.
enum class FirmwareToken { None, ReadyFlag, ErrorFlag };
// "T" is ready (for the first record, or the last one taken), "7" asks for the
// record again; anything else, two tokens run together included, is no token.
FirmwareToken ClassifyFirmwareReply(const std::string& chunk);

// Sends a checked image to the controller's loader: "F", then one record at a
// time. "T" moves on to the next record, "7" sends the same one again (or "F"
// again when "F" was refused); the 21st "7" in a row, a controller silent for
// the token time-out, the user's cancel or a lost port give up with "x". The
// download has worked only when the loader took the last record: "T" for it is
// success, "7" sends it again, and silence is taken as success too (a loader
// may restart at once), with a note that it was not confirmed. Every step runs
// from a receive event or the timer; nothing waits in between.
class FirmwareDownload : public Conversation {
public:
    // Allowed beyond a record's wire time for the token that answers it.
    static constexpr int TokenTimeoutMs = 5000;
    // How long the answer to the last record is waited for.
    static constexpr int LastRecordWaitMs = 2000;
    static constexpr int MaxResends = 20;

    explicit FirmwareDownload(ConversationContext& context);
    ConversationKind Kind() const override { return ConversationKind::FirmwareDownload; }

    // Starts in state 13 with the receive threshold 1; the image must be checked.
    void Start(const FirmwareImage& image);
    int ImageNumber() const { return m_number; }
    int RecordCount() const { return static_cast<int>(m_records.size()); }

protected:
    void OnChunk(const std::string& chunk) override;
    void TimedOut() override;
    void OnAbort(const Result& reason) override;

private:
    // Waiting for the loader to take "F", then for it to take each record.
    enum class Step { Start, Records };

    void SendCurrent();
    bool AtLastRecord() const { return m_step == Step::Records && m_index + 1 >= m_records.size(); }
    void Completed(Reason note);
    // The record the loader is answering; -1: the "F" that starts the download.
    int Current() const { return m_step == Step::Start ? -1 : static_cast<int>(m_index); }
    void GiveUp(const Result& reason);

    Step m_step = Step::Start;
    std::vector<std::string> m_records;
    std::vector<std::string> m_wire;
    int m_number = 0;
    std::size_t m_index = 0;   // record last sent, in Step::Records
    int m_errors = 0;          // "7" received in a row
    bool m_unreadable = false; // something other than a token came since the last one sent
};

} // namespace marrowick
