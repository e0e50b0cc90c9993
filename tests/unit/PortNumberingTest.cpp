#include <gtest/gtest.h>

#include "link/PortNumbering.h"
#include "support/Fakes.h"

using namespace marrowick;

namespace {

std::string Numbers(const std::vector<PortEntry>& entries)
{
    std::string out;
    for (const auto& e : entries)
        out += "COM" + std::to_string(e.number) + "=" + e.device + " ";
    return out;
}

} // namespace

// Numbers set in the settings win; the rest go to the devices found, USB
// adapters first, each group by path, and a mapped device is not numbered twice.
TEST(PortNumbering, SettingsFirstThenUsbAdaptersThenTheRestByPath)
{
    marrowick::testing::MemorySettings settings;
    settings.setValue("ports", "com2", "/dev/ttyS1");
    settings.setValue("ports", "com5", "/dev/ttyUSB9");
    const std::vector<FoundPort> found = {{"/dev/ttyS1", "ttyS1", "16550A", false},
                                          {"/dev/ttyS0", "ttyS0", "", false},
                                          {"/dev/ttyUSB1", "ttyUSB1", "FT232R", true},
                                          {"/dev/ttyACM0", "ttyACM0", "CDC", true}};
    const auto entries = NumberPorts(found, &settings);
    EXPECT_EQ(Numbers(entries), "COM1=/dev/ttyACM0 COM2=/dev/ttyS1 COM3=/dev/ttyUSB1 COM4=/dev/ttyS0 "
                                "COM5=/dev/ttyUSB9 ");
    EXPECT_EQ(entries[1].description, "16550A");              // a mapped device that exists keeps its description
    EXPECT_EQ(entries[3].description, "ttyS0");               // no description: the system's name
    EXPECT_EQ(entries[4].description, "set in the settings"); // mapped, but not found now

    // Without settings the same devices are numbered 1..4 in the same order.
    EXPECT_EQ(Numbers(NumberPorts(found, nullptr)),
              "COM1=/dev/ttyACM0 COM2=/dev/ttyUSB1 COM3=/dev/ttyS0 COM4=/dev/ttyS1 ");
}

// Port numbers go from COM1 to COM16 everywhere: the highest is taken, the ones
// beyond the ends are not, whether the system or the settings name them.
TEST(PortNumbering, OneToSixteenBothEndsIncluded)
{
    for (const auto& [number, valid] : std::vector<std::pair<int, bool>>{
             {-1, false}, {0, false}, {1, true}, {2, true}, {15, true}, {16, true}, {17, false}, {999, false}})
        EXPECT_EQ(IsPortNumber(number), valid) << number;

    const std::vector<FoundPort> windows = {{"\\\\.\\COM0", "COM0", "", false},
                                            {"\\\\.\\COM1", "COM1", "", false},
                                            {"\\\\.\\COM16", "COM16", "", false},
                                            {"\\\\.\\COM17", "COM17", "", false}};
    EXPECT_EQ(Numbers(NumberWindowsPorts(windows)), "COM1=COM1 COM16=COM16 ");

    marrowick::testing::MemorySettings settings;
    settings.setValue("ports", "com0", "/dev/ttyS0");
    settings.setValue("ports", "com1", "/dev/ttyS1");
    settings.setValue("ports", "com16", "/dev/ttyS16");
    settings.setValue("ports", "com17", "/dev/ttyS17");
    EXPECT_EQ(Numbers(NumberPorts({}, &settings)), "COM1=/dev/ttyS1 COM16=/dev/ttyS16 ");

    // Devices found take the numbers in turn, the sixteenth included, the seventeenth not.
    std::vector<FoundPort> found;
    for (int i = 1; i <= 17; ++i)
        found.push_back({"/dev/ttyUSB" + std::to_string(i + 10), "", "", true});
    const auto entries = NumberPorts(found, nullptr);
    ASSERT_EQ(entries.size(), 16U);
    EXPECT_EQ(entries.back().number, 16);
    EXPECT_EQ(entries.back().device, "/dev/ttyUSB26");
}

TEST(PortNumbering, WindowsNumbersAreTheSystemsOwnAndPortTextsParse)
{
    const std::vector<FoundPort> found = {{"\\\\.\\COM7", "COM7", "USB Serial Port", true},
                                          {"\\\\.\\COM1", "COM1", "Communications Port", false},
                                          {"\\\\.\\COM21", "COM21", "Bluetooth", false}};
    EXPECT_EQ(Numbers(NumberWindowsPorts(found)), "COM1=COM1 COM7=COM7 ");

    EXPECT_EQ(ParsePortNumber("COM3"), 3);
    EXPECT_EQ(ParsePortNumber("com12"), 12);
    EXPECT_EQ(ParsePortNumber("7"), 7);
    EXPECT_EQ(ParsePortNumber("COM999"), 999); // out of range: a Windows port name, see below
    EXPECT_EQ(ParsePortNumber("COM1000"), std::nullopt);
    EXPECT_EQ(ParsePortNumber("COM"), std::nullopt);
    EXPECT_EQ(ParsePortNumber("/dev/ttyUSB0"), std::nullopt);
    EXPECT_EQ(ParsePortNumber("-5"), std::nullopt);
}

// What a typed port names: "COM1".."COM16" (any letter case, or the bare
// number) the numbered ports, "COM0" none; any other "COMn" and every
// "\\.\COMn" a Windows port, opened as a device; everything else a device path.
TEST(PortNumbering, PortTextsNameANumberedPortOrADevice)
{
    using Kind = PortName::Kind;
    struct Case {
        const char* text;
        Kind kind;
        int number;
        bool windowsName;
    };
    for (const Case& c : {Case{"COM1", Kind::Numbered, 1, false},       Case{"com16", Kind::Numbered, 16, false},
                          Case{"16", Kind::Numbered, 16, false},        Case{"COM0", Kind::Numbered, 0, false},
                          Case{"0", Kind::Numbered, 0, false},          Case{"COM17", Kind::Device, 0, true},
                          Case{"COM23", Kind::Device, 0, true},         Case{"cOm256", Kind::Device, 0, true},
                          Case{"COM1000", Kind::Device, 0, true},       Case{"\\\\.\\COM23", Kind::Device, 0, true},
                          Case{"\\\\.\\com3", Kind::Device, 0, true},   Case{"17", Kind::BadNumber, 17, false},
                          Case{"999", Kind::BadNumber, 999, false},     Case{"/dev/ttyUSB3", Kind::Device, 0, false},
                          Case{"/dev/pts/7", Kind::Device, 0, false},   Case{"COM", Kind::Device, 0, false},
                          Case{"COM3x", Kind::Device, 0, false},        Case{"\\\\.\\COM", Kind::Device, 0, false},
                          Case{"\\\\.\\ttyS0", Kind::Device, 0, false}, Case{"x\\\\.\\COM3", Kind::Device, 0, false}}) {
        SCOPED_TRACE(c.text);
        const PortName name = ReadPortName(c.text);
        EXPECT_EQ(name.kind, c.kind);
        EXPECT_EQ(name.number, c.number);
        EXPECT_EQ(name.windowsName, c.windowsName);
    }
}
