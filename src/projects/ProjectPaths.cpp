#include "projects/ProjectPaths.h"

#include <cstdio>
#include <filesystem>

#include "core/Files.h"
#include "core/Session.h"

namespace marrowick {

std::string ShownPath(const Session& session, const std::string& path)
{
    const std::string& chosen = session.BrowseFolder;
    if (!chosen.empty() && path.size() > chosen.size() && path.compare(0, chosen.size(), chosen) == 0)
        return path.substr(chosen.size());
    return path;
}

std::string ShowFileName(int index, const std::string& extension)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    return number + extension;
}

bool SaveIntoProject(Session& session, const std::string& fileName, const std::string& bytes, const std::string& what,
                     std::string refusal)
{
    const std::string path = session.ProjectFolder + fileName;
    std::string& error = refusal;
    if (error.empty() && session.ProjectFolder.empty())
        error = "no project folder";
    else if (error.empty() && !WriteFileAtomically(path, bytes, &error) && error.empty())
        error = "write error";
    if (!error.empty()) {
        session.SetStatus(1, what + " Save Failed: " + error);
        return false;
    }
    session.SetStatus(1, what + " Saved as: " + ShownPath(session, path));
    return true;
}

std::string WithoutTrailingSeparator(std::string folder)
{
    auto isSeparator = [](char c) { return c == '/' || c == std::filesystem::path::preferred_separator; };
    while (folder.size() > 1 && isSeparator(folder.back()) && !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

} // namespace marrowick
