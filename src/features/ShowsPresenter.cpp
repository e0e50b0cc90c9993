#include "features/ShowsPresenter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/Files.h"
#include "features/Texts.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

using Step = FileEvent::Step;
using Kind = FileEvent::Kind;
using Field = ShowDifference::Field;

std::string Show(int show)
{
    return "show " + std::to_string(show);
}

std::string YesNo(bool value)
{
    return value ? "Yes" : "No";
}

std::string Hex(long long byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte & 0xFF));
    return text;
}

// Reasons a table is not taken, worded the same wherever the table came from.
std::string TooLongText(const Result& result)
{
    return Show(result.number) + " is " + std::to_string(result.got) + " bytes long; a controller holds at most " +
           std::to_string(result.expected) + " bytes of shows";
}

// What is wrong with a file that would not open or save, after its name.
std::string FileProblemText(const FileEvent& event)
{
    const Result& problem = event.problem;
    switch (problem.reason) {
    case Reason::NoProjectFolder:
        return ": no project folder";
    case Reason::NoTableImage:
        return ": no table image of " + std::to_string(problem.expected) + " bytes to save";
    case Reason::FileSize:
        if (event.kind == Kind::Config)
            return " holds " + std::to_string(problem.got) + " bytes, not " + std::to_string(problem.expected);
        return " holds only " + std::to_string(problem.got) + " bytes";
    case Reason::ChangedWhileRead:
        return " changed while it was read";
    case Reason::TooManyShows:
        return ": the file reports " + std::to_string(problem.got) + " shows; at most " +
               std::to_string(problem.expected) + " can be held";
    case Reason::NegativeLength:
        return ": " + Show(problem.number) + " has a negative length (" + std::to_string(problem.got) + ")";
    case Reason::TooLong:
        return ": " + TooLongText(problem);
    default:
        return ": " + text::Why(problem);
    }
}

} // namespace

std::string TriggerActionText(std::uint8_t code, bool withStart)
{
    switch (code) {
    case 0:
        return "Next";
    case 1:
        return "Previous";
    case 2:
        return "Stop";
    default:
        return "Show # " + std::to_string(code - 2) + (withStart ? " Start" : "");
    }
}

namespace {

using Edited = ShowEdit::Field;

// The columns of the show list that take edits (0 is the row's own text).
constexpr std::pair<int, Edited> EditedColumns[] = {
    {3, Edited::Clip}, {4, Edited::Volume}, {5, Edited::PreDelay}, {6, Edited::PostDelay}};

// Whether the table held says what the field is, as its label shows it.
bool FieldKnown(const ShowState& shows, Edited field)
{
    if (field == Edited::Wiring)
        return shows.source != ShowSource::None && shows.triggerKnown;
    return shows.source == ShowSource::R2Reply || shows.source == ShowSource::ConfigFile;
}

} // namespace

std::vector<std::vector<int>> EditableShowCells(const ShowState& shows, const controller* model)
{
    std::vector<std::vector<int>> cells(BlocksPerTable);
    if (model == nullptr || shows.source == ShowSource::None)
        return cells;
    for (std::size_t row = 0; row < BlocksPerTable; ++row)
        for (const auto& [column, field] : EditedColumns)
            if (EditProblem(shows, *model, {field, static_cast<int>(row), 0}).ok())
                cells[row].push_back(column);
    return cells;
}

std::optional<ShowEdit::Field> ShowListField(int column)
{
    for (const auto& [edited, field] : EditedColumns)
        if (edited == column)
            return field;
    return std::nullopt;
}

const std::array<ConfigEditor, 4>& ConfigEditors()
{
    static const std::array<ConfigEditor, 4> editors = {{
        {Edited::Wiring, control::lblTrigger, control::cboTrigger},
        {Edited::Lockout, control::lblLockOut, control::cboLockOut},
        {Edited::TriggerA, control::LblTriggerAvalue, control::cboTriggerA},
        {Edited::TriggerB, control::LblTriggerBvalue, control::cboTriggerB},
    }};
    return editors;
}

