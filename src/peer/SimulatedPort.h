#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "peer/ControllerSimulator.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace marrowick {

// A serial port whose other end is a ControllerSimulator in the same process.
// Bytes travel asynchronously through the clock's timers, as on a real line;
// with a line rate set, each direction takes the time the bytes need on the wire,
// and a long reply reaches the program a quarter second's worth at a time, as a
// real port hands over what has come so far.
class SimulatedPort : public SerialPort {
public:
    SimulatedPort(Clock& clock, ControllerSimulator& simulator);
    ~SimulatedPort() override;

    bool open(const std::string& name, std::string* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void write(std::string_view bytes) override;
    // Bytes reach onBytes the moment they arrive; those still on their way
    // are on the line, not in the port, so nothing is held to throw away.
    void discardInput() override {}
    // The controller's end is there unless the line was lost and `present`
    // has not been set again (the cable plugged back in).
    DeviceLook lookForDevice() const override;
    void checkLine() override { ReportLineCounters(lineCounters); }

    // 0: instant; 960 is 9600 baud with 8N1.
    void SetBytesPerSecond(int rate) { m_rate = rate; }
    // The controller's reply number `reply` (as it counts them, from 1) leaves
    // `ms` late, as from a controller busy for a moment.
    void DelayReply(int reply, int ms)
    {
        m_delayedReply = reply;
        m_replyDelayMs = ms;
    }
    // The other end goes away (cable pulled): the port closes, reports the
    // lost line, and the device is absent until `present` is set again (or
    // the port is opened again).
    void LoseLine(const std::string& reason);

    // Bytes written that have not reached the controller yet.
    bool Sending() const { return !m_toDevice.pending.empty(); }
    // Called each time written bytes have reached the controller.
    std::function<void()> onDelivered;

    bool failOpen = false;
    bool present = true;
    std::string openedName;
    // Another device took the line's place (what the next look finds when present).
    bool another = false;
    // The adapter's error counts, as a flaky one would raise them; looked at as
    // bytes arrive and when asked.
    LineCounters lineCounters;
    // How often lookForDevice was asked.
    mutable int presenceChecks = 0;

private:
    struct Piece {
        std::string bytes;
        int lateMs = 0; // held back beyond its wire time
    };
    struct Direction {
        std::deque<Piece> pending; // one entry per write (or piece of one), in order
        std::unique_ptr<Timer> timer;
    };
    void Queue(Direction& direction, std::string_view bytes, int lateMs = 0);
    void Deliver(Direction& direction, bool toDevice);
    int DelayFor(const Piece& piece) const;

    ControllerSimulator& m_simulator;
    Direction m_toDevice;
    Direction m_toHost;
    int m_rate = 0;
    int m_delayedReply = -1;
    int m_replyDelayMs = 0;
    bool m_open = false;
    bool m_closing = false; // the controller closed the line; its last bytes are still on their way
};

} // namespace marrowick
