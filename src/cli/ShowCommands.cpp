#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "base/Files.h"
#include "cli/Cli.h"
#include "features/NewProject.h"
#include "features/ShowsFeature.h"
#include "features/ShowsPresenter.h"
#include "features/Texts.h"
#include "projects/ConfigFile.h"
#include "projects/ShowFiles.h"
#include "shows/ShowEdit.h"

namespace marrowick::cli {
namespace {

// One text from its pieces, allocated once.
std::string Joined(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces)
        text += piece;
    return text;
}

namespace fs = std::filesystem;

constexpr const char* T7Refusal = "Show commands are not available for a T7 controller (it has no show table)";

// A folder option as an absolute path; empty when missing.
fs::path FolderArgument(const Context& context, const std::string& option)
{
    const std::string given = context.args.Option(option);
    if (given.empty())
        return {};
    std::error_code ec;
    fs::path folder = fs::absolute(PathFromUtf8(given), ec).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    return folder;
}

// Runs the event loop until `finished` is raised for what `start` began, with
// progress lines that begin with what `doing` says is happening.
Result WaitFor(Context& context, Signal<const Result&>& finished, const std::function<Result()>& start,
               std::function<std::string()> doing)
{
    std::optional<Result> outcome;
    const int id = finished.connect([&](const Result& o) {
        outcome = o;
        context.Wake();
    });
    context.ShowProgressLines(std::move(doing));
    Result started = start();
    if (!started.ok()) {
        finished.disconnect(id);
        return started;
    }
    context.RunUntil([&] { return outcome.has_value(); });
    finished.disconnect(id);
    context.EndProgress();
    return *outcome;
}

// The failure of a command that could not start because the link was busy.
constexpr const char* BusyText = "The controller is busy or the port is closed";

// The arguments every show command takes: no positional ones, and --project
// naming a folder (one that exists, when `mustExist`). ExitOk or the exit status.
int TakeProject(Context& context, fs::path& folder, bool mustExist)
{
    folder = FolderArgument(context, "project");
    if (folder.empty())
        return context.Usage("--project is missing");
    std::error_code ec;
    if (fs::exists(folder, ec) ? !fs::is_directory(folder, ec) : mustExist)
        return context.Fail(PathText(folder) + " is not a folder");
    return mustExist ? ExitOk : context.CheckNewFolder(folder);
}

// Opens the project as "Open Existing Shows" does; the reason, with the
// project's folder, when it is refused.
int OpenProject(Context& context, const fs::path& folder)
{
    std::vector<FileEvent> events;
    const Result opened = context.session().shows().OpenShowsFrom(Utf8FromPath(folder), &events);
    if (opened.ok())
        return ExitOk;
    const bool refused = !events.empty() && events.back().step == FileEvent::Step::OpenFailed;
    return context.Fail("The project " + PathText(folder) + " could not be opened" +
                        (refused ? ": " + FileEventText(events.back()) : std::string()));
}

int IdentifyForShows(Context& context)
{
    const int status = context.Identify();
    if (status != ExitOk)
        return status;
    if (!context.session().identity.Model()->Traits().hasShowTable)
        return context.Fail(context.OnPort(T7Refusal));
    return ExitOk;
}

int RunReadShows(Context& context)
{
    fs::path folder;
    if (const int status = TakeProject(context, folder, false); status != ExitOk)
        return status;
    std::error_code ec;
    const bool existed = fs::exists(folder, ec);
    if (existed && !fs::is_empty(folder, ec) && !context.args.Has("force"))
        return context.Fail(PathText(folder) + " already holds files; add --force to save into it anyway");

    if (const int status = IdentifyForShows(context); status != ExitOk)
        return status;
    Session& session = context.session();
    ShowReader& reader = session.shows().Reader();
    const Result read = WaitFor(
        context, reader.Finished, [&] { return reader.Start(); }, [] { return std::string("Reading shows:"); });
    if (read.code == ResultCode::Busy)
        return context.Fail(read, BusyText);
    if (!read.ok())
        return context.Fail(read, ReadText(read));

    if (!fs::create_directories(folder, ec) && ec)
        return context.Fail("Cannot create " + PathText(folder) + ": " + ec.message());
    // What the folder held before, so a failed save takes away only what it wrote.
    std::set<fs::path> before;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        before.insert(it->path());
    // Saved as into a project made in the window: paths are shown from the parent folder.
    const ProjectPaths paths{Utf8FromPath(folder.parent_path()),
                             Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator),
                             {}};
    if (!session.shows().SaveInto(paths)) {
        if (!existed) {
            fs::remove_all(folder, ec);
        } else {
            std::vector<fs::path> written;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
                if (before.count(it->path()) == 0)
                    written.push_back(it->path());
            for (const fs::path& path : written)
                fs::remove(path, ec);
        }
        return context.Fail("The shows could not be saved into " + PathText(folder));
    }
    return ExitOk;
}

