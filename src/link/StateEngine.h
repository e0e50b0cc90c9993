#pragma once

#include <cstdint>

#include "base/Signal.h"

namespace marrowick {

// Link states: which conversation with the controller is running.
inline constexpr std::int16_t StateAwaitVersion = 0;
inline constexpr std::int16_t StateAwaitModel = 1;
inline constexpr std::int16_t StateIdle = 2;
inline constexpr std::int16_t StateReceiveToc = 5;
inline constexpr std::int16_t StateStreamClips = 7;
inline constexpr std::int16_t StateReadShows = 9;
inline constexpr std::int16_t StateReadShowRecords = 10;
inline constexpr std::int16_t StateWriteShows = 11;
inline constexpr std::int16_t StateWriteShowRecords = 12;
inline constexpr std::int16_t StateFirmware = 13;
inline constexpr std::int16_t StateAwaitSerial = 15;

// Captions of the log window's state options, by state value 0..10.
const char* ForceStateCaption(int index);

class StateEngine {
public:
    std::int16_t State() const { return m_state; }
    // Every write raises StateChanged, also when the value does not change.
    void SetState(std::int16_t newstate)
    {
        m_state = newstate;
        StateChanged(newstate);
    }

    Signal<std::int16_t> StateChanged;

private:
    std::int16_t m_state = StateAwaitVersion;
};

} // namespace marrowick
