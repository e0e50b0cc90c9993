#include "projects/ConfigFile.h"

#include "core/Files.h"
#include "core/Session.h"
#include "projects/ProjectPaths.h"
#include "shows/ShowsFeature.h"
#include "shows/TableReply.h"

namespace marrowick {

bool Save_Toc(Session& session)
{
    const std::string& image = session.shows().State().TocImage;
    std::string refusal;
    if (image.size() != TocImageBytes)
        refusal = "no table image of " + std::to_string(TocImageBytes) + " bytes to save";
    return SaveIntoProject(session, ConfigFileName, image, "cfg", refusal);
}

ConfigOpen Open_cfg(Session& session)
{
    ShowState& shows = session.shows().State();
    const auto found = FindIgnoringCase(session.BrowseFolder, ConfigFileName);
    if (!found) {
        session.LogDebug("Show " + std::to_string(shows.CurrentShow) + " File Not Found.", 0, LogBaseline);
        return ConfigOpen::Missing;
    }
    const std::string path = found->string();
    std::string error;
    const auto image = ReadWholeFile(*found, TocImageBytes, &error);
    if (!image) {
        session.SetStatus(1, "Config Open Failed: " + ShownPath(session, path) + ": " + error);
        return ConfigOpen::Refused;
    }
    if (image->size() != TocImageBytes) {
        session.SetStatus(1, "Config Open Failed: " + ShownPath(session, path) + " holds " +
                                 std::to_string(image->size()) + " bytes, not " + std::to_string(TocImageBytes));
        return ConfigOpen::Refused;
    }
    shows.CurrentShow = BlocksPerTable;
    ApplyTocImage(session, shows, *image, false);
    session.SetStatus(1, "Config Opened: " + ShownPath(session, path));
    return ConfigOpen::Opened;
}

} // namespace marrowick
