#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Startup.h"
#include "qt/PortNames.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace marrowick {

// What trying a port found: it opened (and was closed again), or why not.
struct PortTrial {
    bool opened = false;
    std::string reason; // one or two sentences, when it did not open
};

// How the port dialog finds ports: the numbered ports and the devices behind
// them, and a test that opens a port and closes it again.
struct PortProbe {
    std::function<std::vector<PortEntry>()> ports;
    std::function<PortTrial(const PortEntry&)> tryOpen;
};

// The real ports of this computer, tried with QSerialPort.
PortProbe SystemPortProbe(const Settings* settings);

// The port selection dialog `frmComPort`: 250 ms after it is shown it tries
// ports 1 to 16 and the device typed last time, lists them as "COM" and the
// number (then the device), greys out those that would not open with the
// reason as their tooltip, and selects the port used last time. Another
// device can be typed into the list's text field; it is tried when the dialog
// closes, and one that would not open keeps the dialog open with the reason
// below the list. It does not close without a choice while ports exist.
class PortDialog : public QDialog {
    Q_OBJECT
public:
    PortDialog(PortProbe probe, PortChoice current, QWidget* parent = nullptr);

    // The chosen port number, 0 for none or for a typed device; final once
    // the dialog has closed.
    int ComPortNumber() const { return m_choice.number; }
    // The typed device chosen, empty when a numbered port (or none) is.
    const std::string& Device() const { return m_choice.device; }
    const PortChoice& Choice() const { return m_choice; }

    static constexpr int SearchDelayMs = 250;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Search();
    void FillPortList();
    void AddEntry(const QString& text, const PortEntry& entry);
    int SelectableCount() const;
    bool Selectable(int index) const;
    int SelectableEntryNamed(const QString& text) const;
    // The choice the text field holds now; nullopt when the dialog must stay
    // open, with the reason (if any) shown below the list.
    std::optional<PortChoice> Decide();

    PortProbe m_probe;
    PortChoice m_choice;
    PortChoice m_remembered;
    QComboBox* m_combo = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_done = nullptr;
    QTimer m_timer;
    bool m_started = false;
    bool m_typed = false; // the text field holds what the user typed, not an entry or a status
};

} // namespace marrowick
