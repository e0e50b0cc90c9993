// The port numbering: the settings values "com1".."com16" of section "ports",
// then the serial devices the system reports, cut from the input at "MRWK" (a
// device's first byte says whether it is a USB adapter). Whatever they hold,
// every number is 1..16 and names one device, a number set in the settings
// names exactly that device, and the numbers left go to USB adapters first.

#include <algorithm>
#include <set>

#include "FuzzSupport.h"
#include "link/PortNumbering.h"
#include "support/Fakes.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto pieces = SplitPieces(std::string_view(reinterpret_cast<const char*>(data), size), 40);
    testing::MemorySettings settings;
    std::vector<FoundPort> found;
    std::set<std::string> devices;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i < 16) {
            settings.setValue("ports", "com" + std::to_string(i + 1), pieces[i]);
        } else if (pieces[i].size() > 1 && devices.insert(pieces[i].substr(1)).second) {
            // The system reports each device once.
            const bool usb = (static_cast<unsigned char>(pieces[i][0]) & 1) != 0;
            found.push_back({pieces[i].substr(1), pieces[i].substr(1), "adapter " + std::to_string(i), usb});
        }
    }

    const auto entries = NumberPorts(found, &settings);
    FUZZ_CHECK(entries.size() <= 16);
    int previous = 0;
    std::set<std::string> mapped;
    for (int n = 1; n <= 16; ++n) {
        const std::string device = settings.value("ports", "com" + std::to_string(n), "");
        if (!device.empty())
            mapped.insert(device);
    }
    bool sawPlainAuto = false;
    for (const auto& entry : entries) {
        FUZZ_CHECK(entry.number > previous && entry.number <= 16);
        previous = entry.number;
        const std::string set = settings.value("ports", "com" + std::to_string(entry.number), "");
        if (!set.empty()) {
            FUZZ_CHECK(entry.device == set);
            continue;
        }
        // A number the settings leave free goes to a device they do not name.
        FUZZ_CHECK(mapped.count(entry.device) == 0);
        const auto port =
            std::find_if(found.begin(), found.end(), [&entry](const FoundPort& p) { return p.device == entry.device; });
        FUZZ_CHECK(port != found.end());
        FUZZ_CHECK(!(sawPlainAuto && port->usb));
        sawPlainAuto = sawPlainAuto || !port->usb;
    }
    // Every number set in the settings is listed.
    for (int n = 1; n <= 16; ++n)
        if (!settings.value("ports", "com" + std::to_string(n), "").empty())
            FUZZ_CHECK(std::any_of(entries.begin(), entries.end(), [n](const PortEntry& e) { return e.number == n; }));

    // Whatever a person types as a port, reading it never fails, a number
    // reads back as itself, and only the numbers 0..16 name numbered ports.
    for (const auto& piece : pieces) {
        const auto number = ParsePortNumber(piece);
        if (number)
            FUZZ_CHECK(*number >= 0 && *number <= 999 && ParsePortNumber("COM" + std::to_string(*number)) == number);
        const PortName name = ReadPortName(piece);
        if (name.kind == PortName::Kind::Numbered)
            FUZZ_CHECK(number == name.number && name.number <= HighestPortNumber);
        if (name.kind == PortName::Kind::BadNumber)
            FUZZ_CHECK(number == name.number && name.number > HighestPortNumber);
        FUZZ_CHECK(!name.windowsName || name.kind == PortName::Kind::Device);
    }
    return 0;
}
