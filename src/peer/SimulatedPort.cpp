#include "peer/SimulatedPort.h"

#include <algorithm>

namespace marrowick {
namespace {

constexpr const char* ClosedByController = "the controller closed the line";

} // namespace

SimulatedPort::SimulatedPort(Clock& clock, ControllerSimulator& simulator) : m_simulator(simulator)
{
    m_toDevice.timer = clock.createTimer();
    m_toHost.timer = clock.createTimer();
    m_toDevice.timer->onTimeout = [this] { Deliver(m_toDevice, true); };
    m_toHost.timer->onTimeout = [this] { Deliver(m_toHost, false); };
    m_simulator.send = [this](std::string_view bytes) {
        if (!m_open || m_closing)
            return;
        int lateMs = 0;
        if (m_simulator.repliesSent == m_delayedReply) {
            lateMs = m_replyDelayMs;
            m_delayedReply = -1; // once, even for a reply sent in two writes
        }
        Queue(m_toHost, bytes, lateMs);
    };
    // What the controller sent before it closed the line still arrives; then the line goes.
    m_simulator.closeLine = [this] {
        if (m_toHost.pending.empty())
            LoseLine(ClosedByController);
        else
            m_closing = true;
    };
}

SimulatedPort::~SimulatedPort()
{
    m_simulator.send = nullptr;
    m_simulator.closeLine = nullptr;
}

bool SimulatedPort::open(const std::string& name, std::string* error)
{
    if (failOpen) {
        if (error)
            *error = "No such device";
        return false;
    }
    openedName = name;
    m_open = true;
    StartLineCounters(lineCounters);
    present = true; // whoever opens it has plugged it back in
    return true;
}

void SimulatedPort::close()
{
    m_open = false;
    m_closing = false;
    m_toDevice.pending.clear();
    m_toHost.pending.clear();
    m_toDevice.timer->stop();
    m_toHost.timer->stop();
}

void SimulatedPort::write(std::string_view bytes)
{
    if (m_open)
        Queue(m_toDevice, bytes);
}

DeviceLook SimulatedPort::lookForDevice() const
{
    ++presenceChecks;
    if (!present || openedName.empty())
        return DeviceLook::Gone;
    return another ? DeviceLook::Other : DeviceLook::Same;
}

void SimulatedPort::LoseLine(const std::string& reason)
{
    if (!m_open)
        return;
    present = false;
    close();
    if (onLineEvent)
        onLineEvent(LineEvent{LineEventKind::Lost, reason});
}

int SimulatedPort::DelayFor(const Piece& piece) const
{
    if (m_rate <= 0)
        return piece.lateMs;
    const std::size_t bytes = piece.bytes.size();
    return piece.lateMs +
           static_cast<int>((bytes * 1000 + static_cast<std::size_t>(m_rate) - 1) / static_cast<std::size_t>(m_rate));
}

void SimulatedPort::Queue(Direction& direction, std::string_view bytes, int lateMs)
{
    // On a paced line the program gets a long reply a quarter second's worth at
    // a time, as a real port hands over what has come so far.
    const std::size_t piece = &direction == &m_toHost && m_rate > 0
                                  ? std::max<std::size_t>(1, static_cast<std::size_t>(m_rate) / 4)
                                  : std::max<std::size_t>(1, bytes.size());
    std::size_t at = 0;
    do {
        direction.pending.push_back({std::string(bytes.substr(at, piece)), at == 0 ? lateMs : 0});
        at += piece;
    } while (at < bytes.size());
    if (!direction.timer->isActive())
        direction.timer->start(DelayFor(direction.pending.front()));
}

void SimulatedPort::Deliver(Direction& direction, bool toDevice)
{
    if (direction.pending.empty())
        return;
    std::string bytes = std::move(direction.pending.front().bytes);
    direction.pending.pop_front();
    if (!direction.pending.empty())
        direction.timer->start(DelayFor(direction.pending.front()));
    if (toDevice) {
        m_simulator.Receive(bytes);
        if (onDelivered)
            onDelivered();
    } else if (m_open) {
        ReportLineCounters(lineCounters);
        if (m_open && onBytes)
            onBytes(bytes);
    }
    if (!toDevice && m_closing && m_toHost.pending.empty())
        LoseLine(ClosedByController);
}

} // namespace marrowick
