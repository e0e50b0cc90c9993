#include "features/ModelSetup.h"

#include <string>

#include "features/ShowsPresenter.h"
#include "log/LogModel.h"
#include "models/Identity.h"
#include "ui/Dialogs.h"
#include "ui/View.h"

namespace marrowick {
const ModelLook& LookOf(const controller& model)
{
    static const ModelLook k5Look{"K5", control::FirmwareK5, "K5 Firmware", control::OptFirmware, 4};
    static const ModelLook r2Look{"R2", control::FirmwareR2, "R2 Firmware", control::Option2, 5};
    static const ModelLook t7Look{"T7", control::FirmwareT7, "T7 Firmware", control::Option1, 0};
    static const ModelLook lumenLook{"Lumen", control::firmwareLumen, "Lumen+", control::Option3, 2};
    const std::string name = model.Name();
    if (name == "R2")
        return r2Look;
    if (name == "T7")
        return t7Look;
    if (name == "L+")
        return lumenLook;
    return k5Look;
}

namespace {

// The window as `model` wants it; `libraryFile` keeps "Save Library File" shown.
void Apply(View& view, const controller& model, bool libraryFile)
{
    const ModelTraits& traits = model.Traits();
    const ModelLook& look = LookOf(model);
    const std::string name = look.displayName;
    if (!traits.hasShowTable)
        view.setTabEnabled(TabShows, false);
    view.setVisible(look.firmwareFrame, true);
    view.setCaption(control::BtnWriteLibrary, "Send Clips to " + name);
    if (traits.hasShowTable) {
        view.setCaption(control::btnReadShows, "Read Shows from " + name);
        view.setCaption(control::btnWriteShows, "Write Shows to " + name);
    }
    view.setVisible(control::LblTriggerA, traits.triggerInputs >= 1);
    view.setVisible(control::LblTriggerB, traits.triggerInputs >= 2);
    // A field the model lets a person change shows as its choice, any other
    // as its label (trigger A's and B's only where the model has the input).
    for (const ConfigEditor& editor : ConfigEditors()) {
        const bool choice = ModelHasField(model, editor.field);
        const int inputs = editor.field == ShowEdit::Field::TriggerA   ? 1
                           : editor.field == ShowEdit::Field::TriggerB ? 2
                                                                       : 0;
        view.setVisible(editor.choice, choice);
        view.setVisible(editor.label, !choice && traits.triggerInputs >= inputs);
    }
    if (!libraryFile)
        view.setVisible(control::btnLibrary, false);
}

} // namespace

void RunModelSetup(View& view, Dialogs& dialogs, Identity& identity, LogModel& log, bool portNotFound)
{
    identity.CurrentController.reset();
    if (portNotFound) {
        view.setVisible(control::BtnWriteLibrary, false);
        view.setVisible(control::btnWriteShows, false);
        view.setVisible(control::btnReadShows, false);
    }
    std::unique_ptr<controller> model = MakeController(identity.ControllerModel);
    bool libraryFile = model && model->Traits().offersLibraryFile;
    if (!model) {
        // Unknown or missing reply: the user says whether it is a K5; a K5
        // chosen this way keeps the library-file button.
        if (dialogs.question(Question::IsK5Controller, "Is this an K5 controller?", "Model ", DialogIcon::Question)) {
            model = MakeController("K5");
            libraryFile = true;
            identity.answeredK5 = true;
        } else {
            model = MakeController("R2");
            libraryFile = model->Traits().offersLibraryFile;
        }
    }
    Apply(view, *model, libraryFile);
    identity.CurrentController = std::move(model);
    log.LogDebug("Model set up as " + identity.CurrentController->Name(), 0, LogBaseline);
}

void UndoModelSetup(View& view)
{
    for (const controller* model : AllModels())
        view.setVisible(LookOf(*model).firmwareFrame, false);
    for (Control label :
         {control::LblTriggerA, control::LblTriggerAvalue, control::LblTriggerB, control::LblTriggerBvalue})
        view.setVisible(label, false);
    for (const ConfigEditor& editor : ConfigEditors())
        view.setVisible(editor.choice, false);
    view.setVisible(control::lblTrigger, true);
    view.setVisible(control::lblLockOut, true);
    view.setCaption(control::BtnWriteLibrary, StartingClipsCaption);
    view.setCaption(control::btnReadShows, StartingReadCaption);
    view.setCaption(control::btnWriteShows, StartingWriteCaption);
    for (Control button :
         {control::btnLibrary, control::BtnWriteLibrary, control::btnWriteShows, control::btnReadShows})
        view.setVisible(button, true);
    view.setTabEnabled(TabShows, true);
    // Made unavailable when the version did not come.
    view.setTabEnabled(TabFirmware, true);
}

} // namespace marrowick
