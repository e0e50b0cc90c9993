#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "base/Files.h"
#include "cli/Cli.h"
#include "conversations/ClipTransfer.h"
#include "features/LibraryFeature.h"
#include "features/LibraryPresenter.h"
#include "library/LibraryImage.h"
#include "link/Encoding.h"

namespace marrowick::cli {
namespace {

// The library from the files on the command line: every file readable and
// fitting, or none is taken. The problems, one a line and each naming its file,
// when not; `nothing` ends the sentence for files that hold no audio at all.
std::optional<std::string> GatherClips(Context& context, const std::string& nothing)
{
    const auto& files = context.args.positional;
    const float audioRam = context.session().identity.Model()->AudioRam();
    std::string problems;
    for (const ClipProblem& problem : WholeLibraryProblems(files, audioRam))
        problems += (problems.empty() ? "" : "\n") + ClipProblemText(problem);
    if (!problems.empty())
        return problems;
    LibraryFeature& library = context.session().library();
    const SelectionResult taken = library.TakeFiles(files);
    if (!taken.problems.empty()) // a file changed since it was looked at
        return SelectionText(taken);
    if (library.Library().LibraryBytes == 0)
        return ClipProblemText({ClipProblem::Kind::AllEmpty, {}, {}, 0, 0, 0, 0}) + "; " + nothing;
    // Only a warning: the controller's own rules for its clips are not known here.
    for (const std::string& line : ClipWarningLines(library.Library()))
        std::cerr << line << std::endl;
    return std::nullopt;
}

void PrintTable(const AudioLibrary& clips)
{
    std::printf("%-5s %-9s %-9s %-8s %-36s %s\n", "Clip", "Start", "Length", "Time", "Format", "File");
    const auto inOrder = clips.InOrder();
    const auto entries = ClipEntries(inOrder);
    const auto rows = ClipRows(clips);
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::printf("%-5zu 0x%-7lX %-9s %-8s %-36s %s\n", i + 1, static_cast<unsigned long>(entries[i].start),
                    FloatText(entries[i].length).c_str(), rows[i][3].c_str(), rows[i][4].c_str(), rows[i][1].c_str());
    std::printf("%s\n", LibraryTimeText(clips).c_str());
    std::fflush(stdout);
}

// The library file and its clips for scripts: a clip that is not WAV or MP3 has
// no time and carries its warning.
QJsonObject LibraryJson(const std::filesystem::path& file, const AudioLibrary& clips)
{
    const auto inOrder = clips.InOrder();
    const auto entries = ClipEntries(inOrder);
    const auto rows = ClipRows(clips);
    QJsonArray list;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ClipFormat& format = inOrder[i].Format;
        const std::string warning = ClipWarningText(format);
        list.append(QJsonObject{
            {"clip", static_cast<int>(i + 1)},
            {"file", QString::fromStdString(rows[i][1])},
            {"start", static_cast<qint64>(entries[i].start)},
            {"length", static_cast<qint64>(entries[i].length)},
            {"seconds", format.Audio() ? QJsonValue(format.seconds) : QJsonValue(QJsonValue::Null)},
            {"time", format.Audio() ? QJsonValue(QString::fromStdString(rows[i][3])) : QJsonValue(QJsonValue::Null)},
            {"format", QString::fromStdString(rows[i][4])},
            {"warning", warning.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(warning))}});
    }
    return {{"library", QString::fromStdString(PathText(file))},
            {"bytes", static_cast<qint64>(clips.LibraryBytes)},
            {"seconds", LibraryPlayingTime(clips)},
            {"time", QString::fromStdString(PlayingTimeText(LibraryPlayingTime(clips)))},
            {"clips", list}};
}

