#include "features/ShowsFeature.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/Files.h"
#include "features/NewProject.h"
#include "features/Texts.h"

namespace marrowick {
namespace {

namespace fs = std::filesystem;

// Any entry of that name, a dangling link included.
bool Taken(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Seconds as a single-precision number with up to seven significant digits.
std::string SecondsText(float seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(seconds));
    return text;
}

} // namespace

ShowsFeature::ShowsFeature(FeatureContext& context)
    : m_context(context), m_presenter(context.view, context.status, context.log()),
      m_reader(context.conversations, m_state), m_writer(context.conversations, m_state),
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
    commands.OnClick(control::btnUndo, [this] { Undo(); });
    commands.OnClick(control::btnRedo, [this] { Redo(); });
    commands.OnCellEdited(control::ListShows, [this](int row, int column, int value) {
        if (const auto field = ShowListField(column))
            EditFromWindow({*field, row, value});
    });
    for (const ConfigEditor& editor : ConfigEditors())
        commands.OnOption(editor.choice, [this, field = editor.field](int index) {
            const std::vector<ConfigChoice> choices = ConfigChoices(m_state, field);
            if (index >= 0 && static_cast<std::size_t>(index) < choices.size())
                EditFromWindow({field, -1, choices[static_cast<std::size_t>(index)].value});
        });
    commands.OnToggle(control::chkBackupShows, [this](bool checked) {
        m_backupShows = checked;
        WriteSwitchesChanged();
    });
    commands.OnToggle(control::chkVerifyShows, [this](bool checked) {
        m_verifyShows = checked;
        WriteSwitchesChanged();
    });
    // Both reads say what they do, whoever started them.
    context.conversations.slot.Started.connect([this](const Conversation& conversation) {
        if (&conversation == &m_reader || &conversation == &m_copyReader)
            m_presenter.Say("Reading Shows");
    });
    for (ShowReader* reader : {&m_reader, &m_copyReader}) {
        reader->TableReceived.connect(
            [this](float seconds) { m_presenter.Say("TOC Received- Time: " + SecondsText(seconds)); });
        reader->Finished.connect([this](const Result& outcome) {
            if (!outcome.ok())
                m_presenter.Say(ReadText(outcome));
        });
    }
    m_reader.Shown.connect([this] { Display(); });
    // Blocks taken in a state forced from the log window replace the table at
    // once; a read replaces it once it has worked (ReadEnded).
    m_reader.TableReceived.connect([this](float) {
        if (!m_reader.Running())
            EditsEnded(false);
    });
    m_reader.Finished.connect([this](const Result& outcome) { ReadEnded(outcome); });
    m_copyReader.Finished.connect([this](const Result& outcome) { CopyReadEnded(outcome); });
    m_writer.Finished.connect([this](const Result& outcome) {
        m_presenter.Say(WriteText(outcome, m_state));
        WriteEnded(outcome);
    });
}

void ShowsFeature::Display()
{
    m_presenter.Display(m_state, m_context.model());
}

bool ShowsFeature::Editable() const
{
    const controller* model = m_context.model();
    return model && m_state.source != ShowSource::None &&
           EditProblem(m_state, *model, {ShowEdit::Field::Wiring, -1, 0}).ok();
}

bool ShowsFeature::MayLoseEdits(EditsLostBy what)
{
    return !m_edits.Unsaved() ||
           m_context.dialogs.question(Question::LoseEdits, LoseEditsText(what), AppTitle, DialogIcon::Question);
}

void ShowsFeature::EditFromWindow(const ShowEdit& edit)
{
    const Result made = Edit(edit);
    if (made.ok())
        return;
    if (made.code != ResultCode::Busy)
        m_presenter.Say(EditProblemText(made));
    Display();
}

Result ShowsFeature::Edit(const ShowEdit& edit)
{
    const controller* model = m_context.model();
    if (!m_context.Idle() || !model)
        return Result::Busy();
    if (Result problem = EditProblem(m_state, *model, edit); !problem.ok())
        return problem;
    m_edits.Make(m_state, edit);
    Display();
    EditsChanged();
    return Result::Done();
}