std::vector<ConfigChoice> ConfigChoices(const ShowState& shows, ShowEdit::Field field)
{
    if (field == Edited::Wiring)
        return {{0, TriggerModeText(0)}, {1, TriggerModeText(1)}};
    if (field == Edited::Lockout)
        return {{0, YesNo(false)}, {1, YesNo(true)}};
    // Next, Previous, Stop, then a start for each numbered show (code 3 starts show 1).
    const int last = 2 + std::min<int>(shows.ShowCount, MaxShowCount);
    std::vector<ConfigChoice> choices;
    for (int code = 0; code <= last; ++code)
        choices.push_back({code, TriggerActionText(static_cast<std::uint8_t>(code), true)});
    const int held = FieldValue(shows, {field, -1, 0});
    if (FieldKnown(shows, field) && held > last)
        choices.push_back({held, TriggerActionText(static_cast<std::uint8_t>(held), true)});
    return choices;
}

std::string LoseEditsText(EditsLostBy what)
{
    switch (what) {
    case EditsLostBy::Read:
        return text::UnsavedEdits + " Throw them away and read the controller's shows?";
    case EditsLostBy::Open:
        return text::UnsavedEdits + " Throw them away and open the shows of the chosen folder?";
    case EditsLostBy::Connect:
        break;
    }
    return text::UnsavedEdits + " If the controller you connect to is of another model, they are thrown away. "
                                "Connect anyway?";
}

std::string EditedCaption(const std::string& caption, bool unsavedEdits)
{
    return unsavedEdits ? "*" + caption : caption;
}

const char* EditFieldName(ShowEdit::Field field)
{
    switch (field) {
    case ShowEdit::Field::Clip:
        return "Audio clip";
    case ShowEdit::Field::Volume:
        return "Audio Volume";
    case ShowEdit::Field::PreDelay:
        return "Pre Show Delay";
    case ShowEdit::Field::PostDelay:
        return "Post Show Delay";
    case ShowEdit::Field::Wiring:
        return "Trigger Mode";
    case ShowEdit::Field::Lockout:
        return "Lockout";
    case ShowEdit::Field::TriggerA:
        return "Trigger A";
    case ShowEdit::Field::TriggerB:
        return "Trigger B";
    }
    return "";
}

std::string EditProblemText(const Result& problem)
{
    const auto field = static_cast<ShowEdit::Field>(problem.number);
    switch (problem.reason) {
    case Reason::NoSuchShow:
        return "Show " + std::to_string(problem.number) + " does not exist" +
               (problem.got > 0 ? " (the last show is " + std::to_string(problem.got) + ")"
                                : " (no numbered shows are held)");
    case Reason::OutOfRange:
        return std::string(EditFieldName(field)) + " takes 0 to " + std::to_string(problem.expected) + ", not " +
               std::to_string(problem.got);
    case Reason::NoShowField: {
        std::string text = text::WithArticle(problem.detail) + " has no " + EditFieldName(field);
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return text;
    }
    case Reason::NoShowTable:
        return "A T7 has no show table";
    case Reason::OtherModel:
        return "The shows held are for " + text::WithArticle(problem.detail);
    case Reason::NoTableImage:
        return "No table image is held to edit";
    default:
        return text::Why(problem);
    }
}

const char* TriggerModeText(std::int16_t mode)
{
    return mode == 1 ? "N.C." : "N.O.";
}

std::vector<std::pair<Control, std::string>> ShowLabels(const ShowState& shows)
{
    const ShowSource source = shows.source;
    const bool any = source != ShowSource::None;
    const bool image = source == ShowSource::R2Reply || source == ShowSource::ConfigFile;
    const bool trigger =
        (source == ShowSource::K5Reply || source == ShowSource::K5Project || image) && shows.triggerKnown;
    const bool withStart = source == ShowSource::R2Reply;
    std::string ambient;
    if (source == ShowSource::K5Reply)
        ambient = shows.AmbientMode ? "Y" : "N";
    else if (any)
        ambient = YesNo(shows.AmbientMode);
    return {
        {control::lblShowCount, any ? std::to_string(shows.ShowCount) : ""},
        {control::lblAmbient, ambient},
        {control::lblTrigger, trigger ? TriggerModeText(shows.TriggerMode) : ""},
        {control::lblLockOut, image ? YesNo(shows.LockOut == 1) : ""},
        {control::LblTriggerAvalue, image ? TriggerActionText(TriggerActionA(shows), withStart) : ""},
        {control::LblTriggerBvalue, image ? TriggerActionText(TriggerActionB(shows), withStart) : ""},
    };
}

