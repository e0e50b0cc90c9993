#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace marrowick::testing {

// A path from UTF-8 text and back, through char8_t, which std::filesystem takes
// as UTF-8 everywhere (a plain std::string is read in the ANSI code page on Windows).
inline std::filesystem::path U8Path(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string U8Text(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "marrowick-test")
        : path(std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count)))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // UTF-8, as the program holds paths.
    std::string Str() const { return U8Text(path); }

    const std::filesystem::path path;

private:
    static inline std::atomic<int> s_count{0};
};

// A path as the program shows it: with the system's separators.
inline std::string Shown(std::string path)
{
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Tests name files by path, or by UTF-8 text through U8Path: a plain string
// would be read in the ANSI code page on Windows.
std::string ReadFile(const std::string&) = delete;
void WriteFile(const std::string&, const std::string&) = delete;

} // namespace marrowick::testing
