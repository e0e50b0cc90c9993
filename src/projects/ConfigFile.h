#pragma once

namespace marrowick {

class Session;

inline constexpr const char* ConfigFileName = "000.CFG";

// Writes the R2-layout table image to 000.CFG in the project folder. Writes
// nothing, and says so, when no 304-byte image was read or opened.
bool Save_Toc(Session& session);

enum class ConfigOpen { Opened, Missing, Refused };

// Reads 000.CFG (any letter case) from the folder chosen to open and takes it as
// the table and configuration. A missing file is logged and changes nothing; a
// file that is not 304 bytes, or cannot be read, is refused with a status text
// and changes nothing either.
ConfigOpen Open_cfg(Session& session);

} // namespace marrowick
