#include "link/Link.h"

#include <algorithm>

#include "link/LineRate.h"

namespace marrowick {

Link::Link(SerialPort& port, Clock& clock, StateEngine& state)
    : m_port(port), m_clock(clock), m_state(state), m_receive(clock)
{
    m_port.onBytes = [this](std::string_view bytes) {
        BytesArrived(bytes);
        m_receive.Append(bytes);
    };
    m_port.onLineEvent = [this](const LineEvent& event) { LineEventReceived(event); };
}

Link::~Link()
{
    m_port.onBytes = nullptr;
    m_port.onLineEvent = nullptr;
}

void Link::Expect(int threshold)
{
    if (m_port.isOpen())
        m_port.discardInput();
    m_receive.ReadAll();
    m_receive.SetSettleMs(0);
    m_receive.SetThreshold(threshold);
}

void Link::Send(std::string_view bytes)
{
    if (!m_port.isOpen())
        return;
    m_port.write(bytes);
    // Bytes written while earlier ones are still going out queue behind them.
    m_sendingUntilMs = std::max(m_sendingUntilMs, m_clock.nowMs()) + WireTimeMs(bytes.size());
    BytesSent(bytes);
}

} // namespace marrowick
