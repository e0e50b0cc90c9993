#include "qt/QtSerialPort.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

#include "qt/PortFactsFinder.h"

namespace marrowick {
namespace {

// "3" and "com3" are shown as "COM3"; a device path as it is.
std::string ShownPort(const std::string& name)
{
    const PortName read = ReadPortName(name);
    return read.kind == PortName::Kind::Numbered ? "COM" + std::to_string(read.number) : name;
}

// Brings `counters` up to what the system has counted on the open port: on
// Linux its own counts since the port opened (where the driver keeps them; a
// pseudo-terminal does not); on Windows one more of each error whose flag
// ClearCommError finds set, which clears it.
void ReadLineCounters(QSerialPort& port, LineCounters& counters)
{
#if defined(Q_OS_LINUX)
    serial_icounter_struct icount{};
    if (::ioctl(static_cast<int>(port.handle()), TIOCGICOUNT, &icount) != 0)
        return;
    counters.breaks = static_cast<unsigned long>(icount.brk);
    counters.frames = static_cast<unsigned long>(icount.frame);
    counters.overruns = static_cast<unsigned long>(icount.overrun);
    counters.bufferOverruns = static_cast<unsigned long>(icount.buf_overrun);
    counters.parities = static_cast<unsigned long>(icount.parity);
#elif defined(Q_OS_WIN)
    DWORD errors = 0;
    if (!::ClearCommError(reinterpret_cast<HANDLE>(port.handle()), &errors, nullptr))
        return;
    counters.breaks += (errors & CE_BREAK) != 0 ? 1 : 0;
    counters.frames += (errors & CE_FRAME) != 0 ? 1 : 0;
    counters.overruns += (errors & CE_OVERRUN) != 0 ? 1 : 0;
    counters.bufferOverruns += (errors & CE_RXOVER) != 0 ? 1 : 0;
    counters.parities += (errors & CE_RXPARITY) != 0 ? 1 : 0;
#else
    (void)port;
    (void)counters;
#endif
}

} // namespace

QtSerialPort::QtSerialPort(const Settings* settings, QObject* parent) : QObject(parent), m_names(settings)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::OnReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
}

QtSerialPort::~QtSerialPort()
{
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::open(const std::string& name, std::string* error)
{
    if (m_port.isOpen())
        m_port.close();
    // Every refusal is told in the same plain words.
    const auto refuse = [error](const PortFacts& facts) {
        if (error)
            *error = DescribePortProblem(facts);
        return false;
    };
    PortFacts why;
    const auto device = m_names.Resolve(name, &why);
    if (!device)
        return refuse(why.problem == PortProblem::NotChosen ? FactsOfNoPortChosen(m_names.Ports()) : why);
    m_port.setPortName(QString::fromStdString(*device));
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    m_lost = false;
    if (!m_port.open(QIODevice::ReadWrite)) {
        const PortFacts facts =
            FactsOfFailedOpen(ShownPort(name), *device, m_port.error(), m_port.errorString().toStdString());
        m_port.clearError();
        return refuse(facts);
    }
#ifdef Q_OS_UNIX
    // One user of a device at a time, by the device itself: two names of one
    // pseudo-terminal (a link and its target) are one device.
    if (!LockDevice(static_cast<int>(m_port.handle()))) {
        m_port.close();
        return refuse(FactsOfBusyDevice(ShownPort(name), *device));
    }
    // Some drivers accept a setting and quietly keep their own; the controller
    // would then see garbage, so such a port is not used.
    const std::string unheld = UnheldLineSetting(static_cast<int>(m_port.handle()));
    if (!unheld.empty()) {
        m_port.close();
        PortFacts facts;
        facts.problem = PortProblem::SettingRefused;
        facts.port = ShownPort(name);
        facts.device = *device;
        facts.setting = unheld;
        return refuse(facts);
    }
    if (const auto refused = RequestLowLatency(static_cast<int>(m_port.handle()), *device); refused && onNotice)
        onNotice(*refused);
#endif
    // A reply an earlier program left on the line would otherwise be read as
    // part of the first reply of this run ("Firmware Version: 1.051.05").
    discardInput();
    // Errors counted before this open are not this line's.
    ReadLineCounters(m_port, m_systemCounts);
    StartLineCounters(m_systemCounts);
    m_opened = IdentityOf(name, *device, ReadPortName(name).kind == PortName::Kind::Numbered);
    return true;
}

void QtSerialPort::close()
{
    if (!m_port.isOpen())
        return;
    // Written bytes wait in Qt's buffer until the event loop runs; the last
    // request before closing (the firmware loader's "r") must still go out.
    m_port.flush();
    m_port.close();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::write(std::string_view bytes)
{
    if (!m_port.isOpen() || bytes.empty())
        return;
    m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    // QSerialPort does not report bytes that arrive while its receive signal
    // is being handled until more come; such bytes wait in its buffer.
    m_port.readAll();
    // The driver's buffer (tcflush(TCIFLUSH) on Unix, PurgeComm on Windows).
    m_port.clear(QSerialPort::Input);
}

QtSerialPort::DeviceIdentity QtSerialPort::IdentityOf(const std::string& given, const std::string& device,
                                                      bool numbered)
{
    DeviceIdentity identity;
    identity.given = given;
    identity.device = device;
    identity.numbered = numbered;
#ifdef Q_OS_WIN
    QString name = QString::fromStdString(device);
    if (name.startsWith(QStringLiteral("\\\\.\\")))
        name = name.mid(4);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName().compare(name, Qt::CaseInsensitive) == 0 && info.hasVendorIdentifier())
            identity.usb = QStringLiteral("%1:%2:%3")
                               .arg(info.vendorIdentifier())
                               .arg(info.productIdentifier())
                               .arg(info.serialNumber())
                               .toStdString();
#else
    const QString path = QString::fromStdString(device.find('/') == std::string::npos ? "/dev/" + device : device);
    const QFileInfo file(path);
    identity.viaLink = file.isSymLink();
    const QString canonical = file.canonicalFilePath();
    identity.pseudoTerminal =
        canonical.startsWith(QStringLiteral("/dev/pts/")) || canonical.startsWith(QStringLiteral("/dev/ttys"));
    struct stat node {};
    if (::stat(canonical.toLocal8Bit().constData(), &node) == 0)
        identity.node = static_cast<unsigned long long>(node.st_rdev);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == canonical && info.hasVendorIdentifier())
            identity.usb = QStringLiteral("%1:%2:%3")
                               .arg(info.vendorIdentifier())
                               .arg(info.productIdentifier())
                               .arg(info.serialNumber())
                               .toStdString();
#endif
    return identity;
}

