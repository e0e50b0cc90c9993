#pragma once

#include <string>
#include <vector>

#include "base/Result.h"
#include "features/StatusBar.h"
#include "library/AudioLibrary.h"
#include "ui/View.h"

namespace marrowick {

// The words and the look of the audio library: the clip list, the capacity
// bar, and the texts of choosing clips, saving the library file and sending it.

// "Cannot open FILE: why", "File Too Large: FILE has N bytes, M bytes of audio
// memory are left", "Clip file FILE has changed since it was added: ...".
std::string ClipProblemText(const ClipProblem& problem);
// A clip transfer that ended: "Audio Library Transmission Complete", or
// "Audio clip transfer stopped: " and why.
std::string ClipTransferText(const Result& result);
// What a selection could not take, for a message box; empty when it took all.
std::string SelectionText(const SelectionResult& result);
// The clips from `first` on do not fit the audio memory of `model`: "The
// library does not fit the K5's audio memory: clips 7 to 9 (a.mp3, b.mp3,
// c.mp3) do not fit; remove them before sending or saving".
std::string BeyondText(const AudioLibrary& library, int first, const std::string& model);
// "3 Files Loaded.   4063232 Bytes remaining."
std::string FilesLoadedText(const AudioLibrary& library, float audioRam);
// "3.2 MB of 4.0 MB used (12 clips)".
std::string CapacityText(double used, double audioRam, int clips);
// A playing time: "3:25", "0:04", from an hour on "1:02:03".
std::string PlayingTimeText(double seconds);
// "MP3 128 kbit/s 44.1 kHz stereo", "MP3 VBR ~175 kbit/s 44.1 kHz stereo",
// "WAV 16-bit 22.05 kHz mono"; for a file that is neither, what it is instead
// ("Not WAV or MP3"). Empty for a clip not looked at.
std::string ClipFormatText(const ClipFormat& format);
// Why the controller may not play the clip as it should; empty when nothing is
// wrong with it. The clip stays in the library all the same.
std::string ClipWarningText(const ClipFormat& format);
// "Warning: FILE: why", one for each clip that has a warning, in library order.
std::vector<std::string> ClipWarningLines(const AudioLibrary& library);
// "Playing time 12:34": every clip that has a time.
std::string LibraryTimeText(const AudioLibrary& library);
// The clip list's rows: number, file, size, time, format.
std::vector<std::vector<std::string>> ClipRows(const AudioLibrary& library);

class LibraryPresenter {
public:
    LibraryPresenter(View& view, StatusBar& status) : m_view(view), m_status(status) {}

    void Say(const std::string& text) { m_status.Say(text); }
    // The list with its warnings, the capacity bar for `audioRam` with the
    // playing time beside it, and how much is left in panel 1 unless `quiet`.
    void ShowLibrary(const AudioLibrary& library, float audioRam, bool quiet = false);
    // The capacity bar alone.
    void ShowCapacity(const AudioLibrary& library, float audioRam);
    // The transfer light: green while the controller takes every packet, yellow
    // when it asks for the first again, towards red as later ones are resent.
    void TransferStarted();
    void Resending(int packet);

private:
    View& m_view;
    StatusBar& m_status;
    int m_green = 255;
};

} // namespace marrowick
