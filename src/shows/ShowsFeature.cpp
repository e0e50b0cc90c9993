#include "shows/ShowsFeature.h"

#include "core/Session.h"
#include "projects/NewProject.h"
#include "projects/ShowFiles.h"

namespace marrowick {

ShowsFeature::ShowsFeature(Session& session)
    : m_session(session), m_reader(session, m_state), m_writer(session, m_state)
{
    session.OnClick("btnReadShows", [this] { OnReadShows(); });
    session.OnClick("btnWriteShows", [this] { m_writer.Start(); });
    session.OnClick("btnOpenShows", [this] { OnOpenShows(); });
    session.OnClick("btnSaveShows", [this] { OnSaveShows(); });

    Link& link = session.link;
    // State 5 is set only from the log window: the ten K5 blocks, nothing more.
    link.SetHandler(StateReceiveToc, [this](const std::string& chunk) { m_reader.ReceiveTOC(chunk); });
    link.SetHandler(StateReadShows, [this](const std::string& chunk) {
        if (m_session.CurrentController && m_session.CurrentController->Name() == "K5")
            m_reader.HandleK5TocReply(chunk);
        else
            m_reader.HandleR2TocReply(chunk);
    });
    link.SetHandler(StateReadShowRecords, [this](const std::string& chunk) { m_reader.ReceiveShowData(chunk); });
    link.SetHandler(StateWriteShowRecords, [this](const std::string& chunk) { m_writer.SendShowChunk(chunk); });
}

void ShowsFeature::OnReadShows()
{
    // Offered only for a read started here; a command line saves on its own.
    m_pendingOffer = m_reader.Finished.connect([this](const Outcome& outcome) { OfferSave(outcome); });
    if (!m_reader.Start().ok)
        m_reader.Finished.disconnect(m_pendingOffer);
}

void ShowsFeature::OfferSave(const Outcome& outcome)
{
    m_reader.Finished.disconnect(m_pendingOffer);
    if (!outcome.ok || !m_session.CurrentController)
        return;
    if (!m_session.dialogs.question("Save Shows To Computer?", m_session.CurrentController->Name(),
                                    DialogIcon::Question))
        return;
    if (NewProject(m_session))
        SaveAllShows(m_session);
}

void ShowsFeature::OnOpenShows()
{
    if (m_session.State() != StateIdle)
        return;
    const auto folder = m_session.dialogs.chooseFolder("Select Project Folder");
    if (!folder || folder->empty())
        return;
    OpenShowsFrom(*folder);
}

Outcome ShowsFeature::OpenShowsFrom(const std::string& folder)
{
    return OpenExistingShows(m_session, folder);
}

void ShowsFeature::OnSaveShows()
{
    if (m_state.ShowCount == 0)
        return;
    if (NewProject(m_session))
        SaveAllShows(m_session);
}

} // namespace marrowick
