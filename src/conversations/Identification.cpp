#include "conversations/Identification.h"

#include <cctype>
#include <charconv>

namespace marrowick {

double VersionValue(const std::string& text)
{
    std::size_t end = 0;
    bool point = false;
    while (end < text.size()) {
        const char c = text[end];
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            ++end;
        } else if (c == '.' && !point) {
            point = true;
            ++end;
        } else {
            break;
        }
    }
    double value = 0.0;
    if (end == 0)
        return 0.0;
    const auto result = std::from_chars(text.data(), text.data() + end, value);
    if (result.ec != std::errc())
        return 0.0;
    return value;
}

namespace {

// Identification replies are short printable texts; noise on the line is not
// taken as a version, model or serial number.
bool Readable(const std::string& reply)
{
    if (reply.empty())
        return false;
    for (char c : reply)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

} // namespace

Identification::Identification(ConversationContext& context) : Conversation(context)
{
    Listen(StateAwaitVersion);
    Listen(StateAwaitModel);
    Listen(StateAwaitSerial);
}

void Identification::Start(bool portOpen)
{
    m_step = Step::Version;
    // No Cancel button: the timer ends it within a second. Its replies are a few
    // bytes each, so its own timers, not the silence watch, are what end it.
    Begin({StateAwaitVersion, 3, SerialTimeoutMs, false});
    AwaitFor(m_ctx.TimeoutMs(TimerIntervalMs));
    if (!portOpen)
        return;
    m_ctx.link.Receive().SetSettleMs(VersionSettleMs);
    m_ctx.link.Send("V");
}

void Identification::OnChunk(std::int16_t state, const std::string& chunk)
{
    if (state == StateAwaitVersion)
        OnVersion(chunk);
    else if (state == StateAwaitModel)
        OnModel(chunk);
    else
        OnSerial(chunk);
}

void Identification::OnVersion(const std::string& chunk)
{
    if (!Readable(chunk)) {
        m_ctx.Log("Unreadable version reply of " + std::to_string(chunk.size()) + " bytes");
        NotAvailable();
        return;
    }
    m_ctx.identity.FirmwareVersion = chunk;
    m_ctx.status.SetStatus(2, "Firmware Version: " + chunk);
    m_step = Step::Model;
    m_ctx.SetState(StateAwaitModel);
    m_ctx.link.Expect(2);
    m_ctx.link.Send("M");
}

void Identification::OnModel(const std::string& chunk)
{
    if (!Readable(chunk)) {
        m_ctx.Log("Unreadable model reply of " + std::to_string(chunk.size()) + " bytes");
        NotAvailable();
        return;
    }
    m_ctx.identity.ControllerModel = chunk;
    StopTimer();
    m_ctx.SetState(StateIdle);
    m_ctx.status.SetStatus(2, m_ctx.status.Status(2) + "       Model: " + chunk);
    ModelDecided();
    // The serial number is asked of the model the reply names, whatever the
    // window was set up as.
    const auto named = MakeController(chunk);
    if (named && named->Traits().asksSerialNumber) {
        m_step = Step::Serial;
        m_ctx.link.Expect(8);
        m_ctx.link.Send(VersionValue(m_ctx.identity.FirmwareVersion) >= 1.02 ? "Z" : "S");
        m_ctx.SetState(StateAwaitSerial);
        AwaitFor(m_ctx.TimeoutMs(SerialTimeoutMs));
        return;
    }
    Finish(Result::Done(m_ctx.status.Status(2)));
}

void Identification::OnSerial(const std::string& chunk)
{
    if (chunk.size() != 8 || !Readable(chunk)) {
        m_ctx.Log("Unreadable serial number reply of " + std::to_string(chunk.size()) + " bytes");
        SerialNotAvailable();
        return;
    }
    StopTimer();
    m_ctx.identity.SerialNumber = chunk;
    m_ctx.status.SetStatus(3, "Serial Number: " + chunk);
    m_ctx.SetState(StateIdle);
    Finish(Result::Done(m_ctx.status.Status(2)));
}

void Identification::TimedOut()
{
    const std::int16_t state = m_ctx.State();
    if (state == StateAwaitVersion || state == StateAwaitModel)
        NotAvailable();
    else if (state == StateAwaitSerial)
        SerialNotAvailable();
    else
        AwaitFor(m_ctx.TimeoutMs(TimerIntervalMs)); // a state forced from the log window: keep ticking
}

void Identification::NotAvailable()
{
    if (m_ctx.State() == StateAwaitVersion) {
        StopTimer();
        VersionUnavailable();
        m_ctx.status.SetStatus(2, "Firmware Version Not Available");
        // Idle before the model question: a reply that comes while the question
        // is open is late and must be dropped, not taken as the version.
        m_ctx.SetState(StateIdle);
        ModelDecided();
        Finish(Result::Fail(ResultCode::TimedOut, "Firmware Version Not Available"));
    } else if (m_ctx.State() == StateAwaitModel) {
        StopTimer();
        m_ctx.status.SetStatus(2, m_ctx.status.Status(2) + "     Model Not Available");
        m_ctx.SetState(StateIdle);
        ModelDecided();
        Finish(Result::Fail(ResultCode::TimedOut, "Model Not Available"));
    }
}

void Identification::SerialNotAvailable()
{
    if (m_ctx.State() != StateAwaitSerial)
        return;
    m_ctx.status.SetStatus(3, "Serial Number Not Available");
    m_ctx.SetState(StateIdle);
    Finish(Result::Fail(ResultCode::TimedOut, "Serial Number Not Available"));
}

void Identification::OnAbort(const Result& reason)
{
    m_ctx.Log("Identification ended: " + reason.message);
    const std::int16_t state = m_ctx.State();
    if (!m_ctx.slot.closing && (state == StateAwaitVersion || state == StateAwaitModel)) {
        NotAvailable();
        return;
    }
    if (state == StateAwaitSerial) {
        m_ctx.status.SetStatus(3, "Serial Number Not Available");
        m_ctx.SetState(StateIdle);
    }
    Finish(reason);
}

} // namespace marrowick