bool ShowsFeature::Undo()
{
    if (!m_context.Idle() || !m_edits.Undo(m_state))
        return false;
    Display();
    EditsChanged();
    return true;
}

bool ShowsFeature::Redo()
{
    if (!m_context.Idle() || !m_edits.Redo(m_state))
        return false;
    Display();
    EditsChanged();
    return true;
}

void ShowsFeature::EditsEnded(bool saved)
{
    if (saved)
        m_edits.MarkSaved();
    else
        m_edits.Clear();
    EditsChanged();
}

std::string ShowsFeature::ControllerChanged()
{
    const controller* model = m_context.model();
    if (!model || m_state.model.empty() || m_state.model == model->Name())
        return {};
    m_state = ShowState{};
    m_context.paths.OpenProject.clear();
    EditsEnded(false);
    Display();
    std::string said = "Shows cleared: the controller is now " + text::WithArticle(model->Name());
    m_presenter.Say(said);
    return said;
}

void ShowsFeature::OnReadShows()
{
    // Asked only when the read can start: otherwise it says why it cannot.
    if (m_reader.Refusal().ok() && !MayLoseEdits(EditsLostBy::Read))
        return;
    // Offered only for a read started here; a command line saves on its own.
    const Result started = m_reader.Start();
    m_offerPending = started.ok();
    if (!started.ok())
        m_presenter.Say(ReadText(started));
}

