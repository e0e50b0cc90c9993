// firmware_download: sends a firmware image to marrowick-sim on a
// pseudo-terminal through the real Qt serial port and clock, driving a
// Session as the window does.
//
//   firmware_download [--pace] [--bare] [--image N] [--sim PATH]
//
// Without --pace the simulator answers at once: records per second shows what
// the program itself costs per record (image 110 unless --image says
// otherwise: R2 1.04, 3654 records). With --pace the simulator moves bytes at
// 9600 baud: efficiency = ideal wire time / measured time, where the ideal is
// every byte of the conversation ("F", its "T", each record and the token that
// answers it, the last record's token excepted) back to back at 960 bytes/s.
// The paced run sends image 105 unless --image says otherwise (T7 1.00, 756
// records, about 18 s): every record is its own round trip, so the efficiency
// of a few hundred records is that of a few thousand.
// The turnaround is the time from a token's arrival to the next record's write.
// With --bare the same conversation is held by a minimal host instead of the
// program: plain blocking reads and writes on the pseudo-terminal, no Qt. Its
// efficiency is what the pseudo-terminal and the simulator allow on this
// machine at this moment; the program's is to be read against it.
// marrowick-sim's pacing hands the first byte of each burst over without
// waiting its character time, so a paced run can come out slightly above 1;
// the turnaround share shows what the program itself adds.
// Each figure is also printed as a line "result NAME VALUE" for bench/run.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "LoopDelay.h"
#include "conversations/Identification.h"
#include "core/Session.h"
#include "e2e/SimProcess.h"
#include "features/FirmwareFeature.h"
#include "features/FirmwarePresenter.h"
#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareCatalogue.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "ui/QuietView.h"

using namespace marrowick;

