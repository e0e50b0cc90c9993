#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace marrowick {

// Catches SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl+C, Ctrl+Break
// and close events) and reports each, from the event loop, through onInterrupt
// with the signal's number (SIGINT for Ctrl+C and Ctrl+Break, 0 for the console
// closing), so the program can end what runs as Cancel would. A second one within
// two seconds ends the program at once, with status 128 and the signal's number.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatch(QObject* parent = nullptr);
    ~InterruptWatch() override;

    std::function<void(int signal)> onInterrupt;
    // The program has done what the interrupt asked (Windows: a closing console
    // waits for this before the system ends the process).
    void Done();

    // How a process that was interrupted ends: 128 and the signal's number.
    static int ExitStatus(int signal) { return 128 + (signal == 0 ? 1 : signal); }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace marrowick
