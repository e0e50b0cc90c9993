#include "features/LibraryFeature.h"

#include <algorithm>

#include "base/Files.h"
#include "features/NewProject.h"
#include "library/LibraryImage.h"
#include "link/Encoding.h"

namespace marrowick {
namespace {

// The progress bar counts the library in blocks of this many bytes.
constexpr double ProgressBlock = 2048.0;

} // namespace

LibraryFeature::LibraryFeature(FeatureContext& context)
    : m_context(context), m_presenter(context.view, context.status), m_transfer(context.conversations)
{
    CommandMap& commands = context.commands;
    commands.OnClick(control::BtnAddClip, [this] { SelectAudioClips(); });
    commands.OnDrop(control::List1, [this](const std::vector<std::string>& files) { AddDroppedClips(files); });
    commands.OnClick(control::Command3, [this] { ClearLibrary(); });
    commands.OnClick(control::btnLibrary, [this] { SaveLibraryFile(); });
    commands.OnClick(control::BtnWriteLibrary, [this] { SendClips(); });
    commands.OnClick(control::btnRemoveClip, [this] { RemoveSelectedClips(); });
    commands.OnClick(control::btnPlayClip, [this] { PlaySelectedClip(); });
    commands.OnRowsMoved(control::List1,
                         [this](const std::vector<int>& rows, int before) { MoveClipRows(rows, before); });
    m_transfer.FirstPacketTaken.connect([this] {
        const controller* model = m_context.model();
        m_presenter.Say("Transmitting Audio clips to " +
                        (model ? model->Name() : m_context.identity().ControllerModel));
    });
    m_transfer.Resending.connect([this](int packet, int) { m_presenter.Resending(packet); });
    m_transfer.Finished.connect([this](const Result& outcome) { m_presenter.Say(ClipTransferText(outcome)); });
}

float LibraryFeature::AudioRam() const
{
    // Before a controller is identified the window is set up for a K5.
    static const k5 beforeIdentification;
    return m_context.model() ? m_context.model()->AudioRam() : beforeIdentification.AudioRam();
}

void LibraryFeature::Report(const std::string& problem)
{
    m_presenter.Say(problem);
    m_context.dialogs.message(problem, AppTitle, DialogIcon::Critical);
}

SelectionResult LibraryFeature::TakeFiles(const std::vector<std::string>& paths)
{
    return SelectFiles(m_library, paths, AudioRam());
}

void LibraryFeature::RemoveSelectedClips()
{
    std::vector<int> clips;
    for (int row : m_context.view.selectedRows(control::List1))
        clips.push_back(row + 1);
    if (clips.empty() || Locked())
        return;
    RemoveClips(m_library, clips);
    m_presenter.ShowLibrary(m_library, AudioRam());
}

void LibraryFeature::PlaySelectedClip()
{
    const std::vector<int> rows = m_context.view.selectedRows(control::List1);
    if (rows.empty() || rows.front() < 0 || rows.front() >= m_library.ClipCount)
        return;
    m_context.view.openFile(m_library.Clips[static_cast<std::size_t>(rows.front()) + 1].FileName);
}

void LibraryFeature::MoveClipRows(const std::vector<int>& rows, int before)
{
    std::vector<int> clips;
    clips.reserve(rows.size());
    for (int row : rows)
        clips.push_back(row + 1);
    if (clips.empty() || Locked()) {
        // The list shows the library again as it is, whatever the drag did to the rows.
        m_presenter.ShowLibrary(m_library, AudioRam(), true);
        return;
    }
    MoveClips(m_library, clips, before + 1);
    m_presenter.ShowLibrary(m_library, AudioRam());
}

void LibraryFeature::ShowCapacity()
{
    m_presenter.ShowCapacity(m_library, AudioRam());
}

std::string LibraryFeature::ClipsBeyond() const
{
    const int first = FirstClipBeyond(m_library, AudioRam());
    if (first == 0)
        return {};
    const controller* model = m_context.model();
    return BeyondText(m_library, first, model ? model->Name() : "K5");
}

void LibraryFeature::SelectAudioClips()
{
    if (!m_context.Idle())
        return;
    std::vector<std::string> files = m_context.dialogs.openFiles(SoundFilter);
    // Cancelled: the library stays as it was.
    if (files.empty())
        return;
    // The clips are numbered in the order the dialog lists the files, the same every time.
    SortAsListed(files);
    const SelectionResult result = TakeFiles(files);
    if (const std::string problem = SelectionText(result); !problem.empty())
        m_context.dialogs.message(problem, AppTitle, DialogIcon::Critical);
    if (!result.changed)
        return;
    m_presenter.ShowLibrary(m_library, AudioRam(), true);
}

void LibraryFeature::AddDroppedClips(const std::vector<std::string>& files)
{
    if (m_library.ClipCount >= MaxClips || Locked())
        return;
    const float audioRam = AudioRam();
    for (int j : AddDropped(m_library, files, audioRam))
        m_context.log().LogDebug("Found: " + std::to_string(j) + "  " +
                                     WithNativeSeparators(files[static_cast<std::size_t>(j - 1)]),
                                 0, LogRawData);
    const auto rows = ClipRows(m_library);
    for (const auto& row : rows)
        m_context.log().LogDebug("Adding : " + row[0] + "  " + row[1], 0, LogBaseline);
    m_context.status.SetBar(audioRam, std::min(m_library.LibraryBytes, audioRam));
    m_presenter.ShowLibrary(m_library, audioRam);
}

void LibraryFeature::ClearLibrary()
{
    if (Locked())
        return;
    m_library.Clear();
    m_context.view.setProgressValue(0);
    m_presenter.ShowLibrary(m_library, AudioRam(), true);
    m_presenter.Say(std::to_string(m_library.ClipCount) + " Files Loaded. " +
                    FloatText(AudioRam() - m_library.LibraryBytes) + " Bytes available");
}

void LibraryFeature::SaveLibraryFile()
{
    if (!m_context.Idle() || m_library.LibraryBytes == 0)
        return;
    // Beside the shows of the project that is open, when the person says so;
    // otherwise into the project made last, or a new one.
    const std::string& open = m_context.paths.OpenProject;
    if (!open.empty() && m_context.dialogs.question(Question::SaveLibraryHere,
                                                    "Save the library file " + std::string(LibraryFileName) +
                                                        " into the open project " + WithNativeSeparators(open) + "?",
                                                    AppTitle, DialogIcon::Question)) {
        std::string problem;
        if (!SaveLibraryTo(PathFromUtf8(open), &problem).ok())
            Report(problem);
        return;
    }
    const bool made = open.empty() && !m_context.paths.ProjectFolder.empty() ? true : NewProject(m_context);
    if (!made || m_context.paths.ProjectFolder.empty()) {
        m_presenter.Say("Library File not saved: no project folder was chosen");
        return;
    }
    std::string problem;
    if (!SaveLibraryTo(PathFromUtf8(m_context.paths.ProjectFolder), &problem).ok())
        Report(problem);
}

Result LibraryFeature::SaveLibraryTo(const std::filesystem::path& folder, std::string* problem)
{
    const std::vector<AudioClip> clips = m_library.InOrder();
    if (clips.empty())
        return Result::Fail(ResultCode::Refused, Reason::NoShows);
    const auto refuse = [&](const std::string& text) {
        if (problem)
            *problem = text;
        return Result::Fail(ResultCode::Refused, Reason::TooLong, text);
    };
    if (const std::string beyond = ClipsBeyond(); !beyond.empty())
        return refuse("Library File not saved. " + beyond);
    const double maximum = m_library.LibraryBytes / ProgressBlock;
    const std::vector<ClipEntry> entries = ClipEntries(clips);
    for (const ClipEntry& entry : entries) {
        m_context.Log("Start Address: " + FloatText(entry.start));
        m_context.Log("Clip Length: " + FloatText(entry.length));
    }
    m_presenter.Say("Copying Audio Clips to Library File");
    ClipProblem why;
    const auto data = LoadClipData(clips, &why, [&](double copied) {
        m_context.status.SetBar(maximum, std::min(copied / ProgressBlock, maximum));
    });
    const auto fail = [&](const std::string& text) {
        if (problem)
            *problem = text;
        return Result::Fail(ResultCode::FileError, Reason::SystemError, text);
    };
    if (!data)
        return fail("Library File not saved: " + ClipProblemText(why));
    const std::filesystem::path path = folder / LibraryFileName;
    const std::string shown = PathText(path);
    if (std::string error; !WriteFileAtomically(path, ClipTable(entries) + *data, &error)) {
        m_context.Log("Library File " + shown + " not saved: " + error, LogFileIo);
        return fail("Library File " + shown + " not saved: " + error);
    }
    m_presenter.Say("Library File saved to:" + shown);
    return Result::Done();
}

void LibraryFeature::SendClips()
{
    std::string problem;
    if (!StartSending(&problem).ok() && !problem.empty())
        Report(problem);
}

Result LibraryFeature::StartSending(std::string* problem)
{
    if (!m_context.Idle() || !m_context.link().IsOpen() || m_library.LibraryBytes == 0)
        return Result::Busy();
    if (const std::string beyond = ClipsBeyond(); !beyond.empty()) {
        if (problem)
            *problem = "Clips not sent. " + beyond;
        return Result::Fail(ResultCode::Refused, Reason::TooLong, beyond);
    }
    const double maximum = m_library.LibraryBytes / ProgressBlock;
    const std::vector<AudioClip> clips = m_library.InOrder();
    // Everything is read before "D" goes out, so a bad file stops the transfer
    // before the controller has been told to expect a library.
    m_presenter.Say("Loading Audio Clips into Computer Memory");
    ClipProblem why;
    auto data = LoadClipData(clips, &why, [&](double loaded) {
        m_context.status.SetBar(maximum, std::min(loaded / ProgressBlock, maximum));
    });
    if (!data) {
        if (problem)
            *problem = "Clips not sent: " + ClipProblemText(why);
        return Result::Fail(ResultCode::FileError, Reason::SystemError);
    }
    m_presenter.TransferStarted();
    m_transfer.Start(ClipEntries(clips), std::move(*data));
    return Result::Done();
}

} // namespace marrowick
