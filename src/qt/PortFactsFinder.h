#pragma once

#include <QSerialPort>
#include <optional>
#include <string>
#include <vector>

#include "link/PortDiagnosis.h"
#include "qt/PortNames.h"

namespace marrowick {

// Why `device` (what the user's `port` stands for) would not open, after
// QSerialPort failed with `error` and `qtText`. On Unix the system is asked:
// the device node, its owner group, lock files and the processes holding it,
// the line settings it takes. Where it cannot tell more, the facts carry
// Qt's kind of failure and its own words.
PortFacts FactsOfFailedOpen(const std::string& port, const std::string& device, QSerialPort::SerialPortError error,
                            const std::string& qtText);

// Opens `device` (what the user's `port` stands for) and closes it again at
// once: nothing when it opened, else why it would not.
std::optional<PortFacts> TryOpen(const std::string& port, const std::string& device);

// A device another program (another copy of this one, by any of the device's
// names) has open and locked: who holds it, as far as the system tells.
PortFacts FactsOfBusyDevice(const std::string& port, const std::string& device);

// Why no port was chosen at start-up: the numbered ports found, and why each
// that would not open refused.
PortFacts FactsOfNoPortChosen(const std::vector<PortEntry>& found);

#ifdef Q_OS_UNIX
// Locks the device open on `fd` for this process alone, whatever name it was
// opened by (a link, a pseudo-terminal's own path): false when another
// process holds it.
bool LockDevice(int fd);

// The first line setting (9600 baud, 8 data bits, no parity, 1 stop bit, no
// flow control) that the open terminal `fd` does not hold; empty when it holds
// them all or cannot be asked.
std::string UnheldLineSetting(int fd);

// Asks a USB serial adapter open on `fd` for low-latency mode, so a one-byte
// reply is not held back by the adapter's latency timer. Returns a line for the
// diagnostic log when the adapter refuses; devices without such a mode
// (pseudo-terminals, built-in ports) are left alone without a word.
std::optional<std::string> RequestLowLatency(int fd, const std::string& device);
#endif

} // namespace marrowick
