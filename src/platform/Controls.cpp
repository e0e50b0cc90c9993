#include "platform/Controls.h"

#include <array>

namespace marrowick {
namespace {

using namespace control;

constexpr std::array All{
    frmInterface,     SSTab1,           ProgressBar1, btnCancel,       List1,        BtnAddClip,    BtnWriteLibrary,
    Command3,         btnLibrary,       Shape1,       ListShows,       btnReadShows, btnWriteShows, btnOpenShows,
    btnSaveShows,     lblShowCount,     lblAmbient,   lblTrigger,      lblLockOut,   LblTriggerA,   LblTriggerB,
    LblTriggerAvalue, LblTriggerBvalue, btnFirmware,  lblFirmwareInfo, FirmwareK5,   FirmwareR2,    FirmwareT7,
    firmwareLumen,    OptFirmware,      Option2,      Option1,         Option3};

} // namespace

std::span<const Control> AllControls()
{
    return All;
}

std::optional<Control> FindControl(std::string_view name)
{
    for (const Control& control : All)
        if (control.Name() == name)
            return control;
    return std::nullopt;
}

} // namespace marrowick
