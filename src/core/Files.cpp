#include "core/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace marrowick {

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const fs::path& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error)
            *error = "read error";
        return std::nullopt;
    }
    return bytes;
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
        const std::u8string stored = it->path().filename().u8string();
        const std::string storedName(stored.begin(), stored.end());
        if (storedName == name)
            return it->path();
        if (!found && lower(storedName) == wanted)
            found = it->path();
    }
    return found;
}

} // namespace marrowick
