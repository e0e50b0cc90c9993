#pragma once

#include <string>

namespace marrowick {

class Session;

// A path as the status bar shows it: relative to the folder the user chose
// (BrowseFolder), or whole when it lies elsewhere.
std::string ShownPath(const Session& session, const std::string& path);

// "003" and the extension: the file of show `index`.
std::string ShowFileName(int index, const std::string& extension);

// Writes `fileName` into the project folder (atomically) and says so in the
// status bar: "<what> Saved as: path" or "<what> Save Failed: why". A non-empty
// `refusal` fails the save without writing.
bool SaveIntoProject(Session& session, const std::string& fileName, const std::string& bytes, const std::string& what,
                     std::string refusal = {});

// `folder` without trailing separators (a root stays as it is).
std::string WithoutTrailingSeparator(std::string folder);

} // namespace marrowick
