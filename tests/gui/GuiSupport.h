#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif
#endif

#include "app/DesktopApp.h"
#include "core/Session.h"
#include "peer/ControllerSimulator.h"
#include "peer/SimulatedPort.h"
#include "qt/QtSettings.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"

namespace marrowick::testing {

// The child of `window` of that object name; a missing one fails the test.
template <typename W = QWidget> W* Child(QWidget& window, const char* name)
{
    W* found = window.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The text of status panel 1..3 of a main window, as a person reads it.
inline std::string PanelText(const QWidget& window, int panel)
{
    const auto* label = window.findChild<QLabel*>(QStringLiteral("StatusBar1_%1").arg(panel));
    return label ? label->text().toStdString() : std::string();
}

// Runs the Qt event loop until `done` holds or `timeoutMs` passed; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return done();
}

// Types `text` into the combo box's text field as a person would: what it
// held is selected and deleted, then each character is a key press.
inline void Type(QComboBox& combo, const QString& text)
{
    QLineEdit* edit = combo.lineEdit();
    edit->selectAll();
    const auto press = [edit](int key, const QString& characters) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, characters);
        QCoreApplication::sendEvent(edit, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, characters);
        QCoreApplication::sendEvent(edit, &up);
    };
    press(Qt::Key_Backspace, QString());
    for (const QChar c : text)
        press(0, QString(c));
}

// A port probe that finds the given port numbers and remembers what it tried
// (a typed device as 0). Every device opens, except those `refused` names
// with the reason they give.
struct FakePorts {
    std::vector<PortEntry> entries;
    std::map<std::string, std::string> refused;
    std::vector<int> tried;
    std::function<void(int)> whileTrying;

    PortProbe Probe()
    {
        PortProbe probe;
        probe.ports = [this] { return entries; };
        probe.tryOpen = [this](const PortEntry& entry) {
            tried.push_back(entry.number);
            if (whileTrying)
                whileTrying(entry.number);
            const auto reason = refused.find(entry.device);
            return reason == refused.end() ? PortTrial{true, {}} : PortTrial{false, reason->second};
        };
        return probe;
    }
};

inline PortEntry Port(int number)
{
    return {number, "/dev/ttyUSB" + std::to_string(number), "Adapter " + std::to_string(number)};
}

// The desktop program on a simulated controller, a manual clock, scripted
// dialogs and a settings file in a temporary folder.
struct DesktopFixture {
    explicit DesktopFixture(const std::string& model = "K5", const std::string& simulatedModel = "")
        : simulator(SampleControllerState(model)), port(clock, simulator),
          settings(folder.filePath(QStringLiteral("settings.ini")))
    {
        programFolder = folder.filePath(QStringLiteral("program")).toStdString();
        userFolder = folder.filePath(QStringLiteral("user")).toStdString();
        std::filesystem::create_directories(std::filesystem::path(programFolder) / "logs");
        simulated = simulatedModel;
    }

    Session& session() { return App().session(); }
    std::string Panel(int panel) { return PanelText(App().window(), panel); }

    DesktopApp& App()
    {
        if (!app) {
            DesktopParts parts{clock,    port, settings, &dialogs, ports.Probe(), LogFolders{programFolder, userFolder},
                               simulated};
            app = std::make_unique<DesktopApp>(std::move(parts));
        }
        return *app;
    }

    QTemporaryDir folder;
    ManualClock clock;
    ScriptedDialogs dialogs;
    ControllerSimulator simulator;
    SimulatedPort port;
    QtSettings settings;
    FakePorts ports;
    std::string programFolder;
    std::string userFolder;
    std::string simulated;
    std::unique_ptr<DesktopApp> app;
};

#if defined(Q_OS_UNIX)
// A simulated controller at the far end of a real pseudo-terminal, inside the
// test: what the program writes to `path` reaches the simulator, and its
// replies, or any bytes the test writes, come back over the line.
class PtyController {
public:
    explicit PtyController(ControllerState state) : simulator(std::move(state))
    {
        char name[256] = {0};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        path = name;
        simulator.send = [this](std::string_view bytes) { Write(bytes); };
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[4096];
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got > 0)
                simulator.Receive(std::string_view(buffer, static_cast<std::size_t>(got)));
        });
    }
    ~PtyController()
    {
        m_notifier.reset();
        simulator.send = nullptr;
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave); // held open so the line stays up between the program's opens
    }
    PtyController(const PtyController&) = delete;
    PtyController& operator=(const PtyController&) = delete;

    void Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(m_master, bytes.data(), bytes.size());
            if (written <= 0)
                return;
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    ControllerSimulator simulator;
    std::string path;

private:
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
#endif

} // namespace marrowick::testing