const std::vector<std::string>& ShowListColumns()
{
    static const std::vector<std::string> columns = {"Show Start",   "Show Length",    "Audio clip",
                                                     "Audio Volume", "Pre Show Delay", "Post Show Delay",
                                                     "Configuration"};
    return columns;
}

std::vector<std::vector<std::string>> ShowListRows(const ShowState& shows)
{
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < BlocksPerTable; ++i) {
        const ShowEntry& e = shows.ShowTable[i];
        rows.push_back({"Show " + std::to_string(i), std::to_string(e.Start), std::to_string(e.Length),
                        std::to_string(e.ClipNumber), std::to_string(e.Volume), std::to_string(e.PreShowDelay),
                        std::to_string(e.PostShowDelay), std::to_string(e.Configuration)});
    }
    return rows;
}

std::string ShortfallsText(const ShowState& shows)
{
    std::string text;
    for (const Shortfall& shortfall : IncompleteShows(shows)) {
        text += text.empty() ? "" : "; ";
        if (shortfall.unopened)
            text += Show(shortfall.show) + ": " + shortfall.unopened->fileName +
                    (shortfall.unopened->exists ? " could not be read" : " is missing");
        else
            text += Show(shortfall.show) + " has " + std::to_string(shortfall.have) + " of " +
                    std::to_string(shortfall.length) + " bytes";
    }
    return text;
}

std::string DifferenceText(const ShowDifference& d)
{
    const auto differs = [&](const std::string& what, const std::string& wrote, const std::string& read) {
        return what + ": wrote " + wrote + ", read back " + read;
    };
    const auto number = [&](const char* field) {
        return differs(Show(d.show) + " " + field, std::to_string(d.wrote), std::to_string(d.read));
    };
    switch (d.field) {
    case Field::None:
        return {};
    case Field::ShowCount:
        return differs("show count", std::to_string(d.wrote), std::to_string(d.read));
    case Field::Ambient:
        return differs("ambient mode", YesNo(d.wrote != 0), YesNo(d.read != 0));
    case Field::Trigger:
        return differs("trigger mode", TriggerModeText(static_cast<std::int16_t>(d.wrote)),
                       TriggerModeText(static_cast<std::int16_t>(d.read)));
    case Field::Lockout:
        return differs("lockout", YesNo(d.wrote != 0), YesNo(d.read != 0));
    case Field::TriggerA:
    case Field::TriggerB:
        return differs(d.field == Field::TriggerA ? "trigger A" : "trigger B",
                       TriggerActionText(static_cast<std::uint8_t>(d.wrote), false),
                       TriggerActionText(static_cast<std::uint8_t>(d.read), false));
    case Field::Length:
        return number("length");
    case Field::Clip:
        return number("clip");
    case Field::Volume:
        return number("volume");
    case Field::PreDelay:
        return number("pre-show delay");
    case Field::PostDelay:
        return number("post-show delay");
    case Field::Configuration:
        return number("configuration");
    case Field::DataByte:
        return differs(Show(d.show) + " data at byte offset " + std::to_string(d.offset), Hex(d.wrote), Hex(d.read));
    case Field::DataLength:
        return differs(Show(d.show) + " data", std::to_string(d.wrote) + " bytes", std::to_string(d.read));
    }
    return {};
}

std::string ReadText(const Result& result)
{
    if (result.ok() || result.code == ResultCode::Busy)
        return {};
    if (result.reason == Reason::NoShowTable)
        return "Shows cannot be read from a " + result.detail + " controller";
    std::string why;
    switch (result.reason) {
    case Reason::ReplyLength:
        why = "the table reply had " + std::to_string(result.got) + " bytes instead of " +
              std::to_string(result.expected);
        break;
    case Reason::TooManyShows:
        why = "the controller reports " + std::to_string(result.got) + " shows; at most " +
              std::to_string(result.expected) + " can be held";
        break;
    case Reason::NegativeLength:
        why = Show(result.number) + " has a negative length (" + std::to_string(result.got) + ")";
        break;
    case Reason::TooLong:
        why = TooLongText(result);
        break;
    case Reason::ShowLength:
        why = Show(result.number) + " came with " + std::to_string(result.got) + " bytes instead of " +
              std::to_string(result.expected);
        break;
    case Reason::StoppedSending:
        why = "the controller stopped sending after " + std::to_string(result.got) + " of " +
              std::to_string(result.expected) + " bytes of " + (result.number < 0 ? "the table" : Show(result.number));
        break;
    default:
        why = text::Why(result);
    }
    return "Show read stopped: " + why + text::LineErrorsNote(result);
}

