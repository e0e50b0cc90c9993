#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Signal.h"
#include "link/ReceiveBuffer.h"
#include "link/StateEngine.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace marrowick {

// The serial link: the port, its receive buffer and the one receiver that
// takes every chunk, the running conversation. It carries bytes only; what a
// chunk means is the business of that conversation's own step. With no
// receiver, chunks are dropped, so a late reply never reaches a later
// conversation.
class Link {
public:
    Link(SerialPort& port, Clock& clock, StateEngine& state);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    SerialPort& Port() { return m_port; }
    bool IsOpen() const { return m_port.isOpen(); }
    ReceiveBuffer& Receive() { return m_receive; }
    StateEngine& States() { return m_state; }
    LinkState State() const { return m_state.State(); }
    void SetState(LinkState state) { m_state.SetState(state); }

    // Who takes the chunks from now on; null: nobody, they are dropped.
    void SetReceiver(ChunkReceiver* receiver) { m_receive.receiver = receiver; }
    ChunkReceiver* Receiver() const { return m_receive.receiver; }

    // Receive threshold: a chunk is handed over once this many bytes wait (0: never).
    void SetThreshold(int threshold) { m_receive.SetThreshold(threshold); }
    // Throws away what waits from earlier exchanges (here and still in the
    // port), then sets the threshold.
    void Expect(int threshold);
    // Writes bytes to the port; nothing happens while it is closed.
    void Send(std::string_view bytes);
    // When what was sent so far will have left at the line rate (the clock's
    // milliseconds): the controller cannot answer bytes it has not received.
    std::int64_t SendingUntilMs() const { return m_sendingUntilMs; }

    Signal<const LineEvent&> LineEventReceived;
    Signal<std::string_view> BytesSent;
    // Every arrival from the port, before the receive buffer holds it.
    Signal<std::string_view> BytesArrived;

private:
    SerialPort& m_port;
    Clock& m_clock;
    StateEngine& m_state;
    ReceiveBuffer m_receive;
    std::int64_t m_sendingUntilMs = 0;
};

} // namespace marrowick
