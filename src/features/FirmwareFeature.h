#pragma once

#include <memory>
#include <string>

#include "conversations/FirmwareDownload.h"
#include "features/FeatureContext.h"
#include "features/FirmwareChoice.h"

namespace marrowick {

// The "Firmware" tab: which image the selected version installs
// (`lblFirmwareInfo`), and "Download Firmware" (`btnFirmware`) with the reset
// question at the end.
class FirmwareFeature {
public:
    explicit FirmwareFeature(FeatureContext& context);

    // "Download Firmware" with the options as `options` reads them: chooses,
    // loads and checks the image and starts sending it. False when nothing started.
    bool Download(const OptionReader& options);
    // The options as the window shows them.
    OptionReader WindowOptions() const;

    // What the selected version would install, beside the options.
    void RefreshInfo(const OptionReader& options);

    FirmwareDownload& download() { return m_download; }
    // The whole operation has ended: given up, or sent and the reset question answered.
    Signal<const Result&> Ended;
    // "r" went out: the controller starts again, and ran `version` before.
    Signal<const std::string&> ResetSent;

private:
    void Downloaded(const Result& outcome);
    void AskReset();

    FeatureContext& m_context;
    FirmwareDownload m_download;
    std::unique_ptr<Timer> m_afterDownload;
    Result m_outcome;
};

} // namespace marrowick
