#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "library/ClipFormat.h"

namespace marrowick {

// One sound file of the library, with its length and format when it was added.
struct AudioClip {
    std::string FileName; // full path
    float Size = 0;       // bytes
    ClipFormat Format;    // what its headers say; the bytes are sent as they are whatever it is
};

inline constexpr int MaxClips = 99;
// Every clip takes one table entry of this size in the controller's audio memory.
inline constexpr int ClipEntryBytes = 8;

// The clips the user gathered, in library order at Clips[1..ClipCount].
struct AudioLibrary {
    std::array<AudioClip, MaxClips + 1> Clips{};
    std::int16_t ClipCount = 0;
    float LibraryBytes = 0;

    void Clear()
    {
        ClipCount = 0;
        LibraryBytes = 0;
    }
    std::vector<AudioClip> InOrder() const;
};

// Why a sound file did not go into the library, or could not be sent or saved with it.
struct ClipProblem {
    enum class Kind {
        CannotOpen, // `why`: the system's words
        TooMany,    // `count` files were given; a library holds at most 99
        TooLarge,   // `size` bytes; `left` bytes of audio memory were left for it
        Changed,    // it is `size` bytes now; it was `was` bytes when it was added
        Unreadable, // `why`: the system's words, when its bytes were loaded
        Incomplete, // it could not be read to its end
        AllEmpty,   // the files hold no audio at all
    };
    Kind kind = Kind::CannotOpen;
    std::string path;
    std::string why;
    long long size = 0;
    double left = 0;
    double was = 0;
    int count = 0;
};

// What the open-files dialog's rules made of a selection.
struct SelectionResult {
    std::vector<ClipProblem> problems; // a file that could not be measured, or did not fit
    std::vector<std::string> notAdded; // the files after the one that did not fit
    bool changed = false;              // the library was replaced
};

// The order in which the open-files dialog lists files: by name, ignoring
// letter case, numbers by their value ("clip 2" before "clip 10").
void SortAsListed(std::vector<std::string>& paths);

// Replaces the library with the selected files, in the order given: at most
// 99, ending before the first that does not fit (counting every clip's table
// entry); that file and the ones after it are named. One file is taken only
// when it fits. Nothing selected (the dialog cancelled) changes nothing.
SelectionResult SelectFiles(AudioLibrary& library, const std::vector<std::string>& paths, float audioRam);

// For a command that takes every file or none: why these files cannot all go
// into one library, each problem naming its file: a file that cannot be read,
// more than 99 files, and every file that does not fit after the files before
// it that do (counting every clip's table entry). Empty when the library takes
// them all.
std::vector<ClipProblem> WholeLibraryProblems(const std::vector<std::string>& paths, float audioRam);

// Appends the dropped MP3 files that fit (each file's test counts the table
// entries of the whole library); returns the 1-based numbers of the files taken.
std::vector<int> AddDropped(AudioLibrary& library, const std::vector<std::string>& files, float audioRam);

// Takes the clips numbered `clipNumbers` (1-based) out of the library; the
// clips after them move up. Numbers outside the library are ignored.
void RemoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers);

// Moves the clips numbered `clipNumbers` (1-based), in library order, to stand
// before the clip now numbered `before` (ClipCount + 1: the end).
void MoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers, int before);

// The playing time of every clip that has one, in seconds.
double LibraryPlayingTime(const AudioLibrary& library);

// Bytes the library takes in the controller's audio memory: every clip and its
// 8-byte table entry.
double LibraryFootprint(const AudioLibrary& library);
// The first clip (from 1) from which on the library no longer fits `audioRam`
// (a controller of another model); 0 when it all fits.
int FirstClipBeyond(const AudioLibrary& library, float audioRam);

// The file's length in bytes; -1 when it cannot be measured (the system's words in `error`).
std::int64_t MeasureFile(const std::string& path, std::string* error);

// The file name without its folder, as a file dialog shows the title.
std::string FileTitle(const std::string& path);

} // namespace marrowick
