#pragma once

#include <map>
#include <memory>
#include <string>

#include "conversations/ShowReader.h"
#include "conversations/ShowWriter.h"
#include "features/FeatureContext.h"
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

    // "Open Existing Shows" once the folder is chosen: the show files (and, for
    // the models that keep one, 000.CFG) of `folder`, read by the current
    // model's rules, and shown.
    Result OpenShowsFrom(const std::string& folder);
    // Asks for a new project and saves every show into it. False when no
    // project was made or a file could not be saved.
    bool SaveIntoNewProject();
    // Shows the table and its labels as held.
    void Display();

private:
    void OnReadShows();
    void OnOpenShows();
    void ReadEnded(const Result& outcome);
    void OfferSave();

    FeatureContext& m_context;
    ShowState m_state;
    ShowReader m_reader;
    ShowWriter m_writer;
    std::map<std::string, std::string> m_shownLabels;
    int m_pendingOffer = 0;
    std::unique_ptr<Timer> m_offer;
};

} // namespace marrowick
