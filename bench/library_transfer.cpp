// Sends audio libraries to marrowick-sim over a real pseudo-terminal with the
// program's own serial port and timers, and reports how long it takes, how
// much processor time and memory the program uses:
//   big      an 8,000,000-byte library with instant replies: wall and CPU time,
//            and the peak resident set of this process, which does the transfer;
//   paced    a library (32 KiB unless --paced-bytes says otherwise) on a line
//            paced at 960 bytes/s: ideal wire time / measured;
//   thinking a controller that takes its time before each reply: CPU time / wall time.
//
// usage: library_transfer [--sim PATH] [--case big|paced|thinking]... [--paced-bytes N]
//                         [--skip-pace]
// Without --case all three run, in that order. Without --sim, marrowick-sim is
// looked for beside this program. Each figure is also printed as a line
// "result NAME VALUE" for bench/run.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "LoopDelay.h"
#include "conversations/ClipTransfer.h"
#include "conversations/Identification.h"
#include "core/Session.h"
#include "e2e/SimProcess.h"
#include "features/LibraryFeature.h"
#include "features/LibraryPresenter.h"
#include "link/LineRate.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "ui/QuietView.h"

using namespace marrowick;
namespace fs = std::filesystem;

namespace {

class NoDialogs : public Dialogs {
public:
    void message(const std::string& text, const std::string&, DialogIcon) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool question(Question, const std::string&, const std::string&, DialogIcon) override { return false; }
    std::optional<std::string> prompt(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    std::vector<std::string> openFiles(const std::string&) override { return {}; }
};

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A "VmRSS" or "VmHWM" line of /proc/self/status, in bytes (0 when unknown).
double StatusBytes(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(key.size())) * 1024.0;
    return 0;
}

void Report(const char* name, double value)
{
    std::printf("result %s %.6g\n", name, value);
}

struct Measured {
    bool ok = false;
    std::string message;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double rssBeforeBytes = 0; // resident set once identified, before the transfer starts
    double loopDelayP99Ms = 0; // how late a 10 ms timer fired, 99th percentile, over the transfer
};

// Runs the event loop until `done` is set by a signal handler that also quits it;
// nothing polls, so the measured CPU time is the program's own.
void RunLoopUntil(QEventLoop& loop, const bool& done)
{
    if (!done)
        loop.exec();
}

// Identifies the simulated controller, then times the transfer of `files`.
Measured SendLibrary(const std::string& simProgram, const std::vector<std::string>& simArgs,
                     const std::vector<std::string>& files, std::optional<int> timeoutMs = std::nullopt)
{
    e2e::SimProcess sim(simArgs, simProgram);
    Measured result;
    if (sim.path().empty()) {
        result.message = "marrowick-sim did not start";
        return result;
    }
    QuietView view;
    NoDialogs dialogs;
    QtClock clock;
    QtSerialPort port;
    Session session(view, dialogs, clock, port);
    // A slow controller needs more than the usual second to say who it is.
    session.timeoutOverrideMs = timeoutMs;
    QEventLoop loop;
    bool identified = false;
    session.identification().Finished.connect([&](const Result&) {
        identified = true;
        loop.quit();
    });
    std::string error;
    if (!session.Connect(sim.path(), &error)) {
        result.message = "cannot open " + sim.path() + ": " + error;
        return result;
    }
    RunLoopUntil(loop, identified);

    LibraryFeature& library = session.library();
    library.TakeFiles(files);
    if (static_cast<std::size_t>(library.Library().ClipCount) != files.size()) {
        result.message = "the library does not fit the controller";
        return result;
    }
    std::optional<Result> outcome;
    bool finished = false;
    library.Transfer().Finished.connect([&](const Result& o) {
        outcome = o;
        finished = true;
        loop.quit();
    });

    result.rssBeforeBytes = StatusBytes("VmRSS");
    bench::LoopDelay delay;
    delay.Start();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    std::string problem;
    const Result started = library.StartSending(&problem);
    if (!started.ok()) {
        result.message = problem.empty() ? "the transfer did not start" : problem;
        return result;
    }
    RunLoopUntil(loop, finished);
    delay.Stop();
    result.loopDelayP99Ms = delay.P99Ms();
    result.cpuSeconds = CpuSeconds() - cpuStart;
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    result.ok = outcome->ok();
    result.message = ClipTransferText(*outcome);
    session.Shutdown();
    return result;
}

std::string MakeFile(const fs::path& path, std::size_t size)
{
    std::mt19937 random(static_cast<unsigned>(size));
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// Bytes on the wire for one clip of `audio` bytes: command, count, table and size,
// the audio, and a 6-byte reply per packet (the line is used one way at a time).
double WireBytes(std::size_t clips, std::size_t audio)
{
    const std::size_t first = ClipTransfer::BlockBytes - ClipEntryBytes * clips;
    std::size_t packets = 1;
    if (audio > first)
        packets += (audio - first + ClipTransfer::BlockBytes - 1) / ClipTransfer::BlockBytes;
    return static_cast<double>(2 + ClipEntryBytes * clips + 4 + audio + ClipTransfer::ReplyBytes * packets);
}

std::string CpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

} // namespace

int Usage()
{
    std::fprintf(stderr, "usage: library_transfer [--sim PATH] [--case big|paced|thinking]... [--paced-bytes N] "
                         "[--skip-pace]\n");
    return 2;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string simProgram = (fs::path(argv[0]).parent_path() / "marrowick-sim").string();
    std::set<std::string> cases;
    bool skipPace = false;
    // 32 KiB: about 35 s at the line rate. The program's own share of a packet's
    // round trip is well under a millisecond against 2.1 s of wire time, so the
    // figure is as steady here as with a larger library.
    std::size_t pacedBytes = 32768;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--skip-pace") {
            skipPace = true;
        } else if (arg == "--sim" && i + 1 < argc) {
            simProgram = argv[++i];
        } else if (arg == "--case" && i + 1 < argc) {
            cases.insert(argv[++i]);
        } else if (arg == "--paced-bytes" && i + 1 < argc) {
            pacedBytes = static_cast<std::size_t>(std::stoul(argv[++i]));
            if (pacedBytes == 0)
                return Usage();
        } else if (!arg.empty() && arg[0] != '-') {
            simProgram = arg;
        } else {
            return Usage();
        }
    }
    for (const auto& name : cases)
        if (name != "big" && name != "paced" && name != "thinking")
            return Usage();
    const auto wanted = [&](const char* name) {
        if (cases.empty())
            return !(skipPace && std::string(name) == "paced");
        return cases.count(name) > 0;
    };
    if (!fs::exists(simProgram)) {
        std::fprintf(stderr, "marrowick-sim not found at %s; give its path with --sim\n", simProgram.c_str());
        return 2;
    }
    std::random_device seed;
    const fs::path folder = fs::temp_directory_path() / ("marrowick-bench-" + std::to_string(seed()));
    fs::create_directories(folder);
    int status = 0;

    std::printf("machine: %u processors, %s\n", std::max(1U, static_cast<unsigned>(::sysconf(_SC_NPROCESSORS_ONLN))),
                CpuModel().c_str());

    // Four 2,000,000-byte clips into an R2, replies as fast as the pty carries them.
    // It runs first, so the peak resident set is the transfer's, not a leftover
    // of a case before it.
    if (wanted("big")) {
        constexpr double LibraryBytes = 8000000;
        std::vector<std::string> big;
        big.reserve(4);
        for (int i = 0; i < 4; ++i)
            big.push_back(MakeFile(folder / ("big" + std::to_string(i) + ".mp3"), 2000000));
        const Measured a = SendLibrary(simProgram, {"--model", "R2"}, big);
        const double peak = StatusBytes("VmHWM");
        const double memoryGoal = 2 * LibraryBytes + 60e6;
        if (!a.ok || peak > memoryGoal)
            status = 1;
        std::printf("big: 8000000 bytes, instant replies: %s; wall %.3f s (%.2f MB/s), CPU %.3f s (%.0f%% of wall)\n",
                    a.ok ? "complete" : a.message.c_str(), a.wallSeconds, LibraryBytes / 1e6 / a.wallSeconds,
                    a.cpuSeconds, 100.0 * a.cpuSeconds / a.wallSeconds);
        std::printf("big: resident set %.1f MB before the transfer, peak %.1f MB (goal <= %.0f MB)\n",
                    a.rssBeforeBytes / 1e6, peak / 1e6, memoryGoal / 1e6);
        Report("clip.big.ok", a.ok ? 1 : 0);
        Report("clip.big.wall_s", a.wallSeconds);
        Report("clip.big.cpu_s", a.cpuSeconds);
        Report("clip.big.loop_delay_p99_ms", a.loopDelayP99Ms);
        Report("clip.big.mb_per_s", LibraryBytes / 1e6 / a.wallSeconds);
        Report("clip.big.rss_before_mb", a.rssBeforeBytes / 1e6);
        Report("clip.big.peak_rss_mb", peak / 1e6);
        Report("clip.big.peak_increase_mb", (peak - a.rssBeforeBytes) / 1e6);
    }

    // A small library at the real line rate.
    if (wanted("paced")) {
        const std::vector<std::string> small{MakeFile(folder / "small.mp3", pacedBytes)};
        const Measured b = SendLibrary(simProgram, {"--model", "K5", "--pace"}, small);
        const double ideal = WireBytes(1, pacedBytes) / LineBytesPerSecond;
        const double efficiency = ideal / b.wallSeconds;
        if (!b.ok || efficiency < 0.98)
            status = 1;
        std::printf("paced: %zu bytes at 960 bytes/s: %s; ideal %.2f s, measured %.2f s, efficiency %.4f (goal >= "
                    "0.98)\n",
                    pacedBytes, b.ok ? "complete" : b.message.c_str(), ideal, b.wallSeconds, efficiency);
        Report("clip.paced.ok", b.ok ? 1 : 0);
        Report("clip.paced.bytes", static_cast<double>(pacedBytes));
        Report("clip.paced.ideal_s", ideal);
        Report("clip.paced.wall_s", b.wallSeconds);
        Report("clip.paced.efficiency", efficiency);
    }

    // A controller that thinks half a second before each reply.
    if (wanted("thinking")) {
        const std::vector<std::string> thinking{MakeFile(folder / "thinking.mp3", 16384)};
        const Measured c = SendLibrary(simProgram, {"--model", "K5", "--reply-delay", "500"}, thinking, 5000);
        const double share = c.cpuSeconds / c.wallSeconds;
        if (!c.ok || share > 0.01)
            status = 1;
        std::printf("thinking: 16384 bytes, 500 ms before each reply: %s; wall %.2f s, CPU %.4f s = %.3f%% of wall "
                    "(goal <= 1%%)\n",
                    c.ok ? "complete" : c.message.c_str(), c.wallSeconds, c.cpuSeconds, 100.0 * share);
        Report("clip.thinking.ok", c.ok ? 1 : 0);
        Report("clip.thinking.wall_s", c.wallSeconds);
        Report("clip.thinking.cpu_s", c.cpuSeconds);
        Report("clip.thinking.cpu_percent", 100.0 * share);
    }

    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
