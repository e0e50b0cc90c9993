// marrowick: the desktop program. With --simulate MODEL it runs on a simulated
// controller inside the program instead of a serial port.
#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/DesktopApp.h"
#include "app/SingleInstance.h"
#include "base/Files.h"
#include "conversations/Identification.h"
#include "core/Session.h"
#include "features/IdentityPresenter.h"
#include "peer/ControllerSimulator.h"
#include "peer/SimulatedPort.h"
#include "qt/InterruptWatch.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "qt/QtSettings.h"

namespace {

constexpr const char* Usage = "Usage: marrowick [--simulate K5|R2|T7|L+]\n"
                              "The window for a Marrowick show controller on a serial port: identify it, read\n"
                              "and write its shows, build its audio library and download firmware. At start the\n"
                              "port dialog asks for the controller's port.\n"
                              "\n"
                              "  --simulate MODEL  run on a simulated controller of that model (no serial port)\n"
                              "  --help            this text\n";

// "k5", "Lumen" and "L+" all name a model; empty when the text names none.
std::string ModelFromArgument(const std::string& text)
{
    const auto model = marrowick::ModelNamed(text);
    return model ? model->Name() : std::string();
}

} // namespace

int main(int argc, char* argv[])
{
    // --help works without a display, before Qt looks for one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowick"));
    // The icon of the window and, on Linux, the link to the installed desktop
    // entry, named by the program's id.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/marrowick.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("invalid.example.marrowick"));

    std::string model;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string value;
        if (argument == "--simulate" && i + 1 < argc)
            value = argv[++i];
        else if (argument.rfind("--simulate=", 0) == 0)
            value = argument.substr(std::strlen("--simulate="));
        else {
            std::fprintf(stderr, "marrowick: unknown argument %s\n%s", argument.c_str(), Usage);
            return 2;
        }
        model = ModelFromArgument(value);
        if (model.empty()) {
            std::fprintf(stderr, "marrowick: no controller model \"%s\"; use K5, R2, T7 or L+\n%s", value.c_str(),
                         Usage);
            return 2;
        }
    }

    marrowick::SingleInstance instance;
    if (!instance.Claim())
        return 0;
    const std::string instanceProblem = instance.Problem().toStdString();
    if (!instanceProblem.empty())
        std::fprintf(stderr, "marrowick: %s\n", instanceProblem.c_str());

    marrowick::QtSettings settings;
    marrowick::QtClock clock;
    std::unique_ptr<marrowick::ControllerSimulator> simulator;
    std::unique_ptr<marrowick::SerialPort> port;
    if (model.empty()) {
        port = std::make_unique<marrowick::QtSerialPort>(&settings);
    } else {
        simulator = std::make_unique<marrowick::ControllerSimulator>(marrowick::SampleControllerState(model));
        auto simulated = std::make_unique<marrowick::SimulatedPort>(clock, *simulator);
        // The line's real speed, so transfers take their real time and show progress.
        simulated->SetBytesPerSecond(960);
        port = std::move(simulated);
    }

    // On Windows: "logs" beside marrowick.exe, or %LOCALAPPDATA%\marrowick\logs.
    marrowick::LogFolders logFolders{
        marrowick::PathFromUtf8(QCoreApplication::applicationDirPath().toStdString()),
        marrowick::PathFromUtf8(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString())};
    marrowick::DesktopParts parts{clock,      *port, settings, nullptr, marrowick::SystemPortProbe(&settings),
                                  logFolders, model};

    auto app = std::make_unique<marrowick::DesktopApp>(std::move(parts));
    instance.onActivate = [&app] { app->window().BringToFront(); };
    app->startup().onFinished = [&app, &instanceProblem] {
        for (const auto& notice : app->startup().Notices())
            std::fprintf(stderr, "marrowick: %s\n", notice.c_str());
        if (!instanceProblem.empty())
            app->session().log.LogDebug(instanceProblem, 0, marrowick::LogBaseline);
    };
    // With MARROWICK_REPORT_IDENTIFIED set, one line on stdout when the
    // identification ends, for scripts that wait until the window is ready.
    if (!qEnvironmentVariableIsEmpty("MARROWICK_REPORT_IDENTIFIED"))
        app->session().identification().Finished.connect([&app](const marrowick::Result& outcome) {
            std::printf("%s: %s\n", outcome.ok() ? "identified" : "not identified",
                        marrowick::VersionAndModelText(app->session().identity).c_str());
            std::fflush(stdout);
        });
    // Ctrl+C, SIGTERM or SIGHUP end what runs as Cancel would (the firmware loader
    // is told to stop), then the window closes as on its close box.
    int interrupted = -1;
    marrowick::InterruptWatch interrupts;
    interrupts.onInterrupt = [&app, &interrupted](int signal) {
        interrupted = signal;
        app->session().Interrupt(signal);
        app->window().close();
    };
    app->Start();
    const int result = QApplication::exec();
    instance.onActivate = nullptr;
    app.reset();
    interrupts.Done();
    return interrupted >= 0 ? marrowick::InterruptWatch::ExitStatus(interrupted) : result;
}