std::string WriteText(const Result& result, const ShowState& shows)
{
    if (result.ok())
        return text::DownloadComplete;
    switch (result.reason) {
    case Reason::NoShowTable:
        return "Shows cannot be written to a " + result.detail + " controller";
    case Reason::NoTableImage:
        return "Show write refused: there is no table image to send; read the shows or open a project first";
    case Reason::TooManyShows:
        return "Show write refused: the table holds " + std::to_string(result.got) + " shows; at most " +
               std::to_string(result.expected) + " can be written";
    case Reason::NegativeLength:
        return "Show write refused: " + Show(result.number) + " has a negative length";
    case Reason::TooLong:
        return "Show write refused: " + TooLongText(result);
    case Reason::IncompleteShows:
        return "Show write refused: " + ShortfallsText(shows);
    case Reason::NoSerialNumber:
        return "Show write refused: the controller did not give its serial number, which its table must carry; "
               "nothing was written";
    case Reason::OtherModel:
        return "Show write refused: the shows held are for " + text::WithArticle(shows.model) + ", the controller is " +
               text::WithArticle(result.detail) + "; read its shows or open a project for it first";
    case Reason::TriggerUnknown:
        return "Show write refused: the K5's trigger wiring is not known; read the shows first, or open a project "
               "that keeps it";
    case Reason::Busy:
        return "Show write stopped: the link was busy";
    default:
        // Stopped after "d": the controller holds part of the table and shows.
        return "Show write stopped: " + text::Why(result) + text::LineErrorsNote(result) + ". " + text::ShowsIncomplete;
    }
}

std::string WriteOutcomeText(const WriteOutcome& outcome, const ShowState& shows)
{
    const Result& result = outcome.result;
    std::string text;
    switch (outcome.stage) {
    case WriteOutcome::Stage::Backup: {
        std::string why;
        if (result.reason == Reason::NoBackupRoot)
            why = "there is no folder for backups";
        else if (result.reason == Reason::FolderExists)
            why = WithNativeSeparators(outcome.backupFolder) + " exists already";
        else if (result.reason == Reason::CannotCreateFolder)
            why = "cannot create " + WithNativeSeparators(outcome.backupFolder) + ": " + result.detail;
        else if (!outcome.files.empty())
            for (const FileEvent& event : outcome.files)
                if (event.step == Step::SaveFailed)
                    why += (why.empty() ? "" : "; ") + FileEventText(event);
        if (why.empty())
            why = result.reason == Reason::Closing ? text::Why(result) : ReadText(result);
        return "Show Backup Failed: " + why + "; the shows were not written";
    }
    case WriteOutcome::Stage::Wiring:
        return "Show write refused: the K5's trigger wiring could not be read first (" + ReadText(result) +
               "); the shows were not written";
    case WriteOutcome::Stage::Write:
        text = result.reason == Reason::Closing ? text::Why(result) : WriteText(result, shows);
        break;
    case WriteOutcome::Stage::Verify:
        if (result.ok())
            return "Shows Verified";
        if (result.reason == Reason::Closing)
            text = text::Why(result);
        else if (outcome.difference)
            text = "Show Verify Failed: " + DifferenceText(outcome.difference);
        else if (result.reason == Reason::Busy)
            text = "Show Verify Failed: the link was busy";
        else
            text = "Show Verify Failed: " + ReadText(result);
        break;
    }
    // Where to find what the controller held, when the write or the check failed.
    if (!result.ok() && outcome.backedUp)
        text += "; the controller's shows from before are in " + WithNativeSeparators(outcome.backupFolder);
    return text;
}

