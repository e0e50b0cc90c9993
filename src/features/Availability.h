#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/Controls.h"

namespace marrowick {

// What decides which of the window's commands can do something now.
struct CommandFacts {
    bool busy = false;     // a conversation runs, or the link is not idle
    bool portOpen = false; // a controller can be talked to
    int showCount = 0;     // numbered shows held
    bool clips = false;    // the library holds clips
    bool sendingClips = false;
    bool showsEditable = false; // the show table held takes edits
    bool canUndo = false;       // an edit of it to take back
    bool canRedo = false;       // an edit taken back to make again
};

// Every command button, choice and editable list with why it cannot be used
// now ("No shows loaded", "Controller busy"); empty when it can. A list that
// cannot be used still shows what it holds, but takes no edits.
std::vector<std::pair<Control, std::string>> WhyNotAvailable(const CommandFacts& facts);

} // namespace marrowick