int RunWriteShows(Context& context)
{
    fs::path folder;
    if (const int status = TakeProject(context, folder, true); status != ExitOk)
        return status;
    ShowsFeature::WriteOptions options;
    options.verify = context.args.Has("verify");
    if (context.args.Has("backup")) {
        const fs::path backup = FolderArgument(context, "backup");
        if (backup.empty())
            return context.Usage("--backup wants a folder");
        if (const int status = context.CheckNewFolder(backup); status != ExitOk)
            return status;
        // Refused before the port is opened, so nothing is sent.
        std::error_code ec;
        if (fs::exists(fs::symlink_status(backup, ec)))
            return context.Fail(PathText(backup) + " exists already; --backup wants a new folder");
        options.backupFolder = Utf8FromPath(backup);
    }
    if (const int status = IdentifyForShows(context); status != ExitOk)
        return status;
    Session& session = context.session();
    if (const int status = OpenProject(context, folder); status != ExitOk)
        return status;
    if (session.shows().State().ShowCount == 0) {
        // A project of the other layout is found by its files, so the person
        // learns it is the wrong project rather than an empty one.
        const controller& model = *session.identity.Model();
        const bool k5 = model.Traits().layout == TableLayout::K5;
        if (FindIgnoringCase(folder, k5 ? "001.R2S" : "001.K5S") || (k5 && FindIgnoringCase(folder, "000.CFG")))
            return context.Fail(PathText(folder) + " holds shows for " + (k5 ? "an R2 or L+" : "a K5") + ", not for " +
                                text::WithArticle(model.Name()) + "; nothing was written");
        return context.Fail(PathText(folder) + " holds no numbered shows to write");
    }
    ShowsFeature& shows = session.shows();
    std::optional<WriteOutcome> outcome;
    const int id = shows.WriteFinished.connect([&](const WriteOutcome& o) {
        outcome = o;
        context.Wake();
    });
    context.ShowProgressLines([&shows] { return std::string(shows.WriteStep()); });
    const Result started = shows.WriteShows(options);
    if (started.ok())
        context.RunUntil([&] { return outcome.has_value(); });
    shows.WriteFinished.disconnect(id);
    if (!outcome) {
        if (started.code == ResultCode::Busy)
            return context.Fail(started, BusyText);
        // The project cannot be written as it is.
        const std::string text =
            started.reason == Reason::FolderExists
                ? WriteOutcomeText({WriteOutcome::Stage::Backup, started, options.backupFolder, false, {}, {}},
                                   shows.State())
                : WriteText(started, shows.State());
        return context.Fail(text + " (project " + PathText(folder) + ")");
    }
    context.EndProgress();
    if (outcome->result.ok())
        return ExitOk;
    return context.Fail(outcome->result, WriteOutcomeText(*outcome, shows.State()));
}

// The table and configuration for scripts; what a model's table does not carry is null.
QJsonObject ShowTableJson(const controller& model, const ShowState& shows)
{
    const bool r2Layout = model.Traits().layout == TableLayout::R2;
    const auto labels = ShowLabels(shows);
    const auto label = [&](Control control) {
        for (const auto& [shown, text] : labels)
            if (shown == control && r2Layout && !text.empty())
                return QJsonValue(QString::fromStdString(text));
        return QJsonValue(QJsonValue::Null);
    };
    QJsonArray list;
    for (int show = 0; show < BlocksPerTable; ++show) {
        const ShowEntry& e = shows.ShowTable[static_cast<std::size_t>(show)];
        list.append(QJsonObject{{"show", show},
                                {"start", e.Start},
                                {"length", e.Length},
                                {"clip", e.ClipNumber},
                                {"volume", e.Volume},
                                {"preDelay", e.PreShowDelay},
                                {"postDelay", e.PostShowDelay},
                                {"configuration", e.Configuration}});
    }
    return {{"model", QString::fromStdString(model.Name())},
            {"showCount", shows.ShowCount},
            {"ambient", shows.AmbientMode},
            {"triggerMode", QString::fromLatin1(TriggerModeText(shows.TriggerMode))},
            {"lockout", r2Layout ? QJsonValue(shows.LockOut == 1) : QJsonValue(QJsonValue::Null)},
            {"triggerA", label(control::LblTriggerAvalue)},
            {"triggerB", label(control::LblTriggerBvalue)},
            {"shows", list}};
}

