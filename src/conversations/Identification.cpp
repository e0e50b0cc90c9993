#include "conversations/Identification.h"

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

std::string TrimmedReply(const std::string& reply)
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

namespace {

// Once trimmed, identification replies are short printable texts; noise on the
// line, or a flood of it, is not taken as a version, model or serial number.
constexpr std::size_t LongestReply = 32;

bool Readable(const std::string& reply)
{
    return !reply.empty() && reply.size() <= LongestReply && std::all_of(reply.begin(), reply.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
    });
}

// The controller's serial number: eight hexadecimal characters, the text of a
// 32-bit number that a show write puts into the table.
bool IsSerialNumber(const std::string& reply)
{
    return reply.size() == 8 &&
           std::all_of(reply.begin(), reply.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

} // namespace

Identification::Identification(ConversationContext& context) : Conversation(context) {}

void Identification::Start(bool portOpen)
{
    m_step = Step::Version;
    // No Cancel button: the timer ends it within a second. Its replies are a few
    // bytes each, so its own timers, not the silence watch, are what end it.
    Begin({LinkState::StateAwaitVersion, 3, SerialTimeoutMs, false});
    AwaitFor(m_ctx.TimeoutMs(TimerIntervalMs));
    if (!portOpen)
        return;
    m_ctx.link.Receive().SetSettleMs(VersionSettleMs);
    m_ctx.link.Send("V");
}

void Identification::OnChunk(const std::string& chunk)
{
    switch (m_step) {
    case Step::Version:
        return OnVersion(chunk);
    case Step::Model:
        return OnModel(chunk);
    case Step::Serial:
        return OnSerial(chunk);
    }
}

void Identification::OnVersion(const std::string& chunk)
{
    const std::string version = TrimmedReply(chunk);
    if (!Readable(version)) {
        m_ctx.Log("Unreadable version reply " + ReadableLogText(chunk));
        NotAvailable(Result::Fail(ResultCode::UnreadableReply, Reason::VersionNotAvailable));
        return;
    }
    m_ctx.identity.FirmwareVersion = version;
    Changed();
    m_step = Step::Model;
    m_ctx.SetState(LinkState::StateAwaitModel);
    m_ctx.link.Expect(2);
    m_ctx.link.Send("M");
}

void Identification::OnModel(const std::string& chunk)
{
    // Only the four model names identify a controller; anything else (a reply
    // doubled on the line, noise) leaves the model to the user's answer and
    // the firmware download refused.
    const Result unknown = Result::Fail(ResultCode::UnreadableReply, Reason::UnknownModel, chunk);
    const std::string model = TrimmedReply(chunk);
    if (!Readable(model)) {
        m_ctx.Log("Unreadable model reply " + ReadableLogText(chunk));
        m_ctx.identity.modelUnreadable = true;
        NotAvailable(unknown);
        return;
    }
    m_ctx.identity.ControllerModel = model;
    StopTimer();
    m_ctx.SetState(LinkState::StateIdle);
    Changed();
    ModelDecided();
    const auto named = MakeController(model);
    if (!named) {
        m_ctx.Log("Unknown controller model " + ReadableLogText(chunk));
        Finish(unknown);
        return;
    }
    // The serial number is asked of the model the reply names, whatever the
    // window was set up as.
    if (named->Traits().asksSerialNumber) {
        m_step = Step::Serial;
        m_ctx.link.Expect(8);
        m_ctx.link.Send(VersionValue(m_ctx.identity.FirmwareVersion) >= 1.02 ? "Z" : "S");
        m_ctx.SetState(LinkState::StateAwaitSerial);
        AwaitFor(m_ctx.TimeoutMs(SerialTimeoutMs));
        return;
    }
    Finish(Result::Done());
}

void Identification::OnSerial(const std::string& chunk)
{
    const std::string serial = TrimmedReply(chunk);
    if (!IsSerialNumber(serial)) {
        m_ctx.Log("Unreadable serial number reply " + ReadableLogText(chunk));
        SerialNotAvailable(Result::Fail(ResultCode::UnreadableReply, Reason::SerialNotAvailable));
        return;
    }
    StopTimer();
    m_ctx.identity.SerialNumber = serial;
    Changed();
    Finish(Result::Done());
}

void Identification::TimedOut()
{
    if (m_step == Step::Serial)
        SerialNotAvailable(Result::Fail(ResultCode::TimedOut, Reason::SerialNotAvailable));
    else
        NotAvailable(Result::Fail(ResultCode::TimedOut,
                                  m_step == Step::Version ? Reason::VersionNotAvailable : Reason::ModelNotAvailable));
}

void Identification::NotAvailable(const Result& ending)
{
    StopTimer();
    const bool version = m_step == Step::Version;
    if (version) {
        m_ctx.identity.versionMissing = true;
        VersionUnavailable();
    } else if (!m_ctx.identity.modelUnreadable) {
        m_ctx.identity.modelMissing = true;
    }
    Changed();
    // Idle before the model question: a reply that comes while the question
    // is open is late and must be dropped, not taken as the version.
    m_ctx.SetState(LinkState::StateIdle);
    ModelDecided();
    Finish(ending);
}

void Identification::SerialNotAvailable(const Result& ending)
{
    m_ctx.identity.serialMissing = true;
    Changed();
    Finish(ending);
}

void Identification::OnAbort(const Result& reason)
{
    m_ctx.Log("Identification ended: " + std::string(reason.detail));
    if (!m_ctx.slot.closing && m_step != Step::Serial) {
        TimedOut();
        return;
    }
    if (m_step == Step::Serial)
        SerialNotAvailable(reason);
    else
        Finish(reason);
}

} // namespace marrowick
