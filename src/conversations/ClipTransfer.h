#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "conversations/Conversation.h"
#include "library/LibraryImage.h"

namespace marrowick {

// What a reply to a packet says; the names are those of the flags the
// controller's replies have always set.
enum class ClipToken { None, ReadyFlag, ErrorFlag };
// "FeedMe" and "Ready!" take the packet, "Error!" asks for it again; anything
// else, two replies run together included, is no reply.
ClipToken ClassifyClipReply(const std::string& chunk);

// Sends the library to the controller: "D", the clip count, the table and the
// package size, then the audio data in packets that the controller answers one
// by one. Every reply moves it on from the receive handler; a per-packet timer
// ends it when the controller stays silent, and the 21st "Error!" in a row for
// one packet ends it too, so nothing waits in a loop and nothing resends for ever.
class ClipTransfer : public Conversation {
public:
    static constexpr int ReplyBytes = 6;
    static constexpr std::size_t BlockBytes = 2048;
    static constexpr int ReplyAllowanceMs = 5000;
    static constexpr int MaxResends = 20;

    explicit ClipTransfer(ConversationContext& context);
    ConversationKind Kind() const override { return ConversationKind::ClipTransfer; }

    // Takes the table and the audio data (already loaded) and sends them.
    void Start(const std::vector<ClipEntry>& entries, std::string data);

    // The controller took the first packet, and with it the library's table.
    Signal<> FirstPacketTaken;
    // The controller asked for packet `packet` again, for the `times`-th time in a row.
    Signal<int, int> Resending;

protected:
    void OnChunk(const std::string& chunk) override;
    void TimedOut() override;
    void OnFinish(const Result& result) override;

private:
    enum class Step { FirstPacket, LaterPackets };

    void SendPacket(std::size_t extraWireBytes = 0);
    void Resend();
    void PacketAccepted();

    Step m_step = Step::FirstPacket;
    std::string m_data;
    std::size_t m_total = 0;
    std::size_t m_firstPacket = 0; // bytes of packet 1: the block minus the table
    std::size_t m_position = 0;    // 0-based offset of the packet waiting for its reply
    std::size_t m_packetBytes = 0;
    int m_packetNumber = 0;
    int m_errors = 0;          // "Error!" in a row for the packet waiting
    bool m_unreadable = false; // something other than a reply came for it
};

} // namespace marrowick
