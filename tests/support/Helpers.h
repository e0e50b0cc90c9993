#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>

#include "support/Harness.h"
#include "support/TempFolder.h"

namespace marrowick::testing {

// A temporary folder of sound files, removed afterwards.
class ClipFolder : public TempFolder {
public:
    ClipFolder() : TempFolder("marrowick-clips") {}

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
        const std::string file = Write(name, "");
        std::filesystem::resize_file(U8Path(file), size);
        return file;
    }
    // The file's path as Qt's file dialog gives it: UTF-8, with "/" between
    // the folders on every system.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path file = path / U8Path(name);
        WriteFile(file, bytes);
        const std::u8string generic = file.generic_u8string();
        return std::string(generic.begin(), generic.end());
    }
};

// Bytes given as numbers.
inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

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

inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// How many lines of the log hold `part`.
inline long LogCount(const LogModel& log, const std::string& part)
{
    const auto& lines = log.Lines();
    return std::count_if(lines.begin(), lines.end(), [&](const LogLine& line) { return Has(line.text, part); });
}

// Every file below a folder with its bytes ("/" for a folder), named with "/" on every system.
inline std::map<std::string, std::string> FolderContents(const std::filesystem::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        files[std::filesystem::relative(entry.path(), root).generic_string()] =
            entry.is_regular_file() ? ReadFile(entry.path()) : std::string("/");
    return files;
}

} // namespace marrowick::testing
