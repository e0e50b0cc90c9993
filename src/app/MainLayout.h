#pragma once

class QMainWindow;

namespace marrowick {

// Lays out the main window `frmInterface`: the tabs of `SSTab1` with every
// control under its object name, caption, tooltip and start visibility, the
// progress bar with the cancel button, and the three status panels.
void BuildMainLayout(QMainWindow& window);

// Option-button arrays of the firmware tab, as QButtonGroup object names.
inline constexpr const char* FirmwareOptionArrays[] = {"OptFirmware", "Option2", "Option1", "Option3"};

} // namespace marrowick
