#pragma once

#include <string>

namespace marrowick::text {

// The texts that several parts of the program show, and that scripts and
// people look for, kept in one place so their wording is decided once.
inline const std::string VersionNotAvailable = "Firmware Version Not Available";
inline const std::string ModelNotAvailable = "Model Not Available";
inline const std::string SerialNotAvailable = "Serial Number Not Available";
inline const std::string DownloadComplete = "Download Complete";
// Followed by the system's reason.
inline const std::string PortLost = "Serial port lost: ";

// What panel 1 says once a project's shows are loaded.
inline std::string ShowsLoaded(int count)
{
    return "Show Loading Complete. Loaded " + std::to_string(count) + " shows";
}

} // namespace marrowick::text
