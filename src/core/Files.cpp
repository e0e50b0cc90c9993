#include "core/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
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

#ifndef _WIN32

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

bool WriteFileAtomically(const fs::path& path, const std::string& bytes, std::string* error)
{
    fs::path temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            if (error)
                *error = std::strerror(errno);
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            if (error)
                *error = std::strerror(errno);
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        if (error)
            *error = ec.message();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

std::optional<fs::path> FindIgnoringCase(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    if (fs::exists(folder / name, ec) && !ec)
        return folder / name;
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    const std::string wanted = lower(name);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (lower(it->path().filename().string()) == wanted)
            return it->path();
    return std::nullopt;
}

} // namespace marrowick
