#include "projects/ProjectPaths.h"

#include <cstdio>
#include <filesystem>

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

} // namespace marrowick
