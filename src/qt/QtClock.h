#pragma once

#include <QElapsedTimer>

#include "platform/Clock.h"

namespace marrowick {

// Timers on the Qt event loop; no thread, no busy wait.
class QtClock : public Clock {
public:
    QtClock();
    std::unique_ptr<Timer> createTimer() override;
    std::int64_t nowMs() const override;
    double secondsSinceMidnight() const override;
    std::string localDate() const override;
    std::string localTime() const override;
    LocalDateTime localDateTime() const override;

private:
    QElapsedTimer m_elapsed;
};

} // namespace marrowick