void ShowsFeature::ReadEnded(const Result& outcome)
{
    // A read that failed gave back the table held before, edits and all.
    if (outcome.ok())
        EditsEnded(false);
    // The offer waits until the receive event that brought the last show has
    // returned, so no dialog opens inside the dispatcher and what the
    // controller sends while it is open is read and dropped.
    if (outcome.ok() && m_offerPending && !m_context.conversations.slot.closing)
        m_offer->start(0);
    m_offerPending = false;
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

bool ShowsFeature::SaveInto(const ProjectPaths& paths, std::vector<FileEvent>* events)
{
    const controller* model = m_context.model();
    if (!model)
        return false;
    std::vector<FileEvent> done;
    const bool saved = SaveAllShows(paths, *model, m_state, done);
    if (saved) {
        m_context.paths.OpenProject = WithoutTrailingSeparator(paths.ProjectFolder);
        EditsEnded(true);
    }
    m_presenter.ShowFiles(done);
    if (!saved)
        m_context.dialogs.message(ShowsPresenter::NotSaved(done), AppTitle, DialogIcon::Critical);
    if (events)
        *events = std::move(done);
    return saved;
}

bool ShowsFeature::SaveIntoNewProject()
{
    return NewProject(m_context) && SaveInto(m_context.paths);
}

void ShowsFeature::OnOpenShows()
{
    if (!m_context.Idle())
        return;
    const auto folder = m_context.dialogs.chooseFolder("Select Project Folder");
    if (!folder || folder->empty() || !MayLoseEdits(EditsLostBy::Open))
        return;
    // The status bar says why; the box makes sure a refused open is noticed.
    const Result opened = OpenShowsFrom(*folder);
    if (!opened.ok() && opened.code != ResultCode::Busy)
        m_context.dialogs.message("Failed", AppTitle, DialogIcon::None);
}

Result ShowsFeature::OpenShowsFrom(const std::string& folder, std::vector<FileEvent>* events)
{
    const controller* model = m_context.model();
    if (!m_context.Idle() || !model)
        return Result::Busy();
    std::vector<FileEvent> done;
    Result opened = OpenExistingShows(m_context.paths, *model, m_state, folder, done);
    m_presenter.ShowFiles(done);
    if (events)
        *events = std::move(done);
    if (!opened.ok())
        return opened;
    m_context.paths.OpenProject = WithoutTrailingSeparator(folder);
    EditsEnded(false);
    m_presenter.Say(LoadedText(m_state));
    Display();
    return opened;
}

void ShowsFeature::SetWriteSwitches(bool backupShows, bool verifyShows, bool askBeforeWrite)
{
    m_backupShows = backupShows;
    m_verifyShows = verifyShows;
    m_askBeforeWrite = askBeforeWrite;
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
    // Nothing guards this write: it replaces the controller's shows for good.
    const controller* model = m_context.model();
    if (!m_backupShows && !m_verifyShows && m_askBeforeWrite && model && m_context.Idle() && m_state.ShowCount != 0 &&
        m_writer.Problem().ok()) {
        bool askAgain = true;
        if (!m_context.dialogs.confirm(Question::WriteShows, WriteQuestionText(m_state, model->Name()), askAgain))
            return;
        if (!askAgain) {
            m_askBeforeWrite = false;
            WriteSwitchesChanged();
        }
    }
    WriteOptions options;
    options.verify = m_verifyShows;
    if (m_backupShows) {
        // Without a model or while another conversation runs, the write does
        // nothing; with a backup asked for, nothing may be written without one.
        if (!m_context.model() || !m_context.Idle())
            return;
        options.backupFolder = NewBackupFolder();
        if (options.backupFolder.empty()) {
            m_outcome = {Stage::Backup, Result::Done(), {}, false, {}, {}};
            m_writing = true;
            EndWrite(Result::Fail(ResultCode::Refused, Reason::NoBackupRoot));
            return;
        }
    }
    WriteShows(options);
}

Result ShowsFeature::WriteShows(const WriteOptions& options)
{
    if (m_writing)
        return Result::Busy();
    m_options = options;
    m_outcome = {Stage::Write, Result::Done(), options.backupFolder, false, {}, {}};
    const controller* model = m_context.model();
    // A K5 write sends the trigger wiring: when the shows held do not know the
    // controller's, it is read from the controller first.
    const bool needWiring =
        model && model->Traits().hasShowTable && model->Traits().layout == TableLayout::K5 && !m_state.triggerKnown;
    const bool guarded = !options.backupFolder.empty() || options.verify || needWiring;
    // A write that would be refused is refused before anything is read.
    if (!guarded || !model || m_state.ShowCount == 0 || !m_writer.Problem().ok())
        return StartWrite();
    if (!m_context.Idle() || !m_context.link().IsOpen())
        return Result::Busy();
    if (options.backupFolder.empty())
        return needWiring ? StartCopyRead(Stage::Wiring) : StartWrite();
    if (Taken(PathFromUtf8(options.backupFolder))) {
        m_outcome.stage = Stage::Backup;
        m_outcome.result = Result::Fail(ResultCode::Refused, Reason::FolderExists, options.backupFolder);
        m_presenter.Say(WriteOutcomeText(m_outcome, m_state));
        return m_outcome.result;
    }
    return StartCopyRead(Stage::Backup);
}

Result ShowsFeature::StartWrite()
{
    // Set first: a port lost while the table goes out ends the write at once.
    m_writing = true;
    m_outcome.stage = Stage::Write;
    // After a backup its folder stays in view while the shows go out.
    if (!m_outcome.backedUp && m_context.Idle())
        m_context.status.Narrate("Writing Shows");
    Result started = m_writer.Start();
    if (!started.ok() && !m_writer.Running()) {
        m_writing = false;
        if (started.code != ResultCode::Busy)
            m_presenter.Say(WriteText(started, m_state));
    }
    return started;
}

Result ShowsFeature::StartCopyRead(Stage stage)
{
    m_copy = ShowState{};
    m_writing = true;
    m_outcome.stage = stage;
    Result started = m_copyReader.Start();
    if (!started.ok() && !m_copyReader.Running())
        m_writing = false;
    else if (started.ok()) // after the reader's own "Reading Shows"
        m_context.status.Narrate(stage == Stage::Backup   ? "Backing Up Shows"
                                 : stage == Stage::Wiring ? "Writing Shows"
                                                          : "Verifying Shows");
    return started;
}

void ShowsFeature::CopyReadEnded(const Result& outcome)
{
    if (!m_writing)
        return;
    if (!outcome.ok())
        EndWrite(outcome);
    else if (m_outcome.stage == Stage::Backup || m_outcome.stage == Stage::Wiring)
        m_next->start(0); // taken once the receive event that brought the last show has returned
    else
        Verify();
}

void ShowsFeature::WriteEnded(const Result& outcome)
{
    if (!m_writing || m_outcome.stage != Stage::Write)
        return;
    if (outcome.ok() && m_options.verify) {
        // Asked for once the receive event that ended the write has returned.
        m_outcome.stage = Stage::Verify;
        m_next->start(0);
        return;
    }
    EndWrite(outcome);
}

void ShowsFeature::NextStep()
{
    if (m_context.conversations.slot.closing) {
        EndWrite(m_context.conversations.slot.Stopping());
        return;
    }
    if (m_outcome.stage == Stage::Backup) {
        SaveBackup();
        return;
    }
    if (m_outcome.stage == Stage::Wiring) {
        AdoptWiring();
        const Result started = StartWrite();
        if (!started.ok() && !m_writer.Running()) {
            m_writing = true;
            EndWrite(started);
        }
        return;
    }
    const Result started = StartCopyRead(Stage::Verify);
    if (!started.ok()) {
        m_writing = true;
        EndWrite(started);
    }
}

void ShowsFeature::SaveBackup()
{
    const fs::path folder = PathFromUtf8(m_options.backupFolder);
    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (!fs::create_directory(folder, ec)) {
        const std::string why = ec ? ec.message() : "it exists already";
        EndWrite(Result::Fail(ResultCode::FileError, Reason::CannotCreateFolder, why));
        return;
    }
    // Saved as a project made in the window would be, without a question and
    // without touching the project folders the window holds.
    const ProjectPaths paths{Utf8FromPath(folder.parent_path()),
                             Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator),
                             {}};
    std::vector<FileEvent> events;
    const controller* model = m_context.model();
    const bool saved = model && SaveAllShows(paths, *model, m_copy, events);
    m_presenter.ShowFiles(events);
    if (!saved) {
        fs::remove_all(folder, ec);
        m_outcome.files = std::move(events);
        EndWrite(Result::Fail(ResultCode::FileError, Reason::SystemError));
        return;
    }
    m_outcome.backedUp = true;
    m_presenter.Say(BackedUpText(m_options.backupFolder));
    AdoptWiring();
    const Result started = StartWrite();
    if (!started.ok() && !m_writer.Running()) {
        m_writing = true;
        EndWrite(started);
    }
}

