// images: the firmware images the program carries; flash: installs one.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <iostream>

#include "base/Files.h"
#include "cli/Cli.h"
#include "features/FirmwareFeature.h"
#include "features/FirmwarePresenter.h"
#include "features/Texts.h"
#include "firmware/EmbeddedImages.h"

namespace marrowick::cli {
namespace {

std::string SdWord(SdVariant sd)
{
    switch (sd) {
    case SdVariant::Full:
        return "full";
    case SdVariant::Micro:
        return "micro";
    case SdVariant::FullOnly:
        return "full-only";
    case SdVariant::None:
        break;
    }
    return "-";
}

int RunImages(Context& context)
{
    const std::filesystem::path folder = PathFromUtf8(context.args.Option("export"));
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            return context.Fail("Cannot create " + PathText(folder) + ": " + ec.message());
    }
    const bool json = context.args.Has("json");
    QJsonArray list;
    for (const auto& row : FirmwareCatalogue) {
        const auto facts = EmbeddedImageFacts(row.number);
        const auto bytes = FindEmbeddedImage(row.number);
        if (!facts || !bytes)
            return context.Fail("Firmware image " + std::to_string(row.number) + " is missing from this program.");
        if (json)
            list.append(QJsonObject{{"image", row.number},
                                    {"model", QString::fromLatin1(row.model.data(), row.model.size())},
                                    {"version", QString::fromLatin1(row.version.data(), row.version.size())},
                                    {"sd", QString::fromStdString(SdWord(row.sd))},
                                    {"bytes", static_cast<qint64>(facts->bytes)},
                                    {"records", facts->records}});
        else
            std::cout << row.number << "  " << row.model << "  " << row.version << "  " << SdWord(row.sd) << "  "
                      << facts->bytes << " bytes  " << facts->records << " records" << std::endl;
        if (!folder.empty()) {
            std::string error;
            const auto path = folder / (std::to_string(row.number) + ".hex");
            if (!WriteFileAtomically(path, std::string(*bytes), &error))
                return context.Fail("Cannot write " + PathText(path) + ": " + error);
        }
    }
    if (json)
        PrintJson(QJsonDocument(list));
    return ExitOk;
}

std::string Available(std::string_view model)
{
    std::string versions;
    for (const auto& row : FirmwareCatalogue) {
        if (row.model != model || versions.find(row.version) != std::string::npos)
            continue;
        versions += (versions.empty() ? "" : ", ") + std::string(row.version);
    }
    return versions;
}

int RunFlash(Context& context)
{
    const Args& args = context.args;
    std::string version = args.Option("version");
    if (version.rfind("version ", 0) == 0)
        version = version.substr(8);
    if (version.empty())
        return context.Usage("--version is missing");
    const std::string sd = args.Option("sd");
    if (args.Has("sd") && sd != "full" && sd != "micro")
        return context.Usage("--sd wants full or micro");

    const std::string assumed = args.Option("assume-model");
    if (args.Has("assume-model") && assumed != "K5" && assumed != "k5")
        return context.Usage("--assume-model takes K5 only: the model the question asks about");
    if (const int status = context.Identify(true); status != ExitOk)
        return status;
    Session& session = context.session();
    Identity& identity = session.identity;
    if (identity.modelMissing && !args.Has("assume-model"))
        return context.Fail(context.OnPort(text::ModelNotAvailable) +
                            ": firmware goes only to a controller that names its model; for an older K5 that "
                            "answers nothing when asked, add --assume-model K5. Nothing was sent.");
    if (args.Has("assume-model")) {
        // Only for a controller that answered nothing to "M": an older K5.
        if (!FirmwareModelKey(identity.ControllerModel).empty() && identity.ControllerModel != "K5")
            return context.Fail(context.OnPort("--assume-model K5: the controller names its model: " +
                                               identity.ControllerModel + "; nothing was sent."));
        if (identity.modelMissing) {
            identity.answeredK5 = true;
            identity.CurrentController = MakeController("K5");
            context.answers[Question::UnconfirmedModel] = true;
        }
    }

    // The version picks the option the window would have selected.
    const std::string modelKey = FirmwareModelOf(identity);
    const std::string_view model = modelKey;
    const FirmwareRow* chosen = nullptr;
    bool twoBuilds = false;
    for (const auto& row : FirmwareCatalogue) {
        if (row.model != model || row.version != version)
            continue;
        chosen = &row;
        twoBuilds = twoBuilds || row.sd != SdVariant::None;
    }
    if (chosen == nullptr)
        return context.Fail("There is no firmware version " + version + " for the " + std::string(model) +
                            "; available: " + Available(model));
    if (twoBuilds && sd.empty())
        return context.Fail("Firmware version " + version + " for the " + std::string(model) +
                            " depends on the SD card: say --sd full or --sd micro");
    context.answers[Question::FullSizeSdCard] = sd == "full";
    context.answers[Question::MicroSdCard] = sd == "micro";
    context.answers[Question::ResetController] = args.Has("reset");
    // The command line names the version it wants: that is its answer.
    context.answers[Question::DownloadFirmware] = true;

    const Control array = FirmwareOptionArray(modelKey);
    const int option = chosen->option;
    const OptionReader options = [array, option](Control asked) { return asked == array ? option : 0; };

    FirmwareFeature& firmware = session.firmware();
    std::optional<Result> outcome;
    firmware.Ended.connect([&](const Result& o) {
        outcome = o;
        context.Wake();
    });
    context.ShowProgressLines(
        [&firmware] { return "Image " + std::to_string(firmware.download().ImageNumber()) + ":"; });
    if (!firmware.Download(options))
        return context.Fail(context.OnPort("No firmware was sent."));
    context.RunUntil([&] { return outcome.has_value(); });
    context.EndProgress();
    if (!outcome->ok())
        return context.Fail(*outcome, FirmwareText(*outcome));
    std::cout << FirmwareText(*outcome) << std::endl;
    return ExitOk;
}

} // namespace

