#pragma once

#include <cstdint>

#include "base/Signal.h"

namespace marrowick {

// Link states: which conversation with the controller is running. The values
// are those the log window forces by number (3, 4, 6, 8 and 14 have no name).
enum class LinkState : std::int16_t {
    StateAwaitVersion = 0,
    StateAwaitModel = 1,
    StateIdle = 2,
    StateReceiveToc = 5,
    StateStreamClips = 7,
    StateReadShows = 9,
    StateReadShowRecords = 10,
    StateWriteShows = 11,
    StateWriteShowRecords = 12,
    StateFirmware = 13,
    StateAwaitSerial = 15,
};

// Captions of the log window's state options, by state value 0..10.
const char* ForceStateCaption(int index);

class StateEngine {
public:
    LinkState State() const { return m_state; }
    // Every write raises StateChanged, also when the value does not change.
    void SetState(LinkState newstate)
    {
        m_state = newstate;
        StateChanged(newstate);
    }

    Signal<LinkState> StateChanged;

private:
    LinkState m_state = LinkState::StateAwaitVersion;
};

} // namespace marrowick
