#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace marrowick {

// Reads a whole file; nullopt with a reason when it cannot.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error);

// Writes a file to a temporary name beside it and renames that over the target
// when complete, so a failed save leaves the old file as it was and no partial one.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string* error);

// The entry of `folder` whose name equals `name` ignoring letter case (an exact
// match wins); nullopt when there is none.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder, const std::string& name);

} // namespace marrowick
