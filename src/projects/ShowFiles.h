#pragma once

#include <string>

#include "link/Conversation.h"

namespace marrowick {

class Session;

// Show files of the show in CurrentShow: the K5 layout (16-byte entry, then the
// data) and the R2 layout (the data alone). Saves go into the project folder,
// opens read from the folder chosen to open; file names ignore letter case.
bool Save_Show(Session& session);
bool Save_R2_Show(Session& session);
void Open_Show(Session& session);
void Open_R2_Show(Session& session);

// Saves every show that exists and, for R2 and L+, 000.CFG. True when every
// file was written; a failed file does not stop the others.
bool SaveAllShows(Session& session);

// Opens a project folder by the current model's rules and shows it. Refused,
// with nothing changed, when its 000.CFG cannot be used.
Outcome OpenExistingShows(Session& session, const std::string& folder);

} // namespace marrowick
