// window_startup: starts the desktop program, `marrowick --simulate K5`, and
// times it from the moment the process is started until its window has
// identified the simulated controller (the status bar shows the firmware
// version and model). The program says so on stdout when
// MARROWICK_REPORT_IDENTIFIED is set; nothing else about it is changed.
//
//   window_startup [--program PATH] [--model K5|R2|T7|L+] [--runs N]
//
// Each run gets a fresh, empty home, settings, data and runtime folder and a
// temporary folder of its own (where the single-instance lock and socket
// live), so it starts as on a new machine, never hands over to a copy already
// running and never touches the user's settings. Without a display the window
// is drawn offscreen (QT_QPA_PLATFORM=offscreen unless the caller set it).
// The simulated controller answers at the real line rate, 960 bytes/s, so the
// figure includes the conversation's own wire time. The program's peak
// resident set at that moment is reported too: the window's own share of
// memory, which a transfer adds to.
// Figures are also printed as lines "result NAME VALUE" for bench/run.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int LimitMs = 30000;

struct Run {
    bool identified = false;
    std::string line; // what the program printed, or why there is nothing
    double seconds = 0;
    double peakBytes = 0; // the program's peak resident set once identified
};

// The "VmHWM" of a process, in bytes (0 when unknown).
double PeakResidentBytes(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) * 1024.0;
    return 0;
}

// The caller's environment with the run's own folders in place of the user's.
std::vector<std::string> Environment(const fs::path& folder)
{
    const std::vector<std::pair<std::string, fs::path>> folders = {
        {"HOME", folder / "home"},
        {"XDG_CONFIG_HOME", folder / "config"},
        {"XDG_DATA_HOME", folder / "data"},
        {"XDG_CACHE_HOME", folder / "cache"},
        {"XDG_RUNTIME_DIR", folder / "runtime"},
        {"TMPDIR", folder / "tmp"},
    };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "MARROWICK_REPORT_IDENTIFIED" &&
            std::none_of(folders.begin(), folders.end(), [&](const auto& f) { return f.first == name; }))
            env.push_back(entry);
    }
    for (const auto& [name, path] : folders) {
        fs::create_directories(path);
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
        env.push_back(name + "=" + path.string());
    }
    env.push_back("MARROWICK_REPORT_IDENTIFIED=1");
    if (!std::getenv("QT_QPA_PLATFORM"))
        env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

Run StartOnce(const std::string& program, const std::string& model, const fs::path& folder)
{
    Run run;
    std::vector<std::string> env = Environment(folder);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string programArg = program;
    std::string simulate = "--simulate";
    std::string modelArg = model;
    char* argv[] = {programArg.data(), simulate.data(), modelArg.data(), nullptr};
    const std::string errorFile = (folder / "stderr.txt").string();

    int out[2];
    if (::pipe(out) != 0) {
        run.line = "no pipe";
        return run;
    }
    const auto started = Steady::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0)
            ::dup2(err, 2);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(out[1]);

    std::string received;
    pollfd p{out[0], POLLIN, 0};
    for (;;) {
        const int left =
            LimitMs -
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - started).count());
        if (left <= 0) {
            run.line = "no identification within " + std::to_string(LimitMs / 1000) + " s";
            break;
        }
        if (::poll(&p, 1, left) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0) {
            run.line = "the program ended before the identification";
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
        const auto end = received.find('\n');
        if (end == std::string::npos)
            continue;
        run.seconds = std::chrono::duration<double>(Steady::now() - started).count();
        run.line = received.substr(0, end);
        run.identified = run.line.rfind("identified: ", 0) == 0;
        run.peakBytes = PeakResidentBytes(pid);
        break;
    }
    ::close(out[0]);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!run.identified) {
        std::ifstream err(errorFile);
        std::stringstream text;
        text << err.rdbuf();
        if (!text.str().empty())
            run.line += "; the program said: " + text.str();
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    std::string program = (fs::path(argv[0]).parent_path() / "marrowick").string();
    std::string model = "K5";
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (arg == "--model" && i + 1 < argc) {
            model = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: window_startup [--program PATH] [--model K5|R2|T7|L+] [--runs N]\n");
            return 2;
        }
    }
    if (!fs::exists(program)) {
        std::fprintf(stderr, "window_startup: %s not found; give it with --program\n", program.c_str());
        return 2;
    }

    std::random_device seed;
    const fs::path root = fs::temp_directory_path() / ("marrowick-startup-" + std::to_string(seed()));
    std::vector<double> seconds;
    double peakBytes = 0;
    int status = 0;
    for (int i = 0; i < runs; ++i) {
        const fs::path folder = root / std::to_string(i);
        const Run run = StartOnce(program, model, folder);
        std::printf("run %d: %s%s\n", i + 1, run.identified ? "" : "failed: ", run.line.c_str());
        if (!run.identified) {
            status = 1;
            break;
        }
        std::printf("run %d: %.3f s from start to identified, peak resident set %.1f MB\n", i + 1, run.seconds,
                    run.peakBytes / 1e6);
        seconds.push_back(run.seconds);
        peakBytes = std::max(peakBytes, run.peakBytes);
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    if (seconds.empty())
        return 1;

    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("%zu runs: first %.3f s, median %.3f s, min %.3f s, max %.3f s\n", seconds.size(), seconds.front(),
                median, sorted.front(), sorted.back());
    std::printf("result startup.runs %zu\n", seconds.size());
    std::printf("result startup.first_s %.6g\n", seconds.front());
    std::printf("result startup.median_s %.6g\n", median);
    std::printf("result startup.max_s %.6g\n", sorted.back());
    std::printf("result startup.peak_rss_mb %.6g\n", peakBytes / 1e6);
    return status;
}
