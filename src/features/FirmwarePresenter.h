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
// What the selected version would install: number, version, SD card, records, bytes.
std::string ImageInfoText(const std::string& modelReply, const OptionReader& options);

} // namespace marrowick
