#include "qt/PortFactsFinder.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/Files.h"
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace marrowick {

#ifdef Q_OS_UNIX
namespace {

// One line setting: how to ask for it and how to tell that the device holds it.
struct LineSetting {
    const char* name;
    void (*apply)(termios&);
    bool (*holds)(const termios&);
};

bool NoFlowControl(const termios& t)
{
#ifdef CRTSCTS
    if ((t.c_cflag & CRTSCTS) != 0)
        return false;
#endif
    return (t.c_iflag & (IXON | IXOFF)) == 0;
}

const LineSetting LineSettings[] = {
    {"9600 baud",
     [](termios& t) {
         ::cfsetispeed(&t, B9600);
         ::cfsetospeed(&t, B9600);
     },
     [](const termios& t) { return ::cfgetospeed(&t) == B9600; }},
    {"8 data bits",
     [](termios& t) {
         t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
         t.c_cflag |= CS8;
     },
     [](const termios& t) { return (t.c_cflag & CSIZE) == CS8; }},
    {"no parity", [](termios& t) { t.c_cflag &= ~static_cast<tcflag_t>(PARENB); },
     [](const termios& t) { return (t.c_cflag & PARENB) == 0; }},
    {"1 stop bit", [](termios& t) { t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); },
     [](const termios& t) { return (t.c_cflag & CSTOPB) == 0; }},
    {"no flow control",
     [](termios& t) {
#ifdef CRTSCTS
         t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
         t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
     },
     NoFlowControl},
};

// Asks for each setting in turn and reads it back; the first one the driver
// rejects or silently ignores is named. The terminal's own settings are put
// back afterwards.
std::string FirstRefusedSetting(int fd)
{
    termios original{};
    if (::tcgetattr(fd, &original) != 0)
        return {};
    std::string refused;
    termios wanted = original;
    for (const auto& setting : LineSettings) {
        setting.apply(wanted);
        termios now{};
        if (::tcsetattr(fd, TCSANOW, &wanted) != 0 || ::tcgetattr(fd, &now) != 0 || !setting.holds(now)) {
            refused = setting.name;
            break;
        }
    }
    ::tcsetattr(fd, TCSANOW, &original);
    return refused;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.pop_back();
    return text;
}

// "marrowick-cli (pid 1234)"; the name only where the system shows it.
std::string ProgramName(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    name = Trimmed(name);
    return name.empty() ? "pid " + std::to_string(pid) : name + " (pid " + std::to_string(pid) + ")";
}

// A lock file names the process holding the device: QSerialPort's own (first
// line the PID) and the older UUCP style (the PID as ten digits, or as four
// binary bytes) share the name LCK.. and the device's path below /dev with
// '/' as '_'. A lock whose process is gone holds nothing.
std::optional<pid_t> LockHolder(const std::string& device)
{
    std::string name = device;
    if (name.rfind("/dev/", 0) == 0)
        name = name.substr(5);
    std::replace(name.begin(), name.end(), '/', '_');
    for (const char* folder : {"/var/lock", "/run/lock", "/var/spool/locks", "/var/spool/uucp", "/etc/locks", "/tmp"}) {
        // Some of these folders are open to every user: a pipe or a device
        // planted under a lock file's name is passed over, not waited on.
        bool longer = false;
        const auto text = ReadFileStart(PathFromUtf8(std::string(folder) + "/LCK.." + name), 63, &longer, nullptr);
        if (!text)
            continue;
        char bytes[64] = {};
        std::memcpy(bytes, text->data(), text->size());
        const std::size_t size = text->size();
        long pid = 0;
        std::size_t i = 0;
        while (i < size && bytes[i] == ' ')
            ++i;
        if (i < size && std::isdigit(static_cast<unsigned char>(bytes[i])) != 0) {
            pid = std::strtol(bytes + i, nullptr, 10);
        } else if (size == sizeof(std::int32_t)) {
            std::int32_t binary = 0;
            std::memcpy(&binary, bytes, sizeof binary);
            pid = binary;
        }
        if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
            return static_cast<pid_t>(pid);
    }
    return std::nullopt;
}

// The other processes with the device open, as far as this user may look.
std::vector<std::string> ProcessesHolding(dev_t rdev)
{
    std::vector<std::string> holders;
#ifdef Q_OS_LINUX
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string self = std::to_string(::getpid());
    for (fs::directory_iterator process("/proc", ec), end; !ec && process != end; process.increment(ec)) {
        const std::string pid = process->path().filename().string();
        if (pid.empty() || pid == self ||
            !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
             fd.increment(fdError)) {
            // Only links into /dev are looked at, so a hung network file is never touched.
            std::error_code linkError;
            const std::string target = fs::read_symlink(fd->path(), linkError).string();
            struct stat st {};
            if (linkError || target.rfind("/dev/", 0) != 0 || ::stat(fd->path().c_str(), &st) != 0)
                continue;
            if (S_ISCHR(st.st_mode) && st.st_rdev == rdev) {
                holders.push_back(ProgramName(static_cast<pid_t>(std::stol(pid))));
                break;
            }
        }
    }
#else
    (void)rdev;
#endif
    return holders;
}

// Who may open the device, and whether joining its group would help.
void FillPermission(PortFacts& f, const struct stat& st)
{
    if (const group* g = ::getgrgid(st.st_gid))
        f.group = g->gr_name;
    const uid_t uid = ::geteuid();
    const passwd* pw = ::getpwuid(uid);
    if (pw != nullptr)
        f.user = pw->pw_name;
    // Joining helps only when the group may read and write it, the owner's
    // bits do not apply to this user, and the group is not root's.
    f.groupMayOpen = st.st_gid != 0 && st.st_uid != uid && (st.st_mode & S_IRGRP) != 0 && (st.st_mode & S_IWGRP) != 0;
    if (!f.groupMayOpen)
        return;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(0, count)));
    if (::getegid() == st.st_gid || std::find(groups.begin(), groups.end(), st.st_gid) != groups.end()) {
        f.groupMayOpen = false; // already a member in this login: something else refuses
        return;
    }
    if (pw != nullptr && pw->pw_gid == st.st_gid) {
        f.userListedInGroup = true;
        return;
    }
    if (const group* g = ::getgrgid(st.st_gid))
        for (char** member = g->gr_mem; member != nullptr && *member != nullptr; ++member)
            if (f.user == *member)
                f.userListedInGroup = true;
}

