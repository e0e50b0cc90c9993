#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace marrowick {

enum class ControlKind { Window, Tabs, Button, Check, Label, List, Frame, Light, Progress, OptionArray, Choice };

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

// Every control, once: name and kind. The constants below and AllControls()
// are made from this one list, so they cannot drift apart.
#define MARROWICK_CONTROLS(X)                                                                                          \
    X(frmInterface, Window)                                                                                            \
    X(SSTab1, Tabs)                                                                                                    \
    X(ProgressBar1, Progress)                                                                                          \
    /* Beside the bar: how far the running transfer is and how long it still needs. */                                 \
    X(lblProgress, Label)                                                                                              \
    X(btnCancel, Button)                                                                                               \
    /* Beside the tabs: the port dialog again, and the controller on the chosen port identified. */                    \
    X(btnConnect, Button)                                                                                              \
    /* "Audio Library" tab; List1 also takes dropped files and rows dragged within it. */                              \
    X(List1, List)                                                                                                     \
    X(BtnAddClip, Button)                                                                                              \
    X(btnRemoveClip, Button)                                                                                           \
    /* The selected clip in the system's own player (a double click on it too). */                                     \
    X(btnPlayClip, Button)                                                                                             \
    X(BtnWriteLibrary, Button)                                                                                         \
    X(Command3, Button)                                                                                                \
    X(btnLibrary, Button)                                                                                              \
    X(barCapacity, Progress)                                                                                           \
    /* Beside the capacity bar: the library's playing time. */                                                         \
    X(lblPlayingTime, Label)                                                                                           \
    X(Shape1, Light)                                                                                                   \
    /* "Show Read / Write" tab. */                                                                                     \
    X(ListShows, List)                                                                                                 \
    X(btnReadShows, Button)                                                                                            \
    X(btnWriteShows, Button)                                                                                           \
    X(btnOpenShows, Button)                                                                                            \
    X(btnSaveShows, Button)                                                                                            \
    X(chkBackupShows, Check)                                                                                           \
    X(chkVerifyShows, Check)                                                                                           \
    X(lblShowCount, Label)                                                                                             \
    X(lblAmbient, Label)                                                                                               \
    X(lblTrigger, Label)                                                                                               \
    X(lblLockOut, Label)                                                                                               \
    X(LblTriggerA, Label)                                                                                              \
    X(LblTriggerB, Label)                                                                                              \
    X(LblTriggerAvalue, Label)                                                                                         \
    X(LblTriggerBvalue, Label)                                                                                         \
    /* The configuration as the person changes it, in place of the labels above where the model has it. */             \
    X(cboTrigger, Choice)                                                                                              \
    X(cboLockOut, Choice)                                                                                              \
    X(cboTriggerA, Choice)                                                                                             \
    X(cboTriggerB, Choice)                                                                                             \
    /* Take back the last change to the show table, and make it again. */                                              \
    X(btnUndo, Button)                                                                                                 \
    X(btnRedo, Button)                                                                                                 \
    /* "Firmware" tab: a frame of version options per model. */                                                        \
    X(btnFirmware, Button)                                                                                             \
    X(lblFirmwareInfo, Label)                                                                                          \
    X(FirmwareK5, Frame)                                                                                               \
    X(FirmwareR2, Frame)                                                                                               \
    X(FirmwareT7, Frame)                                                                                               \
    X(firmwareLumen, Frame)                                                                                            \
    X(OptFirmware, OptionArray)                                                                                        \
    X(Option2, OptionArray)                                                                                            \
    X(Option1, OptionArray)                                                                                            \
    X(Option3, OptionArray)

namespace control {
#define MARROWICK_CONTROL_CONSTANT(name, kind) inline constexpr Control name{#name, ControlKind::kind};
MARROWICK_CONTROLS(MARROWICK_CONTROL_CONSTANT)
#undef MARROWICK_CONTROL_CONSTANT
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
