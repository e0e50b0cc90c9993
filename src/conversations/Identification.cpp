#include "conversations/Identification.h"
#include "base/Texts.h"

#include <algorithm>
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

// Controllers end their replies with line ends or pad them; what surrounds the
// reply is not part of it.
std::string Trimmed(const std::string& reply)
{
    const auto padding = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    std::size_t first = 0;
    std::size_t last = reply.size();
    while (first < last && padding(reply[first]))
        ++first;
    while (last > first && padding(reply[last - 1]))
        --last;
    return reply.substr(first, last - first);
}

bool Printable(char c)
{
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
}

// Once trimmed, identification replies are short printable texts; noise on the
// line is not taken as a version, model or serial number.
bool Readable(const std::string& reply)
{
    return !reply.empty() && std::all_of(reply.begin(), reply.end(), Printable);
}

// The controller's serial number: eight hexadecimal characters, the text of a
// 32-bit number that a show write puts into the table.
bool IsSerialNumber(const std::string& reply)
{
    return reply.size() == 8 &&
           std::all_of(reply.begin(), reply.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// A reply as a person can read it: every byte outside printable ASCII as \xNN.
// Trimmed, unless nothing but padding came.
std::string Shown(const std::string& reply)
{
    const std::string trimmed = Trimmed(reply);
    static const char* const digits = "0123456789ABCDEF";
    std::string shown;
    for (char c : trimmed.empty() ? reply : trimmed) {
        if (Printable(c)) {
            shown += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            shown += {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
        }
    }
    return "\"" + shown + "\"";
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
    const std::string version = Trimmed(chunk);
    if (!Readable(version)) {
        m_ctx.Log("Unreadable version reply " + Shown(chunk));
        NotAvailable(Result::Fail(ResultCode::UnreadableReply, text::VersionNotAvailable));
        return;
    }
    m_ctx.identity.FirmwareVersion = version;
    m_ctx.status.SetStatus(2, "Firmware Version: " + version);
    m_step = Step::Model;
    m_ctx.SetState(StateAwaitModel);
    m_ctx.link.Expect(2);
    m_ctx.link.Send("M");
}

void Identification::OnModel(const std::string& chunk)
{
    // Only the four model names identify a controller; anything else (a reply
    // doubled on the line, noise) leaves the model to the user's answer and
    // the firmware download refused.
    const Result unknown = Result::Fail(ResultCode::UnreadableReply, "Unknown controller model: " + Shown(chunk));
    const std::string model = Trimmed(chunk);
    if (!Readable(model)) {
        m_ctx.Log("Unreadable model reply " + Shown(chunk));
        NotAvailable(unknown);
        return;
    }
    m_ctx.identity.ControllerModel = model;
    StopTimer();
    m_ctx.SetState(StateIdle);
    m_ctx.status.SetStatus(2, m_ctx.status.Status(2) + "       Model: " + model);
    ModelDecided();
    const auto named = MakeController(model);
    if (!named) {
        m_ctx.Log(unknown.message);
        Finish(unknown);
        return;
    }
    // The serial number is asked of the model the reply names, whatever the
    // window was set up as.
    if (named->Traits().asksSerialNumber) {
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
    const std::string serial = Trimmed(chunk);
    if (!IsSerialNumber(serial)) {
        m_ctx.Log("Unreadable serial number reply " + Shown(chunk));
        SerialNotAvailable();
        return;
    }
    StopTimer();
    m_ctx.identity.SerialNumber = serial;
    m_ctx.status.SetStatus(3, "Serial Number: " + serial);
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

void Identification::NotAvailable(const std::optional<Result>& failure)
{
    if (m_ctx.State() == StateAwaitVersion) {
        StopTimer();
        VersionUnavailable();
        m_ctx.status.SetStatus(2, text::VersionNotAvailable);
        // Idle before the model question: a reply that comes while the question
        // is open is late and must be dropped, not taken as the version.
        m_ctx.SetState(StateIdle);
        ModelDecided();
        Finish(failure.value_or(Result::Fail(ResultCode::TimedOut, text::VersionNotAvailable)));
    } else if (m_ctx.State() == StateAwaitModel) {
        StopTimer();
        m_ctx.status.SetStatus(2, m_ctx.status.Status(2) + "     " + text::ModelNotAvailable);
        m_ctx.SetState(StateIdle);
        ModelDecided();
        Finish(failure.value_or(Result::Fail(ResultCode::TimedOut, text::ModelNotAvailable)));
    }
}

void Identification::SerialNotAvailable()
{
    if (m_ctx.State() != StateAwaitSerial)
        return;
    m_ctx.status.SetStatus(3, text::SerialNotAvailable);
    m_ctx.SetState(StateIdle);
    Finish(Result::Fail(ResultCode::TimedOut, text::SerialNotAvailable));
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
        m_ctx.status.SetStatus(3, text::SerialNotAvailable);
        m_ctx.SetState(StateIdle);
    }
    Finish(reason);
}

} // namespace marrowick
