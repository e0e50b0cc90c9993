#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace marrowick {

// Reads a whole regular file of at most `maxBytes` bytes; nullopt with a reason
// when it cannot. Anything but a regular file (a named pipe, a device, a folder,
// a link to one of them) is refused without being read, so a pipe never blocks
// and a device never fills memory; a longer file is refused too.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes, std::string* error);

// The first `maxBytes` bytes of a regular file (all of it when shorter), with the
// same refusals as ReadWholeFile; `longer` tells whether the file holds more.
std::optional<std::string> ReadFileStart(const std::filesystem::path& path, std::uint64_t maxBytes, bool* longer,
                                         std::string* error);

// The size of a regular file (following links); nullopt with the reason for a
// missing file or anything else: a named pipe, a device, a folder.
std::optional<std::uint64_t> RegularFileSize(const std::filesystem::path& path, std::string* error);

// Writes a file to a temporary name beside it and renames that over the target
// when complete, so a failed save leaves the old file as it was and no partial one.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string* error);

// The entry of `folder` whose name equals `name` ignoring letter case (an exact
// match wins); nullopt when there is none.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder, const std::string& name);

} // namespace marrowick
