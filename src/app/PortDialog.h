#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <vector>

#include "qt/PortNames.h"

class QComboBox;
class QPushButton;

namespace marrowick {

// How the port dialog finds ports: the numbered ports and the devices behind
// them, and a test that opens a port and closes it again.
struct PortProbe {
    std::function<std::vector<PortEntry>()> ports;
    std::function<bool(const PortEntry&)> openAndClose;
};

// The real ports of this computer, tried with QSerialPort.
PortProbe SystemPortProbe(const Settings* settings);

// The port selection dialog `frmComPort`: 250 ms after it is shown it tries
// ports 1 to 16, lists those that open as "COM" and the number, and selects the
// port used last time. It does not close without a choice while ports exist.
class PortDialog : public QDialog {
    Q_OBJECT
public:
    PortDialog(PortProbe probe, int comPortNumber, QWidget* parent = nullptr);

    // The chosen port number, 0 for none; final once the dialog has closed.
    int ComPortNumber() const { return m_comPortNumber; }

    static constexpr int SearchDelayMs = 250;
    static constexpr int HighestPort = 16;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Search();
    void FillPortList();
    bool TestPort(int number, const std::vector<PortEntry>& known, PortEntry& entry) const;
    void DoneClicked();
    int SelectedEntry() const;

    PortProbe m_probe;
    int m_comPortNumber = 0;
    QComboBox* m_combo = nullptr;
    QPushButton* m_done = nullptr;
    QTimer m_timer;
    bool m_started = false;
};

} // namespace marrowick
