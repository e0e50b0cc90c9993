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
    // Looks for the device's node (Unix; a link such as marrowick-sim's
    // --link must lead somewhere) or the port among the system's ports (Windows).
    bool devicePresent() const override;

    // The device actually opened.
    std::string device() const { return m_port.portName().toStdString(); }

private:
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    PortNames m_names;
    std::string m_opened; // the device last opened, as the system names it
    bool m_lost = false;
};

} // namespace marrowick
