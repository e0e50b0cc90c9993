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

FirmwareDownload::FirmwareDownload(ConversationContext& context) : Conversation(context) {}

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
    Begin({LinkState::StateFirmware, 1, TokenTimeoutMs});
    StartProgress(ProgressUnit::Record, static_cast<long long>(m_records.size()));
    m_ctx.link.Send("F");
    AwaitFor(WireTimeMs(2) + AllowanceMs());
}

void FirmwareDownload::OnChunk(const std::string& chunk)
{
    switch (ClassifyFirmwareReply(chunk)) {
    case FirmwareToken::ReadyFlag:
        m_errors = 0;
        m_unreadable = false;
        if (m_step == Step::Start) {
            m_step = Step::Records;
        } else if (AtLastRecord()) {
            Completed(Reason::None);
            return;
        } else {
            ++m_index;
        }
        ReportProgress(static_cast<long long>(m_index)); // the records before it were taken
        SendCurrent();
        return;
    case FirmwareToken::ErrorFlag:
        m_unreadable = false;
        if (++m_errors > MaxResends) {
            GiveUp(Result::Fail(ResultCode::Refused, Reason::Refusals, Current(), m_errors));
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
    // Each record has its own time for its token, counted once it is on the wire.
    const int wait = AtLastRecord() ? m_ctx.TimeoutMs(LastRecordWaitMs) : AllowanceMs();
    AwaitFor(WireTimeMs(m_wire[m_index].size() + 1) + wait);
}

void FirmwareDownload::Completed(Reason note)
{
    ReportProgress(static_cast<long long>(m_records.size()));
    if (note == Reason::LastRecordUnconfirmed)
        m_ctx.Log("Firmware download: the controller did not confirm the last record");
    Result done = Result::Done(note);
    done.number = m_number;
    done.got = static_cast<long long>(m_records.size());
    Finish(done);
}

void FirmwareDownload::TimedOut()
{
    // A loader that restarts as soon as it has the last record says nothing more.
    if (AtLastRecord() && !m_unreadable) {
        Completed(Reason::LastRecordUnconfirmed);
        return;
    }
    if (m_unreadable) {
        GiveUp(Result::Fail(ResultCode::UnreadableReply, Reason::AnswerUnreadable, Current()));
        return;
    }
    GiveUp(Result::Fail(ResultCode::TimedOut, Reason::NoAnswer, Current(), AllowanceMs()));
}

void FirmwareDownload::OnAbort(const Result& reason)
{
    GiveUp(reason);
}

void FirmwareDownload::GiveUp(const Result& reason)
{
    // The loader is told to stop waiting for records, whatever ended the download.
    StopTimer();
    m_ctx.link.Send("x");
    m_ctx.Log("Firmware Download Aborted");
    Finish(reason);
}

} // namespace marrowick
