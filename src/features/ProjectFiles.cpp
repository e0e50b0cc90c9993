#include "features/ProjectFiles.h"

#include <vector>

#include "base/Files.h"
#include "base/Texts.h"
#include "projects/ConfigFile.h"
#include "projects/ShowFiles.h"
#include "shows/TableReply.h"

namespace marrowick {
namespace {

constexpr std::string_view SaveFailed = " Save Failed: ";

// Writes `fileName` into the project folder and says so in the status bar:
// "<what> Saved as: path" or "<what> Save Failed: path: why". A non-empty
// `refusal` fails the save without writing.
bool SaveIntoProject(const FeatureContext& context, const std::string& fileName, const std::string& bytes,
                     const std::string& what, std::string refusal = {})
{
    const std::string path = context.paths.ProjectFolder + fileName;
    std::string& error = refusal;
    if (error.empty() && context.paths.ProjectFolder.empty())
        error = "no project folder";
    else if (error.empty() && !WriteFileAtomically(PathFromUtf8(path), bytes, &error) && error.empty())
        error = "write error";
    if (!error.empty()) {
        // Built piece by piece: one long expression trips a false -Wrestrict of GCC 12 at -O3.
        std::string text = what;
        text += SaveFailed;
        text += ShownPath(context.paths, path);
        text += ": ";
        text += error;
        context.status().SetStatus(1, text);
        return false;
    }
    context.status().SetStatus(1, what + " Saved as: " + ShownPath(context.paths, path));
    return true;
}

bool SaveShowFile(const FeatureContext& context, const ShowState& shows, const std::string& extension,
                  const std::string& bytes)
{
    return SaveIntoProject(context, ShowFileName(shows.CurrentShow, extension), bytes, "Show");
}

// The show file of CurrentShow in the folder chosen to open; nullopt when it is
// missing (logged).
std::optional<std::string> FindShowFile(const FeatureContext& context, const ShowState& shows,
                                        const std::string& extension)
{
    const int show = shows.CurrentShow;
    const auto found = FindIgnoringCase(PathFromUtf8(context.paths.BrowseFolder), ShowFileName(show, extension));
    if (!found) {
        context.Log("Show " + std::to_string(show) + " File Not Found.");
        return std::nullopt;
    }
    return Utf8FromPath(*found);
}

// At most `maxBytes` of a show file: no more can belong to the show. Nullopt
// when it cannot be read, said in the status bar.
std::optional<std::string> ReadShowFile(const FeatureContext& context, const std::string& path, std::uint64_t maxBytes,
                                        bool& longer)
{
    std::string error;
    auto bytes = ReadFileStart(PathFromUtf8(path), maxBytes, &longer, &error);
    if (!bytes)
        context.status().SetStatus(1, "Show Open Failed: " + ShownPath(context.paths, path) + ": " + error);
    return bytes;
}

std::uint64_t BytesOf(std::int32_t length)
{
    return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

void SayOpened(const FeatureContext& context, const std::string& path, std::size_t got, std::int32_t length,
               bool longer)
{
    std::string text = "Show Opened: " + ShownPath(context.paths, path);
    if (length > 0 && got < static_cast<std::size_t>(length))
        text += " (only " + std::to_string(got) + " of " + std::to_string(length) + " bytes)";
    if (longer)
        text += " (longer than its " + std::to_string(BytesOf(length)) + " bytes of show data; the rest ignored)";
    context.status().SetStatus(1, text);
}

bool UsesConfigFile(const FeatureContext& context)
{
    return context.model() && context.model()->Traits().usesConfigFile;
}

bool K5Layout(const FeatureContext& context)
{
    return context.model() && context.model()->Traits().layout == TableLayout::K5;
}

} // namespace

bool Save_Show(const FeatureContext& context, ShowState& shows)
{
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    return SaveShowFile(context, shows, context.model()->ShowFileExtension(),
                        K5ShowFile(shows.ShowTable[index], shows.ShowData[index]));
}

bool Save_R2_Show(const FeatureContext& context, ShowState& shows)
{
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    return SaveShowFile(context, shows, R2ExtensionWritten,
                        ShowDataToSave(shows.ShowData[index], shows.ShowTable[index].Length));
}

void Open_Show(const FeatureContext& context, ShowState& shows)
{
    const auto path = FindShowFile(context, shows, context.model()->ShowFileExtension());
    if (!path)
        return;
    // The entry in front says how much of the file is the show's.
    bool longer = false;
    auto bytes = ReadShowFile(context, *path, K5ShowHeaderBytes, longer);
    if (!bytes)
        return;
    if (bytes->size() < K5ShowHeaderBytes) {
        context.status().SetStatus(1, "Show Open Failed: " + ShownPath(context.paths, *path) + " holds only " +
                                          std::to_string(bytes->size()) + " bytes");
        return;
    }
    const std::int32_t length = DecodeShowBlock(*bytes, false).Length;
    if (longer && !(bytes = ReadShowFile(context, *path, K5ShowHeaderBytes + BytesOf(length), longer)))
        return;
    if (bytes->size() < K5ShowHeaderBytes) {
        context.status().SetStatus(1, "Show Open Failed: " + ShownPath(context.paths, *path) +
                                          " changed while it was read");
        return;
    }
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    // Unlike the controller's reply, a show file's values above 99 stay as they are.
    ShowEntry& entry = shows.ShowTable[index];
    entry = DecodeShowBlock(std::string_view(*bytes).substr(0, K5ShowHeaderBytes), false);
    shows.ShowData[index] = ShowDataToSave(bytes->substr(K5ShowHeaderBytes), entry.Length);
    if (shows.CurrentShow == 0)
        shows.AmbientMode = true;
    else
        ++shows.ShowCount;
    SayOpened(context, *path, shows.ShowData[index].size(), entry.Length, longer && entry.Length == length);
}

void Open_R2_Show(const FeatureContext& context, ShowState& shows)
{
    const auto path = FindShowFile(context, shows, R2ExtensionLooked);
    if (!path)
        return;
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    const std::int32_t length = shows.ShowTable[index].Length;
    bool longer = false;
    const auto bytes = ReadShowFile(context, *path, BytesOf(length), longer);
    if (!bytes)
        return;
    shows.ShowData[index] = *bytes;
    SayOpened(context, *path, bytes->size(), length, longer);
}

bool Save_Toc(const FeatureContext& context, const ShowState& shows)
{
    std::string refusal;
    if (shows.TocImage.size() != TocImageBytes)
        refusal = "no table image of " + std::to_string(TocImageBytes) + " bytes to save";
    return SaveIntoProject(context, ConfigFileName, shows.TocImage, "cfg", refusal);
}

ConfigOpen Open_cfg(const FeatureContext& context, ShowState& shows)
{
    const auto found = FindIgnoringCase(PathFromUtf8(context.paths.BrowseFolder), ConfigFileName);
    if (!found) {
        context.Log("Show " + std::to_string(shows.CurrentShow) + " File Not Found.");
        return ConfigOpen::Missing;
    }
    const std::string path = Utf8FromPath(*found);
    const std::string shown = ShownPath(context.paths, path);
    std::string error;
    const auto image = ReadWholeFile(*found, TocImageBytes, &error);
    if (!image) {
        context.status().SetStatus(1, "Config Open Failed: " + shown + ": " + error);
        return ConfigOpen::Refused;
    }
    if (image->size() != TocImageBytes) {
        context.status().SetStatus(1, "Config Open Failed: " + shown + " holds " + std::to_string(image->size()) +
                                          " bytes, not " + std::to_string(TocImageBytes));
        return ConfigOpen::Refused;
    }
    // A table the program cannot hold would be loaded only in part and saved
    // back shorter, so it is not taken at all.
    const std::string problem =
        TableProblem(std::string_view(*image).substr(0, BlocksPerTable * ShowBlockBytes),
                     static_cast<unsigned char>((*image)[160]), ((*image)[161] & 1) != 0, "the file");
    if (!problem.empty()) {
        context.status().SetStatus(1, "Config Open Failed: " + shown + ": " + problem);
        return ConfigOpen::Refused;
    }
    shows.CurrentShow = BlocksPerTable;
    ApplyTocImage(shows, *image, false);
    context.Log("Show Count: " + std::to_string(shows.ShowCount));
    context.status().SetStatus(1, "Config Opened: " + shown);
    return ConfigOpen::Opened;
}

bool SaveAllShows(const FeatureContext& context, ShowState& shows)
{
    if (!context.model())
        return false;
    // What each failed file said in the status bar, which a later file's
    // "Saved as" would hide.
    std::vector<std::string> failures;
    auto note = [&](bool saved) {
        if (!saved)
            failures.push_back(context.status().Status(1));
    };
    auto save = [&](int show) {
        shows.CurrentShow = static_cast<std::int16_t>(show);
        note(K5Layout(context) ? Save_Show(context, shows) : Save_R2_Show(context, shows));
    };
    if (shows.AmbientMode)
        save(0);
    for (int show = 1; show <= shows.ShowCount && show <= MaxShowCount; ++show)
        save(show);
    if (UsesConfigFile(context))
        note(Save_Toc(context, shows));
    if (failures.empty())
        return true;
    std::string status;
    std::string files = "These files were not saved:";
    for (const std::string& failure : failures) {
        status += (status.empty() ? "" : "; ") + failure;
        const auto reason = failure.find(SaveFailed);
        files += "\r\n" + (reason == std::string::npos ? failure : failure.substr(reason + SaveFailed.size()));
    }
    context.status().SetStatus(1, status);
    context.dialogs.message(files, AppTitle, DialogIcon::Critical);
    return false;
}

Result OpenExistingShows(const FeatureContext& context, ShowState& shows, const std::string& folder)
{
    if (context.State() != StateIdle || !context.model())
        return Result::Busy();
    const std::string previousFolder = context.paths.BrowseFolder;
    context.paths.BrowseFolder = WithoutTrailingSeparator(folder);
    const bool k5 = K5Layout(context);
    const ConfigOpen config = UsesConfigFile(context) ? Open_cfg(context, shows) : ConfigOpen::Missing;
    if (config == ConfigOpen::Refused) {
        context.paths.BrowseFolder = previousFolder;
        return Result::Fail(ResultCode::FileError, context.status().Status(1));
    }
    if (config == ConfigOpen::Missing) {
        shows.ShowCount = 0;
        shows.AmbientMode = false;
    }
    shows.UnopenedShows.clear();
    std::vector<int> unopened; // numbered K5 shows whose file was not taken
    int highest = 0;
    for (int show = 0; show < BlocksPerTable; ++show) {
        shows.ShowData[static_cast<std::size_t>(show)].clear();
        shows.CurrentShow = static_cast<std::int16_t>(show);
        if (k5) {
            const int countBefore = shows.ShowCount;
            Open_Show(context, shows);
            if (show > 0 && shows.ShowCount > countBefore)
                highest = show;
            else if (show > 0)
                unopened.push_back(show);
            shows.SetLabel(control::lblShowCount, std::to_string(shows.ShowCount));
            shows.SetLabel(control::lblAmbient, shows.AmbientMode ? "Yes" : "No");
        } else {
            Open_R2_Show(context, shows);
        }
    }
    // ShowCount counts the files found, so a gap below the highest one leaves
    // a stale entry among the shows that would be written.
    for (int show : unopened) {
        if (show > highest)
            break;
        const std::string name = ShowFileName(show, context.model()->ShowFileExtension());
        const bool exists = FindIgnoringCase(PathFromUtf8(context.paths.BrowseFolder), name).has_value();
        shows.UnopenedShows[show] =
            "show " + std::to_string(show) + ": " + name + (exists ? " could not be read" : " is missing");
    }
    std::string status = text::ShowsLoaded(shows.ShowCount);
    if (const std::string incomplete = IncompleteShows(shows); !incomplete.empty())
        status += "; " + incomplete;
    context.status().SetStatus(1, status);
    return Result::Done(status);
}

} // namespace marrowick
