#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace marrowick {

// A firmware image as built into the program: its number (101..117) and its
// bytes exactly as the .hex file holds them.
struct EmbeddedImage {
    int number;
    std::string_view bytes;
};

// Every image the build embedded (cmake/EmbedFirmware.cmake generates this).
std::span<const EmbeddedImage> EmbeddedImages();

// The bytes of image `number`; nothing when the program has no such image.
std::optional<std::string_view> FindEmbeddedImage(int number);

} // namespace marrowick
