#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <iostream>

#include "cli/Cli.h"
#include "features/IdentityPresenter.h"
#include "qt/PortNames.h"
#include "qt/QtSerialPort.h"
#include "qt/QtSettings.h"

namespace marrowick::cli {
namespace {

QJsonValue TextOrNull(const std::string& text)
{
    return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(text));
}

// What the controller said, for scripts: a value is null when it was not available.
QJsonObject IdentityJson(const std::string& port, const Identity& identity)
{
    const auto named = MakeController(identity.ControllerModel);
    const bool hasSerial = named && named->Traits().asksSerialNumber;
    return {{"port", TextOrNull(port)}, // null with --simulate
            {"version", TextOrNull(identity.FirmwareVersion)},
            {"model", named ? QJsonValue(QString::fromStdString(named->Name())) : QJsonValue(QJsonValue::Null)},
            {"serial", hasSerial ? TextOrNull(identity.SerialNumber) : QJsonValue(QJsonValue::Null)}};
}

int RunIdentify(Context& context)
{
    const int status = context.Identify();
    Session& session = context.session();
    if (context.args.Has("json")) {
        if (status != ExitUsage)
            PrintJson(QJsonDocument(IdentityJson(context.args.Option("port"), session.identity)));
        return status;
    }
    const std::string versionAndModel = VersionAndModelText(session.identity);
    const std::string serial = SerialText(session.identity);
    if (!versionAndModel.empty() && status != ExitUsage)
        std::cout << versionAndModel << std::endl;
    if (!serial.empty())
        std::cout << serial << std::endl;
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

int RunPorts(Context& context)
{
    QtSettings settings;
    const auto ports = PortNames(&settings).Ports();
    if (context.args.Has("json")) {
        QJsonArray list;
        for (const auto& port : ports) {
            // Tried as the port dialog tries them: opened and closed again.
            QtSerialPort probe(&settings);
            std::string reason;
            const bool opens = probe.open("COM" + std::to_string(port.number), &reason);
            probe.close();
            list.append(QJsonObject{{"number", port.number},
                                    {"device", QString::fromStdString(port.device)},
                                    {"description", QString::fromStdString(port.description)},
                                    {"opens", opens},
                                    {"reason", opens ? QJsonValue(QJsonValue::Null) : QString::fromStdString(reason)}});
        }
        PrintJson(QJsonDocument(list));
        return ExitOk;
    }
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
             "identify --port PORT|--simulate MODEL [--timeout SECONDS] [--json]",
             {{"port"}, {"simulate"}, {"dump"}, {"timeout"}, {"json", false}},
             false,
             RunIdentify,
             "Asks the controller for its firmware version, model and (R2, L+) serial number\n"
             "and prints them as the window's status bar shows them.\n"
             "\n"
             "  --timeout SECONDS   how long to wait for each reply\n"
             "  --json              print {\"port\", \"version\", \"model\", \"serial\"} instead, null where\n"
             "                      the controller did not say\n"
             "\n"
             "example: marrowick-cli identify --port COM3"},
            {"ports",
             "ports [--json]",
             {{"json", false}},
             false,
             RunPorts,
             "Lists the port numbers this computer has: number, device and description.\n"
             "\n"
             "  --json   print an array of {\"number\", \"device\", \"description\", \"opens\", \"reason\"},\n"
             "           each port tried as the port dialog tries it\n"
             "\n"
             "example: marrowick-cli ports"}};
}

} // namespace marrowick::cli
