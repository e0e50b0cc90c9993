// make_firmware_images: writes the 17 placeholder firmware images 101.hex ..
// 117.hex. We carry no controller firmware, so each image has the shape of its
// catalogue row - record count, data addresses, byte size, comment lines and NUL
// padding - around deterministic filler data. Real images replace them file for
// file in src/firmware/images/.
//
// usage: make_firmware_images DIR

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "../src/firmware/FirmwareCatalogue.h"

namespace {

using marrowick::FirmwareRow;

std::string HexByte(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

// One data record of `count` bytes at `address`, CR LF ended.
std::string DataRecord(std::uint16_t address, const std::uint8_t* data, unsigned count)
{
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    std::string line = ":" + HexByte(count) + HexByte(address >> 8) + HexByte(address & 0xFF) + "00";
    for (unsigned i = 0; i < count; ++i) {
        line += HexByte(data[i]);
        sum += data[i];
    }
    return line + HexByte((0x100 - (sum & 0xFF)) & 0xFF) + "\r\n";
}

// Filler bytes: a linear congruential sequence seeded by the image number, so
// the two SD-card builds of one version differ.
class Filler {
public:
    explicit Filler(int number) : m_state(0x9E3779B9U ^ static_cast<std::uint32_t>(number) * 2654435761U) {}
    std::uint8_t Next()
    {
        m_state = m_state * 1664525U + 1013904223U;
        return static_cast<std::uint8_t>(m_state >> 24);
    }

private:
    std::uint32_t m_state;
};

struct Built {
    std::string text;
    int records = 0;
};

// The records of one address range: the first two hold 8 bytes each (the reset
// and high-priority interrupt vectors of a PIC18 sit at 0x0000 and 0x0008), the
// rest 16 bytes, the last one what remains.
void AddRange(Built& built, Filler& filler, unsigned first, unsigned last, bool vectors, std::uint32_t& checksum)
{
    unsigned address = first;
    int index = 0;
    while (address <= last) {
        unsigned count = (vectors && index < 2) ? 8 : 16;
        if (address + count > last + 1)
            count = last + 1 - address;
        std::uint8_t data[16];
        for (unsigned i = 0; i < count; ++i) {
            data[i] = filler.Next();
            checksum += data[i];
        }
        built.text += DataRecord(static_cast<std::uint16_t>(address), data, count);
        ++built.records;
        address += count;
        ++index;
    }
}

bool Build(const FirmwareRow& row, std::string& out, std::string& problem)
{
    Built built;
    Filler filler(row.number);
    std::uint32_t checksum = 0;
    AddRange(built, filler, 0, row.topAddress, true, checksum);
    if (row.highBlock)
        AddRange(built, filler, marrowick::HighBlockFirst, marrowick::HighBlockLast, false, checksum);
    built.text += ":00000001FF\r\n";
    ++built.records;

    // The two comment lines the producing tool leaves behind: device, then
    // checksum and creation date.
    const int serial = row.number - marrowick::FirstImageNumber;
    char dateLine[64];
    std::snprintf(dateLine, sizeof dateLine, ";CHECKSUM: %04X  CREATED: %04d-%02d-%02d\r\n", checksum & 0xFFFFU,
                  2010 + serial / 4, 1 + (serial * 5) % 12, 1 + (serial * 11) % 28);
    built.text += ";PIC18F46J50\r\n";
    built.text += dateLine;

    if (built.records != row.records) {
        problem =
            "makes " + std::to_string(built.records) + " records, the catalogue says " + std::to_string(row.records);
        return false;
    }
    if (built.text.size() > row.bytes || row.bytes - built.text.size() > 3) {
        problem = "makes " + std::to_string(built.text.size()) + " bytes before padding, the catalogue says " +
                  std::to_string(row.bytes);
        return false;
    }
    built.text.append(row.bytes - built.text.size(), '\0');
    out = std::move(built.text);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_firmware_images DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (const auto& row : marrowick::FirmwareCatalogue) {
        std::string text;
        std::string problem;
        if (!Build(row, text, problem)) {
            std::cerr << "make_firmware_images: image " << row.number << " " << problem << "\n";
            return 1;
        }
        const auto target = dir / (std::to_string(row.number) + ".hex");
        const auto temporary = dir / (std::to_string(row.number) + ".hex.tmp");
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            if (!out) {
                std::cerr << "make_firmware_images: cannot write " << temporary << "\n";
                return 1;
            }
        }
        std::filesystem::rename(temporary, target, ec);
        if (ec) {
            std::cerr << "make_firmware_images: cannot write " << target << ": " << ec.message() << "\n";
            return 1;
        }
    }
    return 0;
}
