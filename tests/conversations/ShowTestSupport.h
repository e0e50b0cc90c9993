#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>

namespace marrowick::testing {

// A fresh folder below the system's temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() / ("marrowick-shows-" + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Str() const { return path.string(); }
    std::filesystem::path path;
};

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline int Byte(const std::string& text, std::size_t at)
{
    return static_cast<unsigned char>(text.at(at));
}

} // namespace marrowick::testing
