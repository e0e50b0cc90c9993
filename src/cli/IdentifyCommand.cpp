#include <iostream>

#include "cli/Cli.h"
#include "platform/qt/PortNames.h"
#include "platform/qt/QtSettings.h"

namespace marrowick::cli {
namespace {

int RunIdentify(Context& context)
{
    if (!context.args.positional.empty())
        return context.Usage("unexpected " + context.args.positional.front());
    const int status = context.Identify();
    Session& session = context.session();
    if (!session.Status(2).empty() && status != ExitUsage)
        std::cout << session.Status(2) << std::endl;
    if (!session.Status(3).empty())
        std::cout << session.Status(3) << std::endl;
    return status;
}

int RunPorts(Context& context)
{
    if (!context.args.positional.empty() || !context.args.options.empty())
        return context.Usage();
    QtSettings settings;
    const auto ports = PortNames(&settings).Ports();
    if (ports.empty())
        std::cout << "No Ports Found" << std::endl;
    for (const auto& port : ports)
        std::cout << "COM" << port.number << "\t" << port.device << "\t" << port.description << std::endl;
    return ExitOk;
}

const Register identify({"identify", "identify --port PORT [--timeout SECONDS]", {}, RunIdentify});
const Register ports({"ports", "ports", {}, RunPorts});

} // namespace
} // namespace marrowick::cli