// Takes `model` as the controller's, as if it had been identified, so the
// project is opened by its rules without a controller.
void AssumeModel(Context& context, const controller& model)
{
    Session& session = context.session();
    session.identity.ControllerModel = model.Name();
    session.identity.CurrentController = MakeController(model.Name());
    session.stateEngine.SetState(LinkState::StateIdle);
}

// The table as the window lists it, then the configuration; or, with `json`, one JSON document.
void PrintShowTable(const controller& model, const ShowState& shows, bool json)
{
    if (json) {
        PrintJson(QJsonDocument(ShowTableJson(model, shows)));
        return;
    }
    std::cout << "Show";
    for (const auto& column : ShowListColumns())
        std::cout << '\t' << column;
    std::cout << '\n';
    for (const auto& row : ShowListRows(shows)) {
        for (std::size_t k = 0; k < row.size(); ++k)
            std::cout << (k == 0 ? "" : "\t") << row[k];
        std::cout << '\n';
    }
    const std::pair<Control, const char*> captions[] = {
        {control::lblShowCount, "ShowCount:"},     {control::lblAmbient, "Ambient Mode:"},
        {control::lblTrigger, "Trigger Mode:"},    {control::lblLockOut, "Lockout:"},
        {control::LblTriggerAvalue, "Trigger A:"}, {control::LblTriggerBvalue, "Trigger B:"}};
    for (const auto& [label, text] : ShowLabels(shows))
        for (const auto& [shown, caption] : captions)
            if (shown == label && !text.empty())
                std::cout << caption << ' ' << text << '\n';
    std::cout << std::flush;
}

int RunShowTable(Context& context)
{
    fs::path folder;
    if (const int status = TakeProject(context, folder, true); status != ExitOk)
        return status;
    const auto named = ModelNamed(context.args.Option("model"));
    if (named && !named->Traits().hasShowTable)
        return context.Fail(T7Refusal);
    if (!named)
        return context.Usage("--model must be K5, R2 or L+ (Lumen)");
    AssumeModel(context, *named);
    if (const int status = OpenProject(context, folder); status != ExitOk)
        return status;
    PrintShowTable(*named, context.session().shows().State(), context.args.Has("json"));
    return ExitOk;
}

// A whole number as given on the command line; a number too large for any
// field is taken as the largest, which every range refuses.
std::optional<int> NumberArgument(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || text.empty())
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? -1 : std::numeric_limits<int>::max();
    return error == std::errc() ? std::optional<int>(value) : std::nullopt;
}

