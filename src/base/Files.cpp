#include "base/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fstream>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace marrowick {

namespace fs = std::filesystem;

namespace {

template <typename T> std::optional<T> Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

std::string TooLong(std::uint64_t size, std::uint64_t maxBytes)
{
    const std::string most = std::to_string(maxBytes);
    return size > maxBytes ? "holds " + std::to_string(size) + " bytes, more than " + most
                           : "holds more than " + most + " bytes";
}

// A random part for temporary names. It only has to make collisions rare: the
// name is created exclusively, so a taken or planted name is skipped anyway.
std::string RandomSuffix()
{
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        int local = 0;
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32),
                           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&local))};
        return std::mt19937_64(seed);
    }();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(engine()));
    return text;
}

// ".000.LIB.1f3a...tmp" beside "000.LIB": hidden, and plainly not the file itself.
fs::path TemporaryName(const fs::path& target)
{
    fs::path name(".");
    name += target.filename();
    name += "." + RandomSuffix() + ".tmp";
    return target.parent_path() / name;
}

constexpr int CreateAttempts = 100;

#ifdef _WIN32

std::string LastError()
{
    return std::system_category().message(static_cast<int>(::GetLastError()));
}

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

#else

std::string NotAFile(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "not a file but a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "not a file but a device";
    if (S_ISDIR(mode))
        return "not a file but a folder";
    if (S_ISSOCK(mode))
        return "not a file but a socket";
    return "not a regular file";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// After a rename the folder's entry has to reach the device too, or a card
// pulled right after "saved" may still hold the old entry (or none).
bool SyncFolder(const fs::path& folder, std::string* error)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    const Descriptor closer(fd);
    // Some file systems cannot sync a folder at all (EINVAL); nothing more can be done there.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    return true;
}

#endif

std::optional<std::string> ReadStart(const fs::path& path, std::uint64_t maxBytes, bool refuseLonger, bool* longer,
                                     std::string* error)
{
    if (longer)
        *longer = false;
    // Looked at before it is opened: opening a device may do something (a serial
    // port, a tape), and opening a named pipe waits for a writer.
    std::optional<std::uint64_t> size = RegularFileSize(path, error);
    if (!size)
        return std::nullopt;
    std::string bytes;
#ifdef _WIN32
    if (refuseLonger && *size > maxBytes)
        return Fail<std::string>(error, TooLong(*size, maxBytes));
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail<std::string>(error, "cannot be opened");
    bytes.reserve(static_cast<std::size_t>(std::min(*size, maxBytes)));
    char buffer[65536];
    while (bytes.size() <= maxBytes && in) {
        const std::uint64_t room = maxBytes + 1 - bytes.size();
        in.read(buffer, static_cast<std::streamsize>(std::min<std::uint64_t>(sizeof buffer, room)));
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        return Fail<std::string>(error, "read error");
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Fail<std::string>(error, std::strerror(errno));
    const Descriptor closer(fd);
    // What was opened is looked at again: the name may have been swapped meanwhile.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        return Fail<std::string>(error, std::strerror(errno));
    if (!S_ISREG(opened.st_mode))
        return Fail<std::string>(error, NotAFile(opened.st_mode));
    size = static_cast<std::uint64_t>(opened.st_size);
    if (refuseLonger && *size > maxBytes)
        return Fail<std::string>(error, TooLong(*size, maxBytes));
    bytes.reserve(static_cast<std::size_t>(std::min(*size, maxBytes)));
    char buffer[65536];
    // One byte more than allowed tells a longer file from one of exactly the limit.
    while (bytes.size() <= maxBytes) {
        const std::uint64_t room = maxBytes + 1 - bytes.size();
        const ssize_t got = ::read(fd, buffer, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, room)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Fail<std::string>(error, std::strerror(errno));
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
#endif
    if (bytes.size() > maxBytes) {
        if (refuseLonger)
            return Fail<std::string>(error, TooLong(*size, maxBytes));
        bytes.resize(static_cast<std::size_t>(maxBytes));
        if (longer)
            *longer = true;
    }
    return bytes;
}

} // namespace

#ifdef _WIN32

// Through the system's own conversion: text that is not UTF-8 (or a name with a
// lone surrogate) becomes U+FFFD instead of an exception.
fs::path PathFromUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return fs::path(std::move(wide));
}

