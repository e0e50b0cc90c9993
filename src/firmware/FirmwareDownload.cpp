#include "firmware/FirmwareDownload.h"

#include "core/Session.h"
#include "link/Encoding.h"

namespace marrowick {

FirmwareDownload::FirmwareDownload(Session& session) : m_session(session), m_timeout(session.clock.createTimer())
{
    m_timeout->onTimeout = [this] { TimedOut(); };
    session.link.SetHandler(StateFirmware, [this](const std::string& chunk) { OnChunk(chunk); });
}

FirmwareDownload::~FirmwareDownload()
{
    m_session.link.End(this);
}

void FirmwareDownload::Start(const FirmwareImage& image)
{
    if (m_running || image.records.empty())
        return;
    m_records = image.records;
    m_wire.clear();
    m_wire.reserve(m_records.size());
    for (const auto& record : m_records)
        m_wire.push_back(RecordWireBytes(record));
    m_number = image.number;
    m_index = -1;
    m_errors = 0;
    m_unreadable = false;
    m_running = true;

    Link& link = m_session.link;
    // A token is one byte: it must be taken the moment it arrives.
    link.Expect(1);
    link.ReadyFlag = false;
    link.ErrorFlag = false;
    m_session.SetState(StateFirmware);
    m_session.view.setWindowCaption("");
    m_session.view.setProgressMaximum(image.LastIndex());
    m_session.view.setVisible("btnCancel", true);
    link.Begin(this);
    link.Send("F");
    m_timeout->start(m_session.TimeoutMs(TokenTimeoutMs));
}

void FirmwareDownload::OnChunk(const std::string& chunk)
{
    Link& link = m_session.link;
    const bool ready = link.ReadyFlag;
    const bool error = link.ErrorFlag;
    link.ReadyFlag = false;
    link.ErrorFlag = false;
    if (!m_running)
        return;
    if (ready) {
        m_errors = 0;
        m_unreadable = false;
        ++m_index;
        SendCurrent();
    } else if (error) {
        m_unreadable = false;
        if (++m_errors > MaxResends) {
            const std::string what = m_index < 0 ? "the start of the download" : "record " + std::to_string(m_index);
            GiveUp("the controller refused " + what + " " + std::to_string(m_errors) + " times in a row");
            return;
        }
        SendCurrent();
    } else {
        // Not a token (noise, or two tokens run together); the time-out keeps
        // running and its message says what came.
        m_session.LogDebug("Firmware download: unreadable answer of " + std::to_string(chunk.size()) + " bytes", 0,
                           LogBaseline);
        m_unreadable = true;
    }
}

void FirmwareDownload::SendCurrent()
{
    if (m_index < 0) {
        m_session.LogDebug("Firmware download: \"F\" refused, sending it again", 0, LogAllTx);
        m_session.link.Send("F");
        m_timeout->start(m_session.TimeoutMs(TokenTimeoutMs));
        return;
    }
    const auto index = static_cast<std::size_t>(m_index);
    m_session.LogDebug("Transmitting Line: " + std::to_string(m_index) + "   " + m_records[index], 0, LogAllTx);
    m_session.link.Send(m_wire[index]);
    m_session.view.setProgressValue(m_index);
    const int last = static_cast<int>(m_records.size()) - 1;
    RecordSent(m_index, last);
    if (m_index >= last) {
        // The loader's answer to the end-of-file record is not awaited.
        m_session.SetState(StateIdle);
        Finish(true, "Firmware image " + std::to_string(m_number) + " sent: " + std::to_string(m_records.size()) +
                         " records");
        return;
    }
    m_timeout->start(m_session.TimeoutMs(TokenTimeoutMs));
}

void FirmwareDownload::TimedOut()
{
    if (!m_running)
        return;
    if (m_unreadable) {
        const std::string what = m_index < 0 ? "the start of the download" : "record " + std::to_string(m_index);
        GiveUp("the controller's answer to " + what + " could not be read");
        return;
    }
    const float seconds = static_cast<float>(m_session.TimeoutMs(TokenTimeoutMs)) / 1000.0F;
    GiveUp("no answer from the controller within " + FloatText(seconds) + " s");
}

void FirmwareDownload::Abort(const std::string& reason)
{
    if (m_running)
        GiveUp(reason);
}

void FirmwareDownload::GiveUp(const std::string& reason)
{
    m_timeout->stop();
    m_session.link.Send("x");
    m_session.SetStatus(1, "Firmware Download Aborted");
    m_session.LogDebug("Firmware Download Aborted: " + reason, 0, LogBaseline);
    m_session.SetState(StateIdle);
    Finish(false, "Firmware Download Aborted: " + reason);
}

void FirmwareDownload::Finish(bool ok, const std::string& message)
{
    m_timeout->stop();
    m_running = false;
    m_session.link.End(this);
    m_session.view.setVisible("btnCancel", false);
    Finished(Outcome{ok, message});
}

} // namespace marrowick
