#pragma once

#include <string>

#include "link/Conversation.h"
#include "shows/ShowReader.h"
#include "shows/ShowTable.h"
#include "shows/ShowWriter.h"

namespace marrowick {

class Session;

// The "Show Read / Write" tab: the show table the program holds, reading it
// from the controller, writing it back, and saving and opening project folders.
class ShowsFeature {
public:
    explicit ShowsFeature(Session& session);

    ShowState& State() { return m_state; }
    const ShowState& State() const { return m_state; }
    ShowReader& Reader() { return m_reader; }
    ShowWriter& Writer() { return m_writer; }

    // "Open Existing Shows" once the folder is chosen: the show files (and, for
    // R2 and L+, 000.CFG) of `folder`, read by the current model's rules.
    Outcome OpenShowsFrom(const std::string& folder);

private:
    void OnReadShows();
    void OnOpenShows();
    void OnSaveShows();
    void OfferSave(const Outcome& outcome);

    Session& m_session;
    ShowState m_state;
    ShowReader m_reader;
    ShowWriter m_writer;
    int m_pendingOffer = 0;
};

} // namespace marrowick
