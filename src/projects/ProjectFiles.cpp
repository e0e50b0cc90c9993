#include "projects/ProjectFiles.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/Files.h"
#include "projects/ConfigFile.h"
#include "projects/ShowFiles.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

namespace fs = std::filesystem;
using Step = FileEvent::Step;
using Kind = FileEvent::Kind;

FileEvent Event(Step step, Kind kind, const ProjectPaths& paths, const std::string& path, int show)
{
    FileEvent event;
    event.step = step;
    event.kind = kind;
    event.path = path;
    event.shown = ShownPath(paths, path);
    event.show = show;
    return event;
}

Result SystemError(std::string why)
{
    return Result::Fail(ResultCode::FileError, Reason::SystemError, std::move(why));
}

// Writes `fileName` into the project folder; a failed `refusal` fails the save without writing.
bool SaveIntoProject(const ProjectPaths& paths, const std::string& fileName, const std::string& bytes, Kind kind,
                     int show, std::vector<FileEvent>& events, Result refusal = Result::Done())
{
    const std::string path = paths.ProjectFolder + fileName;
    if (refusal.ok() && paths.ProjectFolder.empty())
        refusal = Result::Fail(ResultCode::FileError, Reason::NoProjectFolder);
    if (std::string error; refusal.ok() && !WriteFileAtomically(PathFromUtf8(path), bytes, &error))
        refusal = SystemError(error.empty() ? "write error" : error);
    FileEvent event = Event(refusal.ok() ? Step::Saved : Step::SaveFailed, kind, paths, path, show);
    event.problem = refusal;
    events.push_back(event);
    return refusal.ok();
}

// The show file of CurrentShow in the folder chosen to open; nothing (and a
// Missing event) when it is not there.
std::optional<std::string> FindShowFile(const ProjectPaths& paths, const ShowState& shows, const std::string& extension,
                                        std::vector<FileEvent>& events)
{
    const int show = shows.CurrentShow;
    const auto found = FindIgnoringCase(PathFromUtf8(paths.BrowseFolder), ShowFileName(show, extension));
    if (!found) {
        events.push_back(Event(Step::Missing, Kind::Show, paths, ShowFileName(show, extension), show));
        return std::nullopt;
    }
    return Utf8FromPath(*found);
}

void OpenFailed(const ProjectPaths& paths, const std::string& path, Kind kind, int show, Result why,
                std::vector<FileEvent>& events)
{
    FileEvent event = Event(Step::OpenFailed, kind, paths, path, show);
    event.problem = std::move(why);
    events.push_back(event);
}

// At most `maxBytes` of a show file: no more can belong to the show. Nothing
// (and an OpenFailed event) when it cannot be read.
std::optional<std::string> ReadShowFile(const ProjectPaths& paths, const std::string& path, int show,
                                        std::uint64_t maxBytes, bool& longer, std::vector<FileEvent>& events)
{
    std::string error;
    auto bytes = ReadFileStart(PathFromUtf8(path), maxBytes, &longer, &error);
    if (!bytes)
        OpenFailed(paths, path, Kind::Show, show, SystemError(error), events);
    return bytes;
}

std::uint64_t BytesOf(std::int32_t length)
{
    return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

void Opened(const ProjectPaths& paths, const std::string& path, int show, std::size_t got, std::int32_t length,
            bool longer, std::vector<FileEvent>& events)
{
    FileEvent event = Event(Step::Opened, Kind::Show, paths, path, show);
    event.got = got;
    event.length = length;
    event.longer = longer;
    events.push_back(event);
}

// The show number of a file named "NNN" and `extension` (any letter case); -1 for any other name.
int ShowNumberOf(const std::string& name, const std::string& extension)
{
    if (name.size() != 3 + extension.size())
        return -1;
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[3 + i])) !=
            std::toupper(static_cast<unsigned char>(extension[i])))
            return -1;
    int number = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::isdigit(static_cast<unsigned char>(name[i])) == 0)
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// Show files of a saved folder that lie beyond the shows saved: they would be
// taken as shows the next time the folder is opened.
void RemoveStaleShowFiles(const ProjectPaths& paths, const std::string& extension, const ShowState& shows,
                          std::vector<FileEvent>& events)
{
    const fs::path folder = PathFromUtf8(paths.ProjectFolder);
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const int show = ShowNumberOf(Utf8FromPath(it->path().filename()), extension);
        if (show < 0 || (show >= shows.FirstShow() && show <= shows.ShowCount))
            continue;
        if (it->is_regular_file(ec) || it->is_symlink(ec))
            stale.push_back(it->path());
    }
    for (const fs::path& path : stale) {
        const std::string name = Utf8FromPath(path);
        if (fs::remove(path, ec))
            events.push_back(
                Event(Step::Removed, Kind::Show, paths, name, ShowNumberOf(Utf8FromPath(path.filename()), extension)));
    }
}

} // namespace

