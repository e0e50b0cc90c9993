#include "link/PortNumbering.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

namespace marrowick {
namespace {

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// "COM23" in any letter case: a port name as Windows gives it.
bool IsComName(std::string_view text)
{
    return text.size() > 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(text[2])) == 'M' && AllDigits(text.substr(3));
}

// "\\.\COM23": the same port in Windows' device namespace.
bool IsDeviceNamespaceComName(std::string_view text)
{
    constexpr std::string_view Prefix = "\\\\.\\";
    return text.substr(0, Prefix.size()) == Prefix && IsComName(text.substr(Prefix.size()));
}

} // namespace

std::optional<int> ParsePortNumber(const std::string& name)
{
    const std::string_view digits = IsComName(name) ? std::string_view(name).substr(3) : std::string_view(name);
    // At most three digits, so the number always fits.
    if (digits.size() > 3 || !AllDigits(digits))
        return std::nullopt;
    return std::stoi(std::string(digits));
}

PortName ReadPortName(const std::string& text)
{
    PortName name;
    if (const auto number = ParsePortNumber(text); number && *number <= HighestPortNumber) {
        name.kind = PortName::Kind::Numbered;
        name.number = *number;
    } else if (number && !IsComName(text)) {
        name.kind = PortName::Kind::BadNumber;
        name.number = *number;
    } else {
        name.windowsName = IsComName(text) || IsDeviceNamespaceComName(text);
    }
    return name;
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