void ShowsFeature::AdoptWiring()
{
    if (m_state.triggerKnown || !m_copy.triggerKnown)
        return;
    m_state.TriggerMode = m_copy.TriggerMode;
    m_state.triggerKnown = true;
    m_context.Log(std::string("The controller's trigger wiring is kept: ") + TriggerModeText(m_state.TriggerMode));
    Display();
}

void ShowsFeature::Verify()
{
    const controller* model = m_context.model();
    m_outcome.difference = FirstShowDifference(m_state, m_copy, model->Traits().layout);
    EndWrite(m_outcome.difference ? Result::Fail(ResultCode::UnreadableReply, Reason::ShowsDiffer) : Result::Done());
}

void ShowsFeature::EndWrite(const Result& result)
{
    if (!m_writing)
        return;
    m_writing = false;
    m_outcome.result = result.code == ResultCode::Busy ? Result::Fail(ResultCode::Busy, Reason::Busy) : result;
    const std::string text = WriteOutcomeText(m_outcome, m_state);
    m_presenter.Say(text);
    // A failure that cost the controller its shows, or a check that found them
    // wrong, is not left to the status bar alone.
    if (!m_outcome.result.ok() && m_outcome.result.code != ResultCode::Busy && !m_context.conversations.slot.closing)
        m_context.dialogs.failure(text, m_outcome.backedUp ? m_options.backupFolder : std::string());
    WriteFinished(m_outcome);
}

const char* ShowsFeature::WriteStep() const
{
    if (!m_writing)
        return "";
    switch (m_outcome.stage) {
    case Stage::Backup:
        return "Backing up shows:";
    case Stage::Wiring:
        return "Reading the trigger wiring:";
    case Stage::Write:
        return "Writing shows:";
    case Stage::Verify:
        return "Verifying shows:";
    }
    return "";
}

} // namespace marrowick
