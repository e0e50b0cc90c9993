#include "library/ClipTransfer.h"

#include <algorithm>

#include "core/Session.h"
#include "link/Encoding.h"

namespace marrowick {

ClipTransfer::ClipTransfer(Session& session) : m_session(session), m_replyTimer(session.clock.createTimer())
{
    m_replyTimer->onTimeout = [this] { TimedOut(); };
    // The dispatcher has turned the reply into ReadyFlag or ErrorFlag by now.
    session.link.SetHandler(StateStreamClips, [this](const std::string& chunk) { OnReply(chunk); });
}

ClipTransfer::~ClipTransfer()
{
    m_session.link.End(this);
}

int ClipTransfer::ReplyTimeoutMs(std::size_t bytes)
{
    return static_cast<int>(bytes * 1000 / LineBytesPerSecond) + ReplyAllowanceMs;
}

void ClipTransfer::Start(const std::vector<ClipEntry>& entries, std::string data)
{
    Session& s = m_session;
    Link& link = s.link;
    m_data = std::move(data);
    m_total = m_data.size();
    m_green = 255;
    m_running = true;
    m_accepted = 0;
    m_acceptedPackets = 0;
    m_packetNumber = 1;
    m_position = 0;
    m_errors = 0;
    m_unreadable = false;
    const std::size_t count = entries.size();
    m_firstPacket = BlockBytes - ClipEntryBytes * count;

    link.Expect(ReplyBytes);
    s.SetState(StateStreamClips);
    // The bar was full after loading the clips; from here it counts accepted packets.
    s.view.setProgressValue(0);
    link.Begin(this);
    s.view.setVisible("btnCancel", true);

    std::string header = "D";
    header += static_cast<char>(count);
    for (const ClipEntry& entry : entries) {
        header += SendLong(entry.start);
        s.LogDebug("Start Address: " + FloatText(entry.start), 0, LogBaseline);
        header += SendLong(entry.length);
        s.LogDebug("Clip Length: " + FloatText(entry.length), 0, LogBaseline);
    }
    const float packageSize = static_cast<float>(m_data.size());
    header += SendLong(packageSize);
    s.LogDebug("Package Size: " + FloatText(packageSize), 0, LogBaseline);
    link.Send(header);

    // A flag left over from an earlier conversation must not count as a reply.
    link.ReadyFlag = false;
    link.ErrorFlag = false;
    s.LogDebug("Bytes loaded: " + std::to_string(m_data.size()), 0, LogBaseline);
    s.LogDebug("Sending Packet 1, " + std::to_string(m_firstPacket) + " bytes", 0, LogBaseline);
    SendPacket(header.size());
}

void ClipTransfer::SendPacket(std::size_t extraWireBytes)
{
    const std::size_t limit = m_packetNumber == 1 ? m_firstPacket : BlockBytes;
    m_packetBytes = std::min(limit, m_data.size() - m_position);
    m_session.link.Send(std::string_view(m_data).substr(m_position, m_packetBytes));
    m_replyTimer->start(m_session.TimeoutMs(ReplyTimeoutMs(extraWireBytes + m_packetBytes + ReplyBytes)));
}

void ClipTransfer::OnReply(const std::string& chunk)
{
    if (!m_running)
        return;
    Link& link = m_session.link;
    if (m_session.UnloadRequested) {
        Abort("The program is closing");
        return;
    }
    if (link.ErrorFlag) {
        link.ErrorFlag = false;
        if (++m_errors > MaxResends) {
            Abort("the controller refused packet " + std::to_string(m_packetNumber) + " " + std::to_string(m_errors) +
                  " times in a row");
            return;
        }
        m_unreadable = false;
        if (m_packetNumber == 1) {
            m_session.LogDebug("Re-Sending Packet 1, " + std::to_string(m_firstPacket) + " bytes", 0, LogBaseline);
            m_session.view.setFillColor("Shape1", Rgb{255, 255, 0});
        } else {
            m_green = std::max(0, m_green - 5);
            m_session.LogDebug("Re-Sending packet: " + std::to_string(m_position + 1), 0, LogBaseline);
            m_session.view.setFillColor("Shape1", Rgb{255, m_green, 0});
        }
        SendPacket();
        return;
    }
    if (link.ReadyFlag) {
        link.ReadyFlag = false;
        PacketAccepted();
        return;
    }
    // Anything else is no reply at all (noise, or two replies run together): the
    // packet's timer stays the judge, and its message says what came.
    m_session.LogDebug("Unreadable reply of " + std::to_string(chunk.size()) + " bytes to packet " +
                           std::to_string(m_packetNumber),
                       0, LogBaseline);
    m_unreadable = true;
}

void ClipTransfer::PacketAccepted()
{
    Session& s = m_session;
    m_errors = 0;
    m_unreadable = false;
    m_accepted += m_packetBytes;
    if (m_packetNumber == 1) {
        s.SetStatus(1, "Transmitting Audio clips to " +
                           (s.CurrentController ? s.CurrentController->Name() : s.ControllerModel));
    } else {
        ++m_acceptedPackets;
        const double maximum = static_cast<double>(m_data.size()) / BlockBytes;
        s.view.setProgressValue(std::min<double>(m_acceptedPackets, maximum));
    }
    Progressed();
    m_position += m_packetBytes;
    ++m_packetNumber;
    if (m_position >= m_data.size()) {
        m_replyTimer->stop();
        s.LogDebug("Package Complete", 0, LogBaseline);
        s.SetStatus(1, "Audio Library Transmission Complete");
        Finish(true, "Audio Library Transmission Complete");
        return;
    }
    s.LogDebug("sending packet: " + std::to_string(m_position + 1), 0, LogBaseline);
    SendPacket();
}

void ClipTransfer::TimedOut()
{
    if (!m_running)
        return;
    const std::string packet = "packet " + std::to_string(m_packetNumber);
    Abort(m_unreadable ? "the controller's answer to " + packet + " could not be read"
                       : "the controller did not answer " + packet);
}

void ClipTransfer::Abort(const std::string& reason)
{
    if (!m_running)
        return;
    const std::string message = "Audio clip transfer stopped: " + reason;
    m_session.LogDebug(message, 0, LogBaseline);
    m_session.SetStatus(1, message);
    Finish(false, message);
}

void ClipTransfer::Finish(bool ok, const std::string& message)
{
    m_replyTimer->stop();
    m_running = false;
    m_data.clear();
    m_data.shrink_to_fit();
    m_session.link.End(this);
    m_session.view.setVisible("btnCancel", false);
    if (m_session.State() != StateIdle)
        m_session.SetState(StateIdle);
    Finished(Outcome{ok, message});
}

} // namespace marrowick
