#pragma once

#include <QObject>
#include <QSerialPort>

#include "platform/SerialPort.h"
#include "qt/PortNames.h"

namespace marrowick {

// The serial port on QSerialPort at 9600,N,8,1 without flow control. It
// starts clean: what waits in the system's input buffer when it opens (a reply
// left on the line by an earlier program) is thrown away.
// When the device goes away, Qt 6.4 keeps reporting the same read error while
// the port stays open; the first such error closes the port and is reported
// once as a lost line.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(const Settings* settings = nullptr, QObject* parent = nullptr);
    ~QtSerialPort() override;

    bool open(const std::string& name, std::string* error) override;
    void close() override;
    bool isOpen() const override;
    void write(std::string_view bytes) override;
    void discardInput() override;
    // Looks for the device's node (Unix; a link such as marrowick-sim's --link
    // must lead somewhere) or the port among the system's ports (Windows), and
    // tells the device lost from another one in its place.
    DeviceLook lookForDevice() const override;
    // Reads the system's error counts (also whenever bytes arrive).
    void checkLine() override;

    // The device actually opened.
    std::string device() const { return m_port.portName().toStdString(); }

private:
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);

    // What the device last opened was, to know it again.
    struct DeviceIdentity {
        std::string given;     // the name the port was opened by: "COM3" or a path
        std::string device;    // what was opened for it
        bool numbered = false; // a number, found again by number
        bool viaLink = false;  // reached through a symbolic link (marrowick-sim --link)
        bool pseudoTerminal = false;
        std::string usb;             // "vendor:product:serial" of a USB adapter; empty otherwise
        unsigned long long node = 0; // the device number (Unix)
    };
    static DeviceIdentity IdentityOf(const std::string& given, const std::string& device, bool numbered);

    QSerialPort m_port;
    PortNames m_names;
    DeviceIdentity m_opened;
    bool m_lost = false;
    LineCounters m_systemCounts;
};

} // namespace marrowick
