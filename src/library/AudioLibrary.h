#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace marrowick {

// One sound file of the library, with its length when it was added.
struct AudioClip {
    std::string FileName; // full path
    float Size = 0;       // bytes
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

// What the open-files dialog's rules made of a selection.
struct SelectionResult {
    bool tooLarge = false; // the one selected file does not fit: "File Too Large"
    std::string problem;   // a file that could not be measured, for a person
};

// Replaces the library with the selected files. Several files: in the given order,
// at most 99, ending before the first that does not fit (counting every clip's
// table entry). One file: taken only when it fits.
SelectionResult SelectFiles(AudioLibrary& library, const std::vector<std::string>& paths, float audioRam);

// For a command that takes every file or none: why these files cannot all go
// into one library, one sentence per problem, each naming its file: a file that
// cannot be read, more than 99 files, and every file that does not fit after the
// files before it that do (counting every clip's table entry). Empty when the
// library takes them all.
std::vector<std::string> WholeLibraryProblems(const std::vector<std::string>& paths, float audioRam);

// Appends the dropped MP3 files that fit (each file's test counts the table
// entries of the whole library); returns the 1-based numbers of the files taken.
std::vector<int> AddDropped(AudioLibrary& library, const std::vector<std::string>& files, float audioRam);

// Takes the clips numbered `clipNumbers` (1-based) out of the library; the
// clips after them move up. Numbers outside the library are ignored.
void RemoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers);

// Moves the clips numbered `clipNumbers` (1-based), in library order, to stand
// before the clip now numbered `before` (ClipCount + 1: the end).
void MoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers, int before);

// Bytes the library takes in the controller's audio memory: every clip and its
// 8-byte table entry.
double LibraryFootprint(const AudioLibrary& library);

// The file's length in bytes; -1 when it cannot be measured (reason in `error`).
std::int64_t MeasureFile(const std::string& path, std::string* error);

// The file name without its folder, as a file dialog shows the title.
std::string FileTitle(const std::string& path);

} // namespace marrowick
