#include "features/ShowsFeature.h"

#include <filesystem>
#include <system_error>

#include "base/Files.h"
#include "features/NewProject.h"
#include "features/ProjectFiles.h"
#include "shows/ShowCompare.h"

namespace marrowick {
namespace {

namespace fs = std::filesystem;

constexpr const char* NotWritten = "; the shows were not written";

// Any entry of that name, a dangling link included.
bool Taken(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

} // namespace

ShowsFeature::ShowsFeature(FeatureContext& context)
    : m_context(context), m_reader(context.conversations, m_state), m_writer(context.conversations, m_state),
      m_offer(context.clock().createTimer()), m_copyReader(context.conversations, m_copy),
      m_next(context.clock().createTimer())
{
    m_offer->onTimeout = [this] { OfferSave(); };
    m_next->onTimeout = [this] { NextStep(); };
    CommandMap& commands = context.commands;
    commands.OnClick(control::btnReadShows, [this] { OnReadShows(); });
    commands.OnClick(control::btnWriteShows, [this] { OnWriteShows(); });
    commands.OnClick(control::btnOpenShows, [this] { OnOpenShows(); });
    commands.OnClick(control::btnSaveShows, [this] {
        if (m_state.ShowCount != 0)
            SaveIntoNewProject();
    });
    commands.OnToggle(control::chkBackupShows, [this](bool checked) {
        m_backupShows = checked;
        WriteSwitchesChanged();
    });
    commands.OnToggle(control::chkVerifyShows, [this](bool checked) {
        m_verifyShows = checked;
        WriteSwitchesChanged();
    });
    m_reader.Shown.connect([this] { Display(); });
    m_copyReader.Finished.connect([this](const Result& outcome) { CopyReadEnded(outcome); });
    m_writer.Finished.connect([this](const Result& outcome) { WriteEnded(outcome); });
}

void ShowsFeature::Display()
{
    ShowLabels(m_context.view, m_state, m_shownLabels);
    m_shownLabels = m_state.labels;
    FillShowList(m_context.view, m_state);
}

void ShowsFeature::OnReadShows()
{
    // Offered only for a read started here; a command line saves on its own.
    m_pendingOffer = m_reader.Finished.connect([this](const Result& outcome) { ReadEnded(outcome); });
    if (!m_reader.Start().ok())
        m_reader.Finished.disconnect(m_pendingOffer);
}

void ShowsFeature::ReadEnded(const Result& outcome)
{
    m_reader.Finished.disconnect(m_pendingOffer);
    // The offer waits until the receive event that brought the last show has
    // returned, so no dialog opens inside the dispatcher and what the
    // controller sends while it is open is read and dropped.
    if (outcome.ok() && !m_context.conversations.slot.closing)
        m_offer->start(0);
}

void ShowsFeature::OfferSave()
{
    const controller* model = m_context.model();
    if (!model || m_context.conversations.slot.closing)
        return;
    if (!m_context.dialogs.question(Question::SaveShows, "Save Shows To Computer?", model->Name(),
                                    DialogIcon::Question))
        return;
    SaveIntoNewProject();
}

bool ShowsFeature::SaveIntoNewProject()
{
    return NewProject(m_context) && SaveAllShows(m_context, m_state);
}

void ShowsFeature::OnOpenShows()
{
    if (m_context.State() != StateIdle)
        return;
    const auto folder = m_context.dialogs.chooseFolder("Select Project Folder");
    if (!folder || folder->empty())
        return;
    // The status bar says why; the box makes sure a refused open is noticed.
    const Result opened = OpenShowsFrom(*folder);
    if (!opened.ok() && opened.code != ResultCode::Busy)
        m_context.dialogs.message("Failed", AppTitle, DialogIcon::None);
}

Result ShowsFeature::OpenShowsFrom(const std::string& folder)
{
    Result result = OpenExistingShows(m_context, m_state, folder);
    if (result.ok())
        Display();
    return result;
}

void ShowsFeature::SetWriteSwitches(bool backupShows, bool verifyShows)
{
    m_backupShows = backupShows;
    m_verifyShows = verifyShows;
    m_context.view.setChecked(control::chkBackupShows, backupShows);
    m_context.view.setChecked(control::chkVerifyShows, verifyShows);
}

std::string ShowsFeature::NewBackupFolder() const
{
    const controller* model = m_context.model();
    if (backupRoot.empty() || !model)
        return {};
    std::string name = model->Name();
    // Only a serial number the controller gave is kept (eight hexadecimal digits).
    if (model->Traits().asksSerialNumber && !m_context.identity().SerialNumber.empty())
        name += " " + m_context.identity().SerialNumber;
    name += " " + FileNameStamp(m_context.clock().localDateTime());
    // Two backups within a second, or the same hour twice when the clocks go back.
    fs::path folder = PathFromUtf8(backupRoot) / PathFromUtf8(name);
    for (int number = 2; Taken(folder) && number < 1000; ++number)
        folder = PathFromUtf8(backupRoot) / PathFromUtf8(name + " (" + std::to_string(number) + ")");
    return Utf8FromPath(folder);
}

void ShowsFeature::OnWriteShows()
{
    WriteOptions options;
    options.verify = m_verifyShows;
    if (m_backupShows) {
        // Without a model or while another conversation runs, the write does
        // nothing; with a backup asked for, nothing may be written without one.
        if (!m_context.model() || m_context.State() != StateIdle)
            return;
        options.backupFolder = NewBackupFolder();
        if (options.backupFolder.empty()) {
            m_context.status().SetStatus(1, std::string("Show Backup Failed: there is no folder for backups") +
                                                NotWritten);
            return;
        }
    }
    WriteShows(options);
}

Result ShowsFeature::WriteShows(const WriteOptions& options)
{
    if (m_step != Step::None)
        return Result::Busy();
    m_options = options;
    m_backedUp = false;
    const controller* model = m_context.model();
    const bool guarded = !options.backupFolder.empty() || options.verify;
    // A write that would be refused is refused before anything is read.
    if (!guarded || !model || !model->Traits().hasShowTable || m_state.ShowCount == 0 ||
        !m_writer.Problem(model->Traits().layout).empty())
        return StartWrite();
    if (m_context.State() != StateIdle || !m_context.link().IsOpen())
        return Result::Busy();
    if (options.backupFolder.empty())
        return StartWrite();
    if (Taken(PathFromUtf8(options.backupFolder))) {
        m_context.status().SetStatus(1, "Show Backup Failed: " + WithNativeSeparators(options.backupFolder) +
                                            " exists already" + NotWritten);
        return Result::Fail(ResultCode::Refused, m_context.status().Status(1));
    }
    return StartCopyRead(Step::Backup);
}

Result ShowsFeature::StartWrite()
{
    // Set first: a port lost while the table goes out ends the write at once.
    m_step = Step::Write;
    const Result started = m_writer.Start();
    if (!started.ok() && m_step == Step::Write)
        m_step = Step::None;
    return started;
}

Result ShowsFeature::StartCopyRead(Step step)
{
    m_copy = ShowState{};
    m_step = step;
    const Result started = m_copyReader.Start();
    if (!started.ok() && m_step == step)
        m_step = Step::None;
    return started;
}

void ShowsFeature::CopyReadEnded(const Result& outcome)
{
    if (m_step == Step::Backup && !outcome.ok())
        EndWrite(Result::Fail(outcome.code, "Show Backup Failed: " + outcome.message + NotWritten));
    else if (m_step == Step::Backup)
        m_next->start(0); // saved once the receive event that brought the last show has returned
    else if (m_step == Step::Verify && !outcome.ok())
        EndWrite(Result::Fail(outcome.code, "Show Verify Failed: " + outcome.message));
    else if (m_step == Step::Verify)
        Verify();
}

void ShowsFeature::WriteEnded(const Result& outcome)
{
    if (m_step != Step::Write)
        return;
    if (outcome.ok() && m_options.verify) {
        // Asked for once the receive event that ended the write has returned.
        m_step = Step::Verify;
        m_next->start(0);
        return;
    }
    EndWrite(outcome);
}

void ShowsFeature::NextStep()
{
    if (m_context.conversations.slot.closing) {
        EndWrite(Result::Fail(ResultCode::Cancelled, "The program is closing"));
        return;
    }
    if (m_step == Step::Backup) {
        SaveBackup();
        return;
    }
    if (m_step != Step::Verify)
        return;
    const Result started = StartCopyRead(Step::Verify);
    if (!started.ok())
        EndWrite(Result::Fail(started.code, "Show Verify Failed: " +
                                                (started.message.empty() ? "the link was busy" : started.message)));
}

void ShowsFeature::SaveBackup()
{
    const fs::path folder = PathFromUtf8(m_options.backupFolder);
    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (!fs::create_directory(folder, ec)) {
        const std::string why = ec ? ec.message() : "it exists already";
        EndWrite(Result::Fail(ResultCode::FileError,
                              "Show Backup Failed: cannot create " + PathText(folder) + ": " + why + NotWritten));
        return;
    }
    // Saved as a project made in the window would be, without a question and
    // without touching the project folders the window holds.
    ProjectPaths paths{Utf8FromPath(folder.parent_path()),
                       Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator)};
    const FeatureContext backup{m_context.view, m_context.dialogs, m_context.conversations, paths, m_context.commands};
    if (!SaveAllShows(backup, m_copy)) {
        const std::string why = m_context.status().Status(1);
        fs::remove_all(folder, ec);
        EndWrite(Result::Fail(ResultCode::FileError, "Show Backup Failed: " + why + NotWritten));
        return;
    }
    m_backedUp = true;
    m_context.Log("The controller's shows are backed up in " + PathText(folder));
    m_context.status().SetStatus(1, "Shows Backed Up To: " + PathText(folder));
    const Result started = StartWrite();
    if (!started.ok() && m_step == Step::None)
        EndWrite(started.message.empty() ? Result::Fail(started.code, "Show write stopped: the link was busy")
                                         : started);
}

void ShowsFeature::Verify()
{
    const controller* model = m_context.model();
    const std::string difference =
        model ? FirstShowDifference(m_state, m_copy, model->Traits().layout) : "the controller's model is not known";
    EndWrite(difference.empty() ? Result::Done("Shows Verified")
                                : Result::Fail(ResultCode::UnreadableReply, "Show Verify Failed: " + difference));
}

void ShowsFeature::EndWrite(const Result& outcome)
{
    m_step = Step::None;
    Result ended = outcome;
    // Where to find what the controller held, when the write or the check failed.
    if (!ended.ok() && m_backedUp)
        ended.message += "; the controller's shows from before are in " + WithNativeSeparators(m_options.backupFolder);
    if (!ended.message.empty() && ended.message != m_context.status().Status(1))
        m_context.status().SetStatus(1, ended.message);
    WriteFinished(ended);
}

const char* ShowsFeature::WriteStep() const
{
    switch (m_step) {
    case Step::Backup:
        return "Backing up shows:";
    case Step::Write:
        return "Writing shows:";
    case Step::Verify:
        return "Verifying shows:";
    case Step::None:
        break;
    }
    return "";
}

} // namespace marrowick
