#include "link/Identification.h"

#include <cctype>
#include <charconv>

#include "core/Session.h"
#include "models/ModelSetup.h"

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

Identification::Identification(Session& session)
    : m_session(session), m_timer1(session.clock.createTimer()), m_serialTimer(session.clock.createTimer())
{
    m_timer1->onTimeout = [this] { Tick(); };
    m_serialTimer->onTimeout = [this] { SerialTimedOut(); };
    session.link.SetHandler(StateAwaitVersion, [this](const std::string& chunk) { OnVersion(chunk); });
    session.link.SetHandler(StateAwaitModel, [this](const std::string& chunk) { OnModel(chunk); });
    session.link.SetHandler(StateAwaitSerial, [this](const std::string& chunk) { OnSerial(chunk); });
}

void Identification::StartTimer()
{
    m_running = true;
    m_timer1->start(m_session.TimeoutMs(TimerIntervalMs), true);
    m_session.link.Begin(this);
}

void Identification::Start()
{
    Link& link = m_session.link;
    link.Expect(3);
    link.Receive().SetSettleMs(VersionSettleMs);
    m_session.SetState(StateAwaitVersion);
    link.Send("V");
}

void Identification::OnVersion(const std::string& chunk)
{
    if (!Readable(chunk)) {
        m_session.LogDebug("Unreadable version reply of " + std::to_string(chunk.size()) + " bytes", 0, 1);
        Tick();
        return;
    }
    m_session.FirmwareVersion = chunk;
    m_session.SetStatus(2, "Firmware Version: " + chunk);
    m_session.SetState(StateAwaitModel);
    m_session.link.Expect(2);
    m_session.link.Send("M");
}

void Identification::OnModel(const std::string& chunk)
{
    if (!Readable(chunk)) {
        m_session.LogDebug("Unreadable model reply of " + std::to_string(chunk.size()) + " bytes", 0, 1);
        Tick();
        return;
    }
    m_session.ControllerModel = chunk;
    m_timer1->stop();
    m_session.SetState(StateIdle);
    m_session.SetStatus(2, m_session.Status(2) + "       Model: " + chunk);
    RunModelSetup(m_session);
    if (chunk == "R2" || chunk == "L+") {
        m_session.link.Expect(8);
        m_session.link.Send(VersionValue(m_session.FirmwareVersion) >= 1.02 ? "Z" : "S");
        m_session.SetState(StateAwaitSerial);
        m_serialTimer->start(m_session.TimeoutMs(SerialTimeoutMs));
        return;
    }
    Finish(true, m_session.Status(2));
}

void Identification::OnSerial(const std::string& chunk)
{
    if (chunk.size() != 8 || !Readable(chunk)) {
        m_session.LogDebug("Unreadable serial number reply of " + std::to_string(chunk.size()) + " bytes", 0, 1);
        SerialTimedOut();
        return;
    }
    m_serialTimer->stop();
    m_session.SerialNumber = chunk;
    m_session.SetStatus(3, "Serial Number: " + chunk);
    m_session.SetState(StateIdle);
    Finish(true, m_session.Status(2));
}

void Identification::Tick()
{
    if (m_session.State() == StateAwaitVersion) {
        m_timer1->stop();
        m_session.view.setTabEnabled(2, false);
        m_session.SetStatus(2, "Firmware Version Not Available");
        // Idle before the model question: a reply that comes while the question
        // is open is late and must be dropped, not taken as the version.
        m_session.SetState(StateIdle);
        RunModelSetup(m_session);
        Finish(false, "Firmware Version Not Available");
    } else if (m_session.State() == StateAwaitModel) {
        m_timer1->stop();
        m_session.SetStatus(2, m_session.Status(2) + "     Model Not Available");
        m_session.SetState(StateIdle);
        RunModelSetup(m_session);
        Finish(false, "Model Not Available");
    }
}

void Identification::SerialTimedOut()
{
    if (m_session.State() != StateAwaitSerial)
        return;
    m_session.SetStatus(3, "Serial Number Not Available");
    m_session.SetState(StateIdle);
    Finish(false, "Serial Number Not Available");
}

void Identification::Abort(const std::string& reason)
{
    if (!m_running)
        return;
    m_session.LogDebug("Identification ended: " + reason, 0, 1);
    const std::int16_t state = m_session.State();
    if (!m_session.UnloadRequested && (state == StateAwaitVersion || state == StateAwaitModel)) {
        Tick();
    } else {
        m_timer1->stop();
        m_serialTimer->stop();
        if (state == StateAwaitSerial) {
            m_session.SetStatus(3, "Serial Number Not Available");
            m_session.SetState(StateIdle);
        }
        Finish(false, reason);
    }
}

void Identification::Finish(bool ok, const std::string& message)
{
    if (!m_running)
        return;
    m_running = false;
    m_serialTimer->stop();
    m_session.link.End(this);
    Finished(Outcome{ok, message});
}

} // namespace marrowick