DeviceLook QtSerialPort::lookForDevice() const
{
    if (m_opened.device.empty())
        return DeviceLook::Gone;
    // A number is found again by number: whatever the system now has behind it.
    std::string device = m_opened.device;
    if (m_opened.numbered) {
        PortFacts why;
        const auto resolved = m_names.Resolve(m_opened.given, &why);
        if (!resolved)
            return DeviceLook::Gone;
        device = *resolved;
    }
#ifdef Q_OS_WIN
    QString name = QString::fromStdString(device);
    if (name.startsWith(QStringLiteral("\\\\.\\")))
        name = name.mid(4);
    bool present = false;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName().compare(name, Qt::CaseInsensitive) == 0)
            present = true;
    if (!present)
        return DeviceLook::Gone;
    return IdentityOf(m_opened.given, device, m_opened.numbered).usb == m_opened.usb ? DeviceLook::Same
                                                                                     : DeviceLook::Other;
#else
    // A name without a folder is a device in /dev, as QSerialPort opens it.
    // A link is followed, so one whose device has gone does not count.
    const QString path = QString::fromStdString(device.find('/') == std::string::npos ? "/dev/" + device : device);
    if (!QFileInfo::exists(path))
        return DeviceLook::Gone;
    const DeviceIdentity now = IdentityOf(m_opened.given, device, m_opened.numbered);
    if (!m_opened.usb.empty())
        return now.usb == m_opened.usb ? DeviceLook::Same : DeviceLook::Other;
    if (m_opened.pseudoTerminal) {
        // A pseudo-terminal number is soon given to the next terminal that opens
        // one; only a link to a fresh one (marrowick-sim --link) is ours again.
        return m_opened.viaLink && now.viaLink && now.pseudoTerminal ? DeviceLook::Same : DeviceLook::Other;
    }
    return now.node == m_opened.node && now.usb.empty() ? DeviceLook::Same : DeviceLook::Other;
#endif
}

void QtSerialPort::checkLine()
{
    if (!m_port.isOpen())
        return;
    ReadLineCounters(m_port, m_systemCounts);
    ReportLineCounters(m_systemCounts);
}

void QtSerialPort::OnReadyRead()
{
    // An error the line took is told before the bytes it may have spoilt.
    checkLine();
    if (!m_port.isOpen())
        return;
    const QByteArray data = m_port.readAll();
    if (!data.isEmpty() && onBytes)
        onBytes(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError && error != QSerialPort::ResourceError)
        return;
    if (m_lost || !m_port.isOpen())
        return;
    m_lost = true;
    const std::string reason = m_port.errorString().toStdString();
    m_port.close();
    m_port.clearError();
    if (onLineEvent)
        onLineEvent(LineEvent{LineEventKind::Lost, reason});
}

} // namespace marrowick
