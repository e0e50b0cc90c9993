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
    return std::nullopt;
}

void PrintTable(const AudioLibrary& clips)
{
    std::printf("%-5s %-9s %-9s %s\n", "Clip", "Start", "Length", "File");
    const auto inOrder = clips.InOrder();
    const auto entries = ClipEntries(inOrder);
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::printf("%-5zu 0x%-7lX %-9s %s\n", i + 1, static_cast<unsigned long>(entries[i].start),
                    FloatText(entries[i].length).c_str(), WithNativeSeparators(inOrder[i].FileName).c_str());
    std::fflush(stdout);
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
             "save-library --model MODEL --project DIR FILE...",
             {{"model"}, {"project"}},
             true,
             RunSaveLibrary,
             "Builds the audio library from the sound files in the order given, writes\n"
             "DIR/000.LIB for the SD card and prints the clip table: number, start address,\n"
             "length, file. Every file must be readable and all of them (at most 99) must fit\n"
             "the model's audio memory; otherwise nothing is written and each problem is named.\n"
             "\n"
             "  --model MODEL   K5, R2, T7 or L+\n"
             "  --project DIR   the project folder (created when missing)\n"
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
             "is named.\n"
             "\n"
             "  --timeout SECONDS   how long to wait for each reply\n"
             "  --quiet             print no progress on stderr\n"
             "\n"
             "Exit status 0 only when the controller accepted the last packet.\n"
             "example: marrowick-cli send-clips --port COM3 intro.mp3 thunder.mp3"}};
}

} // namespace marrowick::cli