std::vector<Command> FirmwareCommands()
{
    return {{"images",
             "images [--export DIR] [--json]",
             {{"export"}, {"json", false}},
             false,
             RunImages,
             "Lists the firmware images built into the program, one per line: number, model,\n"
             "version, SD-card build (full, micro, full-only or -), bytes and records.\n"
             "\n"
             "  --export DIR   also writes each image byte for byte as DIR/NNN.hex\n"
             "  --json         print an array of {\"image\", \"model\", \"version\", \"sd\", \"bytes\",\n"
             "                 \"records\"} instead\n"
             "\n"
             "example: marrowick-cli images --export ~/firmware"},
            {"flash",
             "flash --port PORT|--simulate MODEL --version VERSION [--sd full|micro] [--reset] [--assume-model K5] "
             "[--timeout SECONDS] [--quiet]",
             {{"port"},
              {"simulate"},
              {"dump"},
              {"version"},
              {"sd"},
              {"reset", false},
              {"assume-model"},
              {"timeout"},
              {"quiet", false}},
             false,
             RunFlash,
             "Identifies the controller, picks the firmware image for its model and VERSION,\n"
             "checks every record, then downloads it with a progress line on stderr.\n"
             "\n"
             "  --version VERSION   the firmware version to install, for example 1.05\n"
             "  --sd full|micro     R2 1.03 and 1.04 exist for full-size and micro SD cards\n"
             "  --reset             answer Yes to resetting the controller afterwards\n"
             "  --assume-model K5   for an older K5 that answers nothing when asked its model:\n"
             "                      take it as a K5 (refused when the controller names a model or\n"
             "                      answers something else)\n"
             "  --timeout SECONDS   how long to wait for each reply (default 5)\n"
             "  --quiet             print no progress on stderr\n"
             "\n"
             "Exit status 0 only when the controller took the last record: \"T\" for it, or\n"
             "silence for 2 s (or --timeout) after it, as a controller may restart at once.\n"
             "example: marrowick-cli flash --port COM3 --version 1.05 --reset"}};
}

} // namespace marrowick::cli
