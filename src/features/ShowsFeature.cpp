#include "features/ShowsFeature.h"

#include "features/NewProject.h"
#include "features/ProjectFiles.h"

namespace marrowick {

ShowsFeature::ShowsFeature(FeatureContext& context)
    : m_context(context), m_reader(context.conversations, m_state), m_writer(context.conversations, m_state),
      m_offer(context.clock().createTimer())
{
    m_offer->onTimeout = [this] { OfferSave(); };
    CommandMap& commands = context.commands;
    commands.OnClick(control::btnReadShows, [this] { OnReadShows(); });
    commands.OnClick(control::btnWriteShows, [this] { m_writer.Start(); });
    commands.OnClick(control::btnOpenShows, [this] { OnOpenShows(); });
    commands.OnClick(control::btnSaveShows, [this] {
        if (m_state.ShowCount != 0)
            SaveIntoNewProject();
    });
    m_reader.Shown.connect([this] { Display(); });
}

void ShowsFeature::Display()
{
    ShowLabels(m_context.view, m_state, m_shownLabels);
    m_shownLabels = m_state.labels;
    FillShowList(m_context.view, m_state);
}

void ShowsFeature::OnReadShows()
{
    // Offered only for a read started here; a command line saves on its own.
    m_pendingOffer = m_reader.Finished.connect([this](const Result& outcome) { ReadEnded(outcome); });
    if (!m_reader.Start().ok())
        m_reader.Finished.disconnect(m_pendingOffer);
}

void ShowsFeature::ReadEnded(const Result& outcome)
{
    m_reader.Finished.disconnect(m_pendingOffer);
    // The offer waits until the receive event that brought the last show has
    // returned, so no dialog opens inside the dispatcher and what the
    // controller sends while it is open is read and dropped.
    if (outcome.ok() && !m_context.conversations.slot.closing)
        m_offer->start(0);
}

void ShowsFeature::OfferSave()
{
    const controller* model = m_context.model();
    if (!model || m_context.conversations.slot.closing)
        return;
    if (!m_context.dialogs.question(Question::SaveShows, "Save Shows To Computer?", model->Name(),
                                    DialogIcon::Question))
        return;
    SaveIntoNewProject();
}

bool ShowsFeature::SaveIntoNewProject()
{
    return NewProject(m_context) && SaveAllShows(m_context, m_state);
}

void ShowsFeature::OnOpenShows()
{
    if (m_context.State() != StateIdle)
        return;
    const auto folder = m_context.dialogs.chooseFolder("Select Project Folder");
    if (!folder || folder->empty())
        return;
    // The status bar says why; the box makes sure a refused open is noticed.
    const Result opened = OpenShowsFrom(*folder);
    if (!opened.ok() && opened.code != ResultCode::Busy)
        m_context.dialogs.message("Failed", AppTitle, DialogIcon::None);
}

Result ShowsFeature::OpenShowsFrom(const std::string& folder)
{
    Result result = OpenExistingShows(m_context, m_state, folder);
    if (result.ok())
        Display();
    return result;
}

} // namespace marrowick
