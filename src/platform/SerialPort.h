#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace marrowick {

// What happened on the line besides data. `Lost` means the device went away
// (USB adapter unplugged, other end of a pseudo-terminal closed): the port has
// already closed itself when it reports it.
enum class LineEventKind { Break, Framing, Overrun, BufferOverflow, Parity, TransmitFull, Configuration, Lost };

// What sits where the device of a lost port was.
enum class DeviceLook {
    Gone,  // nothing yet
    Same,  // the device that was lost: the same adapter, or the same device number
    Other, // another device: another adapter, a pseudo-terminal reached by its bare path
};

struct LineEvent {
    LineEventKind kind;
    std::string detail; // the platform's own words, for `Lost`
};

// The system's counts of line errors since the port opened (Linux TIOCGICOUNT;
// on Windows, one for each time ClearCommError had the error's flag set).
struct LineCounters {
    unsigned long breaks = 0;
    unsigned long frames = 0;
    unsigned long overruns = 0;       // the adapter's own
    unsigned long bufferOverruns = 0; // the driver's buffer
    unsigned long parities = 0;
};

// What the core needs from a serial port. Bytes only; chunk boundaries mean nothing.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // `name` is "COM3", "3" or a device path; the implementation resolves it.
    virtual bool open(const std::string& name, std::string* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(std::string_view bytes) = 0;
    // Throws away received bytes the platform still holds and has not handed
    // to onBytes: its own buffer and the system's. Called before a request,
    // so nothing that came earlier is taken as part of the reply.
    virtual void discardInput() = 0;
    // Whether the device this port last opened is there again: a cheap look
    // (no open, no probe of the line), made once a second while a lost port
    // is awaited. Only the same device may be opened again without asking:
    // the same USB adapter (vendor, product and serial number where the system
    // gives them), otherwise the same device number; a pseudo-terminal only
    // through the link it was reached by. Gone before the first open.
    virtual DeviceLook lookForDevice() const = 0;
    // Reports, through onLineEvent, the line errors the system counted since it
    // last looked (it also looks whenever bytes arrive).
    virtual void checkLine() {}

    std::function<void(std::string_view)> onBytes; // raw arrival, any size
    std::function<void(const LineEvent&)> onLineEvent;
    // Something about the device worth a line in the diagnostic log.
    std::function<void(const std::string&)> onNotice;

protected:
    // Counting starts again from what the system counts now (on open).
    void StartLineCounters(const LineCounters& now) { m_lineCounters = now; }
    // Reports each kind of error the counts grew by since they were last seen,
    // once, through onLineEvent.
    void ReportLineCounters(const LineCounters& now)
    {
        const LineCounters before = m_lineCounters;
        m_lineCounters = now;
        const std::pair<unsigned long LineCounters::*, LineEventKind> kinds[] = {
            {&LineCounters::breaks, LineEventKind::Break},
            {&LineCounters::overruns, LineEventKind::Overrun},
            {&LineCounters::bufferOverruns, LineEventKind::BufferOverflow},
            {&LineCounters::parities, LineEventKind::Parity},
            {&LineCounters::frames, LineEventKind::Framing},
        };
        for (const auto& [count, kind] : kinds)
            if (now.*count > before.*count && onLineEvent)
                onLineEvent(LineEvent{kind, {}});
    }

private:
    LineCounters m_lineCounters;
};

} // namespace marrowick
