#include "qt/PortNames.h"

#include <QSerialPortInfo>

namespace marrowick {

PortNames::PortNames(const Settings* settings) : m_settings(settings) {}

std::optional<int> PortNames::ParseNumber(const std::string& name)
{
    return ParsePortNumber(name);
}

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
    const auto number = ParseNumber(name);
    if (!number)
        return name; // a device path (or an OS port name) as given
    PortFacts facts;
    facts.port = "COM" + std::to_string(*number);
    if (!IsPortNumber(*number)) {
        facts.problem = *number == 0 ? PortProblem::NotChosen : PortProblem::BadNumber;
    } else {
        for (const auto& entry : Ports())
            if (entry.number == *number)
                return entry.device;
        facts.problem = PortProblem::NoDevice;
    }
    if (why)
        *why = facts;
    return std::nullopt;
}

} // namespace marrowick
