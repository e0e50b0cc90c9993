#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace marrowick {

// Paths cross between the program and the file system here. The program holds a
// path as UTF-8 text, as Qt hands it over and as it is shown; the file system
// takes a std::filesystem::path. A plain std::string would not do between them:
// on Windows, std::filesystem::path and the file streams read its bytes in the
// ANSI code page, and path::string() gives them back in it, so "Geisterbahn Süd"
// would become "Geisterbahn SÃ¼d" and "幽霊" could not be named at all. Every
// crossing goes through these two, which lose nothing.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// A path (UTF-8) as lists, status texts and the log show it: with the system's
// own separators, "\" on Windows. The path itself is kept as the user gave it.
std::string WithNativeSeparators(std::string path);
// The same for a path of the file system.
std::string PathText(const std::filesystem::path& path);

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
    static std::optional<AtomicFile> Create(const std::string&, std::string*) = delete;

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

// Text is no path here: a std::string would be read in the ANSI code page on
// Windows. PathFromUtf8 says what the text is.
std::optional<std::string> ReadWholeFile(const std::string&, std::uint64_t, std::string*) = delete;
std::optional<std::string> ReadFileStart(const std::string&, std::uint64_t, bool*, std::string*) = delete;
std::optional<std::uint64_t> RegularFileSize(const std::string&, std::string*) = delete;
bool WriteFileAtomically(const std::string&, const std::string&, std::string*) = delete;
std::optional<std::filesystem::path> FindIgnoringCase(const std::string&, const std::string&) = delete;

} // namespace marrowick