// The edits an edit-shows command names, in the order given; a usage problem
// when they cannot be read.
std::variant<std::vector<ShowEdit>, std::string> EditsOf(const Args& args)
{
    using Field = ShowEdit::Field;
    const std::map<std::string, Field> showFields = {{"clip", Field::Clip},
                                                     {"volume", Field::Volume},
                                                     {"pre-delay", Field::PreDelay},
                                                     {"post-delay", Field::PostDelay}};
    const std::map<std::string, std::pair<Field, std::map<std::string, int>>> switches = {
        {"trigger", {Field::Wiring, {{"open", 0}, {"closed", 1}}}},
        {"lockout", {Field::Lockout, {{"off", 0}, {"on", 1}}}}};
    std::vector<ShowEdit> edits;
    std::optional<int> show;
    bool showNamesAValue = true;
    for (const auto& [name, value] : args.sequence) {
        if (name == "show") {
            if (!showNamesAValue)
                return "--show " + std::to_string(*show) + " names no value to change";
            show = NumberArgument(value);
            if (!show)
                return "--show wants a show number, not " + value;
            showNamesAValue = false;
        } else if (const auto field = showFields.find(name); field != showFields.end()) {
            if (!show)
                return "--" + name + " needs a --show before it";
            const auto number = NumberArgument(value);
            if (!number)
                return Joined({"--", name, " wants a number from 0 to 99, not ", value});
            edits.push_back({field->second, *show, *number});
            showNamesAValue = true;
        } else if (const auto choice = switches.find(name); choice != switches.end()) {
            const auto& [editField, words] = choice->second;
            const auto word = words.find(value);
            if (word == words.end())
                return Joined(
                    {"--", name, " wants ", words.begin()->first, " or ", words.rbegin()->first, ", not ", value});
            edits.push_back({editField, -1, word->second});
        } else if (name == "trigger-a" || name == "trigger-b") {
            const Field field = name == "trigger-a" ? Field::TriggerA : Field::TriggerB;
            const std::map<std::string, int> actions = {{"next", 0}, {"previous", 1}, {"stop", 2}};
            std::optional<int> code;
            if (const auto action = actions.find(value); action != actions.end())
                code = action->second;
            else if (value.rfind("show:", 0) == 0)
                if (const auto number = NumberArgument(value.substr(5)); number && *number >= 1)
                    code = std::min(*number, 100000) + 2;
            if (!code)
                return Joined({"--", name, " wants next, previous, stop or show:N, not ", value});
            edits.push_back({field, -1, *code});
        }
    }
    if (!showNamesAValue)
        return "--show " + std::to_string(*show) + " names no value to change";
    if (edits.empty())
        return "name at least one value to change";
    return edits;
}

// The model a project folder is laid out for: K5 show files make a K5,
// 000.CFG an R2 (whose table an L+ shares); nothing when neither is there.
std::unique_ptr<controller> ModelOfProject(const fs::path& folder)
{
    if (FindIgnoringCase(folder, ConfigFileName))
        return MakeController("R2");
    for (int show = 0; show < BlocksPerTable; ++show)
        if (FindIgnoringCase(folder, ShowFileName(show, ".K5S")))
            return MakeController("K5");
    return nullptr;
}

int RunEditShows(Context& context)
{
    fs::path folder;
    if (const int status = TakeProject(context, folder, true); status != ExitOk)
        return status;
    auto edits = EditsOf(context.args);
    if (const auto* problem = std::get_if<std::string>(&edits))
        return context.Usage(*problem);
    std::unique_ptr<controller> model;
    if (context.args.Has("model")) {
        model = ModelNamed(context.args.Option("model"));
        if (!model || !model->Traits().hasShowTable)
            return context.Usage("--model must be K5, R2 or L+ (Lumen); a T7 has no show table");
    } else if (!(model = ModelOfProject(folder))) {
        return context.Usage(PathText(folder) + " holds no show files of a K5 and no 000.CFG; name the --model");
    }
    AssumeModel(context, *model);
    if (const int status = OpenProject(context, folder); status != ExitOk)
        return status;
    ShowState& shows = context.session().shows().State();
    // Every edit is checked before any is made, so a refused one leaves the files as they were.
    for (const ShowEdit& edit : std::get<std::vector<ShowEdit>>(edits))
        if (const Result problem = EditProblem(shows, *model, edit); !problem.ok())
            return context.Usage(EditProblemText(problem));
    // Saving would write the stale entries of show files that were not opened.
    if (!shows.UnopenedShows.empty())
        return context.Fail("The project " + PathText(folder) + " cannot be edited as it is: " + ShortfallsText(shows) +
                            "; nothing was written");
    for (const ShowEdit& edit : std::get<std::vector<ShowEdit>>(edits))
        ApplyEdit(shows, edit);
    const ProjectPaths paths{Utf8FromPath(folder.parent_path()),
                             Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator),
                             {}};
    std::vector<FileEvent> events;
    if (!SaveAllShows(paths, *model, shows, events))
        return context.Fail("The edited shows could not all be saved into " + PathText(folder) + ":\n" +
                            ShowsPresenter::NotSaved(events));
    PrintShowTable(*model, shows, false);
    return ExitOk;
}

} // namespace