std::string WriteQuestionText(const ShowState& shows, const std::string& model)
{
    const int count = shows.ShowCount;
    return "Write " + std::to_string(count) + (count == 1 ? " show" : " shows") +
           (shows.AmbientMode ? " and the ambient show" : "") + " to the " + model +
           "? This replaces the shows it holds.";
}

std::string BackedUpText(const std::string& folder)
{
    return "Shows Backed Up To: " + WithNativeSeparators(folder);
}

std::string FileEventText(const FileEvent& event)
{
    const bool show = event.kind == Kind::Show;
    const std::string what = show ? "Show" : event.kind == Kind::Config ? "cfg" : "Trigger wiring";
    switch (event.step) {
    case Step::Saved:
        return what + " Saved as: " + event.shown;
    case Step::SaveFailed:
        return what + " Save Failed: " + event.shown + FileProblemText(event);
    case Step::Opened: {
        if (event.kind == Kind::Wiring)
            return "Trigger wiring Opened: " + event.shown;
        if (!show)
            return "Config Opened: " + event.shown;
        std::string text = "Show Opened: " + event.shown;
        if (event.length > 0 && event.got < static_cast<std::size_t>(event.length))
            text += " (only " + std::to_string(event.got) + " of " + std::to_string(event.length) + " bytes)";
        if (event.longer)
            text += " (longer than its " + std::to_string(event.length > 0 ? event.length : 0) +
                    " bytes of show data; the rest ignored)";
        return text;
    }
    case Step::OpenFailed:
        if (event.kind == Kind::Wiring)
            return "Trigger wiring not taken: " + event.shown +
                   (event.problem.reason == Reason::FileSize ? " says neither normally open nor normally closed"
                                                             : FileProblemText(event));
        return (show ? "Show Open Failed: " : "Config Open Failed: ") + event.shown + FileProblemText(event);
    case Step::Missing:
        return "Show " + std::to_string(event.show) + " File Not Found.";
    case Step::Removed:
        return "Removed " + event.shown +
               (event.kind == Kind::Wiring ? ": the shows saved do not know the trigger wiring"
                                           : ": the shows saved end before it");
    }
    return {};
}

std::string LoadedText(const ShowState& shows)
{
    std::string text = text::ShowsLoaded(shows.ShowCount);
    if (const std::string shortfalls = ShortfallsText(shows); !shortfalls.empty())
        text += "; " + shortfalls;
    return text;
}

void ShowsPresenter::Display(const ShowState& shows, const controller* model)
{
    for (const auto& [label, text] : ShowLabels(shows))
        m_view.setCaption(label, text);
    m_view.setRows(control::ListShows, ShowListRows(shows));
    m_view.setEditableCells(control::ListShows, EditableShowCells(shows, model), MaxShowValue);
    for (const ConfigEditor& editor : ConfigEditors()) {
        const bool known = FieldKnown(shows, editor.field);
        const int held = known ? FieldValue(shows, {editor.field, -1, 0}) : -1;
        std::vector<std::string> items;
        int shown = -1;
        for (const ConfigChoice& choice : ConfigChoices(shows, editor.field)) {
            if (choice.value == held)
                shown = static_cast<int>(items.size());
            items.push_back(choice.text);
        }
        m_view.setChoices(editor.choice, items, shown);
    }
}

void ShowsPresenter::ShowFiles(const std::vector<FileEvent>& events)
{
    std::string failures;
    for (const FileEvent& event : events) {
        const std::string text = FileEventText(event);
        if (event.step == Step::Missing || event.step == Step::Removed) {
            m_log.LogDebug(text, 0, event.step == Step::Missing ? LogBaseline : LogFileIo);
            continue;
        }
        m_status.Say(text);
        if (event.step == Step::SaveFailed)
            failures += (failures.empty() ? "" : "; ") + text;
    }
    // What each failed file said, which a later file's "Saved as" would hide.
    if (!failures.empty())
        m_status.Say(failures);
}

std::string ShowsPresenter::NotSaved(const std::vector<FileEvent>& events)
{
    std::string files;
    for (const FileEvent& event : events)
        if (event.step == Step::SaveFailed)
            files += "\r\n" + event.shown + FileProblemText(event);
    return files.empty() ? files : "These files were not saved:" + files;
}

} // namespace marrowick
