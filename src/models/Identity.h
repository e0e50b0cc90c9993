#pragma once

#include <memory>
#include <string>

#include "models/Controller.h"

namespace marrowick {

// What the controller said about itself at start-up, and the model object the
// window is set up for (from the model reply, or the user's answer when the
// reply was missing or unknown).
struct Identity {
    std::string FirmwareVersion;
    std::string ControllerModel; // the model reply as it came, trimmed
    std::string SerialNumber;
    // The reply did not come, or came unreadable.
    bool versionMissing = false;
    bool modelMissing = false;    // nothing came for "M"
    bool modelUnreadable = false; // something came that is no model name
    bool serialMissing = false;
    // The reply named no model and the person answered that it is a K5.
    bool answeredK5 = false;
    std::unique_ptr<controller> CurrentController;

    const controller* Model() const { return CurrentController.get(); }
};

} // namespace marrowick
