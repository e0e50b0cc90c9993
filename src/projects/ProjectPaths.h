#pragma once

#include <string>

namespace marrowick {

// The two folders every project file is found by: the folder last chosen to
// open shows from (without a trailing separator), and the project folder that
// saves go into (with one). Both empty until chosen; never stored between runs.
struct ProjectPaths {
    std::string BrowseFolder;
    std::string ProjectFolder;
};

// A path as the status bar shows it: relative to the folder the user chose
// (BrowseFolder), or whole when it lies elsewhere; with the system's separators.
std::string ShownPath(const ProjectPaths& paths, const std::string& path);

// "003" and the extension: the file of show `index`.
std::string ShowFileName(int index, const std::string& extension);

// `folder` without trailing separators (a root stays as it is).
std::string WithoutTrailingSeparator(std::string folder);

} // namespace marrowick
