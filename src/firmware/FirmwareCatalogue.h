#pragma once

// The firmware images the program carries, one row per image. Header-only and
// free of everything but the standard library, so the image generator in tools/
// builds the placeholder images from the very same rows.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace marrowick {

// Which SD-card build of a version an image is.
enum class SdVariant {
    None,     // the version exists in one build only
    Full,     // full-size SD card; the micro build exists too
    Micro,    // micro SD card; the full-size build exists too
    FullOnly, // only a full-size build exists
};

struct FirmwareRow {
    int number;               // 101..117, the image's name (NNN.hex)
    std::string_view model;   // model reply it serves; "K5" also serves any unknown reply
    int option;               // index in the model's array of version options
    std::string_view version; // as the option button reads, without "version "
    SdVariant sd;
    std::uint32_t bytes;      // size of the stored image, comments and padding included
    int records;              // records left after cleaning, end-of-file record included
    std::uint16_t topAddress; // data addresses run from 0x0000 to this one
    bool highBlock;           // data also at 0xE000..0xE7FF
};

inline constexpr std::uint16_t HighBlockFirst = 0xE000;
inline constexpr std::uint16_t HighBlockLast = 0xE7FF;
inline constexpr int FirstImageNumber = 101;
inline constexpr int LastImageNumber = 117;

inline constexpr std::array<FirmwareRow, 17> FirmwareCatalogue{{
    {101, "K5", 0, "1.02", SdVariant::None, 70040, 1557, 0x6127, false},
    {102, "K5", 1, "1.03", SdVariant::None, 70116, 1559, 0x6141, false},
    {103, "K5", 2, "1.04", SdVariant::None, 70128, 1559, 0x6147, false},
    {104, "K5", 3, "1.05", SdVariant::None, 70036, 1557, 0x6125, false},
    {105, "T7", 0, "1.00", SdVariant::None, 34004, 756, 0x2F1D, false},
    {106, "K5", 4, "1.06", SdVariant::None, 70176, 1560, 0x6159, false},
    {107, "R2", 0, "1.02", SdVariant::None, 162196, 3605, 0xD925, true},
    {108, "R2", 1, "1.03", SdVariant::Full, 162276, 3607, 0xD941, true},
    {109, "R2", 1, "1.03", SdVariant::Micro, 162276, 3607, 0xD941, true},
    {110, "R2", 2, "1.04", SdVariant::Full, 164400, 3654, 0xDC35, true},
    {111, "R2", 2, "1.04", SdVariant::Micro, 164400, 3654, 0xDC35, true},
    {112, "R2", 3, "1.05", SdVariant::FullOnly, 164408, 3654, 0xDC39, true},
    {113, "R2", 4, "1.06", SdVariant::FullOnly, 164408, 3654, 0xDC39, true},
    {114, "R2", 5, "1.07", SdVariant::FullOnly, 164420, 3654, 0xDC3F, true},
    {115, "L+", 0, "1.08", SdVariant::None, 136132, 3026, 0xB4F1, true},
    {116, "L+", 1, "1.09", SdVariant::None, 136116, 3025, 0xB4EF, true},
    {117, "L+", 2, "1.10", SdVariant::None, 136180, 3027, 0xB503, true},
}};

// The versions a model's option buttons offer, by option index ("1.02", ...).
inline std::vector<std::string_view> FirmwareVersionsOf(std::string_view model)
{
    std::vector<std::string_view> versions;
    for (const auto& row : FirmwareCatalogue) {
        if (row.model != model)
            continue;
        if (versions.size() <= static_cast<std::size_t>(row.option))
            versions.resize(static_cast<std::size_t>(row.option) + 1);
        versions[static_cast<std::size_t>(row.option)] = row.version;
    }
    return versions;
}

// The row of an image number; null when there is none.
inline constexpr const FirmwareRow* FindFirmwareRow(int number)
{
    for (const auto& row : FirmwareCatalogue)
        if (row.number == number)
            return &row;
    return nullptr;
}

} // namespace marrowick
