#include "models/ModelSetup.h"

#include <string>

#include "core/Session.h"

namespace marrowick {
namespace {

void ApplyK5(Session& s, bool hideLibraryButton)
{
    View& v = s.view;
    v.setVisible("FirmwareK5", true);
    s.CurrentController = std::make_unique<k5>();
    v.setCaption("BtnWriteLibrary", "Send Clips to K5");
    v.setCaption("btnReadShows", "Read Shows from K5");
    v.setCaption("btnWriteShows", "Write Shows to K5");
    if (hideLibraryButton)
        v.setVisible("btnLibrary", false);
}

void ApplyR2(Session& s)
{
    View& v = s.view;
    v.setVisible("FirmwareR2", true);
    s.CurrentController = std::make_unique<r2>();
    v.setCaption("BtnWriteLibrary", "Send Clips to R2");
    v.setCaption("btnReadShows", "Read Shows from R2");
    v.setCaption("btnWriteShows", "Write Shows to R2");
    for (const char* label : {"LblTriggerA", "LblTriggerB", "LblTriggerAvalue", "LblTriggerBvalue"})
        v.setVisible(label, true);
}

void ApplyT7(Session& s)
{
    View& v = s.view;
    v.setTabEnabled(1, false);
    v.setVisible("FirmwareT7", true);
    s.CurrentController = std::make_unique<t7>();
    v.setCaption("BtnWriteLibrary", "Send Clips to T7");
    v.setVisible("btnLibrary", false);
}

void ApplyLumen(Session& s)
{
    View& v = s.view;
    v.setVisible("firmwareLumen", true);
    s.CurrentController = std::make_unique<Lumen>();
    v.setCaption("BtnWriteLibrary", "Send Clips to Lumen");
    v.setCaption("btnReadShows", "Read Shows from Lumen");
    v.setCaption("btnWriteShows", "Write Shows to Lumen");
    v.setVisible("LblTriggerA", true);
    v.setVisible("LblTriggerAvalue", true);
    v.setVisible("btnLibrary", false);
}

} // namespace

void RunModelSetup(Session& s)
{
    s.CurrentController.reset();
    if (s.PortNotFound) {
        s.view.setVisible("BtnWriteLibrary", false);
        s.view.setVisible("btnWriteShows", false);
        s.view.setVisible("btnReadShows", false);
    }
    const std::string& model = s.ControllerModel;
    if (model == "K5") {
        ApplyK5(s, true);
    } else if (model == "R2") {
        ApplyR2(s);
    } else if (model == "T7") {
        ApplyT7(s);
    } else if (model == "L+") {
        ApplyLumen(s);
    } else if (s.dialogs.question("Is this an K5 controller?", "Model ", DialogIcon::Question)) {
        ApplyK5(s, false);
    } else {
        ApplyR2(s);
    }
    s.LogDebug("Model set up as " + s.CurrentController->Name(), 0, LogBaseline);
}

} // namespace marrowick
