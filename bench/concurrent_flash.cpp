// concurrent_flash: eight `marrowick-cli flash` runs at once, each against its
// own marrowick-sim paced at 9600 baud, as a workshop updating several
// controllers from one computer.
//
//   concurrent_flash [--runs N] [--image N] [--sim PATH] [--cli PATH]
//
// Image 105 unless --image says otherwise (T7 1.00, 756 records, about 18 s
// each). Every run's efficiency is measured as firmware_download measures it:
// ideal wire time / measured time, the ideal being the bytes of the download
// back to back at 960 bytes/s. Here the time is the controller's: from "F"
// reaching the simulator to the end-of-file record reaching it (the summary of
// its --dump), so the ideal counts the bytes in between: the "T" for "F", every
// record and the token after each record but the last.
// CPU: the user and system time of the eight marrowick-cli processes, whole
// runs from start to exit (identification included), against the wall time
// from the first start to the last exit; the simulators' likewise, apart.
// Each figure is also printed as a line "result NAME VALUE" for bench/run.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "e2e/SimProcess.h"
#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareCatalogue.h"
#include "firmware/FirmwareRecords.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

constexpr double BytesPerSecond = 960.0;

void Result(const std::string& name, double value)
{
    std::printf("result %s %.6g\n", name.c_str(), value);
}

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Starts a program with stdout and stderr into `log`.
pid_t Start(const std::vector<std::string>& argv, const fs::path& log)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        marrowick::e2e::ExecOrExit(argv);
    }
    return pid;
}

