#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace marrowick {

enum class ControlKind { Window, Tabs, Button, Label, List, Frame, Light, Progress, OptionArray };

// A control of the main window, by its object name. The window names its
// widgets with these, the program addresses them with these, so a mistyped
// name does not compile; a name read from outside (a widget's object name)
// is looked up with FindControl.
struct Control {
    const char* name;
    ControlKind kind;

    std::string_view Name() const { return name; }
    friend bool operator==(const Control& a, const Control& b) { return a.Name() == b.Name(); }
};

namespace control {

inline constexpr Control frmInterface{"frmInterface", ControlKind::Window};
inline constexpr Control SSTab1{"SSTab1", ControlKind::Tabs};
inline constexpr Control ProgressBar1{"ProgressBar1", ControlKind::Progress};
inline constexpr Control btnCancel{"btnCancel", ControlKind::Button};

// "Audio Library" tab. List1 also takes dropped files.
inline constexpr Control List1{"List1", ControlKind::List};
inline constexpr Control BtnAddClip{"BtnAddClip", ControlKind::Button};
inline constexpr Control BtnWriteLibrary{"BtnWriteLibrary", ControlKind::Button};
inline constexpr Control Command3{"Command3", ControlKind::Button};
inline constexpr Control btnLibrary{"btnLibrary", ControlKind::Button};
inline constexpr Control Shape1{"Shape1", ControlKind::Light};

// "Show Read / Write" tab.
inline constexpr Control ListShows{"ListShows", ControlKind::List};
inline constexpr Control btnReadShows{"btnReadShows", ControlKind::Button};
inline constexpr Control btnWriteShows{"btnWriteShows", ControlKind::Button};
inline constexpr Control btnOpenShows{"btnOpenShows", ControlKind::Button};
inline constexpr Control btnSaveShows{"btnSaveShows", ControlKind::Button};
inline constexpr Control lblShowCount{"lblShowCount", ControlKind::Label};
inline constexpr Control lblAmbient{"lblAmbient", ControlKind::Label};
inline constexpr Control lblTrigger{"lblTrigger", ControlKind::Label};
inline constexpr Control lblLockOut{"lblLockOut", ControlKind::Label};
inline constexpr Control LblTriggerA{"LblTriggerA", ControlKind::Label};
inline constexpr Control LblTriggerB{"LblTriggerB", ControlKind::Label};
inline constexpr Control LblTriggerAvalue{"LblTriggerAvalue", ControlKind::Label};
inline constexpr Control LblTriggerBvalue{"LblTriggerBvalue", ControlKind::Label};

// "Firmware" tab: a frame of version options per model.
inline constexpr Control btnFirmware{"btnFirmware", ControlKind::Button};
inline constexpr Control lblFirmwareInfo{"lblFirmwareInfo", ControlKind::Label};
inline constexpr Control FirmwareK5{"FirmwareK5", ControlKind::Frame};
inline constexpr Control FirmwareR2{"FirmwareR2", ControlKind::Frame};
inline constexpr Control FirmwareT7{"FirmwareT7", ControlKind::Frame};
inline constexpr Control firmwareLumen{"firmwareLumen", ControlKind::Frame};
inline constexpr Control OptFirmware{"OptFirmware", ControlKind::OptionArray};
inline constexpr Control Option2{"Option2", ControlKind::OptionArray};
inline constexpr Control Option1{"Option1", ControlKind::OptionArray};
inline constexpr Control Option3{"Option3", ControlKind::OptionArray};

} // namespace control

// Every control above.
std::span<const Control> AllControls();
// The control of that object name; nothing for a name the window does not have.
std::optional<Control> FindControl(std::string_view name);

// Tabs of SSTab1.
inline constexpr int TabAudioLibrary = 0;
inline constexpr int TabShows = 1;
inline constexpr int TabFirmware = 2;

} // namespace marrowick