bool Save_Show(const ProjectPaths& paths, const controller& model, ShowState& shows, std::vector<FileEvent>& events)
{
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    return SaveIntoProject(paths, ShowFileName(shows.CurrentShow, model.FileExtension()),
                           K5ShowFile(shows.ShowTable[index], shows.ShowData[index]), Kind::Show, shows.CurrentShow,
                           events);
}

bool Save_R2_Show(const ProjectPaths& paths, ShowState& shows, std::vector<FileEvent>& events)
{
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    return SaveIntoProject(paths, ShowFileName(shows.CurrentShow, R2ExtensionWritten),
                           ShowDataToSave(shows.ShowData[index], shows.ShowTable[index].Length), Kind::Show,
                           shows.CurrentShow, events);
}

bool Save_Toc(const ProjectPaths& paths, const ShowState& shows, std::vector<FileEvent>& events)
{
    Result refusal = Result::Done();
    if (shows.TocImage.size() != TocImageBytes)
        refusal = Result::Fail(ResultCode::Refused, Reason::NoTableImage, -1, 0, TocImageBytes);
    return SaveIntoProject(paths, ConfigFileName, shows.TocImage, Kind::Config, -1, events, refusal);
}

bool SaveAllShows(const ProjectPaths& paths, const controller& model, ShowState& shows, std::vector<FileEvent>& events)
{
    const bool k5 = model.Traits().layout == TableLayout::K5;
    bool saved = true;
    auto save = [&](int show) {
        shows.CurrentShow = static_cast<std::int16_t>(show);
        saved = (k5 ? Save_Show(paths, model, shows, events) : Save_R2_Show(paths, shows, events)) && saved;
    };
    if (shows.AmbientMode)
        save(0);
    for (int show = 1; show <= shows.ShowCount && show <= MaxShowCount; ++show)
        save(show);
    if (model.Traits().usesConfigFile)
        saved = Save_Toc(paths, shows, events) && saved;
    if (k5 && shows.triggerKnown)
        saved =
            SaveIntoProject(paths, K5WiringFileName, WiringText(shows.TriggerMode), Kind::Wiring, -1, events) && saved;
    if (saved) {
        RemoveStaleShowFiles(paths, k5 ? model.FileExtension() : R2ExtensionWritten, shows, events);
        // A wiring kept from an earlier save is not this table's.
        const auto wiring = FindIgnoringCase(PathFromUtf8(paths.ProjectFolder), K5WiringFileName);
        std::error_code ec;
        if ((!k5 || !shows.triggerKnown) && wiring && fs::remove(*wiring, ec))
            events.push_back(Event(Step::Removed, Kind::Wiring, paths, Utf8FromPath(*wiring), -1));
    }
    return saved;
}

namespace {

void Open_Show(const ProjectPaths& paths, const controller& model, ShowState& shows, std::vector<FileEvent>& events)
{
    const int show = shows.CurrentShow;
    const auto path = FindShowFile(paths, shows, model.FileExtension(), events);
    if (!path)
        return;
    // The entry in front says how much of the file is the show's.
    bool longer = false;
    auto bytes = ReadShowFile(paths, *path, show, K5ShowHeaderBytes, longer, events);
    if (!bytes)
        return;
    if (bytes->size() < K5ShowHeaderBytes)
        return OpenFailed(paths, *path, Kind::Show, show,
                          Result::Fail(ResultCode::FileError, Reason::FileSize, show,
                                       static_cast<long long>(bytes->size()), K5ShowHeaderBytes),
                          events);
    const std::int32_t length = DecodeShowBlock(*bytes, false).Length;
    // A length no controller holds is not read at all, however long the file.
    if (length > model.Traits().showMemory)
        return OpenFailed(paths, *path, Kind::Show, show,
                          Result::Fail(ResultCode::Refused, Reason::TooLong, show, length, model.Traits().showMemory),
                          events);
    if (longer && !(bytes = ReadShowFile(paths, *path, show, K5ShowHeaderBytes + BytesOf(length), longer, events)))
        return;
    if (bytes->size() < K5ShowHeaderBytes)
        return OpenFailed(paths, *path, Kind::Show, show,
                          Result::Fail(ResultCode::FileError, Reason::ChangedWhileRead, show), events);
    const auto index = static_cast<std::size_t>(show);
    // Unlike the controller's reply, a show file's values above 99 stay as they are.
    ShowEntry& entry = shows.ShowTable[index];
    entry = DecodeShowBlock(std::string_view(*bytes).substr(0, K5ShowHeaderBytes), false);
    shows.ShowData[index] = ShowDataToSave(bytes->substr(K5ShowHeaderBytes), entry.Length);
    if (show == 0)
        shows.AmbientMode = true;
    else
        ++shows.ShowCount;
    Opened(paths, *path, show, shows.ShowData[index].size(), entry.Length, longer && entry.Length == length, events);
}

void Open_R2_Show(const ProjectPaths& paths, ShowState& shows, std::vector<FileEvent>& events)
{
    const int show = shows.CurrentShow;
    const auto path = FindShowFile(paths, shows, R2ExtensionLooked, events);
    if (!path)
        return;
    const std::int32_t length = shows.ShowTable[static_cast<std::size_t>(show)].Length;
    bool longer = false;
    const auto bytes = ReadShowFile(paths, *path, show, BytesOf(length), longer, events);
    if (!bytes)
        return;
    shows.ShowData[static_cast<std::size_t>(show)] = *bytes;
    Opened(paths, *path, show, bytes->size(), length, longer, events);
}

enum class ConfigOpen { Opened, Missing, Refused };

// Reads 000.CFG from the folder chosen to open and takes it as the table and
// configuration. A missing file changes nothing; one that cannot be used is
// refused and changes nothing either.
ConfigOpen Open_cfg(const ProjectPaths& paths, const controller& model, ShowState& shows,
                    std::vector<FileEvent>& events)
{
    const auto found = FindIgnoringCase(PathFromUtf8(paths.BrowseFolder), ConfigFileName);
    if (!found) {
        events.push_back(Event(Step::Missing, Kind::Config, paths, ConfigFileName, shows.CurrentShow));
        return ConfigOpen::Missing;
    }
    const std::string path = Utf8FromPath(*found);
    std::string error;
    const auto image = ReadWholeFile(*found, TocImageBytes, &error);
    Result problem = Result::Done();
    if (!image)
        problem = SystemError(error);
    else if (image->size() != TocImageBytes)
        problem = Result::Fail(ResultCode::FileError, Reason::FileSize, -1, static_cast<long long>(image->size()),
                               TocImageBytes);
    else
        // A table the program cannot hold would be loaded only in part and saved
        // back shorter, so it is not taken at all.
        problem =
            TableProblem(std::string_view(*image).substr(0, TableBlockBytes), static_cast<unsigned char>((*image)[160]),
                         ((*image)[161] & 1) != 0, model.Traits().showMemory);
    if (!problem.ok()) {
        if (problem.code == ResultCode::Refused)
            problem.code = ResultCode::FileError;
        OpenFailed(paths, path, Kind::Config, -1, problem, events);
        return ConfigOpen::Refused;
    }
    shows.CurrentShow = BlocksPerTable;
    ApplyTocImage(shows, *image, ShowSource::ConfigFile);
    events.push_back(Event(Step::Opened, Kind::Config, paths, path, -1));
    return ConfigOpen::Opened;
}

} // namespace

