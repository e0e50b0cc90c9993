#include "firmware/FirmwareFeature.h"

#include "core/Session.h"
#include "link/Identification.h"

namespace marrowick {
namespace {

const char* const OptionArrays[] = {"OptFirmware", "Option2", "Option1", "Option3"};

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

FirmwareFeature::FirmwareFeature(Session& session)
    : m_session(session), m_download(session), m_afterDownload(session.clock.createTimer())
{
    m_afterDownload->onTimeout = [this] { AskReset(); };
    m_download.Finished.connect([this](const Outcome& outcome) { Downloaded(outcome); });
    session.OnClick("btnFirmware", [this] { Download(WindowOptions()); });
    for (const char* array : OptionArrays) {
        const std::string name = array;
        // The window reports the click before or after it moves the selection;
        // the index it passes is the one that counts for this array.
        session.OnOption(name, [this, name](int index) {
            const OptionReader window = WindowOptions();
            RefreshInfo(
                [window, name, index](const std::string& asked) { return asked == name ? index : window(asked); });
        });
    }
    session.identification().Finished.connect([this](const Outcome&) { RefreshInfo(WindowOptions()); });
}

FirmwareFeature::~FirmwareFeature() = default;

OptionReader FirmwareFeature::WindowOptions() const
{
    const View* view = &m_session.view;
    return [view](const std::string& array) { return view->selectedOption(array); };
}

bool FirmwareFeature::Download(const OptionReader& options)
{
    if (m_session.State() != StateIdle || !m_session.link.IsOpen() || m_download.Running())
        return false;
    FirmwareImage image;
    if (!LoadFirmwareImage(m_session, options, image))
        return false;
    if (const auto problem = CheckFirmwareImage(image)) {
        m_session.LogDebug(*problem, 0, LogBaseline);
        m_session.dialogs.message(*problem, AppTitle, DialogIcon::None);
        return false;
    }
    m_download.Start(image);
    return true;
}

void FirmwareFeature::Downloaded(const Outcome& outcome)
{
    m_outcome = outcome;
    if (!outcome.ok) {
        Ended(outcome);
        return;
    }
    // The reset question waits until the receive event that sent the last
    // record has returned, so no dialog opens inside the dispatcher.
    m_afterDownload->start(0);
}

void FirmwareFeature::AskReset()
{
    const std::string model = m_session.CurrentController ? m_session.CurrentController->Name() : "";
    if (m_session.dialogs.question("Reset " + model + " and apply Firmware update?", AppTitle, DialogIcon::None)) {
        m_session.link.Send("r");
        m_session.view.closeWindow();
    } else {
        m_session.dialogs.message("Firmware will be installed on next controller power cycle", AppTitle,
                                  DialogIcon::None);
    }
    Ended(m_outcome);
}

std::string FirmwareFeature::ImageInfo(const OptionReader& options) const
{
    std::string text;
    for (const FirmwareRow* row : FirmwareCandidates(m_session.ControllerModel, options)) {
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
    m_session.view.setCaption("lblFirmwareInfo", ImageInfo(options));
}

} // namespace marrowick
