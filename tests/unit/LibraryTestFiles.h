#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "support/Harness.h"

namespace marrowick::testing {

// A temporary folder of sound files for library tests, removed afterwards.
class ClipFolder {
public:
    ClipFolder()
    {
        std::random_device random;
        root = std::filesystem::temp_directory_path() / ("marrowick-clips-" + std::to_string(random()));
        std::filesystem::create_directories(root);
    }
    ~ClipFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    ClipFolder(const ClipFolder&) = delete;
    ClipFolder& operator=(const ClipFolder&) = delete;

    // A file whose bytes depend on its name and position, so misplaced bytes show.
    std::string Make(const std::string& name, std::size_t size)
    {
        std::string bytes(size, '\0');
        const unsigned seed = static_cast<unsigned>(std::hash<std::string>{}(name));
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((seed + i * 131 + i / 251) & 0xFF);
        return Write(name, bytes);
    }
    // A large file whose content does not matter (sparse, quick to make).
    std::string MakeSparse(const std::string& name, std::uintmax_t size)
    {
        const std::string path = Write(name, "");
        std::filesystem::resize_file(path, size);
        return path;
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const auto path = root / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path root;
};

// Bytes written as hexadecimal pairs ("00 02 00 08"), for readable expectations.
inline std::string Bytes(const std::string& hex)
{
    std::string out;
    std::istringstream in(hex);
    std::string pair;
    while (in >> pair)
        out += static_cast<char>(std::stoi(pair, nullptr, 16));
    return out;
}

// Log lines that begin with `prefix`.
inline std::vector<std::string> LogLinesStarting(const Session& session, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const auto& line : session.log.Lines())
        if (line.text.find(prefix) != std::string::npos)
            out.push_back(line.text.substr(line.text.find(prefix)));
    return out;
}

} // namespace marrowick::testing
