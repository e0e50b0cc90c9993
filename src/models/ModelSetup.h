#pragma once

namespace marrowick {

class Session;

// Picks the model object from the model reply (asking the user when the reply
// is missing or unknown) and adapts the window: firmware frame, button captions,
// trigger labels, "Save Library File" and the show tab.
void RunModelSetup(Session& session);

} // namespace marrowick
