#include "features/LibraryFeature.h"

#include <algorithm>
#include <cstdio>

#include "base/Files.h"
#include "features/NewProject.h"
#include "library/LibraryImage.h"
#include "link/Encoding.h"

namespace marrowick {
namespace {

// The progress bar counts the library in blocks of this many bytes.
constexpr double ProgressBlock = 2048.0;

} // namespace

LibraryFeature::LibraryFeature(FeatureContext& context) : m_context(context), m_transfer(context.conversations)
{
    CommandMap& commands = context.commands;
    commands.OnClick(control::BtnAddClip, [this] { SelectAudioClips(); });
    commands.OnDrop(control::List1, [this](const std::vector<std::string>& files) { AddDroppedClips(files); });
    commands.OnClick(control::Command3, [this] { ClearLibrary(); });
    commands.OnClick(control::btnLibrary, [this] { SaveLibraryFile(); });
    commands.OnClick(control::BtnWriteLibrary, [this] { SendClips(); });
    commands.OnClick(control::btnRemoveClip, [this] { RemoveSelectedClips(); });
    commands.OnRowsMoved(control::List1,
                         [this](const std::vector<int>& rows, int before) { MoveClipRows(rows, before); });
}

float LibraryFeature::AudioRam() const
{
    return m_context.model() ? m_context.model()->AudioRam() : 0.0F;
}

std::vector<std::vector<std::string>> LibraryFeature::ListRows() const
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= m_library.ClipCount; ++i) {
        const AudioClip& clip = m_library.Clips[static_cast<std::size_t>(i)];
        rows.push_back({std::to_string(i), WithNativeSeparators(clip.FileName), FloatText(clip.Size)});
    }
    return rows;
}

void LibraryFeature::Report(const std::string& problem)
{
    m_context.status().SetStatus(1, problem);
    m_context.dialogs.message(problem, AppTitle, DialogIcon::Critical);
}

SelectionResult LibraryFeature::TakeFiles(const std::vector<std::string>& paths)
{
    return SelectFiles(m_library, paths, AudioRam());
}

void LibraryFeature::ShowChangedLibrary()
{
    m_context.view.setRows(control::List1, ListRows());
    m_context.status().SetStatus(1, std::to_string(m_library.ClipCount) + " Files Loaded.   " +
                                        FloatText(AudioRam() - m_library.LibraryBytes) + " Bytes remaining.");
    ShowCapacity();
}

void LibraryFeature::RemoveSelectedClips()
{
    std::vector<int> clips;
    for (int row : m_context.view.selectedRows(control::List1))
        clips.push_back(row + 1);
    if (clips.empty())
        return;
    RemoveClips(m_library, clips);
    ShowChangedLibrary();
}

void LibraryFeature::MoveClipRows(const std::vector<int>& rows, int before)
{
    std::vector<int> clips;
    for (int row : rows)
        clips.push_back(row + 1);
    if (clips.empty())
        return;
    MoveClips(m_library, clips, before + 1);
    ShowChangedLibrary();
}

void LibraryFeature::ShowCapacity()
{
    // Before a controller is identified the window is set up for a K5.
    static const k5 beforeIdentification;
    const controller& model = m_context.model() ? *m_context.model() : beforeIdentification;
    const double ram = model.AudioRam();
    const double used = LibraryFootprint(m_library);
    char text[96];
    std::snprintf(text, sizeof text, "%.1f MB of %.1f MB used (%d clip%s)", used / 1e6, ram / 1e6, m_library.ClipCount,
                  m_library.ClipCount == 1 ? "" : "s");
    m_context.view.setMeter(control::barCapacity, ram, used, text, used > 0.9 * ram);
}

void LibraryFeature::SelectAudioClips()
{
    if (m_context.State() != StateIdle)
        return;
    const std::vector<std::string> files = m_context.dialogs.openFiles(SoundFilter);
    m_context.view.setRows(control::List1, {});
    const SelectionResult result = TakeFiles(files);
    if (result.tooLarge)
        m_context.dialogs.message("File Too Large", AppTitle, DialogIcon::None);
    if (!result.problem.empty())
        m_context.dialogs.message(result.problem, AppTitle, DialogIcon::Critical);
    if (files.size() == 1 && m_library.ClipCount == 1) {
        // One file is listed by its title, as the dialog showed it.
        m_context.view.setRows(control::List1, {{"1", FileTitle(files.front()), FloatText(m_library.Clips[1].Size)}});
    } else if (m_library.ClipCount > 0) {
        m_context.view.setRows(control::List1, ListRows());
    }
    ShowCapacity();
}

