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

ClipTransfer::ClipTransfer(ConversationContext& context) : Conversation(context)
{
    Listen(StateStreamClips);
}

void ClipTransfer::Start(const std::vector<ClipEntry>& entries, std::string data)
{
    Link& link = m_ctx.link;
    m_data = std::move(data);
    m_total = m_data.size();
    m_green = 255;
    m_acceptedPackets = 0;
    m_packetNumber = 1;
    m_step = Step::FirstPacket;
    m_position = 0;
    m_errors = 0;
    m_unreadable = false;
    const std::size_t count = entries.size();
    m_firstPacket = BlockBytes - ClipEntryBytes * count;

    Begin({StateStreamClips, ReplyBytes, ReplyAllowanceMs});
    // The bar was full after loading the clips; from here it counts accepted packets.
    m_ctx.status.SetProgressValue(0);
    const std::size_t later = m_total > m_firstPacket ? m_total - m_firstPacket : 0;
    StartProgressLine("packet", static_cast<long long>(1 + (later + BlockBytes - 1) / BlockBytes));

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

void ClipTransfer::OnChunk(std::int16_t, const std::string& chunk)
{
    if (!Running())
        return;
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
        Stop(Result::Fail(ResultCode::Refused, "Audio clip transfer stopped: the controller refused packet " +
                                                   std::to_string(m_packetNumber) + " " + std::to_string(m_errors) +
                                                   " times in a row"));
        return;
    }
    m_unreadable = false;
    if (m_step == Step::FirstPacket) {
        m_ctx.Log("Re-Sending Packet 1, " + std::to_string(m_firstPacket) + " bytes");
        m_ctx.status.SetLight(Rgb{255, 255, 0});
    } else {
        m_green = std::max(0, m_green - 5);
        m_ctx.Log("Re-Sending packet: " + std::to_string(m_position + 1));
        m_ctx.status.SetLight(Rgb{255, m_green, 0});
    }
    SendPacket();
}

void ClipTransfer::PacketAccepted()
{
    m_errors = 0;
    m_unreadable = false;
    if (m_step == Step::FirstPacket) {
        const controller* model = m_ctx.identity.Model();
        m_ctx.status.SetStatus(1, "Transmitting Audio clips to " +
                                      (model ? model->Name() : m_ctx.identity.ControllerModel));
        m_step = Step::LaterPackets;
    } else {
        ++m_acceptedPackets;
        const double maximum = static_cast<double>(m_data.size()) / BlockBytes;
        m_ctx.status.SetProgressValue(std::min<double>(m_acceptedPackets, maximum));
    }
    ShowProgressLine(m_packetNumber);
    m_position += m_packetBytes;
    ++m_packetNumber;
    if (m_position >= m_data.size()) {
        m_ctx.Log("Package Complete");
        m_ctx.status.SetStatus(1, "Audio Library Transmission Complete");
        Stop(Result::Done("Audio Library Transmission Complete"));
        return;
    }
    m_ctx.Log("sending packet: " + std::to_string(m_position + 1));
    SendPacket();
}

void ClipTransfer::TimedOut()
{
    const std::string packet = "packet " + std::to_string(m_packetNumber);
    if (m_unreadable)
        Stop(Result::Fail(ResultCode::UnreadableReply,
                          "Audio clip transfer stopped: the controller's answer to " + packet + " could not be read"));
    else
        Stop(
            Result::Fail(ResultCode::TimedOut, "Audio clip transfer stopped: the controller did not answer " + packet));
}

void ClipTransfer::OnAbort(const Result& reason)
{
    Stop(Result::Fail(reason.code, "Audio clip transfer stopped: " + reason.message));
}

void ClipTransfer::Stop(const Result& result)
{
    if (!result.ok()) {
        m_ctx.Log(result.message);
        m_ctx.status.SetStatus(1, result.message);
    }
    m_data.clear();
    m_data.shrink_to_fit();
    Finish(result);
}

} // namespace marrowick
