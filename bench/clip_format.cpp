// Times how long reading the playing time and format of an 8 MB MP3 file
// takes, as the clip list does for every clip it takes. The file has a
// variable bit rate (96, 128 and 160 kbit/s at 44.1 kHz) and no Xing header,
// so every one of its frames is found and counted; a second file of the same
// size at 32 kbit/s and 48 kHz has four times as many frames, the most any
// clip can have. Each is read --runs times (default 20) after one read that
// brings it into the system's cache; the median and the slowest are reported.
//
//   clip_format [--runs N]
//
// Figures are also printed as lines "result NAME VALUE" for bench/run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library/ClipFormat.h"
#include "support/SoundFiles.h"
#include "support/TempFolder.h"

namespace {

using Steady = std::chrono::steady_clock;
constexpr std::size_t FileBytes = 8000000;

// Frames of the given bit rates, repeated until the file is 8 MB.
std::string EightMegabytes(int rate, const std::vector<int>& pattern)
{
    const std::string one = marrowick::testing::Mp3Bytes({rate, false, pattern, false, 0, 3});
    std::string bytes;
    while (bytes.size() + one.size() <= FileBytes)
        bytes += one;
    return bytes;
}

struct Figures {
    double medianMs = 0;
    double maxMs = 0;
    double seconds = 0;
    bool mp3 = false;
};

Figures Time(const std::string& path, int runs)
{
    Figures figures;
    const marrowick::ClipFormat first = marrowick::ReadClipFormat(path);
    figures.seconds = first.seconds;
    figures.mp3 = first.kind == marrowick::ClipFormat::Kind::Mp3;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Steady::now();
        const marrowick::ClipFormat format = marrowick::ReadClipFormat(path);
        ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        if (format.seconds != first.seconds)
            figures.mp3 = false;
    }
    std::sort(ms.begin(), ms.end());
    figures.medianMs = ms[ms.size() / 2];
    figures.maxMs = ms.back();
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: clip_format [--runs N]\n");
            return 2;
        }
    }
    marrowick::testing::TempFolder folder("marrowick-bench-format");
    const struct {
        const char* name;
        const char* what;
        int rate;
        std::vector<int> pattern;
    } files[] = {
        {"vbr", "VBR 96-160 kbit/s, 44.1 kHz, no Xing header", 44100, {96, 128, 160}},
        {"small_frames", "32 kbit/s, 48 kHz, no Xing header", 48000, {32}},
    };
    int status = 0;
    for (const auto& file : files) {
        const auto path = folder.path / (std::string(file.name) + ".mp3");
        const std::string bytes = EightMegabytes(file.rate, file.pattern);
        marrowick::testing::WriteFile(path, bytes);
        const Figures figures = Time(path.string(), runs);
        if (!figures.mp3) {
            std::fprintf(stderr, "%s: not read as the same MP3 every time\n", file.name);
            status = 1;
            continue;
        }
        std::printf("%s (%zu bytes, plays %.1f s): median %.2f ms, slowest %.2f ms of %d reads\n", file.what,
                    bytes.size(), figures.seconds, figures.medianMs, figures.maxMs, runs);
        std::printf("result clipformat.%s.median_ms %.4g\n", file.name, figures.medianMs);
        std::printf("result clipformat.%s.max_ms %.4g\n", file.name, figures.maxMs);
    }
    return status;
}
