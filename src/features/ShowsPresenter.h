#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "features/StatusBar.h"
#include "projects/ProjectFiles.h"
#include "shows/ShowCompare.h"
#include "shows/ShowEdit.h"
#include "shows/ShowTable.h"
#include "ui/Controls.h"
#include "ui/View.h"

namespace marrowick {

// How "Write Shows" ended, with its backup and its check: the stage that
// ended it, how, and what a person needs to recover.
struct WriteOutcome {
    // The wiring stage reads a K5's trigger wiring before a write that does not know it.
    enum class Stage { Backup, Wiring, Write, Verify };
    Stage stage = Stage::Write;
    Result result;
    std::string backupFolder;     // the folder the backup goes into; empty without one
    bool backedUp = false;        // the backup was made this time
    ShowDifference difference;    // Verify: the first difference
    std::vector<FileEvent> files; // Backup: what saving it did
};

// The words and the look of everything about shows: the list and the labels
// of the Show tab, and the texts of reading, writing, saving and opening.

// "Next", "Previous", "Stop", or "Show # n" for codes of 3 and more (show n =
// code - 2), followed by " Start" when `withStart`.
std::string TriggerActionText(std::uint8_t code, bool withStart);
// "N.O." or "N.C.".
const char* TriggerModeText(std::int16_t mode);
// The configuration labels of the Show tab for the table held: each label
// with its text, empty where the table's source does not say.
std::vector<std::pair<Control, std::string>> ShowLabels(const ShowState& shows);
// The ten rows of the show list: "Show i" and the seven values of entry i.
std::vector<std::vector<std::string>> ShowListRows(const ShowState& shows);
// Column headers of the show list, in order.
const std::vector<std::string>& ShowListColumns();

// The cells of the show list a person may change, by row: the columns of the
// clip, the volume and the delays of each show that exists and takes edits
// (EditProblem); none without a model.
std::vector<std::vector<int>> EditableShowCells(const ShowState& shows, const controller* model);
// The field a column of the show list holds; nothing for a column not edited.
std::optional<ShowEdit::Field> ShowListField(int column);

// A configuration field the Show tab lets a person change: the label that
// shows it where the model does not let it be changed, and the choice that
// changes it.
struct ConfigEditor {
    ShowEdit::Field field;
    Control label;
    Control choice;
};
const std::array<ConfigEditor, 4>& ConfigEditors();
// One item of a configuration choice: the value it sets and its text.
struct ConfigChoice {
    int value = 0;
    std::string text;
};
// What the choice of `field` offers for the table held: "N.O." and "N.C.";
// "No" and "Yes"; "Next", "Previous", "Stop" and "Show # 1 Start" up to the
// last show. A value held that is none of these comes last, so it is shown.
std::vector<ConfigChoice> ConfigChoices(const ShowState& shows, ShowEdit::Field field);

// What would throw away the edits not saved, and is asked about first
// (closing the window: text::CloseQuestionText).
enum class EditsLostBy { Read, Open, Connect };
// The question before it: "The show table has edits that are not saved. Throw
// them away and read the controller's shows?"
std::string LoseEditsText(EditsLostBy what);
// The window caption, marked while the show table has edits not saved:
// "*Marrowick Interface Utility".
std::string EditedCaption(const std::string& caption, bool unsavedEdits);

// The name of an edited field as the Show tab shows it: "Audio Volume", "Trigger A".
const char* EditFieldName(ShowEdit::Field field);
// Why an edit is refused: "Audio Volume takes 0 to 99, not 120", "Show 5 does
// not exist (the last show is 3)", "An L+ has no Trigger B".
std::string EditProblemText(const Result& problem);

// Why the shows held cannot go to a controller whole: "show 2 has 100 of 5000
// bytes; show 3: 003.K5S is missing"; empty when nothing is missing.
std::string ShortfallsText(const ShowState& shows);
// "show count: wrote 3, read back 2", "show 2 data at byte offset 17: wrote
// 0x41, read back 0xBE".
std::string DifferenceText(const ShowDifference& difference);
// A read that ended: "Show read stopped: ..." and why; empty when it worked.
std::string ReadText(const Result& result);
// A write refused or ended: "Show write refused: ...", "Show write stopped:
// ...", "Download Complete".
std::string WriteText(const Result& result, const ShowState& shows);
// "Write Shows" with its backup and check: the text its ending leaves in panel 1.
std::string WriteOutcomeText(const WriteOutcome& outcome, const ShowState& shows);
// One file saved, opened, missing or removed: "Show Saved as: \Demo\001.K5S".
std::string FileEventText(const FileEvent& event);
// "Write 3 shows to the R2? This replaces the shows it holds."
std::string WriteQuestionText(const ShowState& shows, const std::string& model);
// "Shows Backed Up To: FOLDER".
std::string BackedUpText(const std::string& folder);
// "Show Loading Complete. Loaded 3 shows", and what cannot be written whole.
std::string LoadedText(const ShowState& shows);

class ShowsPresenter {
public:
    ShowsPresenter(View& view, StatusBar& status, LogModel& log) : m_view(view), m_status(status), m_log(log) {}

    // The list, the labels and the choices of the table held, with the cells
    // and choices `model` lets a person change.
    void Display(const ShowState& shows, const controller* model);
    void Say(const std::string& text) { m_status.Say(text); }
    // What saving or opening did, file by file; a file not found goes to the log.
    void ShowFiles(const std::vector<FileEvent>& events);
    // The files that were not saved, one a line, for a message box; empty when all were.
    static std::string NotSaved(const std::vector<FileEvent>& events);

private:
    View& m_view;
    StatusBar& m_status;
    LogModel& m_log;
};

} // namespace marrowick
