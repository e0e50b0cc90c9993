#include "features/LibraryPresenter.h"

#include <cmath>
#include <cstdio>

#include "base/Files.h"
#include "features/Texts.h"
#include "link/Encoding.h"

namespace marrowick {

std::string ClipProblemText(const ClipProblem& p)
{
    const std::string file = WithNativeSeparators(p.path);
    switch (p.kind) {
    case ClipProblem::Kind::CannotOpen:
        return "Cannot open " + file + ": " + p.why;
    case ClipProblem::Kind::TooMany:
        return std::to_string(p.count) + " files were given; a library holds at most " + std::to_string(MaxClips);
    case ClipProblem::Kind::TooLarge:
        return "File Too Large: " + file + " has " + std::to_string(p.size) + " bytes, " +
               FloatText(static_cast<float>(p.left)) + " bytes of audio memory are left";
    case ClipProblem::Kind::Changed:
        return "Clip file " + file + " has changed since it was added: it is now " + std::to_string(p.size) +
               " bytes, it was " + FloatText(static_cast<float>(p.was)) + " bytes";
    case ClipProblem::Kind::Unreadable:
        return "Clip file " + file + " cannot be read: " + p.why;
    case ClipProblem::Kind::Incomplete:
        return "Clip file " + file + " cannot be read completely";
    case ClipProblem::Kind::AllEmpty:
        return "The sound files given are all empty";
    }
    return {};
}

std::string ClipTransferText(const Result& result)
{
    if (result.ok())
        return "Audio Library Transmission Complete";
    std::string why;
    switch (result.reason) {
    case Reason::Refusals:
        why = "the controller refused packet " + std::to_string(result.number) + " " + std::to_string(result.got) +
              " times in a row";
        break;
    case Reason::AnswerUnreadable:
        why = "the controller's answer to packet " + std::to_string(result.number) + " could not be read";
        break;
    case Reason::NoAnswer:
        why = "the controller did not answer packet " + std::to_string(result.number);
        break;
    default:
        why = text::Why(result);
    }
    return "Audio clip transfer stopped: " + why + text::LineErrorsNote(result) + ". " + text::LibraryIncomplete;
}

std::string BeyondText(const AudioLibrary& library, int first, const std::string& model)
{
    const std::vector<AudioClip> clips = library.InOrder();
    const int last = static_cast<int>(clips.size());
    std::string names;
    // A few names are enough to find the place in the list.
    constexpr int Named = 5;
    for (int clip = first; clip <= last && clip < first + Named; ++clip)
        names += (names.empty() ? "" : ", ") + FileTitle(clips[static_cast<std::size_t>(clip - 1)].FileName);
    if (last - first + 1 > Named)
        names += " and " + std::to_string(last - first + 1 - Named) + " more";
    const std::string which = first == last ? "clip " + std::to_string(first)
                                            : "clips " + std::to_string(first) + " to " + std::to_string(last);
    return "The library does not fit the " + model + "'s audio memory: " + which + " (" + names + ") " +
           (first == last ? "does" : "do") + " not fit; remove " + (first == last ? "it" : "them") +
           " before sending or saving";
}

std::string SelectionText(const SelectionResult& result)
{
    std::string text;
    for (const ClipProblem& problem : result.problems)
        text += (text.empty() ? "" : "\r\n") + ClipProblemText(problem);
    if (!result.notAdded.empty()) {
        text += "\r\nNot added:";
        for (const std::string& path : result.notAdded)
            text += "\r\n" + WithNativeSeparators(path);
    }
    return text;
}

std::string FilesLoadedText(const AudioLibrary& library, float audioRam)
{
    return std::to_string(library.ClipCount) + " Files Loaded.   " + FloatText(audioRam - library.LibraryBytes) +
           " Bytes remaining.";
}

std::string CapacityText(double used, double audioRam, int clips)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.1f MB of %.1f MB used (%d clip%s)", used / 1e6, audioRam / 1e6, clips,
                  clips == 1 ? "" : "s");
    return text;
}

