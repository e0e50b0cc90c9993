#include "features/FirmwareFeature.h"

#include "features/FirmwarePresenter.h"

namespace marrowick {

FirmwareFeature::FirmwareFeature(FeatureContext& context)
    : m_context(context), m_download(context.conversations), m_afterDownload(context.clock().createTimer())
{
    m_afterDownload->onTimeout = [this] { AskReset(); };
    m_download.Finished.connect([this](const Result& outcome) { Downloaded(outcome); });
    context.commands.OnClick(control::btnFirmware, [this] { Download(WindowOptions()); });
    for (const controller* model : AllModels()) {
        const Control array = FirmwareOptionArray(model->Name());
        // The window reports the click before or after it moves the selection;
        // the index it passes is the one that counts for this array.
        context.commands.OnOption(array, [this, array](int index) {
            const OptionReader window = WindowOptions();
            RefreshInfo([window, array, index](Control asked) { return asked == array ? index : window(asked); });
        });
    }
}

OptionReader FirmwareFeature::WindowOptions() const
{
    const View* view = &m_context.view;
    return [view](Control array) { return view->selectedOption(array); };
}

bool FirmwareFeature::Download(const OptionReader& options)
{
    if (!m_context.Idle() || !m_context.link().IsOpen() || m_download.Running())
        return false;
    // Declined, the download leaves no earlier text in panel 1.
    const auto notStarted = [this] {
        m_context.status.Narrate("Firmware not downloaded");
        return false;
    };
    FirmwareImage image;
    const Identity& identity = m_context.identity();
    if (!LoadFirmwareImage(FirmwareModelOf(identity), options, m_context.dialogs, image))
        return notStarted();
    if (const auto problem = CheckFirmwareImage(image)) {
        const std::string text = ImageProblemText(image.number, *problem);
        m_context.Log(text);
        m_context.dialogs.message(text, AppTitle, DialogIcon::None);
        return false;
    }
    // The person's word that it is a K5 is asked for once more, with the image named;
    // otherwise what replaces what the controller runs.
    const bool unconfirmed = ModelUnconfirmed(identity);
    if (!m_context.dialogs.question(unconfirmed ? Question::UnconfirmedModel : Question::DownloadFirmware,
                                    unconfirmed ? UnconfirmedModelText(image.number)
                                                : DownloadQuestionText(image.number, identity.FirmwareVersion),
                                    AppTitle, DialogIcon::Question))
        return notStarted();
    m_context.status.Narrate("Downloading Firmware");
    m_download.Start(image);
    return true;
}

void FirmwareFeature::Downloaded(const Result& outcome)
{
    m_outcome = outcome;
    if (!outcome.ok()) {
        m_context.status.Say(FirmwarePanelText(outcome));
        Ended(outcome);
        return;
    }
    m_context.status.Narrate("Firmware Download Complete");
    // The reset question waits until the receive event that sent the last
    // record has returned, so no dialog opens inside the dispatcher.
    m_afterDownload->start(0);
}

void FirmwareFeature::AskReset()
{
    const std::string model = m_context.model() ? m_context.model()->Name() : "";
    if (m_context.dialogs.question(Question::ResetController, "Reset " + model + " and apply Firmware update?",
                                   AppTitle, DialogIcon::None)) {
        m_context.link().Send("r");
        ResetSent(m_context.identity().FirmwareVersion);
    } else {
        m_context.dialogs.message("Firmware will be installed on next controller power cycle", AppTitle,
                                  DialogIcon::None);
    }
    Ended(m_outcome);
}

void FirmwareFeature::RefreshInfo(const OptionReader& options)
{
    m_context.view.setCaption(control::lblFirmwareInfo, ImageInfoText(FirmwareModelOf(m_context.identity()), options));
}

} // namespace marrowick
