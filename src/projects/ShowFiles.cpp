#include "projects/ShowFiles.h"

#include "core/Files.h"
#include "core/Session.h"
#include "projects/ConfigFile.h"
#include "projects/ProjectPaths.h"
#include "shows/ShowsFeature.h"

namespace marrowick {
namespace {

constexpr const char* R2ExtensionWritten = ".R2S";
constexpr const char* R2ExtensionLooked = ".R2s";
constexpr std::size_t K5HeaderBytes = 16;

bool UsesConfigFile(const Session& session)
{
    const std::string name = session.CurrentController ? session.CurrentController->Name() : "";
    return name == "R2" || name == "L+";
}

bool IsK5(const Session& session)
{
    return session.CurrentController && session.CurrentController->Name() == "K5";
}

// The first `length` bytes of a show's data, or what it holds when shorter.
std::string DataToSave(const std::string& data, std::int32_t length)
{
    return length > 0 ? data.substr(0, static_cast<std::size_t>(length)) : std::string();
}

bool SaveShowFile(Session& session, const std::string& extension, const std::string& bytes)
{
    return SaveIntoProject(session, ShowFileName(session.shows().State().CurrentShow, extension), bytes, "Show");
}

// The show file of CurrentShow in the folder chosen to open; nullopt when it is
// missing (logged).
std::optional<std::string> FindShowFile(Session& session, const std::string& extension)
{
    const int show = session.shows().State().CurrentShow;
    const auto found = FindIgnoringCase(session.BrowseFolder, ShowFileName(show, extension));
    if (!found) {
        session.LogDebug("Show " + std::to_string(show) + " File Not Found.", 0, LogBaseline);
        return std::nullopt;
    }
    return found->string();
}

// At most `maxBytes` of a show file: no more can belong to the show. Nullopt
// when it cannot be read, said in the status bar.
std::optional<std::string> ReadShowFile(Session& session, const std::string& path, std::uint64_t maxBytes, bool& longer)
{
    std::string error;
    auto bytes = ReadFileStart(path, maxBytes, &longer, &error);
    if (!bytes)
        session.SetStatus(1, "Show Open Failed: " + ShownPath(session, path) + ": " + error);
    return bytes;
}

std::uint64_t BytesOf(std::int32_t length)
{
    return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

void SayOpened(Session& session, const std::string& path, std::size_t got, std::int32_t length, bool longer)
{
    std::string text = "Show Opened: " + ShownPath(session, path);
    if (length > 0 && got < static_cast<std::size_t>(length))
        text += " (only " + std::to_string(got) + " of " + std::to_string(length) + " bytes)";
    if (longer)
        text += " (longer than its " + std::to_string(BytesOf(length)) + " bytes of show data; the rest ignored)";
    session.SetStatus(1, text);
}

} // namespace

bool Save_Show(Session& session)
{
    const ShowState& shows = session.shows().State();
    const ShowEntry& entry = shows.ShowTable[static_cast<std::size_t>(shows.CurrentShow)];
    std::string bytes(entry.RawStartLength.begin(), entry.RawStartLength.end());
    for (std::uint8_t value :
         {entry.ClipNumber, entry.Volume, entry.PreShowDelay, entry.PostShowDelay, entry.Configuration})
        bytes += static_cast<char>(value);
    bytes.append(3, '\xFF');
    bytes += DataToSave(shows.ShowData[static_cast<std::size_t>(shows.CurrentShow)], entry.Length);
    return SaveShowFile(session, session.CurrentController->FileExtension(), bytes);
}

bool Save_R2_Show(Session& session)
{
    const ShowState& shows = session.shows().State();
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    return SaveShowFile(session, R2ExtensionWritten, DataToSave(shows.ShowData[index], shows.ShowTable[index].Length));
}

void Open_Show(Session& session)
{
    ShowState& shows = session.shows().State();
    const auto path = FindShowFile(session, session.CurrentController->FileExtension());
    if (!path)
        return;
    // The entry in front says how much of the file is the show's.
    bool longer = false;
    auto bytes = ReadShowFile(session, *path, K5HeaderBytes, longer);
    if (!bytes)
        return;
    if (bytes->size() < K5HeaderBytes) {
        session.SetStatus(1, "Show Open Failed: " + ShownPath(session, *path) + " holds only " +
                                 std::to_string(bytes->size()) + " bytes");
        return;
    }
    const std::int32_t length = DecodeShowBlock(*bytes, false).Length;
    if (longer && !(bytes = ReadShowFile(session, *path, K5HeaderBytes + BytesOf(length), longer)))
        return;
    if (bytes->size() < K5HeaderBytes) {
        session.SetStatus(1, "Show Open Failed: " + ShownPath(session, *path) + " changed while it was read");
        return;
    }
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    // Unlike the controller's reply, a show file's values above 99 stay as they are.
    ShowEntry& entry = shows.ShowTable[index];
    entry = DecodeShowBlock(std::string_view(*bytes).substr(0, K5HeaderBytes), false);
    shows.ShowData[index] = DataToSave(bytes->substr(K5HeaderBytes), entry.Length);
    if (shows.CurrentShow == 0)
        shows.AmbientMode = true;
    else
        ++shows.ShowCount;
    SayOpened(session, *path, shows.ShowData[index].size(), entry.Length, longer && entry.Length == length);
}

void Open_R2_Show(Session& session)
{
    ShowState& shows = session.shows().State();
    const auto path = FindShowFile(session, R2ExtensionLooked);
    if (!path)
        return;
    const auto index = static_cast<std::size_t>(shows.CurrentShow);
    const std::int32_t length = shows.ShowTable[index].Length;
    bool longer = false;
    const auto bytes = ReadShowFile(session, *path, BytesOf(length), longer);
    if (!bytes)
        return;
    shows.ShowData[index] = *bytes;
    SayOpened(session, *path, bytes->size(), length, longer);
}

bool SaveAllShows(Session& session)
{
    ShowState& shows = session.shows().State();
    if (!session.CurrentController)
        return false;
    bool allSaved = true;
    auto save = [&](int show) {
        shows.CurrentShow = static_cast<std::int16_t>(show);
        if (!(IsK5(session) ? Save_Show(session) : Save_R2_Show(session)))
            allSaved = false;
    };
    if (shows.AmbientMode)
        save(0);
    for (int show = 1; show <= shows.ShowCount && show <= MaxShowCount; ++show)
        save(show);
    if (UsesConfigFile(session) && !Save_Toc(session))
        allSaved = false;
    return allSaved;
}

Outcome OpenExistingShows(Session& session, const std::string& folder)
{
    ShowState& shows = session.shows().State();
    if (session.State() != StateIdle || !session.CurrentController)
        return {};
    session.BrowseFolder = WithoutTrailingSeparator(folder);
    const bool k5 = IsK5(session);
    const ConfigOpen config = UsesConfigFile(session) ? Open_cfg(session) : ConfigOpen::Missing;
    if (config == ConfigOpen::Refused)
        return {false, session.Status(1)};
    if (config == ConfigOpen::Missing) {
        shows.ShowCount = 0;
        shows.AmbientMode = false;
    }
    for (int show = 0; show < BlocksPerTable; ++show) {
        shows.ShowData[static_cast<std::size_t>(show)].clear();
        shows.CurrentShow = static_cast<std::int16_t>(show);
        if (k5) {
            Open_Show(session);
            SetShowLabel(session.view, shows, "lblShowCount", std::to_string(shows.ShowCount));
            SetShowLabel(session.view, shows, "lblAmbient", shows.AmbientMode ? "Yes" : "No");
        } else {
            Open_R2_Show(session);
        }
    }
    FillShowList(session.view, shows);
    session.SetStatus(1, "Show Loading Complete. Loaded " + std::to_string(shows.ShowCount) + " shows");
    return {true, session.Status(1)};
}

} // namespace marrowick
