#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace marrowick {

// A timer owned by whoever created it; destroying it cancels it.
class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the timer; a running timer starts over.
    virtual void start(int intervalMs, bool repeat = false) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    std::function<void()> onTimeout;
};

// The local date and time as numbers (month and day from 1), for names that
// must sort by time whatever the locale writes.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2026-06-12 17.07.09": a date and time for file and folder names, which sort
// by time and which every file system takes.
inline std::string FileNameStamp(const LocalDateTime& when)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d.%02d.%02d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    return text;
}

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    // Monotonic milliseconds, for measuring spans.
    virtual std::int64_t nowMs() const = 0;
    // Wall clock, local time of day in seconds since midnight.
    virtual double secondsSinceMidnight() const = 0;
    // Local date and time as a person reads them (for log lines and log file names).
    virtual std::string localDate() const = 0;
    virtual std::string localTime() const = 0;
    virtual LocalDateTime localDateTime() const = 0;
};

} // namespace marrowick