// The path QSerialPort opens for a device name: a name without a folder is
// looked for in /dev, as "ttyUSB0" opens /dev/ttyUSB0.
std::string PathQtOpens(const std::string& device)
{
    if (device.rfind('/', 0) == 0 || device.rfind("./", 0) == 0 || device.rfind("../", 0) == 0)
        return device;
    return "/dev/" + device;
}

// What the system shows about a device that would not open; nothing when it
// shows nothing wrong.
std::optional<PortFacts> SystemFacts(const std::string& port, const std::string& name)
{
    PortFacts f;
    f.port = port;
    f.device = PathQtOpens(name);
    const std::string& device = f.device;
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            f.problem = PortProblem::NoDevice;
            return f;
        }
        if (error == EACCES) {
            f.problem = PortProblem::PermissionDenied;
            return f;
        }
        return std::nullopt;
    }
    if (!S_ISCHR(st.st_mode)) {
        f.problem = PortProblem::NotSerial;
        return f;
    }
    if (const auto holder = LockHolder(device)) {
        f.problem = PortProblem::Busy;
        f.holders.push_back(ProgramName(*holder));
        return f;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        f.systemText = std::strerror(error);
        if (error == EACCES || error == EPERM) {
            f.problem = PortProblem::PermissionDenied;
            FillPermission(f, st);
        } else if (error == EBUSY) {
            // Exclusive mode (TIOCEXCL) or a driver that allows one user.
            f.problem = PortProblem::Busy;
            f.holders = ProcessesHolding(st.st_rdev);
        } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
            f.problem = PortProblem::NoDevice;
        } else {
            f.problem = PortProblem::Other;
        }
        return f;
    }
    const bool terminal = ::isatty(fd) != 0;
    const std::string refused = terminal ? FirstRefusedSetting(fd) : std::string();
    ::close(fd);
    if (!terminal) {
        f.problem = PortProblem::NotSerial;
        return f;
    }
    if (!refused.empty()) {
        f.problem = PortProblem::SettingRefused;
        f.setting = refused;
        return f;
    }
    return std::nullopt;
}

} // namespace

