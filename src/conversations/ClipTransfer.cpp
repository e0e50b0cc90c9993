#include "conversations/ClipTransfer.h"

#include <algorithm>

#include "link/Encoding.h"
#include "link/LineRate.h"

namespace marrowick {

ClipToken ClassifyClipReply(const std::string& chunk)
{
    if (chunk == "FeedMe" || chunk == "Ready!")
        return ClipToken::ReadyFlag;
    if (chunk == "Error!")
        return ClipToken::ErrorFlag;
    return ClipToken::None;
}

ClipTransfer::ClipTransfer(ConversationContext& context) : Conversation(context) {}

void ClipTransfer::Start(const std::vector<ClipEntry>& entries, std::string data)
{
    Link& link = m_ctx.link;
    m_data = std::move(data);
    m_total = m_data.size();
    m_packetNumber = 1;
    m_step = Step::FirstPacket;
    m_position = 0;
    m_errors = 0;
    m_unreadable = false;
    const std::size_t count = entries.size();
    m_firstPacket = BlockBytes - ClipEntryBytes * count;

    Begin({LinkState::StateStreamClips, ReplyBytes, ReplyAllowanceMs});
    const std::size_t later = m_total > m_firstPacket ? m_total - m_firstPacket : 0;
    StartProgress(ProgressUnit::Packet, 1 + static_cast<long long>((later + BlockBytes - 1) / BlockBytes));

    std::string header = "D";
    header += static_cast<char>(count);
    for (const ClipEntry& entry : entries) {
        header += SendLong(entry.start);
        m_ctx.Log("Start Address: " + FloatText(entry.start));
        header += SendLong(entry.length);
        m_ctx.Log("Clip Length: " + FloatText(entry.length));
    }
    const float packageSize = static_cast<float>(m_data.size());
    header += SendLong(packageSize);
    m_ctx.Log("Package Size: " + FloatText(packageSize));
    link.Send(header);

    m_ctx.Log("Bytes loaded: " + std::to_string(m_data.size()));
    m_ctx.Log("Sending Packet 1, " + std::to_string(m_firstPacket) + " bytes");
    SendPacket(header.size());
}

void ClipTransfer::SendPacket(std::size_t extraWireBytes)
{
    const std::size_t limit = m_step == Step::FirstPacket ? m_firstPacket : BlockBytes;
    m_packetBytes = std::min(limit, m_data.size() - m_position);
    m_ctx.link.Send(std::string_view(m_data).substr(m_position, m_packetBytes));
    // The packet's own wire time (and the reply's) comes first; only the
    // allowance beyond it is the controller's, or the user's --timeout.
    AwaitFor(WireTimeMs(extraWireBytes + m_packetBytes + ReplyBytes) + AllowanceMs());
}

void ClipTransfer::OnChunk(const std::string& chunk)
{
    switch (ClassifyClipReply(chunk)) {
    case ClipToken::ErrorFlag:
        Resend();
        return;
    case ClipToken::ReadyFlag:
        PacketAccepted();
        return;
    case ClipToken::None:
        break;
    }
    // Anything else is no reply at all (noise, or two replies run together): the
    // packet's timer stays the judge, and its message says what came.
    m_ctx.Log("Unreadable reply of " + std::to_string(chunk.size()) + " bytes to packet " +
              std::to_string(m_packetNumber));
    m_unreadable = true;
}

void ClipTransfer::Resend()
{
    if (++m_errors > MaxResends) {
        Finish(Result::Fail(ResultCode::Refused, Reason::Refusals, m_packetNumber, m_errors));
        return;
    }
    m_unreadable = false;
    if (m_step == Step::FirstPacket)
        m_ctx.Log("Re-Sending Packet 1, " + std::to_string(m_firstPacket) + " bytes");
    else
        m_ctx.Log("Re-Sending packet: " + std::to_string(m_position + 1));
    Resending(m_packetNumber, m_errors);
    SendPacket();
}

void ClipTransfer::PacketAccepted()
{
    m_errors = 0;
    m_unreadable = false;
    if (m_step == Step::FirstPacket) {
        m_step = Step::LaterPackets;
        FirstPacketTaken();
    }
    ReportProgress(m_packetNumber);
    m_position += m_packetBytes;
    ++m_packetNumber;
    if (m_position >= m_data.size()) {
        m_ctx.Log("Package Complete");
        Finish(Result::Done());
        return;
    }
    m_ctx.Log("sending packet: " + std::to_string(m_position + 1));
    SendPacket();
}

void ClipTransfer::TimedOut()
{
    if (m_unreadable)
        Finish(Result::Fail(ResultCode::UnreadableReply, Reason::AnswerUnreadable, m_packetNumber));
    else
        Finish(Result::Fail(ResultCode::TimedOut, Reason::NoAnswer, m_packetNumber));
}

void ClipTransfer::OnFinish(const Result&)
{
    m_data.clear();
    m_data.shrink_to_fit();
}

} // namespace marrowick
