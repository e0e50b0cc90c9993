#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "features/ShowsFeature.h"
#include "firmware/FirmwareRecords.h"
#include "support/Harness.h"
#include "support/TempFolder.h"

using namespace marrowick;
using marrowick::testing::Harness;

namespace {

std::string RandomBytes(std::mt19937& rng, int maxLength)
{
    std::string out(static_cast<std::size_t>(std::uniform_int_distribution<int>(0, maxLength)(rng)), '\0');
    for (auto& c : out)
        c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    return out;
}

} // namespace

// Project files from a damaged card or another program: opening them gives a
// message or a partial table, never a crash or a read past the end.
TEST(DamagedFiles, ProjectsOfRandomBytesOpenWithoutHarm)
{
    std::mt19937 rng(7);
    const marrowick::testing::TempFolder scratch("marrowick-damaged-project");
    const auto folder = scratch.path / "project";
    for (const char* model : {"K5", "R2", "T7"}) {
        for (int trial = 0; trial < 25; ++trial) {
            std::filesystem::remove_all(folder);
            std::filesystem::create_directories(folder);
            const auto write = [&](const std::string& name, const std::string& bytes) {
                marrowick::testing::WriteFile(folder / name, bytes);
            };
            // Sometimes the right size, so the decoding itself meets random values.
            write("000.CFG", trial % 3 == 0 ? RandomBytes(rng, 0).append(304, '\xEE') : RandomBytes(rng, 400));
            for (int show = 0; show < 10; ++show) {
                char name[16];
                std::snprintf(name, sizeof name, "%03d.%s", show, trial % 2 == 0 ? "K5S" : "r2s");
                write(name, RandomBytes(rng, 3000));
            }
            Harness h(SampleControllerState(model));
            ASSERT_TRUE(h.Identify());
            h.session.shows().OpenShowsFrom(folder.string());
            EXPECT_EQ(h.session.State(), StateIdle);
            EXPECT_FALSE(h.view.status[1].empty()) << "the status bar says what became of the open";
        }
    }
}

TEST(DamagedFiles, FirmwareTextOfRandomLinesIsRefusedBeforeSending)
{
    std::mt19937 rng(11);
    const std::string alphabet = ":0123456789ABCDEFabcdef\r\n;\x00xyz";
    for (int trial = 0; trial < 300; ++trial) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 600)(rng);
        for (int i = 0; i < length; ++i)
            text += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        const FirmwareImage image = ReadFirmwareRecords(999, text);
        const auto problem = CheckFirmwareImage(image);
        if (!problem) {
            // Whatever passes the check is sound enough to put on the wire.
            ASSERT_FALSE(image.records.empty());
            EXPECT_EQ(image.records.back(), ":00000001FF");
        }
        for (const auto& record : image.records)
            (void)RecordWireBytes(record); // never reads past a short record
    }
}