void LibraryFeature::AddDroppedClips(const std::vector<std::string>& files)
{
    if (m_library.ClipCount >= MaxClips)
        return;
    View& view = m_context.view;
    const float audioRam = AudioRam();
    view.setProgressValue(0);
    view.setProgressMaximum(audioRam);
    view.setRows(control::List1, {});
    for (int j : AddDropped(m_library, files, audioRam))
        m_context.log().LogDebug("Found: " + std::to_string(j) + "  " +
                                     WithNativeSeparators(files[static_cast<std::size_t>(j - 1)]),
                                 0, LogRawData);
    const auto rows = ListRows();
    view.setRows(control::List1, rows);
    for (const auto& row : rows)
        m_context.log().LogDebug("Adding : " + row[0] + "  " + row[1], 0, LogBaseline);
    view.setProgressValue(std::min(m_library.LibraryBytes, audioRam));
    m_context.status().SetStatus(1, std::to_string(m_library.ClipCount) + " Files Loaded.   " +
                                        FloatText(audioRam - m_library.LibraryBytes) + " Bytes remaining.");
    ShowCapacity();
}

void LibraryFeature::ClearLibrary()
{
    m_library.Clear();
    m_context.view.setRows(control::List1, {});
    m_context.view.setProgressValue(0);
    m_context.status().SetStatus(1, std::to_string(m_library.ClipCount) + " Files Loaded. " +
                                        FloatText(AudioRam() - m_library.LibraryBytes) + " Bytes available");
    ShowCapacity();
}

void LibraryFeature::SaveLibraryFile()
{
    if (m_context.State() != StateIdle || m_library.LibraryBytes == 0)
        return;
    m_context.view.setWindowCaption("");
    m_context.view.setProgressMaximum(m_library.LibraryBytes / ProgressBlock);
    if (m_context.paths.ProjectFolder.empty())
        NewProject(m_context);
    if (m_context.paths.ProjectFolder.empty()) {
        m_context.status().SetStatus(1, "Library File not saved: no project folder was chosen");
        return;
    }
    const Result outcome = SaveLibraryTo(PathFromUtf8(m_context.paths.ProjectFolder));
    if (!outcome.ok())
        Report(outcome.message);
}

Result LibraryFeature::SaveLibraryTo(const std::filesystem::path& folder)
{
    const std::vector<AudioClip> clips = m_library.InOrder();
    if (clips.empty())
        return Result::Fail(ResultCode::Refused, "The audio library is empty");
    View& view = m_context.view;
    const double maximum = m_library.LibraryBytes / ProgressBlock;
    view.setProgressMaximum(maximum);
    const std::vector<ClipEntry> entries = ClipEntries(clips);
    for (const ClipEntry& entry : entries) {
        m_context.log().LogDebug("Start Address: " + FloatText(entry.start), 0, LogBaseline);
        m_context.log().LogDebug("Clip Length: " + FloatText(entry.length), 0, LogBaseline);
    }
    m_context.status().SetStatus(1, "Copying Audio Clips to Library File");
    std::string error;
    const auto data = LoadClipData(
        clips, &error, [&](double copied) { view.setProgressValue(std::min(copied / ProgressBlock, maximum)); });
    if (!data)
        return Result::Fail(ResultCode::FileError, "Library File not saved: " + error);
    const std::filesystem::path path = folder / LibraryFileName;
    const std::string shown = PathText(path);
    if (!WriteFileAtomically(path, ClipTable(entries) + *data, &error)) {
        m_context.log().LogDebug("Library File " + shown + " not saved: " + error, 0, LogFileIo);
        return Result::Fail(ResultCode::FileError, "Library File " + shown + " not saved: " + error);
    }
    m_context.status().SetStatus(1, "Library File saved to:" + shown);
    return Result::Done(Utf8FromPath(path));
}

void LibraryFeature::SendClips()
{
    const Result outcome = StartSending();
    if (!outcome.ok() && !outcome.message.empty())
        Report(outcome.message);
}

Result LibraryFeature::StartSending()
{
    if (m_context.State() != StateIdle || !m_context.link().IsOpen() || m_library.LibraryBytes == 0)
        return Result::Busy();
    View& view = m_context.view;
    view.setWindowCaption("");
    const double maximum = m_library.LibraryBytes / ProgressBlock;
    view.setProgressMaximum(maximum);
    const std::vector<AudioClip> clips = m_library.InOrder();
    // Everything is read before "D" goes out, so a bad file stops the transfer
    // before the controller has been told to expect a library.
    m_context.status().SetStatus(1, "Loading Audio Clips into Computer Memory");
    std::string error;
    auto data = LoadClipData(clips, &error,
                             [&](double loaded) { view.setProgressValue(std::min(loaded / ProgressBlock, maximum)); });
    if (!data)
        return Result::Fail(ResultCode::FileError, "Clips not sent: " + error);
    m_transfer.Start(ClipEntries(clips), std::move(*data));
    return Result::Done();
}

} // namespace marrowick
