#include "firmware/LoadFirmwareImage.h"

#include <map>

#include "core/Session.h"
#include "firmware/EmbeddedImages.h"

namespace marrowick {

std::string_view FirmwareModelKey(const std::string& modelReply)
{
    if (modelReply == "L+" || modelReply == "T7" || modelReply == "R2")
        return modelReply;
    return "K5";
}

std::vector<const FirmwareRow*> FirmwareCandidates(const std::string& modelReply, const OptionReader& options)
{
    const std::string_view model = FirmwareModelKey(modelReply);
    std::vector<const FirmwareRow*> rows;
    for (const auto& row : FirmwareCatalogue) {
        if (row.model != model)
            continue;
        // The T7 has a single version; its option button is not consulted.
        if (model == "T7" || options(std::string(row.optionArray)) == row.option)
            rows.push_back(&row);
    }
    return rows;
}

std::optional<int> ChooseFirmwareImage(const std::string& modelReply, const OptionReader& options, Dialogs& dialogs)
{
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
    if (full != nullptr && dialogs.question("Full Size SD Card?", "R2 Version", DialogIcon::None))
        return full->number;
    if (micro != nullptr) {
        if (dialogs.question("Micro Sd Card?", "R2 Version", DialogIcon::None))
            return micro->number;
        return std::nullopt;
    }
    dialogs.message("Firmware Update not available at this time for this version", AppTitle, DialogIcon::None);
    return std::nullopt;
}

bool LoadFirmwareImage(Session& session, const OptionReader& options, FirmwareImage& image)
{
    const auto number = ChooseFirmwareImage(session.ControllerModel, options, session.dialogs);
    if (!number)
        return false;
    const auto bytes = FindEmbeddedImage(*number);
    if (!bytes) {
        session.dialogs.message("Firmware image " + std::to_string(*number) + " is missing from this program.",
                                AppTitle, DialogIcon::None);
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
