// firmware_download: sends image 110 (R2 1.04, 3654 records) to marrowick-sim on
// a pseudo-terminal through the real Qt serial port and clock, driving a
// Session as the window does.
//
//   firmware_download [--pace] [--sim PATH]
//
// Without --pace the simulator answers at once: records per second shows what
// the program itself costs per record. With --pace the simulator moves bytes at
// 9600 baud: efficiency = ideal wire time / measured time, where the ideal is
// every byte of the conversation ("F", its "T", each record and the token that
// answers it, the last record's token excepted) back to back at 960 bytes/s.
// The turnaround is the time from a token's arrival to the next record's write.
// marrowick-sim's pacing hands the first byte of each burst over without
// waiting its character time, so a paced run can come out slightly above 1;
// the turnaround share shows what the program itself adds.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/Session.h"
#include "e2e/SimProcess.h"
#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareFeature.h"
#include "link/Identification.h"
#include "platform/QuietView.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtSerialPort.h"

using namespace marrowick;

namespace {

constexpr int ImageNumber = 110;
constexpr double BytesPerSecond = 960.0;

// Yes to the full-size SD card, No to resetting the controller.
class BenchDialogs : public Dialogs {
public:
    void message(const std::string&, const std::string&, DialogIcon) override {}
    bool question(const std::string& text, const std::string&, DialogIcon) override
    {
        return text == "Full Size SD Card?";
    }
    std::optional<std::string> prompt(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    std::vector<std::string> openFiles(const std::string&) override { return {}; }
};

} // namespace

int main(int argc, char** argv)
{
    bool pace = false;
    std::string simProgram = (std::filesystem::path(argv[0]).parent_path() / "marrowick-sim").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--pace") {
            pace = true;
        } else if (arg == "--sim" && i + 1 < argc) {
            simProgram = argv[++i];
        } else {
            std::cerr << "usage: firmware_download [--pace] [--sim PATH]\n";
            return 2;
        }
    }

    QCoreApplication app(argc, argv);
    std::vector<std::string> simArgs{"--model", "R2"};
    if (pace)
        simArgs.push_back("--pace");
    e2e::SimProcess sim(simArgs, simProgram);
    if (sim.path().empty()) {
        std::cerr << "firmware_download: could not start " << simProgram << "\n";
        return 1;
    }

    const FirmwareImage image = ReadFirmwareRecords(ImageNumber, *FindEmbeddedImage(ImageNumber));
    double idealBytes = 2; // "F" and its "T"
    for (std::size_t i = 0; i < image.records.size(); ++i)
        idealBytes +=
            static_cast<double>(RecordWireBytes(image.records[i]).size()) + (i + 1 < image.records.size() ? 1 : 0);

    QtClock clock;
    QtSerialPort port;
    QuietView view;
    BenchDialogs dialogs;
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
    std::optional<Outcome> outcome;
    QEventLoop loop;
    FirmwareFeature& firmware = session.firmware();
    firmware.download().RecordSent.connect([&](int index, int last) {
        if (index == last)
            end = Steady::now();
    });
    firmware.Ended.connect([&](const Outcome& o) {
        outcome = o;
        loop.quit();
    });
    session.identification().Finished.connect([&](const Outcome& identified) {
        if (!identified.ok) {
            outcome = Outcome{false, "identification: " + identified.message};
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
            return;
        }
        downloading = true;
        start = Steady::now();
        const bool started = firmware.Download([](const std::string& array) { return array == "Option2" ? 2 : 0; });
        if (!started) {
            outcome = Outcome{false, "the download did not start"};
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
        }
    });
    std::string error;
    if (!session.Connect(sim.path(), &error)) {
        std::cerr << "firmware_download: cannot open " << sim.path() << ": " << error << "\n";
        return 1;
    }
    loop.exec();
    session.Shutdown();
    sim.Stop();
    if (!outcome || !outcome->ok) {
        std::cerr << "firmware_download: " << (outcome ? outcome->message : "no outcome") << "\n";
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
    std::printf("image %d: %zu records, %.0f bytes on the wire, simulator %s\n", ImageNumber, image.records.size(),
                idealBytes, pace ? "paced at 9600 baud" : "answering at once");
    std::printf("time %.3f s, %.0f records/s\n", seconds, records / seconds);
    std::printf("turnaround token -> next record: mean %.3f ms, 99th percentile %.3f ms, max %.3f ms\n", mean, p99,
                turnaroundsMs.empty() ? 0 : turnaroundsMs.back());
    std::printf("program's own time between token and record: %.3f s of %.3f s (%.3f %%)\n", sum / 1000.0, seconds,
                sum / 10.0 / seconds);
    if (pace) {
        const double ideal = idealBytes / BytesPerSecond;
        std::printf("ideal wire time %.3f s, efficiency %.3f (goal >= 0.98)\n", ideal, ideal / seconds);
    }
    return 0;
}
