#pragma once

#include <string>

#include "base/Result.h"
#include "features/FirmwareChoice.h"
#include "firmware/FirmwareRecords.h"

namespace marrowick {

// The words of the firmware download.

// "Firmware image 105 sent: 756 records", or "Firmware Download Aborted: " and why.
std::string FirmwareText(const Result& result);
// What panel 1 says when a download ended: nothing after one that worked
// (the reset question follows), "Firmware Download Aborted" otherwise.
std::string FirmwarePanelText(const Result& result);
// "Firmware image 105 cannot be sent: line 12 (...) has the checksum ... Nothing was sent."
std::string ImageProblemText(int image, const ImageProblem& problem);
// The question before firmware goes to a K5 that did not say its model itself.
std::string UnconfirmedModelText(int image);
// Asked before a download: "Download firmware image 114 (R2 version 1.07)?
// The controller runs version 1.05.", warning when that is older or the same.
std::string DownloadQuestionText(int image, const std::string& runningVersion);
// After the reset, the version the controller names now: "Firmware updated:
// 1.05 → 1.06", or that it still runs the old one.
std::string FirmwareUpdatedText(const std::string& before, const std::string& after);
// The controller did not answer within the time a restart takes.
inline constexpr const char* NoAnswerAfterResetText =
    "The controller did not answer after the reset: switch it off and on, then use Connect\u2026";
// While the controller starts again.
inline constexpr const char* ResettingText = "Controller reset: waiting for it to start again";
// What the selected version would install: number, version, SD card, records, bytes.
std::string ImageInfoText(const std::string& modelReply, const OptionReader& options);

} // namespace marrowick
