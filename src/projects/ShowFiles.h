#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shows/ShowTable.h"

namespace marrowick {

// Show files. A K5 show file holds the show's 16-byte table entry (Start and
// Length exactly as the controller sent them, the five byte fields, then
// 0xFF 0xFF 0xFF) followed by the data; an R2-layout show file holds the data
// alone, its length known from 000.CFG.
inline constexpr std::size_t K5ShowHeaderBytes = 16;
// R2-layout show files are written with this extension and looked for with
// the other; the lookup ignores letter case, so both name the same file.
inline constexpr const char* R2ExtensionWritten = ".R2S";
inline constexpr const char* R2ExtensionLooked = ".R2s";

// A K5 project keeps the controller's trigger wiring beside its show files, in
// a file other programs pass over: "normally open" or "normally closed".
inline constexpr const char* K5WiringFileName = "000.K5W";
// The file's text for a wiring, and the wiring (0 open, 1 closed) a text names.
std::string WiringText(std::int16_t triggerMode);
std::optional<std::int16_t> WiringOf(std::string_view text);

// The first `length` bytes of a show's data, or what it holds when shorter.
std::string ShowDataToSave(const std::string& data, std::int32_t length);

// A K5 show file of `entry` and its data.
std::string K5ShowFile(const ShowEntry& entry, const std::string& data);

} // namespace marrowick
