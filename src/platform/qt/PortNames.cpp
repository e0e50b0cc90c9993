#include "platform/qt/PortNames.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <set>

namespace marrowick {

PortNames::PortNames(const Settings* settings) : m_settings(settings) {}

std::optional<int> PortNames::ParseNumber(const std::string& name)
{
    std::string digits = name;
    if (digits.size() > 3 && std::toupper(static_cast<unsigned char>(digits[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(digits[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(digits[2])) == 'M')
        digits = digits.substr(3);
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return std::nullopt;
    return std::stoi(digits);
}

std::vector<PortEntry> PortNames::Ports() const
{
    std::vector<PortEntry> entries;
#ifdef Q_OS_WIN
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const auto number = ParseNumber(info.portName().toStdString());
        if (number && *number >= 1 && *number <= 16)
            entries.push_back({*number, info.portName().toStdString(), info.description().toStdString()});
    }
#else
    auto found = QSerialPortInfo::availablePorts();
    std::stable_sort(found.begin(), found.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        const bool usbA = a.hasVendorIdentifier();
        const bool usbB = b.hasVendorIdentifier();
        if (usbA != usbB)
            return usbA;
        return a.systemLocation() < b.systemLocation();
    });
    std::set<std::string> mappedDevices;
    std::vector<bool> taken(17, false);
    if (m_settings != nullptr) {
        for (int n = 1; n <= 16; ++n) {
            const std::string device = m_settings->value("ports", "com" + std::to_string(n), "");
            if (device.empty())
                continue;
            std::string description = "set in the settings";
            for (const auto& info : found)
                if (info.systemLocation().toStdString() == device)
                    description = info.description().toStdString();
            entries.push_back({n, device, description});
            mappedDevices.insert(device);
            taken[static_cast<std::size_t>(n)] = true;
        }
    }
    int next = 1;
    for (const auto& info : found) {
        const std::string device = info.systemLocation().toStdString();
        if (mappedDevices.count(device) != 0)
            continue;
        while (next <= 16 && taken[static_cast<std::size_t>(next)])
            ++next;
        if (next > 16)
            break;
        std::string description = info.description().toStdString();
        if (description.empty())
            description = info.portName().toStdString();
        entries.push_back({next, device, description});
        taken[static_cast<std::size_t>(next)] = true;
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
#endif
    return entries;
}

std::optional<std::string> PortNames::Resolve(const std::string& name, PortFacts* why) const
{
    const auto number = ParseNumber(name);
    if (!number)
        return name; // a device path (or an OS port name) as given
    PortFacts facts;
    facts.port = "COM" + std::to_string(*number);
    if (*number < 1 || *number > 16) {
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