std::vector<Command> ShowCommands()
{
    return {
        {"read-shows",
         "read-shows --port PORT|--simulate MODEL --project DIR [--force] [--timeout SECONDS] [--quiet]",
         {{"port"}, {"simulate"}, {"dump"}, {"project"}, {"force", false}, {"timeout"}, {"quiet", false}},
         false,
         RunReadShows,
         "Identifies the controller, reads its show table and every show, and saves them\n"
         "into DIR: NNN.K5S files for a K5, NNN.R2S files and 000.CFG for an R2 or L+.\n"
         "When the read fails nothing is written.\n"
         "\n"
         "  --project DIR       the project folder (created when missing)\n"
         "  --force             save into a folder that already holds files\n"
         "  --timeout SECONDS   how long to wait for each reply\n"
         "  --quiet             print no progress on stderr\n"
         "\n"
         "example: marrowick-cli read-shows --port COM3 --project ~/shows/hall"},
        {"write-shows",
         "write-shows --port PORT|--simulate MODEL --project DIR [--backup DIR2] [--verify] [--timeout SECONDS] "
         "[--quiet]",
         {{"port"}, {"simulate"}, {"dump"}, {"project"}, {"backup"}, {"verify", false}, {"timeout"}, {"quiet", false}},
         false,
         RunWriteShows,
         "Identifies the controller, opens the shows in DIR as the window's \"Open Existing\n"
         "Shows\" does and writes the show table and show data to the controller.\n"
         "\n"
         "  --project DIR       the project folder to send\n"
         "  --backup DIR2       first read the controller's shows into the new folder DIR2\n"
         "                      (it must not exist yet); nothing is written unless that works\n"
         "  --verify            read the shows back after the write and compare them; exit 1\n"
         "                      with the first difference when they differ\n"
         "  --timeout SECONDS   how long to wait for each reply\n"
         "  --quiet             print no progress on stderr\n"
         "\n"
         "example: marrowick-cli write-shows --port COM3 --project ~/shows/hall --backup ~/shows/before --verify"},
        {"show-table",
         "show-table --project DIR --model K5|R2|L+ [--json]",
         {{"project"}, {"model"}, {"json", false}},
         false,
         RunShowTable,
         "Opens the shows in DIR and prints the show table as the window lists it, then\n"
         "the configuration. Needs no controller.\n"
         "\n"
         "  --model K5|R2|L+   how to read the folder\n"
         "  --json             print {\"model\", \"showCount\", \"ambient\", \"triggerMode\", \"lockout\",\n"
         "                     \"triggerA\", \"triggerB\", \"shows\": [...]} instead\n"
         "\n"
         "example: marrowick-cli show-table --project ~/shows/hall --model R2"},
        {"edit-shows",
         "edit-shows --project DIR [--model K5|R2|L+] [--show N [--clip C] [--volume V] [--pre-delay P] "
         "[--post-delay Q]]... [--trigger open|closed] [--lockout on|off] [--trigger-a ACTION] [--trigger-b ACTION]",
         {{"project"},
          {"model"},
          {"show"},
          {"clip"},
          {"volume"},
          {"pre-delay"},
          {"post-delay"},
          {"trigger"},
          {"lockout"},
          {"trigger-a"},
          {"trigger-b"}},
         false,
         RunEditShows,
         "Changes values of the show table in DIR, saves the project again and prints\n"
         "the table as show-table does. Needs no controller. Every value is checked\n"
         "first: one out of range, a show that does not exist or an option the model\n"
         "lacks is a usage error, and nothing is written.\n"
         "\n"
         "  --model K5|R2|L+     how to read the folder (default: a K5 for .K5S files,\n"
         "                       an R2 for 000.CFG)\n"
         "  --show N             the show the options after it change, up to the next --show\n"
         "  --clip C             its audio clip, 0 to 99\n"
         "  --volume V           its audio volume, 0 to 99\n"
         "  --pre-delay P        its delay before the show, 0 to 99\n"
         "  --post-delay Q       its delay after the show, 0 to 99\n"
         "  --trigger open|closed  how the trigger input is wired (N.O. or N.C.)\n"
         "  --lockout on|off     lockout (R2, L+)\n"
         "  --trigger-a ACTION   what trigger A does (R2, L+): next, previous, stop or\n"
         "                       show:N, which starts show N\n"
         "  --trigger-b ACTION   what trigger B does (R2)\n"
         "\n"
         "example: marrowick-cli edit-shows --project ~/shows/hall --show 1 --volume 80 --show 2 --clip 4 "
         "--trigger-a show:2"}};
}

} // namespace marrowick::cli
