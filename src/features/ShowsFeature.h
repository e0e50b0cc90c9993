#pragma once

#include <memory>
#include <string>
#include <vector>

#include "conversations/ShowReader.h"
#include "conversations/ShowWriter.h"
#include "features/FeatureContext.h"
#include "features/ShowsPresenter.h"
#include "shows/ShowEdit.h"
#include "shows/ShowTable.h"

namespace marrowick {

// The "Show Read / Write" tab: the show table the program holds, reading it
// from the controller, writing it back, and saving and opening project folders.
class ShowsFeature {
public:
    explicit ShowsFeature(FeatureContext& context);

    ShowState& State() { return m_state; }
    const ShowState& State() const { return m_state; }
    ShowReader& Reader() { return m_reader; }
    ShowWriter& Writer() { return m_writer; }
    ShowsPresenter& Presenter() { return m_presenter; }

    // "Open Existing Shows" once the folder is chosen: the show files (and, for
    // the models that keep one, 000.CFG) of `folder`, read by the current
    // model's rules, and shown. Busy unless idle with a model. `events`, when
    // given, hears what happened to each file.
    Result OpenShowsFrom(const std::string& folder, std::vector<FileEvent>* events = nullptr);
    // Saves every show into `paths.ProjectFolder`, saying so file by file; a
    // message box names the files that were not saved. True when all were.
    bool SaveInto(const ProjectPaths& paths, std::vector<FileEvent>* events = nullptr);
    // Asks for a new project and saves every show into it. False when no
    // project was made or a file could not be saved.
    bool SaveIntoNewProject();
    // Shows the table and its labels as held.
    void Display();

    // Changes one value of the table held, shows it and keeps it for Undo.
    // Refused, with nothing changed, as EditProblem says; Busy unless idle with a model.
    Result Edit(const ShowEdit& edit);
    // Takes back the last edit, or makes again the last one taken back, and
    // shows the table; false when there is none, or a conversation runs.
    bool Undo();
    bool Redo();
    // The edits of the table held since it was read or opened, and whether
    // they are saved.
    const EditHistory& Edits() const { return m_edits; }
    // Whether the table held takes edits at all: shows were read or opened for the model.
    bool Editable() const;
    // Before `what` throws away edits not saved, the person is asked; true
    // when there are none or the answer was to go on.
    bool MayLoseEdits(EditsLostBy what);
    // An edit was made, taken back or saved, or the table was replaced.
    Signal<> EditsChanged;
    // The controller was identified: shows held for another model are let go
    // (with their project), and panel 1 says so. What it said, or nothing.
    std::string ControllerChanged();

    // What "Write Shows" does around the write.
    struct WriteOptions {
        // Not empty: first read the controller's shows, as "Read Shows" does,
        // into this new project folder, and write only when that worked.
        std::string backupFolder;
        // After "Download Complete", read the table and the shows back and
        // compare them with what was written.
        bool verify = false;
    };
    // "Write Shows" with `options`: the backup, the write and the verify in
    // turn, as one operation that raises WriteFinished once when it has
    // started. Busy or refused with nothing sent as the write alone would be,
    // and refused when the backup folder exists already. The backup's and the
    // verify's reads go into a show state of their own: the table held and
    // shown stays as it is, and no save is offered.
    Result WriteShows(const WriteOptions& options);
    Signal<const WriteOutcome&> WriteFinished;
    // The step WriteShows is at ("Backing up shows:", "Writing shows:",
    // "Verifying shows:"; empty when none runs), which the command line puts
    // before the progress line.
    const char* WriteStep() const;

    // The tab's check boxes "Back up the controller's shows first" and
    // "Verify after writing", which the window's "Write Shows" follows.
    bool BackupShows() const { return m_backupShows; }
    // Whether "Write Shows" without a backup or a check asks first.
    bool AskBeforeWrite() const { return m_askBeforeWrite; }
    bool VerifyShows() const { return m_verifyShows; }
    // Sets both, and the check boxes with them (the stored settings at start-up).
    void SetWriteSwitches(bool backupShows, bool verifyShows, bool askBeforeWrite = true);
    // The user ticked or cleared one of them.
    Signal<> WriteSwitchesChanged;
    // Where the window keeps its backups, one folder each; empty: nowhere.
    std::string backupRoot;
    // A folder of backupRoot that does not exist yet, named by the model, its
    // serial number (for the models that have one) and the time:
    // "R2 1A2B3C4D 2026-06-12 12.00.00".
    std::string NewBackupFolder() const;

private:
    using Stage = WriteOutcome::Stage;

    void OnReadShows();
    void OnOpenShows();
    void OnWriteShows();
    void ReadEnded(const Result& outcome);
    void OfferSave();
    Result StartWrite();
    Result StartCopyRead(Stage stage);
    void CopyReadEnded(const Result& outcome);
    void WriteEnded(const Result& outcome);
    void NextStep();
    void SaveBackup();
    // What the controller's own read said of its trigger wiring, when the shows held do not know it.
    void AdoptWiring();
    void Verify();
    void EndWrite(const Result& result);
    // The table held was replaced (or saved, `saved`): the edits start afresh.
    void EditsEnded(bool saved);
    // An edit made in the window; a refused one is said in panel 1, and the
    // window shows the table as it still is.
    void EditFromWindow(const ShowEdit& edit);

    FeatureContext& m_context;
    ShowsPresenter m_presenter;
    ShowState m_state;
    EditHistory m_edits;
    ShowReader m_reader;
    ShowWriter m_writer;
    bool m_offerPending = false;
    std::unique_ptr<Timer> m_offer;

    // WriteShows: the stage it is at, its options, and what the backup's and
    // the verify's reads bring, never shown.
    bool m_writing = false;
    WriteOutcome m_outcome;
    WriteOptions m_options;
    ShowState m_copy;
    ShowReader m_copyReader;
    // Takes the next step once the receive event that ended the last has returned.
    std::unique_ptr<Timer> m_next;
    bool m_backupShows = false;
    bool m_verifyShows = false;
    bool m_askBeforeWrite = true;
};

} // namespace marrowick
