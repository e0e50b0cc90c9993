#pragma once

#include "ui/Controls.h"

namespace marrowick {

class controller;
class Dialogs;
class LogModel;
class View;
struct Identity;

// How the window shows a model: the name in its button captions, its frame of
// firmware versions on the Firmware tab with the frame's caption, the frame's
// option-button array and the option selected when the program starts.
struct ModelLook {
    const char* displayName; // "K5", "R2", "T7", "Lumen"
    Control firmwareFrame;
    const char* firmwareTitle;
    Control firmwareOptions;
    int firmwareDefaultOption;
};
const ModelLook& LookOf(const controller& model);

// The captions of the controller buttons before any model is set up.
inline constexpr const char* StartingClipsCaption = "Send Clips to K5";
inline constexpr const char* StartingReadCaption = "Read Shows From K5";
inline constexpr const char* StartingWriteCaption = "Write Shows To K5";

// Chooses the model object from the model reply (asking the user whether it
// is a K5 when the reply is missing or unknown) and sets the window up for it:
// firmware frame, button captions, trigger labels, the configuration's
// choices where the model lets them be changed, the library-file button, the
// Show tab. With the port not found, the three controller buttons are hidden.
void RunModelSetup(View& view, Dialogs& dialogs, Identity& identity, LogModel& log, bool portNotFound);

// Takes back what the set-up of an earlier controller did, so the window looks
// as it did at start-up: every firmware frame, trigger A and B label and
// configuration choice hidden, the starting captions, the library-file button,
// the controller buttons and the wiring and lockout labels shown, the Show and
// Firmware tabs available.
void UndoModelSetup(View& view);

} // namespace marrowick
