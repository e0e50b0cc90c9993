// The stored settings start-up reads: "k5port", "debugmode" and "k5device" of
// section "defaults", cut from the input at "MRWK". Whatever they hold,
// start-up runs to its end: a stored port number is taken when it is one and
// stored back so that it reads as the same number; anything else is noted and
// taken as no port. A stored device is offered, stored back and opened as it is.

#include "FuzzSupport.h"
#include "core/Startup.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::fuzz;

namespace {

// The user closes the port dialog with the port it suggested.
class AcceptingChooser : public PortChooser {
public:
    void ChoosePort(const PortChoice& current, std::function<void(const PortChoice&)> done) override
    {
        offered = current.number;
        offeredDevice = current.device;
        done(current);
    }
    int offered = -1;
    std::string offeredDevice;
};

class CountingLogWindow : public LogWindowHost {
public:
    void ShowLogWindow() override { ++shown; }
    int shown = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto values = SplitPieces(std::string_view(reinterpret_cast<const char*>(data), size), 3);
    testing::MemorySettings settings;
    settings.setValue("defaults", "k5port", values[0]);
    if (values.size() > 1)
        settings.setValue("defaults", "debugmode", values[1]);
    const std::string device = values.size() > 2 ? values[2] : std::string();
    if (values.size() > 2)
        settings.setValue("defaults", "k5device", device);

    testing::Harness h;
    h.session.log.DebugMode = false;
    AcceptingChooser chooser;
    CountingLogWindow logWindow;
    Startup startup(h.session, settings, chooser, logWindow);
    startup.Run();
    h.clock.RunUntilIdle(60000);

    FUZZ_CHECK(startup.Finished());
    FUZZ_CHECK(startup.PortOpened());
    std::int16_t parsed = 0;
    const bool isPort = ParsePortSetting(values[0], parsed);
    FUZZ_CHECK(chooser.offered == (isPort ? parsed : 0));
    FUZZ_CHECK(startup.ComPortNumber() == chooser.offered);
    // What is stored back reads as the same number.
    const std::string stored = settings.value("defaults", "k5port", "");
    std::int16_t again = -1;
    FUZZ_CHECK(ParsePortSetting(stored, again) && again == startup.ComPortNumber());
    FUZZ_CHECK(chooser.offeredDevice == device && startup.Device() == device);
    FUZZ_CHECK(settings.value("defaults", "k5device", "-") == device);
    FUZZ_CHECK(h.port.openedName == (device.empty() ? "COM" + std::to_string(startup.ComPortNumber()) : device));

    bool debug = false;
    const bool isSwitch = values.size() < 2 || ParseSwitchSetting(values[1], debug);
    FUZZ_CHECK(logWindow.shown == (debug ? 1 : 0));
    FUZZ_CHECK(h.session.log.DebugMode == debug);
    FUZZ_CHECK(startup.Notices().size() == (isPort ? 0U : 1U) + (isSwitch ? 0U : 1U));
    FUZZ_CHECK(h.session.State() == LinkState::StateIdle);
    return 0;
}
