#include "features/Availability.h"

namespace marrowick {

std::vector<std::pair<Control, std::string>> WhyNotAvailable(const CommandFacts& facts)
{
    const std::string busy = facts.busy ? "Controller busy" : "";
    const std::string noPort = facts.portOpen ? "" : "No controller connected";
    const std::string noShows = facts.showCount == 0 ? "No shows loaded" : "";
    const std::string noClips = facts.clips ? "" : "No clips in the library";
    const std::string sending = facts.sendingClips ? "Clips are being sent" : "";
    const std::string notEditable = facts.showsEditable ? "" : "No shows loaded";
    // The first reason that holds, in the order given.
    const auto first = [](std::initializer_list<std::string> reasons) {
        for (const std::string& reason : reasons)
            if (!reason.empty())
                return reason;
        return std::string();
    };
    return {
        {control::btnReadShows, first({noPort, busy})},
        {control::btnWriteShows, first({noPort, busy, noShows})},
        {control::btnOpenShows, busy},
        {control::btnSaveShows, noShows},
        {control::BtnAddClip, first({sending, busy})},
        {control::btnRemoveClip, first({sending, noClips})},
        {control::btnPlayClip, noClips},
        {control::Command3, first({sending, noClips})},
        {control::btnLibrary, first({busy, noClips})},
        {control::BtnWriteLibrary, first({noPort, busy, noClips})},
        {control::btnFirmware, first({noPort, busy})},
        {control::btnConnect, busy},
        {control::ListShows, busy},
        {control::cboTrigger, first({busy, notEditable})},
        {control::cboLockOut, first({busy, notEditable})},
        {control::cboTriggerA, first({busy, notEditable})},
        {control::cboTriggerB, first({busy, notEditable})},
        {control::btnUndo, first({busy, facts.canUndo ? "" : "Nothing to undo"})},
        {control::btnRedo, first({busy, facts.canRedo ? "" : "Nothing to redo"})},
    };
}

} // namespace marrowick
