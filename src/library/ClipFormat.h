#pragma once

#include <string>

namespace marrowick {

// What a sound file holds, as its headers and frames say: WAV or MP3, how it
// is coded and how long it plays; or why it is neither. The controller takes
// the file's bytes whatever they are, so this only informs.
struct ClipFormat {
    enum class Kind {
        Unread,  // not looked at
        Wav,     // a RIFF WAVE file
        Mp3,     // MPEG audio layer III frames, after any ID3v2 tag
        Neither, // `why` says what it is instead
    };
    // How the samples of a WAV file are coded.
    enum class Coding { Pcm, Float, MuLaw, ALaw, ImaAdpcm, MsAdpcm, Gsm610, Other };
    enum class Why {
        None,
        CannotOpen,     // `detail`: the system's words
        Empty,          // no bytes at all
        Unrecognised,   // no WAV header, and no MPEG audio frames
        DamagedWav,     // a WAV header that cannot be read; `detail`: the WAV reader's words
        OtherMpegLayer, // MPEG audio of layer `mpegLayer` (MP1, MP2), not layer III
        Truncated,      // (Mp3) the file ends before the frames its header counts; `expectedSeconds`
    };

    Kind kind = Kind::Unread;
    Why why = Why::None;
    std::string detail;
    double seconds = 0; // playing time of what the file holds
    int sampleRate = 0; // Hz
    int channels = 0;   //
    int bits = 0;       // WAV: bits per sample of PCM and float data, 0 for the other codings
    Coding coding = Coding::Pcm;
    int kbps = 0;          // MP3: the bit rate; the average of all frames when it varies
    bool variable = false; // MP3: the bit rate varies from frame to frame
    int mpegLayer = 0;     // OtherMpegLayer
    double expectedSeconds = 0;

    bool Audio() const { return kind == Kind::Wav || kind == Kind::Mp3; }
};

// Reads the format and playing time of the sound file at `path` (UTF-8). A WAV
// file is known by its header alone; an MP3 file's frames are all counted, so
// a variable bit rate, a missing or a wrong Xing header still give the true
// time. The file is read in pieces of a fixed size and nothing is allocated by
// a number read from it, whatever its size or content.
ClipFormat ReadClipFormat(const std::string& path);

} // namespace marrowick
