#include "projects/ProjectPaths.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "base/Files.h"

namespace marrowick {

std::string ShownPath(const ProjectPaths& paths, const std::string& path)
{
    const std::string& chosen = paths.BrowseFolder;
    if (!chosen.empty() && path.size() > chosen.size() && path.compare(0, chosen.size(), chosen) == 0)
        return WithNativeSeparators(path.substr(chosen.size()));
    return WithNativeSeparators(path);
}

std::string ShowFileName(int index, const std::string& extension)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    return number + extension;
}

std::string WithoutTrailingSeparator(std::string folder)
{
    auto isSeparator = [](char c) { return c == '/' || c == std::filesystem::path::preferred_separator; };
    while (folder.size() > 1 && isSeparator(folder.back()) && !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

namespace {

// Windows keeps these names for devices, with or without an extension and in
// any letter case: "con.txt" names the console there, not a file.
bool IsDeviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

} // namespace

NameFault CheckProjectName(const std::string& name)
{
    using Kind = NameFault::Kind;
    if (name.empty())
        return {Kind::Empty};
    if (name.find_first_not_of(' ') == std::string::npos)
        return {Kind::OnlySpaces};
    if (name == "." || name == "..")
        return {Kind::Dots};
    for (char c : name) {
        if (c == '/' || c == '\\')
            return {Kind::Separator};
        if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return {Kind::Character, c};
    }
    if (name.back() == '.' || name.back() == ' ')
        return {Kind::EndsInDotOrSpace};
    if (IsDeviceName(name))
        return {Kind::DeviceName};
    return {};
}

} // namespace marrowick
