#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// A file being written under a fresh temporary name in its target's folder. The
// name is created exclusively (never an existing file or a link) and is removed
// again unless Commit() puts the file in place: the data is flushed to the
// device, the temporary file renamed over the target and the folder flushed, so
// the target is always either the old file or the whole new one. The new file
// keeps the permissions of the file it replaces.
class AtomicFile {
public:
    // Nothing to write into when the temporary file could not be created; `error` says why.
    static std::optional<AtomicFile> Create(const std::filesystem::path& path, std::string* error);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    const std::filesystem::path& TemporaryPath() const { return m_temporary; }
    bool Write(std::string_view bytes, std::string* error);
    bool Commit(std::string* error);

private:
    AtomicFile(std::filesystem::path target, std::filesystem::path temporary, std::intptr_t handle);
    void Discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::intptr_t m_handle = -1; // a descriptor, or a HANDLE on Windows
};

// Every file the program saves goes through here: written whole through an
// AtomicFile, so a failed save leaves the old file as it was and nothing beside it.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string* error);

// The entry of `folder` whose name equals `name` ignoring letter case (an exact
// match wins); nullopt when there is none.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder, const std::string& name);

} // namespace marrowick