Result OpenExistingShows(ProjectPaths& paths, const controller& model, ShowState& shows, const std::string& folder,
                         std::vector<FileEvent>& events)
{
    const std::string previousFolder = paths.BrowseFolder;
    paths.BrowseFolder = WithoutTrailingSeparator(folder);
    const bool k5 = model.Traits().layout == TableLayout::K5;
    const ConfigOpen config =
        model.Traits().usesConfigFile ? Open_cfg(paths, model, shows, events) : ConfigOpen::Missing;
    if (config == ConfigOpen::Refused) {
        paths.BrowseFolder = previousFolder;
        return events.back().problem;
    }
    if (config == ConfigOpen::Missing) {
        shows.ShowCount = 0;
        shows.AmbientMode = false;
    }
    if (k5) {
        shows.source = ShowSource::K5Project;
        // The wiring is the controller's only when the project kept it.
        shows.triggerKnown = false;
        if (const auto found = FindIgnoringCase(PathFromUtf8(paths.BrowseFolder), K5WiringFileName)) {
            std::string error;
            const auto text = ReadWholeFile(*found, 64, &error);
            const auto wiring = text ? WiringOf(*text) : std::nullopt;
            if (wiring) {
                shows.TriggerMode = *wiring;
                shows.triggerKnown = true;
                events.push_back(Event(Step::Opened, Kind::Wiring, paths, Utf8FromPath(*found), -1));
            } else {
                OpenFailed(paths, Utf8FromPath(*found), Kind::Wiring, -1,
                           text ? Result::Fail(ResultCode::FileError, Reason::FileSize, -1,
                                               static_cast<long long>(text->size()), 0)
                                : SystemError(error),
                           events);
            }
        }
    }
    shows.UnopenedShows.clear();
    std::vector<int> unopened; // numbered K5 shows whose file was not taken
    int highest = 0;
    for (int show = 0; show < BlocksPerTable; ++show) {
        shows.ShowData[static_cast<std::size_t>(show)].clear();
        shows.CurrentShow = static_cast<std::int16_t>(show);
        if (k5) {
            const int countBefore = shows.ShowCount;
            Open_Show(paths, model, shows, events);
            if (show > 0 && shows.ShowCount > countBefore)
                highest = show;
            else if (show > 0)
                unopened.push_back(show);
        } else {
            Open_R2_Show(paths, shows, events);
        }
    }
    // ShowCount counts the files found, so a gap below the highest one leaves
    // a stale entry among the shows that would be written.
    for (int show : unopened) {
        if (show > highest)
            break;
        const std::string name = ShowFileName(show, model.FileExtension());
        shows.UnopenedShows[show] = {name, FindIgnoringCase(PathFromUtf8(paths.BrowseFolder), name).has_value()};
    }
    shows.model = model.Name();
    return Result::Done();
}

} // namespace marrowick