std::string PlayingTimeText(double seconds)
{
    const long long whole = seconds > 0 ? std::llround(seconds) : 0;
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

namespace {

// "44.1 kHz", "22.05 kHz", "8 kHz".
std::string RateText(int hertz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", hertz / 1000.0);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    return number + " kHz";
}

std::string ChannelsText(int channels)
{
    if (channels == 1)
        return "mono";
    if (channels == 2)
        return "stereo";
    return std::to_string(channels) + " channels";
}

std::string CodingText(const ClipFormat& format)
{
    switch (format.coding) {
    case ClipFormat::Coding::Pcm:
        return std::to_string(format.bits) + "-bit";
    case ClipFormat::Coding::Float:
        return std::to_string(format.bits) + "-bit float";
    case ClipFormat::Coding::MuLaw:
        return "\xC2\xB5-law";
    case ClipFormat::Coding::ALaw:
        return "A-law";
    case ClipFormat::Coding::ImaAdpcm:
        return "IMA ADPCM";
    case ClipFormat::Coding::MsAdpcm:
        return "MS ADPCM";
    case ClipFormat::Coding::Gsm610:
        return "GSM 6.10";
    case ClipFormat::Coding::Other:
        break;
    }
    return "compressed";
}

std::string LayerText(int layer)
{
    return layer == 1 ? "I (MP1)" : layer == 2 ? "II (MP2)" : std::to_string(layer);
}

} // namespace

std::string ClipFormatText(const ClipFormat& f)
{
    switch (f.kind) {
    case ClipFormat::Kind::Unread:
        return {};
    case ClipFormat::Kind::Wav:
        return "WAV " + CodingText(f) + " " + RateText(f.sampleRate) + " " + ChannelsText(f.channels);
    case ClipFormat::Kind::Mp3:
        return std::string("MP3 ") + (f.variable ? "VBR ~" : "") + std::to_string(f.kbps) + " kbit/s " +
               RateText(f.sampleRate) + " " + ChannelsText(f.channels);
    case ClipFormat::Kind::Neither:
        break;
    }
    switch (f.why) {
    case ClipFormat::Why::CannotOpen:
        return "Unreadable";
    case ClipFormat::Why::Empty:
        return "Empty file";
    case ClipFormat::Why::DamagedWav:
        return "Damaged WAV";
    case ClipFormat::Why::OtherMpegLayer:
        return "MPEG layer " + LayerText(f.mpegLayer) + ", not MP3";
    default:
        return "Not WAV or MP3";
    }
}

std::string ClipWarningText(const ClipFormat& f)
{
    const std::string mayNotPlay = "; the controller may not play it";
    switch (f.why) {
    case ClipFormat::Why::None:
        return {};
    case ClipFormat::Why::CannotOpen:
        return "It could not be read: " + f.detail;
    case ClipFormat::Why::Empty:
        return "The file is empty: this clip holds no sound";
    case ClipFormat::Why::Unrecognised:
        return "Its content is neither WAV nor MP3, whatever its name says" + mayNotPlay;
    case ClipFormat::Why::DamagedWav:
        return "It calls itself WAV, but its header cannot be read (" + f.detail + ")" + mayNotPlay;
    case ClipFormat::Why::OtherMpegLayer:
        return "It is MPEG audio layer " + LayerText(f.mpegLayer) + ", not MP3" + mayNotPlay;
    case ClipFormat::Why::Truncated:
        return "The file ends early: its header says it plays " + PlayingTimeText(f.expectedSeconds) + ", it holds " +
               PlayingTimeText(f.seconds);
    }
    return {};
}

std::vector<std::string> ClipWarningLines(const AudioLibrary& library)
{
    std::vector<std::string> lines;
    for (const AudioClip& clip : library.InOrder())
        if (const std::string warning = ClipWarningText(clip.Format); !warning.empty())
            lines.push_back("Warning: " + WithNativeSeparators(clip.FileName) + ": " + warning);
    return lines;
}

std::string LibraryTimeText(const AudioLibrary& library)
{
    return "Playing time " + PlayingTimeText(LibraryPlayingTime(library));
}

std::vector<std::vector<std::string>> ClipRows(const AudioLibrary& library)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= library.ClipCount; ++i) {
        const AudioClip& clip = library.Clips[static_cast<std::size_t>(i)];
        rows.push_back({std::to_string(i), WithNativeSeparators(clip.FileName), FloatText(clip.Size),
                        clip.Format.Audio() ? PlayingTimeText(clip.Format.seconds) : std::string(),
                        ClipFormatText(clip.Format)});
    }
    return rows;
}

void LibraryPresenter::ShowLibrary(const AudioLibrary& library, float audioRam, bool quiet)
{
    m_view.setRows(control::List1, ClipRows(library));
    std::vector<std::string> warnings;
    for (const AudioClip& clip : library.InOrder())
        warnings.push_back(ClipWarningText(clip.Format));
    m_view.markRows(control::List1, warnings);
    m_view.setCaption(control::lblPlayingTime, LibraryTimeText(library));
    if (!quiet)
        m_status.Say(FilesLoadedText(library, audioRam));
    ShowCapacity(library, audioRam);
}

void LibraryPresenter::ShowCapacity(const AudioLibrary& library, float audioRam)
{
    const double used = LibraryFootprint(library);
    m_view.setMeter(control::barCapacity, audioRam, used, CapacityText(used, audioRam, library.ClipCount),
                    used > 0.9 * audioRam);
}

void LibraryPresenter::TransferStarted()
{
    m_green = 255;
}

void LibraryPresenter::Resending(int packet)
{
    if (packet == 1) {
        m_view.setFillColor(control::Shape1, Rgb{255, 255, 0});
        return;
    }
    m_green = m_green > 5 ? m_green - 5 : 0;
    m_view.setFillColor(control::Shape1, Rgb{255, m_green, 0});
}

} // namespace marrowick