int RunSaveLibrary(Context& context)
{
    const std::string model = context.args.Option("model");
    const std::string project = context.args.Option("project");
    if (model.empty() || project.empty())
        return context.Usage("--model and --project are needed");
    if (context.args.positional.empty())
        return context.Usage("no sound files given");
    Session& session = context.session();
    session.identity.CurrentController = ModelNamed(model);
    if (!session.identity.CurrentController)
        return context.Usage("--model must be K5, R2, T7 or L+");
    const std::filesystem::path folder = PathFromUtf8(project);
    if (const int status = context.CheckNewFolder(folder); status != ExitOk)
        return status;
    if (auto problem = GatherClips(context, "no library file was written"))
        return context.Fail(*problem);

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return context.Fail("Cannot create " + PathText(folder) + ": " + ec.message());
    std::string problem;
    if (const Result outcome = session.library().SaveLibraryTo(folder, &problem); !outcome.ok())
        return context.Fail(outcome, problem);
    if (context.args.Has("json"))
        PrintJson(QJsonDocument(LibraryJson(folder / LibraryFeature::LibraryFileName, session.library().Library())));
    else
        PrintTable(session.library().Library());
    return ExitOk;
}

int RunSendClips(Context& context)
{
    if (context.args.positional.empty())
        return context.Usage("no sound files given");
    if (const int status = context.Identify(); status != ExitOk)
        return status;
    Session& session = context.session();
    if (!session.identity.Model())
        return context.Fail(context.OnPort("The controller's model is not known"));
    if (auto problem = GatherClips(context, "nothing was sent"))
        return context.Fail(*problem);

    ClipTransfer& transfer = session.library().Transfer();
    std::optional<Result> outcome;
    transfer.Finished.connect([&](const Result& o) {
        outcome = o;
        context.Wake();
    });
    context.ShowProgressLines([] { return "Sending clips:"; });
    std::string problem;
    const Result started = session.library().StartSending(&problem);
    if (!started.ok())
        return context.Fail(problem.empty() ? context.OnPort("The link is busy; nothing was sent") : problem);
    context.RunUntil([&] { return outcome.has_value(); });
    context.EndProgress();
    if (!outcome->ok())
        return context.Fail(*outcome, ClipTransferText(*outcome));
    return ExitOk;
}

} // namespace

std::vector<Command> LibraryCommands()
{
    return {{"save-library",
             "save-library --model MODEL --project DIR [--json] FILE...",
             {{"model"}, {"project"}, {"json", false}},
             true,
             RunSaveLibrary,
             "Builds the audio library from the sound files in the order given, writes\n"
             "DIR/000.LIB for the SD card and prints the clip table: number, start address,\n"
             "length, playing time, format, file; then the library's playing time. Every file\n"
             "must be readable and all of them (at most 99) must fit the model's audio memory;\n"
             "otherwise nothing is written and each problem is named. A file whose content is\n"
             "neither WAV nor MP3 is still taken, with a warning on stderr.\n"
             "\n"
             "  --model MODEL   K5, R2, T7 or L+\n"
             "  --project DIR   the project folder (created when missing)\n"
             "  --json          print {\"library\", \"bytes\", \"seconds\", \"time\", \"clips\": [{\"clip\",\n"
             "                  \"file\", \"start\", \"length\", \"seconds\", \"time\", \"format\",\n"
             "                  \"warning\"}]} instead\n"
             "\n"
             "example: marrowick-cli save-library --model R2 --project ~/shows/hall *.mp3"},
            {"send-clips",
             "send-clips --port PORT|--simulate MODEL [--timeout SECONDS] [--quiet] FILE...",
             {{"port"}, {"simulate"}, {"dump"}, {"timeout"}, {"quiet", false}},
             true,
             RunSendClips,
             "Identifies the controller, builds the audio library for its model from the sound\n"
             "files in the order given and sends it over the line, with a progress line on\n"
             "stderr. At 9600 baud a megabyte takes about 17 minutes. Every file must be\n"
             "readable and all of them must fit; otherwise nothing is sent and each problem\n"
             "is named. A file whose content is neither WAV nor MP3 is still sent, with a\n"
             "warning on stderr.\n"
             "\n"
             "  --timeout SECONDS   how long to wait for each reply\n"
             "  --quiet             print no progress on stderr\n"
             "\n"
             "Exit status 0 only when the controller accepted the last packet.\n"
             "example: marrowick-cli send-clips --port COM3 intro.mp3 thunder.mp3"}};
}

} // namespace marrowick::cli