// The value of "NAME value" in a --dump summary, or a negative number.
double SummaryValue(const fs::path& summary, const std::string& name)
{
    const std::string text = marrowick::testing::ReadFile(summary);
    const auto at = text.find(name + " ");
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + name.size() + 1);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 8;
    int imageNumber = 105;
    const fs::path here = fs::path(argv[0]).parent_path();
    std::string simProgram = (here / "marrowick-sim").string();
    std::string cliProgram = (here / "marrowick-cli").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--image" && i + 1 < argc) {
            imageNumber = std::atoi(argv[++i]);
        } else if (arg == "--sim" && i + 1 < argc) {
            simProgram = argv[++i];
        } else if (arg == "--cli" && i + 1 < argc) {
            cliProgram = argv[++i];
        } else {
            std::cerr << "usage: concurrent_flash [--runs N] [--image N] [--sim PATH] [--cli PATH]\n";
            return 2;
        }
    }
    const marrowick::FirmwareRow* row = marrowick::FindFirmwareRow(imageNumber);
    const auto bytes = marrowick::FindEmbeddedImage(imageNumber);
    if (runs < 1 || !row || !bytes || row->sd == marrowick::SdVariant::Full || row->sd == marrowick::SdVariant::Micro) {
        std::cerr << "concurrent_flash: wants at least one run and an image that needs no SD-card answer\n";
        return 2;
    }
    const marrowick::FirmwareImage image = marrowick::ReadFirmwareRecords(imageNumber, *bytes);
    const std::size_t records = image.records.size();
    double wireBytes = 1; // the "T" for "F"
    for (const auto& record : image.records)
        wireBytes += static_cast<double>(marrowick::RecordWireBytes(record).size());
    wireBytes += static_cast<double>(records - 1); // a token after each record but the last
    const double ideal = wireBytes / BytesPerSecond;

    marrowick::testing::TempFolder scratch("marrowick-bench-flash");
    const std::string model(row->model);
    const std::string version(row->version);
    std::vector<std::unique_ptr<marrowick::e2e::SimProcess>> sims;
    for (int i = 0; i < runs; ++i) {
        const fs::path dump = scratch.path / ("sim-" + std::to_string(i + 1));
        sims.push_back(std::make_unique<marrowick::e2e::SimProcess>(
            std::vector<std::string>{"--model", model, "--version", version, "--pace", "--dump", dump.string()},
            simProgram));
        if (sims.back()->path().empty()) {
            std::cerr << "concurrent_flash: could not start " << simProgram << "\n";
            return 1;
        }
    }

    // All the command-line runs at once.
    std::map<pid_t, int> running;
    const auto started = Steady::now();
    for (int i = 0; i < runs; ++i) {
        const pid_t pid =
            Start({cliProgram, "flash", "--port", sims[static_cast<std::size_t>(i)]->path(), "--version", version},
                  scratch.path / ("cli-" + std::to_string(i + 1) + ".txt"));
        if (pid < 0) {
            std::cerr << "concurrent_flash: could not start " << cliProgram << "\n";
            return 1;
        }
        running[pid] = i;
    }
    std::vector<double> cliCpu(static_cast<std::size_t>(runs), 0);
    std::vector<double> cliWall(static_cast<std::size_t>(runs), 0);
    std::vector<long> cliSleeps(static_cast<std::size_t>(runs), 0); // voluntary context switches: waits

    std::vector<int> cliStatus(static_cast<std::size_t>(runs), -1);
    while (!running.empty()) {
        int status = 0;
        struct rusage usage {};
        const pid_t pid = ::wait4(-1, &status, 0, &usage);
        if (pid < 0)
            break;
        const auto it = running.find(pid);
        if (it == running.end())
            continue; // a simulator, which ended by itself
        const auto i = static_cast<std::size_t>(it->second);
        running.erase(it);
        cliCpu[i] = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        cliSleeps[i] = usage.ru_nvcsw;
        cliWall[i] = std::chrono::duration<double>(Steady::now() - started).count();
        cliStatus[i] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const double wall = std::chrono::duration<double>(Steady::now() - started).count();
    double simCpu = 0;
    for (auto& sim : sims) {
        sim->Stop();
        simCpu += sim->cpuSeconds;
    }

    std::printf("%d runs of marrowick-cli flash at once, image %d (%s %s, %zu records), each against its own "
                "marrowick-sim paced at 9600 baud\n",
                runs, imageNumber, model.c_str(), version.c_str(), records);
    std::printf("ideal wire time from \"F\" to the last record: %.3f s (%.0f bytes)\n", ideal, wireBytes);
    bool failed = false;
    double worst = 1e9;
    double cliCpuTotal = 0;
    double cliSleepsTotal = 0;
    for (int i = 0; i < runs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const fs::path summary = scratch.path / ("sim-" + std::to_string(i + 1)) / "summary.txt";
        const double seconds = SummaryValue(summary, "firmware_seconds");
        const bool complete = SummaryValue(summary, "firmware_complete") == 1;
        cliCpuTotal += cliCpu[k];
        cliSleepsTotal += static_cast<double>(cliSleeps[k]);
        if (cliStatus[k] != 0 || !complete || seconds <= 0) {
            std::printf("run %d: FAILED (exit status %d, download %s)\n%s", i + 1, cliStatus[k],
                        complete ? "complete" : "not complete",
                        marrowick::testing::ReadFile(scratch.path / ("cli-" + std::to_string(i + 1) + ".txt")).c_str());
            failed = true;
            continue;
        }
        const double efficiency = ideal / seconds;
        worst = std::min(worst, efficiency);
        // What each round trip took beyond its bytes' wire time.
        const double extraMs = (seconds - ideal) * 1000.0 / static_cast<double>(records);
        std::printf("run %d: download %.3f s, efficiency %.4f, %.3f ms per record beyond the wire time; "
                    "marrowick-cli %.3f s wall, %.3f s CPU, %ld waits\n",
                    i + 1, seconds, efficiency, extraMs, cliWall[k], cliCpu[k], cliSleeps[k]);
        Result("flash8.run" + std::to_string(i + 1) + ".efficiency", efficiency);
        Result("flash8.run" + std::to_string(i + 1) + ".extra_ms_per_record", extraMs);
    }
    const double cliPercent = cliCpuTotal / wall * 100.0;
    const double simPercent = simCpu / wall * 100.0;
    std::printf("wall time, first start to last exit: %.3f s\n", wall);
    std::printf("CPU of the %d marrowick-cli runs: %.3f s, %.3f %% of one core (goal <= 2 %%)\n", runs, cliCpuTotal,
                cliPercent);
    const double perRecord = cliSleepsTotal / runs / static_cast<double>(records);
    std::printf("marrowick-cli waits (voluntary context switches): %.2f per record, %.1f us of CPU per record\n",
                perRecord, cliCpuTotal / runs / static_cast<double>(records) * 1e6);
    std::printf("CPU of the %d simulators: %.3f s, %.3f %% of one core\n", runs, simCpu, simPercent);
    Result("flash8.runs", runs);
    Result("flash8.ideal_s", ideal);
    Result("flash8.wall_s", wall);
    Result("flash8.cli_cpu_s", cliCpuTotal);
    Result("flash8.cli_cpu_percent", cliPercent);
    Result("flash8.cli_waits_per_record", perRecord);
    Result("flash8.sim_cpu_s", simCpu);
    Result("flash8.sim_cpu_percent", simPercent);
    if (!failed)
        Result("flash8.efficiency_min", worst);
    return failed ? 1 : 0;
}
