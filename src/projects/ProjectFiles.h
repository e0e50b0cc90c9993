#pragma once

#include <string>
#include <vector>

#include "base/Result.h"
#include "models/Controller.h"
#include "projects/ProjectPaths.h"
#include "shows/ShowTable.h"

namespace marrowick {

// What saving or opening one file of a project came to, in the order it
// happened; the presenter of the shows words each one.
struct FileEvent {
    enum class Step {
        Saved,
        SaveFailed,
        Opened,
        OpenFailed,
        Missing, // a show file (or 000.CFG) that is not there; `show` is CurrentShow then
        Removed, // a stale show file of a saved folder, beyond the shows saved
    };
    enum class Kind { Show, Config, Wiring };

    Step step = Step::Saved;
    Kind kind = Kind::Show;
    std::string path;  // as the system names it (UTF-8)
    std::string shown; // as the status bar shows it: from the folder the person chose
    int show = -1;
    Result problem; // SaveFailed, OpenFailed: why
    // Opened: how much of its show's data the file held.
    std::size_t got = 0;
    std::int32_t length = 0;
    bool longer = false; // the file held more than the show's length, which was left
};

// Saving and opening a project's files by a model's rules: show files of the
// show in CurrentShow (the K5 layout with its 16-byte entry, or the data
// alone), and 000.CFG for the models that keep one. Saves go into the project
// folder, opens read from the folder chosen to open; file names are found
// whatever their letter case. Each adds what it did to `events`.
bool Save_Show(const ProjectPaths& paths, const controller& model, ShowState& shows, std::vector<FileEvent>& events);
bool Save_R2_Show(const ProjectPaths& paths, ShowState& shows, std::vector<FileEvent>& events);
// Writes the table image to 000.CFG; writes nothing, and fails, when no
// 304-byte image was read or opened.
bool Save_Toc(const ProjectPaths& paths, const ShowState& shows, std::vector<FileEvent>& events);

// Saves every show that exists and, for models that keep one, 000.CFG. True
// when every file was written; a failed file does not stop the others. When
// all were written, the show files of the model's layout that the folder holds
// beyond the shows saved (and the ambient show's file when ambient mode is
// off) are removed, so the folder opens as exactly what was saved.
bool SaveAllShows(const ProjectPaths& paths, const controller& model, ShowState& shows, std::vector<FileEvent>& events);

// Opens a project folder by the model's rules into `shows`. Refused (the
// reason in the OpenFailed event of 000.CFG, nothing changed) when its 000.CFG
// cannot be used: the wrong size, more shows than are held, a show of negative
// length, shows beyond the model's show memory. Shows that cannot be written
// whole (a file missing below the highest K5 show file, less data than the
// table length) are left in `shows` for IncompleteShows to name.
Result OpenExistingShows(ProjectPaths& paths, const controller& model, ShowState& shows, const std::string& folder,
                         std::vector<FileEvent>& events);

} // namespace marrowick
