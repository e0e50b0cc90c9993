#pragma once

#include <string>

namespace marrowick {

struct Outcome {
    bool ok = false;
    std::string message; // for a person: what happened
};

// A running exchange with the controller (identification, read, write, clip
// transfer, firmware download). Whatever ends it - its own time-out, a lost port,
// the user's cancel, the window closing - it says why and leaves the link idle.
class Conversation {
public:
    virtual ~Conversation() = default;
    virtual void Abort(const std::string& reason) = 0;
};

} // namespace marrowick
