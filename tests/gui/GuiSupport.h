#pragma once

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/DesktopApp.h"
#include "core/Session.h"
#include "peer/ControllerSimulator.h"
#include "peer/SimulatedPort.h"
#include "qt/QtSettings.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"

namespace marrowick::testing {

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

// A port probe that finds the given port numbers and remembers what it tried.
struct FakePorts {
    std::vector<PortEntry> entries;
    std::vector<int> tried;
    std::function<void(int)> whileTrying;

    PortProbe Probe()
    {
        PortProbe probe;
        probe.ports = [this] { return entries; };
        probe.openAndClose = [this](const PortEntry& entry) {
            tried.push_back(entry.number);
            if (whileTrying)
                whileTrying(entry.number);
            return true;
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

} // namespace marrowick::testing
