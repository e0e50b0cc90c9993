#include "qt/PortNames.h"

#include <QSerialPortInfo>

namespace marrowick {

PortNames::PortNames(const Settings* settings) : m_settings(settings) {}

std::vector<PortEntry> PortNames::Ports() const
{
    std::vector<FoundPort> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found.push_back({info.systemLocation().toStdString(), info.portName().toStdString(),
                         info.description().toStdString(), info.hasVendorIdentifier()});
#ifdef Q_OS_WIN
    return NumberWindowsPorts(found);
#else
    return NumberPorts(std::move(found), m_settings);
#endif
}

std::optional<std::string> PortNames::Resolve(const std::string& name, PortFacts* why) const
{
    const PortName read = ReadPortName(name);
    if (read.kind == PortName::Kind::Device)
        return name; // a device path, or a Windows port name, opened as given
    PortFacts facts;
    facts.port = "COM" + std::to_string(read.number);
    if (read.kind == PortName::Kind::BadNumber) {
        facts.problem = PortProblem::BadNumber;
    } else if (read.number == 0) {
        facts.problem = PortProblem::NotChosen;
    } else {
        for (const auto& entry : Ports())
            if (entry.number == read.number)
                return entry.device;
        facts.problem = PortProblem::NoDevice;
    }
    if (why)
        *why = facts;
    return std::nullopt;
}

} // namespace marrowick