namespace {

constexpr double BytesPerSecond = 960.0;

// The SD card the image is built for, Yes to the download, No to resetting
// the controller.
class BenchDialogs : public Dialogs {
public:
    explicit BenchDialogs(bool fullSize) : m_fullSize(fullSize) {}
    void message(const std::string&, const std::string&, DialogIcon) override {}
    bool question(Question id, const std::string& text, const std::string&, DialogIcon) override
    {
        return id == Question::DownloadFirmware || (text == "Full Size SD Card?" && m_fullSize);
    }
    std::optional<std::string> prompt(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    std::vector<std::string> openFiles(const std::string&) override { return {}; }

private:
    bool m_fullSize;
};

void Report(const std::string& name, double value)
{
    std::printf("result %s %.6g\n", name.c_str(), value);
}

// Holds the download without the program: "F", then each record, each
// answered by "T" (the last one's answer not awaited). Seconds from "F" to the
// last record's write, or a negative number when the simulator said otherwise.
double BareDownload(const std::string& device, const std::vector<std::string>& wire)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    const auto token = [fd] {
        pollfd p{fd, POLLIN, 0};
        char c = 0;
        return ::poll(&p, 1, 5000) == 1 && ::read(fd, &c, 1) == 1 && c == 'T';
    };
    const auto send = [fd](const std::string& bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    };
    const auto start = std::chrono::steady_clock::now();
    bool ok = send("F") && token();
    for (std::size_t i = 0; ok && i < wire.size(); ++i)
        ok = send(wire[i]) && (i + 1 == wire.size() || token());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char** argv)
{
    bool pace = false;
    bool bare = false;
    int imageNumber = 0;
    std::string simProgram = (std::filesystem::path(argv[0]).parent_path() / "marrowick-sim").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--pace") {
            pace = true;
        } else if (arg == "--bare") {
            bare = true;
        } else if (arg == "--sim" && i + 1 < argc) {
            simProgram = argv[++i];
        } else if (arg == "--image" && i + 1 < argc) {
            imageNumber = std::atoi(argv[++i]);
        } else {
            std::cerr << "usage: firmware_download [--pace] [--bare] [--image N] [--sim PATH]\n";
            return 2;
        }
    }
    if (imageNumber == 0)
        imageNumber = pace ? 105 : 110;
    const FirmwareRow* row = FindFirmwareRow(imageNumber);
    if (!row || !FindEmbeddedImage(imageNumber)) {
        std::cerr << "firmware_download: no image " << imageNumber << "\n";
        return 2;
    }

    QCoreApplication app(argc, argv);
    std::vector<std::string> simArgs{"--model", std::string(row->model)};
    if (pace)
        simArgs.push_back("--pace");
    e2e::SimProcess sim(simArgs, simProgram);
    if (sim.path().empty()) {
        std::cerr << "firmware_download: could not start " << simProgram << "\n";
        return 1;
    }

    const FirmwareImage image = ReadFirmwareRecords(imageNumber, *FindEmbeddedImage(imageNumber));
    double idealBytes = 2; // "F" and its "T"
    std::vector<std::string> wire;
    for (std::size_t i = 0; i < image.records.size(); ++i) {
        wire.push_back(RecordWireBytes(image.records[i]));
        idealBytes += static_cast<double>(wire.back().size()) + (i + 1 < image.records.size() ? 1 : 0);
    }
    const double ideal = idealBytes / BytesPerSecond;

    if (bare) {
        const double seconds = BareDownload(sim.path(), wire);
        if (seconds < 0) {
            std::cerr << "firmware_download: the simulator did not answer the bare host with T\n";
            return 1;
        }
        const std::string prefix = pace ? "firmware.bare_paced." : "firmware.bare_instant.";
        std::printf("image %d: %zu records by a bare blocking host, simulator %s: %.3f s, %.0f records/s\n",
                    imageNumber, wire.size(), pace ? "paced at 9600 baud" : "answering at once", seconds,
                    static_cast<double>(wire.size()) / seconds);
        Report(prefix + "wall_s", seconds);
        Report(prefix + "records_per_s", static_cast<double>(wire.size()) / seconds);
        if (pace) {
            std::printf("ideal wire time %.3f s, efficiency %.3f\n", ideal, ideal / seconds);
            Report(prefix + "ideal_s", ideal);
            Report(prefix + "efficiency", ideal / seconds);
        }
        return 0;
    }

    QtClock clock;
    QtSerialPort port;
    QuietView view;
    BenchDialogs dialogs(row->sd == SdVariant::Full);
    Session session(view, dialogs, clock, port);

    // Token arrival and record writes, to measure the program's own turnaround.
    using Steady = std::chrono::steady_clock;
    Steady::time_point arrived;
    std::vector<double> turnaroundsMs;
    auto linkBytes = port.onBytes;
    port.onBytes = [&](std::string_view bytes) {
        arrived = Steady::now();
        linkBytes(bytes);
    };
    bool downloading = false;
    session.link.BytesSent.connect([&](std::string_view bytes) {
        if (downloading && bytes.size() > 1 && arrived != Steady::time_point{})
            turnaroundsMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - arrived).count());
    });

    Steady::time_point start;
    Steady::time_point end;
    bench::LoopDelay delay;
    std::optional<Result> outcome;
    QEventLoop loop;
    FirmwareFeature& firmware = session.firmware();
    // The last record has gone out once the loader has taken all before it.
    session.conversations.Progressed.connect([&](const Conversation&, const Progress& progress) {
        if (progress.total > 0 && progress.done + 1 == progress.total)
            end = Steady::now();
    });
    firmware.Ended.connect([&](const Result& o) {
        outcome = o;
        loop.quit();
    });
    session.identification().Finished.connect([&](const Result& identified) {
        if (!identified.ok()) {
            outcome = identified;
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
            return;
        }
        downloading = true;
        delay.Start();
        start = Steady::now();
        const bool started = firmware.Download([row, array = FirmwareOptionArray(std::string(row->model))](
                                                   Control asked) { return asked == array ? row->option : 0; });
        if (!started) {
            outcome = Result::Fail(ResultCode::Refused, Reason::None, "the download did not start");
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
        }
    });
    std::string error;
    if (!session.Connect(sim.path(), &error)) {
        std::cerr << "firmware_download: cannot open " << sim.path() << ": " << error << "\n";
        return 1;
    }
    loop.exec();
    delay.Stop();
    session.Shutdown();
    sim.Stop();
    if (!outcome || !outcome->ok()) {
        std::cerr << "firmware_download: " << (outcome ? FirmwareText(*outcome) : "no outcome") << "\n";
        return 1;
    }

    const double seconds = std::chrono::duration<double>(end - start).count();
    const double records = static_cast<double>(image.records.size());
    std::sort(turnaroundsMs.begin(), turnaroundsMs.end());
    double sum = 0;
    for (double t : turnaroundsMs)
        sum += t;
    const double mean = turnaroundsMs.empty() ? 0 : sum / static_cast<double>(turnaroundsMs.size());
    const double p99 = turnaroundsMs.empty() ? 0 : turnaroundsMs[turnaroundsMs.size() * 99 / 100];
    std::printf("image %d: %zu records, %.0f bytes on the wire, simulator %s\n", imageNumber, image.records.size(),
                idealBytes, pace ? "paced at 9600 baud" : "answering at once");
    std::printf("time %.3f s, %.0f records/s\n", seconds, records / seconds);
    std::printf("turnaround token -> next record: mean %.3f ms, 99th percentile %.3f ms, max %.3f ms\n", mean, p99,
                turnaroundsMs.empty() ? 0 : turnaroundsMs.back());
    std::printf("program's own time between token and record: %.3f s of %.3f s (%.3f %%)\n", sum / 1000.0, seconds,
                sum / 10.0 / seconds);
    const std::string prefix = pace ? "firmware.paced." : "firmware.instant.";
    Report(prefix + "image", imageNumber);
    Report(prefix + "records", records);
    Report(prefix + "wall_s", seconds);
    Report(prefix + "records_per_s", records / seconds);
    Report(prefix + "turnaround_mean_ms", mean);
    Report(prefix + "turnaround_max_ms", turnaroundsMs.empty() ? 0 : turnaroundsMs.back());
    Report(prefix + "loop_delay_p99_ms", delay.P99Ms());
    if (pace) {
        std::printf("ideal wire time %.3f s, efficiency %.3f (goal >= 0.98)\n", ideal, ideal / seconds);
        Report(prefix + "ideal_s", ideal);
        Report(prefix + "efficiency", ideal / seconds);
        if (ideal / seconds < 0.98)
            return 1;
    }
    return 0;
}
