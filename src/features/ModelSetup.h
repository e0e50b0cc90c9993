#pragma once

namespace marrowick {

class Dialogs;
class LogModel;
class View;
struct Identity;

// Chooses the model object from the model reply (asking the user whether it
// is a K5 when the reply is missing or unknown) and sets the window up for it:
// firmware frame, button captions, trigger labels, the library-file button,
// the Show tab. With the port not found, the three controller buttons are hidden.
void RunModelSetup(View& view, Dialogs& dialogs, Identity& identity, LogModel& log, bool portNotFound);

} // namespace marrowick
