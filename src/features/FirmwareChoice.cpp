#include "features/FirmwareChoice.h"

#include <map>

#include "features/ModelSetup.h"
#include "firmware/EmbeddedImages.h"
#include "models/Controller.h"
#include "ui/Dialogs.h"

namespace marrowick {

std::string_view FirmwareModelKey(const std::string& modelReply)
{
    const auto named = MakeController(modelReply);
    return named ? std::string_view(modelReply) : std::string_view();
}

std::string FirmwareModelOf(const Identity& identity)
{
    if (!FirmwareModelKey(identity.ControllerModel).empty())
        return identity.ControllerModel;
    return ModelUnconfirmed(identity) ? "K5" : "";
}

bool ModelUnconfirmed(const Identity& identity)
{
    return identity.ControllerModel.empty() && identity.modelMissing && !identity.modelUnreadable &&
           identity.answeredK5;
}

Control FirmwareOptionArray(const std::string& modelReply)
{
    const auto named = MakeController(modelReply);
    return named ? LookOf(*named).firmwareOptions : control::OptFirmware;
}

std::vector<const FirmwareRow*> FirmwareCandidates(const std::string& modelReply, const OptionReader& options)
{
    const std::string_view model = FirmwareModelKey(modelReply);
    if (model.empty())
        return {};
    const Control optionArray = FirmwareOptionArray(modelReply);
    const bool singleVersion = FirmwareVersionsOf(model).size() == 1;
    std::vector<const FirmwareRow*> rows;
    for (const auto& row : FirmwareCatalogue) {
        if (row.model != model)
            continue;
        // A model with a single version (the T7) does not consult its option button.
        if (singleVersion || options(optionArray) == row.option)
            rows.push_back(&row);
    }
    return rows;
}

std::optional<int> ChooseFirmwareImage(const std::string& modelReply, const OptionReader& options, Dialogs& dialogs)
{
    if (FirmwareModelKey(modelReply).empty()) {
        dialogs.message(UnnamedModelText, AppTitle, DialogIcon::None);
        return std::nullopt;
    }
    const auto rows = FirmwareCandidates(modelReply, options);
    if (rows.empty())
        return std::nullopt;
    if (rows.size() == 1 && rows.front()->sd == SdVariant::None)
        return rows.front()->number;
    auto build = [&](SdVariant sd) -> const FirmwareRow* {
        for (const FirmwareRow* row : rows)
            if (row->sd == sd || (sd == SdVariant::Full && row->sd == SdVariant::FullOnly))
                return row;
        return nullptr;
    };
    const FirmwareRow* full = build(SdVariant::Full);
    const FirmwareRow* micro = build(SdVariant::Micro);
    if (full != nullptr &&
        dialogs.question(Question::FullSizeSdCard, "Full Size SD Card?", "R2 Version", DialogIcon::None))
        return full->number;
    if (micro != nullptr) {
        if (dialogs.question(Question::MicroSdCard, "Micro Sd Card?", "R2 Version", DialogIcon::None))
            return micro->number;
        return std::nullopt;
    }
    dialogs.message("Firmware Update not available at this time for this version", AppTitle, DialogIcon::None);
    return std::nullopt;
}

bool LoadFirmwareImage(const std::string& modelReply, const OptionReader& options, Dialogs& dialogs,
                       FirmwareImage& image)
{
    const auto number = ChooseFirmwareImage(modelReply, options, dialogs);
    if (!number)
        return false;
    const auto bytes = FindEmbeddedImage(*number);
    if (!bytes) {
        dialogs.message("Firmware image " + std::to_string(*number) + " is missing from this program.", AppTitle,
                        DialogIcon::None);
        return false;
    }
    image = ReadFirmwareRecords(*number, *bytes);
    return true;
}

std::optional<ImageFacts> EmbeddedImageFacts(int number)
{
    static std::map<int, ImageFacts> known;
    const auto found = known.find(number);
    if (found != known.end())
        return found->second;
    const auto bytes = FindEmbeddedImage(number);
    if (!bytes)
        return std::nullopt;
    const FirmwareImage image = ReadFirmwareRecords(number, *bytes);
    const ImageFacts facts{static_cast<int>(image.records.size()), image.bytes};
    known.emplace(number, facts);
    return facts;
}

} // namespace marrowick
