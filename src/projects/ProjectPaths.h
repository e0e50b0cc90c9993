#pragma once

#include <string>

namespace marrowick {

// The two folders every project file is found by: the folder last chosen to
// open shows from (without a trailing separator), and the project folder that
// saves go into (with one). Both empty until chosen; never stored between runs.
struct ProjectPaths {
    std::string BrowseFolder;
    std::string ProjectFolder;
    // The project the shows held belong to: the folder last opened, created or
    // saved into (without a trailing separator); empty when none is.
    std::string OpenProject;
};

// A path as the status bar shows it: relative to the folder the user chose
// (BrowseFolder), or whole when it lies elsewhere; with the system's separators.
std::string ShownPath(const ProjectPaths& paths, const std::string& path);

// "003" and the extension: the file of show `index`.
std::string ShowFileName(int index, const std::string& extension);

// `folder` without trailing separators (a root stays as it is).
std::string WithoutTrailingSeparator(std::string folder);

// Why a name cannot be a project folder's name. Names that Windows refuses are
// refused everywhere, so a project can move between computers.
struct NameFault {
    enum class Kind {
        None,
        Empty,
        OnlySpaces,
        Dots,      // "." or ".."
        Separator, // "/" or "\"
        Character, // `character`: one of <>:"|?* or a control character
        EndsInDotOrSpace,
        DeviceName, // CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, with or without an extension
    };
    Kind kind = Kind::None;
    char character = 0;
    explicit operator bool() const { return kind != Kind::None; }
};
NameFault CheckProjectName(const std::string& name);

} // namespace marrowick