std::string Utf8FromPath(const fs::path& path)
{
    const std::wstring& wide = path.native();
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    std::string utf8(
        static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
        '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::string WithNativeSeparators(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

#else

// File names here are bytes, UTF-8 by convention: both ways copy them as they are.
fs::path PathFromUtf8(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const fs::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::string WithNativeSeparators(std::string path)
{
    return path;
}

#endif

std::string PathText(const fs::path& path)
{
    return WithNativeSeparators(Utf8FromPath(path));
}

std::optional<std::uint64_t> RegularFileSize(const fs::path& path, std::string* error)
{
#ifdef _WIN32
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec)
        return Fail<std::uint64_t>(error, ec.message());
    if (!fs::is_regular_file(status))
        return Fail<std::uint64_t>(error, fs::is_directory(status) ? "not a file but a folder" : "not a regular file");
    const auto size = fs::file_size(path, ec);
    if (ec)
        return Fail<std::uint64_t>(error, ec.message());
    return size;
#else
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0)
        return Fail<std::uint64_t>(error, std::strerror(errno));
    if (!S_ISREG(facts.st_mode))
        return Fail<std::uint64_t>(error, NotAFile(facts.st_mode));
    return static_cast<std::uint64_t>(facts.st_size);
#endif
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::uint64_t maxBytes, std::string* error)
{
    return ReadStart(path, maxBytes, true, nullptr, error);
}

std::optional<std::string> ReadFileStart(const fs::path& path, std::uint64_t maxBytes, bool* longer, std::string* error)
{
    return ReadStart(path, maxBytes, false, longer, error);
}

AtomicFile::AtomicFile(fs::path target, fs::path temporary, std::intptr_t handle)
    : m_target(std::move(target)), m_temporary(std::move(temporary)), m_handle(handle)
{
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_target(std::move(other.m_target)), m_temporary(std::move(other.m_temporary)), m_handle(other.m_handle)
{
    other.m_temporary.clear();
    other.m_handle = -1;
}

AtomicFile::~AtomicFile()
{
    Discard();
}

#ifdef _WIN32

std::optional<AtomicFile> AtomicFile::Create(const fs::path& path, std::string* error)
{
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        fs::path temporary = TemporaryName(path);
        // CREATE_NEW fails on any existing name, a link included: nothing is followed.
        const HANDLE handle =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return AtomicFile(path, std::move(temporary), reinterpret_cast<std::intptr_t>(handle));
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            return Fail<AtomicFile>(error, LastError());
    }
    return Fail<AtomicFile>(error, "no free temporary name beside " + Utf8FromPath(path.filename()));
}

bool AtomicFile::Write(std::string_view bytes, std::string* error)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(AsHandle(m_handle), bytes.data(), chunk, &written, nullptr) || written == 0) {
            if (error)
                *error = LastError();
            Discard();
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool AtomicFile::Commit(std::string* error)
{
    auto fail = [&] {
        if (error)
            *error = LastError();
        Discard();
        return false;
    };
    if (m_handle == -1)
        return fail();
    if (!::FlushFileBuffers(AsHandle(m_handle)))
        return fail();
    const bool closed = ::CloseHandle(AsHandle(m_handle));
    m_handle = -1;
    if (!closed)
        return fail();
    const DWORD kept = ::GetFileAttributesW(m_target.c_str());
    if (kept != INVALID_FILE_ATTRIBUTES && (kept & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // The file replaced lends the new one its attributes (hidden, say) and
        // access control; it stays as it was when the replacement fails.
        if (!::ReplaceFileW(m_target.c_str(), m_temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr))
            return fail();
        // Not every system carries the attributes over (Wine does not).
        if (::GetFileAttributesW(m_target.c_str()) != kept)
            ::SetFileAttributesW(m_target.c_str(), kept);
    } else if (!::MoveFileExW(m_temporary.c_str(), m_target.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        // Write-through: the call returns once the rename has reached the device.
        return fail();
    }
    m_temporary.clear();
    return true;
}

void AtomicFile::Discard()
{
    if (m_handle != -1) {
        ::CloseHandle(AsHandle(m_handle));
        m_handle = -1;
    }
    if (!m_temporary.empty()) {
        ::DeleteFileW(m_temporary.c_str());
        m_temporary.clear();
    }
}

#else

std::optional<AtomicFile> AtomicFile::Create(const fs::path& path, std::string* error)
{
    // The file being replaced lends the new one its permissions (and owner, where allowed).
    struct stat old {};
    const bool replacing = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        fs::path temporary = TemporaryName(path);
        // Exclusive and without following a link: a name someone planted is
        // never written through, it only makes us pick another name.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return Fail<AtomicFile>(error, std::strerror(errno));
        AtomicFile file(path, std::move(temporary), fd);
        if (replacing) {
            struct stat created {};
            if (::fstat(fd, &created) != 0)
                return Fail<AtomicFile>(error, std::strerror(errno));
            if (created.st_uid != old.st_uid || created.st_gid != old.st_gid) {
                // Only root may give a file away; anyone else keeps the file as theirs.
                [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
            }
            const mode_t permissions = old.st_mode & 0777;
            if ((created.st_mode & 07777) != permissions && ::fchmod(fd, permissions) != 0)
                return Fail<AtomicFile>(error,
                                        std::string("cannot keep the file's permissions: ") + std::strerror(errno));
        }
        return file;
    }
    return Fail<AtomicFile>(error, "no free temporary name beside " + Utf8FromPath(path.filename()));
}

bool AtomicFile::Write(std::string_view bytes, std::string* error)
{
    if (m_handle >= 0 && WriteAll(static_cast<int>(m_handle), bytes))
        return true;
    if (error)
        *error = m_handle >= 0 ? std::strerror(errno) : "the file was already given up";
    Discard();
    return false;
}

bool AtomicFile::Commit(std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        Discard();
        return false;
    };
    if (m_handle < 0)
        return fail("the file was already given up");
    const int fd = static_cast<int>(m_handle);
    if (::fsync(fd) != 0)
        return fail(std::strerror(errno));
    m_handle = -1;
    if (::close(fd) != 0)
        return fail(std::strerror(errno));
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return fail(std::strerror(errno));
    m_temporary.clear();
    std::string why;
    if (!SyncFolder(m_target.parent_path(), &why)) {
        if (error)
            *error = "written, but the folder could not be flushed to the device: " + why;
        return false;
    }
    return true;
}

void AtomicFile::Discard()
{
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
        m_handle = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

#endif

bool WriteFileAtomically(const fs::path& path, const std::string& bytes, std::string* error)
{
    std::optional<AtomicFile> file = AtomicFile::Create(path, error);
    return file && file->Write(bytes, error) && file->Commit(error);
}

std::optional<fs::path> FindIgnoringCase(const fs::path& folder, const std::string& name)
{
    // The folder is listed rather than asked whether `name` exists: where the
    // file system ignores letter case (Windows), that answer is yes for any
    // spelling, and the name as stored is wanted.
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    const std::string wanted = lower(name);
    std::optional<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // Compared as UTF-8, whatever the system's code page.
        const std::string storedName = Utf8FromPath(it->path().filename());
        if (storedName == name)
            return it->path();
        if (!found && lower(storedName) == wanted)
            found = it->path();
    }
    return found;
}

} // namespace marrowick
