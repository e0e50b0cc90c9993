#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareCatalogue.h"
#include "firmware/FirmwareRecords.h"
#include "models/Identity.h"
#include "ui/Controls.h"

namespace marrowick {

class Dialogs;

// The selected index of an option-button array (control::OptFirmware, ...).
using OptionReader = std::function<int(Control optionArray)>;

// The catalogue's model for a model reply: "K5", "R2", "T7" and "L+" as they
// are; empty for any other reply (none, doubled, unknown), for which no image
// is chosen: firmware goes only to a model the controller named.
std::string_view FirmwareModelKey(const std::string& modelReply);

// Said when "Download Firmware" is pressed for a controller that named no model.
inline constexpr const char* UnnamedModelText =
    "Firmware cannot be downloaded: the controller did not say which model it is.";

// The catalogue's model for what the controller said of itself: its model
// reply when it names one; "K5" for a controller that answered nothing at all
// to "M" (older K5 firmware) when the person said it is a K5; empty otherwise.
std::string FirmwareModelOf(const Identity& identity);
// That model is the person's word, not the controller's.
bool ModelUnconfirmed(const Identity& identity);

// The option array whose selection picks the version for a model reply (that of
// the K5 when the reply names no model).
Control FirmwareOptionArray(const std::string& modelReply);

// The images a model reply and the selected option leave to choose from: one,
// or the full-size and micro SD builds of one version. Empty when the option
// names no image.
std::vector<const FirmwareRow*> FirmwareCandidates(const std::string& modelReply, const OptionReader& options);

// The image to install: the candidates above, and where a version exists in two
// builds the user's answers to "Full Size SD Card?" and "Micro Sd Card?".
// Nothing when the user declined or the version is not available.
std::optional<int> ChooseFirmwareImage(const std::string& modelReply, const OptionReader& options, Dialogs& dialogs);

// Picks the image for the model reply and the options, and splits it into the
// records to send. False when no image is to be installed.
bool LoadFirmwareImage(const std::string& modelReply, const OptionReader& options, Dialogs& dialogs,
                       FirmwareImage& image);

// Records and size of an embedded image as the program would send it (cached).
struct ImageFacts {
    int records = 0;
    std::size_t bytes = 0;
};
std::optional<ImageFacts> EmbeddedImageFacts(int number);

} // namespace marrowick
