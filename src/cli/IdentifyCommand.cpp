#include <QString>
#include <iostream>

#include "cli/Cli.h"
#include "qt/PortNames.h"
#include "qt/QtSettings.h"

namespace marrowick::cli {
namespace {

int RunIdentify(Context& context)
{
    const int status = context.Identify();
    Session& session = context.session();
    if (!session.Status(2).empty() && status != ExitUsage)
        std::cout << session.Status(2) << std::endl;
    if (!session.Status(3).empty())
        std::cout << session.Status(3) << std::endl;
    return status;
}

// A text from the system or the settings as a terminal may show it: control
// characters (an escape sequence, a line break, a tab) each become "?".
std::string Printable(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    for (QChar& c : shown)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    return shown.toStdString();
}

int RunPorts(Context&)
{
    QtSettings settings;
    const auto ports = PortNames(&settings).Ports();
    if (ports.empty())
        std::cout << "No Ports Found" << std::endl;
    for (const auto& port : ports)
        std::cout << "COM" << port.number << "\t" << Printable(port.device) << "\t" << Printable(port.description)
                  << std::endl;
    return ExitOk;
}

} // namespace

std::vector<Command> IdentifyCommands()
{
    return {{"identify",
             "identify --port PORT [--timeout SECONDS]",
             {{"port"}, {"timeout"}},
             false,
             RunIdentify,
             "Asks the controller for its firmware version, model and (R2, L+) serial number\n"
             "and prints them as the window's status bar shows them.\n"
             "\n"
             "  --timeout SECONDS   how long to wait for each reply\n"
             "\n"
             "example: marrowick-cli identify --port COM3"},
            {"ports",
             "ports",
             {},
             false,
             RunPorts,
             "Lists the port numbers this computer has: number, device and description.\n"
             "\n"
             "example: marrowick-cli ports"}};
}

} // namespace marrowick::cli
