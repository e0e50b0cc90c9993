#include "link/PortNumbering.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace marrowick {

std::optional<int> ParsePortNumber(const std::string& name)
{
    std::string digits = name;
    if (digits.size() > 3 && std::toupper(static_cast<unsigned char>(digits[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(digits[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(digits[2])) == 'M')
        digits = digits.substr(3);
    // At most three digits, so the number always fits and "COM999" is simply out of range.
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return std::nullopt;
    return std::stoi(digits);
}

std::vector<PortEntry> NumberWindowsPorts(const std::vector<FoundPort>& found)
{
    std::vector<PortEntry> entries;
    std::set<int> taken;
    for (const FoundPort& port : found) {
        const auto number = ParsePortNumber(port.name);
        if (number && IsPortNumber(*number) && taken.insert(*number).second)
            entries.push_back({*number, port.name, port.description});
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
    return entries;
}

std::vector<PortEntry> NumberPorts(std::vector<FoundPort> found, const Settings* settings)
{
    std::stable_sort(found.begin(), found.end(), [](const FoundPort& a, const FoundPort& b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.device < b.device;
    });
    std::vector<PortEntry> entries;
    std::set<std::string> mappedDevices;
    std::vector<bool> taken(HighestPortNumber + 1, false);
    if (settings != nullptr) {
        for (int n = 1; IsPortNumber(n); ++n) {
            const std::string device = settings->value("ports", "com" + std::to_string(n), "");
            if (device.empty())
                continue;
            std::string description = "set in the settings";
            for (const auto& port : found)
                if (port.device == device)
                    description = port.description;
            entries.push_back({n, device, description});
            mappedDevices.insert(device);
            taken[static_cast<std::size_t>(n)] = true;
        }
    }
    int next = 1;
    for (const auto& port : found) {
        if (mappedDevices.count(port.device) != 0)
            continue;
        while (IsPortNumber(next) && taken[static_cast<std::size_t>(next)])
            ++next;
        if (!IsPortNumber(next))
            break;
        entries.push_back({next, port.device, port.description.empty() ? port.name : port.description});
        taken[static_cast<std::size_t>(next)] = true;
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
    return entries;
}

} // namespace marrowick
