#include "features/LibraryPresenter.h"

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

std::vector<std::vector<std::string>> ClipRows(const AudioLibrary& library)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= library.ClipCount; ++i) {
        const AudioClip& clip = library.Clips[static_cast<std::size_t>(i)];
        rows.push_back({std::to_string(i), WithNativeSeparators(clip.FileName), FloatText(clip.Size)});
    }
    return rows;
}

void LibraryPresenter::ShowLibrary(const AudioLibrary& library, float audioRam, bool quiet)
{
    m_view.setRows(control::List1, ClipRows(library));
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
