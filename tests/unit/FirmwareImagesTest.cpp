// The embedded images against their catalogue rows, and against an Intel HEX
// reader that is not ours (binutils objcopy) where the machine has one.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "base/Files.h"
#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareCatalogue.h"
#include "firmware/FirmwareRecords.h"

using namespace marrowick;

namespace {

// Address -> byte, from our own reading of the records.
std::map<unsigned, unsigned char> Memory(const FirmwareImage& image)
{
    std::map<unsigned, unsigned char> memory;
    for (const auto& record : image.records) {
        const std::string wire = RecordWireBytes(record);
        const unsigned count = static_cast<unsigned char>(wire[1]);
        const unsigned address = static_cast<unsigned char>(wire[2]) * 256U + static_cast<unsigned char>(wire[3]);
        if (wire[4] != 0)
            continue;
        for (unsigned i = 0; i < count; ++i)
            memory[address + i] = static_cast<unsigned char>(wire[5 + i]);
    }
    return memory;
}

bool HaveObjcopy()
{
    return std::system("objcopy --version > /dev/null 2>&1") == 0;
}

} // namespace

TEST(FirmwareImages, EveryImageHasTheShapeOfItsCatalogueRow)
{
    ASSERT_EQ(EmbeddedImages().size(), FirmwareCatalogue.size());
    for (const auto& row : FirmwareCatalogue) {
        SCOPED_TRACE("image " + std::to_string(row.number));
        const auto bytes = FindEmbeddedImage(row.number);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(bytes->size(), row.bytes);

        const FirmwareImage image = ReadFirmwareRecords(row.number, *bytes);
        ASSERT_EQ(static_cast<int>(image.records.size()), row.records);
        EXPECT_EQ(image.bytes, row.bytes);
        EXPECT_EQ(image.records.back(), ":00000001FF");
        EXPECT_FALSE(CheckFirmwareImage(image));

        // Exactly the catalogue's address ranges are covered, each byte once.
        std::set<unsigned> expected;
        for (unsigned a = 0; a <= row.topAddress; ++a)
            expected.insert(a);
        if (row.highBlock)
            for (unsigned a = HighBlockFirst; a <= HighBlockLast; ++a)
                expected.insert(a);
        std::size_t dataBytes = 0;
        for (const auto& record : image.records) {
            EXPECT_LE(record.size(), 43U) << record;
            EXPECT_EQ(record.find_first_of("abcdef"), std::string::npos) << "upper-case hex: " << record;
            dataBytes += (record.size() - 11) / 2;
        }
        const auto memory = Memory(image);
        EXPECT_EQ(dataBytes, expected.size()) << "no address is written twice";
        std::set<unsigned> covered;
        for (const auto& entry : memory)
            covered.insert(entry.first);
        EXPECT_EQ(covered, expected);

        // Records, then the device line and the checksum line, then 0..3 NULs;
        // every line ends in CR LF.
        const std::string text(*bytes);
        const std::size_t end = text.find_last_not_of('\0');
        EXPECT_LE(text.size() - end - 1, 3U);
        const std::string body = text.substr(0, end + 1);
        ASSERT_GE(body.size(), 2U);
        EXPECT_EQ(body.substr(body.size() - 2), "\r\n");
        for (std::size_t at = body.find('\n'); at != std::string::npos; at = body.find('\n', at + 1))
            ASSERT_EQ(body[at - 1], '\r') << "line end at byte " << at;
        const std::size_t device = body.find("\r\n;");
        ASSERT_NE(device, std::string::npos);
        EXPECT_EQ(body.substr(device + 2, 14), ";PIC18F46J50\r\n");
        EXPECT_EQ(body.substr(device + 16, 10), ";CHECKSUM:");
        EXPECT_EQ(body.find("\r\n", device + 16) + 2, body.size()) << "two comment lines end the image";
    }
}

TEST(FirmwareImages, AnIndependentIntelHexReaderAgreesWithOurs)
{
    if (!HaveObjcopy())
        GTEST_SKIP() << "objcopy (binutils) is not installed";
    const auto folder = std::filesystem::temp_directory_path() / ("marrowick-fw-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const auto& image : EmbeddedImages()) {
        SCOPED_TRACE("image " + std::to_string(image.number));
        const auto hex = folder / (std::to_string(image.number) + ".hex");
        const auto bin = folder / (std::to_string(image.number) + ".bin");
        ASSERT_TRUE(WriteFileAtomically(hex, std::string(image.bytes), nullptr));
        const std::string command = "objcopy -I ihex -O binary '" + hex.string() + "' '" + bin.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << "objcopy refused the image";
        const auto binary = ReadWholeFile(bin, 1 << 20, nullptr);
        ASSERT_TRUE(binary.has_value());
        // objcopy fills the gap below 0xE000 with zeros; every byte we read must be where it put it.
        const auto memory = Memory(ReadFirmwareRecords(image.number, image.bytes));
        ASSERT_EQ(binary->size(), memory.rbegin()->first + 1);
        for (const auto& [address, value] : memory)
            ASSERT_EQ(static_cast<unsigned char>((*binary)[address]), value) << "address " << address;
    }
    std::filesystem::remove_all(folder);
}
