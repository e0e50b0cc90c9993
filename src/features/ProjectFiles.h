#pragma once

#include <string>

#include "base/Result.h"
#include "features/FeatureContext.h"
#include "shows/ShowTable.h"

namespace marrowick {

// Saving and opening a project's files, with what the status bar says about
// each: show files of the show in CurrentShow (the K5 layout with its 16-byte
// entry, or the data alone), and 000.CFG for the models that keep one. Saves go
// into the project folder, opens read from the folder chosen to open; file
// names are found whatever their letter case.
bool Save_Show(const FeatureContext& context, ShowState& shows);
bool Save_R2_Show(const FeatureContext& context, ShowState& shows);
void Open_Show(const FeatureContext& context, ShowState& shows);
void Open_R2_Show(const FeatureContext& context, ShowState& shows);

// Writes the table image to 000.CFG in the project folder. Writes nothing, and
// says so, when no 304-byte image was read or opened.
bool Save_Toc(const FeatureContext& context, const ShowState& shows);

enum class ConfigOpen { Opened, Missing, Refused };
// Reads 000.CFG from the folder chosen to open and takes it as the table and
// configuration. A missing file is logged and changes nothing; a file that is
// not 304 bytes, or cannot be read, is refused with a status text and changes
// nothing either.
ConfigOpen Open_cfg(const FeatureContext& context, ShowState& shows);

// Saves every show that exists and, for models that keep one, 000.CFG. True
// when every file was written. A failed file does not stop the others; at the
// end the status bar holds every failure, each naming its file, and a message
// box lists the files that were not saved.
bool SaveAllShows(const FeatureContext& context, ShowState& shows);

// Opens a project folder by the current model's rules. Busy unless idle with a
// model; refused, with nothing changed, when its 000.CFG cannot be used (the
// wrong size, more shows than are held, a show of negative length). Shows that
// cannot be written whole (a file missing below the highest K5 show file, less
// data than the table length) are named after "Show Loading Complete".
Result OpenExistingShows(const FeatureContext& context, ShowState& shows, const std::string& folder);

} // namespace marrowick