std::string UnheldLineSetting(int fd)
{
    termios now{};
    if (::tcgetattr(fd, &now) != 0)
        return {};
    for (const auto& setting : LineSettings)
        if (!setting.holds(now))
            return setting.name;
    return {};
}

std::optional<std::string> RequestLowLatency(int fd, const std::string& device)
{
#ifdef Q_OS_LINUX
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return std::nullopt; // no such mode here (a pseudo-terminal)
    // Only USB adapters hold bytes back for a latency timer.
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);
    if (ec)
        return std::nullopt;
    const auto bus =
        std::filesystem::canonical(std::filesystem::path("/sys/class/tty") / real.filename() / "device", ec);
    if (ec || bus.string().find("/usb") == std::string::npos)
        return std::nullopt;
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0)
        return std::nullopt;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd, TIOCSSERIAL, &serial) != 0)
        return device + " refused low-latency mode (" + std::strerror(errno) +
               "): single-byte replies may wait for the adapter's latency timer";
    serial_struct check{};
    if (::ioctl(fd, TIOCGSERIAL, &check) == 0 && (check.flags & ASYNC_LOW_LATENCY) == 0)
        return device + " ignored the request for low-latency mode: single-byte replies may wait for the adapter's "
                        "latency timer";
#else
    (void)fd;
    (void)device;
#endif
    return std::nullopt;
}
#endif

PortFacts FactsOfFailedOpen(const std::string& port, const std::string& device, QSerialPort::SerialPortError error,
                            const std::string& qtText)
{
#ifdef Q_OS_UNIX
    if (auto facts = SystemFacts(port, device)) {
        if (facts->systemText.empty())
            facts->systemText = qtText;
        // "COM23" typed here, where ports have other names, is told as such.
        if (facts->problem == PortProblem::NoDevice && ReadPortName(port).windowsName)
            facts->problem = PortProblem::WindowsName;
        return *facts;
    }
#endif
    PortFacts f;
    f.port = port;
    f.device = device;
    f.systemText = qtText;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        f.problem = PortProblem::NoDevice;
        break;
    case QSerialPort::PermissionError:
        // Windows says "access denied" both for a port in use and for one not allowed.
        f.problem = PortProblem::BusyOrDenied;
        break;
    case QSerialPort::UnsupportedOperationError:
        f.problem = PortProblem::SettingRefused;
        break;
    default:
        f.problem = PortProblem::Other;
        break;
    }
    return f;
}

std::optional<PortFacts> TryOpen(const std::string& port, const std::string& device)
{
    QSerialPort probe;
    probe.setPortName(QString::fromStdString(device));
    if (probe.open(QIODevice::ReadWrite)) {
#ifdef Q_OS_UNIX
        const bool inUse = !LockDevice(static_cast<int>(probe.handle()));
#else
        const bool inUse = false;
#endif
        probe.close();
        if (inUse)
            return FactsOfBusyDevice(port, device);
        return std::nullopt;
    }
    return FactsOfFailedOpen(port, device, probe.error(), probe.errorString().toStdString());
}

#ifdef Q_OS_UNIX
bool LockDevice(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}
#endif

PortFacts FactsOfBusyDevice(const std::string& port, const std::string& device)
{
    PortFacts f;
    f.problem = PortProblem::Busy;
    f.port = port;
    f.device = device;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(device.c_str(), &st) == 0)
        f.holders = ProcessesHolding(st.st_rdev);
#endif
    return f;
}

PortFacts FactsOfNoPortChosen(const std::vector<PortEntry>& found)
{
    PortFacts f;
    f.problem = PortProblem::NotChosen;
    f.port = "COM0";
    f.devicesFound = static_cast<int>(found.size());
    for (const auto& entry : found)
        if (auto refused = TryOpen("COM" + std::to_string(entry.number), entry.device))
            f.refused.push_back(std::move(*refused));
    return f;
}

} // namespace marrowick
