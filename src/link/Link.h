#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/Signal.h"
#include "link/Conversation.h"
#include "link/ReceiveBuffer.h"
#include "link/StateEngine.h"
#include "platform/SerialPort.h"

namespace marrowick {

// The serial link: the port, its receive buffer and the receive dispatcher that
// routes every chunk by link state. Chunks in a state without a handler are
// dropped, so a late reply never reaches a later conversation.
class Link {
public:
    using Handler = std::function<void(const std::string& chunk)>;

    Link(SerialPort& port, Clock& clock, StateEngine& state);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    SerialPort& Port() { return m_port; }
    bool IsOpen() const { return m_port.isOpen(); }
    ReceiveBuffer& Receive() { return m_receive; }

    // Receive threshold: a chunk is handed over once this many bytes wait (0: never).
    void SetThreshold(int threshold) { m_receive.SetThreshold(threshold); }
    // Throws away what waits from earlier exchanges, then sets the threshold.
    void Expect(int threshold);
    // Writes bytes to the port; nothing happens while it is closed.
    void Send(std::string_view bytes);

    void SetHandler(std::int16_t state, Handler handler);

    // Handshake flags of the clip transfer (state 7) and the firmware download
    // (state 13), set here by the tokens; the handler of that state runs after.
    bool ReadyFlag = false;
    bool ErrorFlag = false;

    // The one conversation running, so a lost port or a cancel can end it.
    void Begin(Conversation* conversation) { m_active = conversation; }
    void End(Conversation* conversation)
    {
        if (m_active == conversation)
            m_active = nullptr;
    }
    Conversation* Active() const { return m_active; }

    Signal<const LineEvent&> LineEventReceived;
    Signal<std::string_view> BytesSent;

    void Dispatch(const std::string& chunk);

private:
    SerialPort& m_port;
    StateEngine& m_state;
    ReceiveBuffer m_receive;
    std::map<std::int16_t, Handler> m_handlers;
    Conversation* m_active = nullptr;
};

} // namespace marrowick
