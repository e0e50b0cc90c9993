#include "conversations/FirmwareDownload.h"

#include "link/Encoding.h"
#include "link/LineRate.h"

namespace marrowick {

FirmwareToken ClassifyFirmwareReply(const std::string& chunk)
{
    if (chunk == "T")
        return FirmwareToken::ReadyFlag;
    if (chunk == "7")
        return FirmwareToken::ErrorFlag;
    return FirmwareToken::None;
}

FirmwareDownload::FirmwareDownload(ConversationContext& context) : Conversation(context)
{
    Listen(StateFirmware);
}

void FirmwareDownload::Start(const FirmwareImage& image)
{
    if (Running() || image.records.empty())
        return;
    m_records = image.records;
    m_wire.clear();
    m_wire.reserve(m_records.size());
    for (const auto& record : m_records)
        m_wire.push_back(RecordWireBytes(record));
    m_number = image.number;
    m_step = Step::Start;
    m_index = 0;
    m_errors = 0;
    m_unreadable = false;

    // A token is one byte: it must be taken the moment it arrives.
    Begin({StateFirmware, 1, TokenTimeoutMs});
    m_ctx.status.SetWindowCaption("");
    m_ctx.status.SetProgressMaximum(image.LastIndex());
    StartProgressLine("record", static_cast<long long>(m_records.size()));
    m_ctx.link.Send("F");
    AwaitFor(WireTimeMs(2) + AllowanceMs());
}

void FirmwareDownload::OnChunk(std::int16_t, const std::string& chunk)
{
    if (!Running())
        return;
    switch (ClassifyFirmwareReply(chunk)) {
    case FirmwareToken::ReadyFlag:
        m_errors = 0;
        m_unreadable = false;
        if (m_step == Step::Start) {
            m_step = Step::Records;
        } else if (AtLastRecord()) {
            Completed("");
            return;
        } else {
            ++m_index;
        }
        ShowProgressLine(static_cast<long long>(m_index)); // the records before it were taken
        SendCurrent();
        return;
    case FirmwareToken::ErrorFlag:
        m_unreadable = false;
        if (++m_errors > MaxResends) {
            GiveUp(ResultCode::Refused,
                   "the controller refused " + What() + " " + std::to_string(m_errors) + " times in a row");
            return;
        }
        SendCurrent();
        return;
    case FirmwareToken::None:
        break;
    }
    // Not a token (noise, or two tokens run together); the time-out keeps
    // running and its message says what came.
    m_ctx.Log("Firmware download: unreadable answer of " + std::to_string(chunk.size()) + " bytes");
    m_unreadable = true;
}

std::string FirmwareDownload::What() const
{
    return m_step == Step::Start ? "the start of the download" : "record " + std::to_string(m_index);
}

void FirmwareDownload::SendCurrent()
{
    if (m_step == Step::Start) {
        m_ctx.Log("Firmware download: \"F\" refused, sending it again", LogAllTx);
        m_ctx.link.Send("F");
        AwaitFor(WireTimeMs(2) + AllowanceMs());
        return;
    }
    const int index = static_cast<int>(m_index);
    m_ctx.Log("Transmitting Line: " + std::to_string(index) + "   " + m_records[m_index], LogAllTx);
    m_ctx.link.Send(m_wire[m_index]);
    m_ctx.status.SetProgressValue(index);
    RecordSent(index, static_cast<int>(m_records.size()) - 1);
    // Each record has its own time for its token, counted once it is on the wire.
    const int wait = AtLastRecord() ? m_ctx.TimeoutMs(LastRecordWaitMs) : AllowanceMs();
    AwaitFor(WireTimeMs(m_wire[m_index].size() + 1) + wait);
}

void FirmwareDownload::Completed(const std::string& note)
{
    ShowProgressLine(static_cast<long long>(m_records.size()));
    std::string message =
        "Firmware image " + std::to_string(m_number) + " sent: " + std::to_string(m_records.size()) + " records";
    if (!note.empty()) {
        m_ctx.Log("Firmware download: " + note);
        message += "; " + note;
    }
    Finish(Result::Done(message));
}

void FirmwareDownload::TimedOut()
{
    // A loader that restarts as soon as it has the last record says nothing more.
    if (AtLastRecord() && !m_unreadable) {
        Completed("the controller did not confirm the last record");
        return;
    }
    if (m_unreadable) {
        GiveUp(ResultCode::UnreadableReply, "the controller's answer to " + What() + " could not be read");
        return;
    }
    const float seconds = static_cast<float>(AllowanceMs()) / 1000.0F;
    GiveUp(ResultCode::TimedOut, "no answer from the controller within " + FloatText(seconds) + " s");
}

void FirmwareDownload::OnAbort(const Result& reason)
{
    GiveUp(reason.code, reason.message);
}

void FirmwareDownload::GiveUp(ResultCode code, const std::string& reason)
{
    StopTimer();
    m_ctx.link.Send("x");
    m_ctx.status.SetStatus(1, "Firmware Download Aborted");
    m_ctx.Log("Firmware Download Aborted: " + reason);
    Finish(Result::Fail(code, "Firmware Download Aborted: " + reason));
}

} // namespace marrowick
