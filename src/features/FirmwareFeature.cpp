#include "features/FirmwareFeature.h"

namespace marrowick {
namespace {

std::string SdText(SdVariant sd)
{
    switch (sd) {
    case SdVariant::Full:
        return " for a full-size SD card";
    case SdVariant::Micro:
        return " for a micro SD card";
    case SdVariant::FullOnly:
        return " for a full-size SD card only";
    case SdVariant::None:
        break;
    }
    return "";
}

} // namespace

FirmwareFeature::FirmwareFeature(FeatureContext& context)
    : m_context(context), m_download(context.conversations), m_afterDownload(context.clock().createTimer())
{
    m_afterDownload->onTimeout = [this] { AskReset(); };
    m_download.Finished.connect([this](const Result& outcome) { Downloaded(outcome); });
    context.commands.OnClick(control::btnFirmware, [this] { Download(WindowOptions()); });
    for (const controller* model : AllModels()) {
        const Control array = model->Traits().firmwareOptions;
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
    if (m_context.State() != StateIdle || !m_context.link().IsOpen() || m_download.Running())
        return false;
    FirmwareImage image;
    if (!LoadFirmwareImage(m_context.identity().ControllerModel, options, m_context.dialogs, image))
        return false;
    if (const auto problem = CheckFirmwareImage(image)) {
        m_context.Log(*problem);
        m_context.dialogs.message(*problem, AppTitle, DialogIcon::None);
        return false;
    }
    m_download.Start(image);
    return true;
}

void FirmwareFeature::Downloaded(const Result& outcome)
{
    m_outcome = outcome;
    if (!outcome.ok()) {
        Ended(outcome);
        return;
    }
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
        m_context.view.closeWindow();
    } else {
        m_context.dialogs.message("Firmware will be installed on next controller power cycle", AppTitle,
                                  DialogIcon::None);
    }
    Ended(m_outcome);
}

std::string FirmwareFeature::ImageInfo(const OptionReader& options) const
{
    if (FirmwareModelKey(m_context.identity().ControllerModel).empty())
        return UnnamedModelText;
    std::string text;
    for (const FirmwareRow* row : FirmwareCandidates(m_context.identity().ControllerModel, options)) {
        const auto facts = EmbeddedImageFacts(row->number);
        if (!text.empty())
            text += "\n";
        text += "Image " + std::to_string(row->number) + ": version " + std::string(row->version) + SdText(row->sd);
        if (facts)
            text += ", " + std::to_string(facts->records) + " records, " + std::to_string(facts->bytes) + " bytes";
        else
            text += ", missing from this program";
    }
    return text;
}

void FirmwareFeature::RefreshInfo(const OptionReader& options)
{
    m_context.view.setCaption(control::lblFirmwareInfo, ImageInfo(options));
}

} // namespace marrowick
