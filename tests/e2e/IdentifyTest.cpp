#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <utility>

#include "e2e/QtTestApp.h"
#include "e2e/SimProcess.h"
#include "features/Texts.h"
#include "qt/QtSerialPort.h"

using namespace marrowick;
using namespace marrowick::e2e;

// Each model's reply, on a paced line with split replies for one of them, as
// text and as --json (null where there is no value); a serial number that does
// not come leaves the rest printed, and it and a reply that names no model end with exit 1.
TEST(IdentifyEndToEnd, EachSimulatedModelOverARealPseudoTerminal)
{
    struct Case {
        std::vector<std::string> sim;
        std::vector<std::string> cli;
        int status;
        std::string text;
        std::string json; // without the port
    };
    const Case cases[] = {
        {{"--model", "K5"},
         {},
         0,
         "Firmware Version: 1.05       Model: K5\n",
         R"({"model":"K5","serial":null,"version":"1.05"})"},
        {{"--model", "R2", "--serial", "12345678", "--pace", "--split"},
         {},
         0,
         "Firmware Version: 1.05       Model: R2\nSerial Number: 12345678\n",
         R"({"model":"R2","serial":"12345678","version":"1.05"})"},
        {{"--model", "L+", "--version", "1.01"},
         {},
         0,
         "Firmware Version: 1.01       Model: L+\nSerial Number: 1A2B3C4D\n",
         R"({"model":"L+","serial":"1A2B3C4D","version":"1.01"})"},
        {{"--model", "L+", "--silent", "Z"},
         {"--timeout", "0.5"},
         1,
         "Firmware Version: 1.05       Model: L+\n" + text::SerialNotAvailable + "\n",
         R"({"model":"L+","serial":null,"version":"1.05"})"},
        {{"--model", "R2", "--run-together", "2"},
         {},
         1,
         "Firmware Version: 1.05       Model: R2R2\n",
         R"({"model":null,"serial":null,"version":"1.05"})"},
        {{"--model", "K5", "--silent", "V"},
         {"--timeout", "0.5"},
         1,
         text::VersionNotAvailable + "\n",
         R"({"model":null,"serial":null,"version":null})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        for (const bool json : {false, true}) {
            SimProcess sim(c.sim);
            ASSERT_FALSE(sim.path().empty());
            std::vector<std::string> cli{"identify", "--port", sim.path()};
            cli.insert(cli.end(), c.cli.begin(), c.cli.end());
            if (json)
                cli.emplace_back("--json");
            const RunResult result = RunCli(cli);
            EXPECT_EQ(result.status, c.status) << result.err;
            if (!json) {
                EXPECT_EQ(result.out, c.text);
                continue;
            }
            QJsonObject id = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
            EXPECT_EQ(id.take(QStringLiteral("port")).toString().toStdString(), sim.path()) << result.out;
            EXPECT_EQ(QJsonDocument(id).toJson(QJsonDocument::Compact).toStdString(), c.json);
        }
    }
}

namespace {

// Bytes that wait in the line's input buffer once `count` are there (the
// kernel moves them from the far end on its own time), or after a second.
int WaitUntilWaiting(int fd, int count)
{
    int waiting = 0;
    for (int tries = 0; tries < 200 && waiting < count; ++tries) {
        ::usleep(5000);
        ::ioctl(fd, FIONREAD, &waiting);
    }
    return waiting;
}

} // namespace

// A reply left on the line by an earlier program is not taken as this run's
// version: the port starts clean when it opens.
TEST(IdentifyEndToEnd, WhatWaitsOnTheLineBeforeTheProgramOpensItIsDropped)
{
    for (const char* earlierRequest : {"V", "M", "VM"}) {
        SCOPED_TRACE(earlierRequest);
        SimProcess sim({"--model", "K5"});
        ASSERT_FALSE(sim.path().empty());
        // An earlier program asks and goes without reading the answer.
        const int earlier = ::open(sim.path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(earlier, 0);
        const std::string request = earlierRequest;
        ASSERT_EQ(::write(earlier, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        const int expected =
            (request.find('V') != std::string::npos ? 4 : 0) + (request.find('M') != std::string::npos ? 2 : 0);
        ASSERT_EQ(WaitUntilWaiting(earlier, expected), expected);
        ::close(earlier);

        const RunResult result = RunCli({"identify", "--port", sim.path()});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "Firmware Version: 1.05       Model: K5\n");
    }
}

// What the port still holds is thrown away on request: bytes waiting in the
// system's buffer, and bytes the port object read while a receive event was
// still being handled (it does not report those until more arrive).
TEST(QtSerialPortEndToEnd, DiscardedInputNeverArrives)
{
    marrowick::e2e::QtTestApp qt;
    Pty pty;
    ASSERT_TRUE(pty.ok);
    QtSerialPort port;
    std::string error;
    ASSERT_TRUE(port.open(pty.path, &error)) << error;
    std::string received;
    port.onBytes = [&](std::string_view b) { received.append(b); };
    const auto runFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };

    ASSERT_EQ(::write(pty.master, "stale", 5), 5);
    ASSERT_EQ(WaitUntilWaiting(pty.slave, 5), 5);
    port.discardInput();
    ASSERT_EQ(::write(pty.master, "fresh", 5), 5);
    runFor(200);
    EXPECT_EQ(received, "fresh");

    received.clear();
    bool first = true;
    port.onBytes = [&](std::string_view b) {
        received.append(b);
        if (!first)
            return;
        first = false;
        // As if a dialog opened inside the receive event, with the line still talking.
        ASSERT_EQ(::write(pty.master, "late", 4), 4);
        runFor(200);
        port.discardInput();
    };
    ASSERT_EQ(::write(pty.master, "reply", 5), 5);
    runFor(200);
    ASSERT_EQ(::write(pty.master, "next", 4), 4);
    runFor(200);
    EXPECT_EQ(received, "replynext");
    port.close();
}

TEST(IdentifyEndToEnd, TimeoutIsANumberOfSecondsFromATenthToADay)
{
    // Accepted values reach the port, which does not exist (exit 1); the others
    // are usage errors before anything else, for every command that takes one.
    const std::pair<const char*, int> cases[] = {
        {"0.1", 1}, {"86400", 1}, {"2.5", 1}, {"0.09", 2}, {"0", 2},    {"-3", 2}, {"86400.5", 2},
        {"1e9", 2}, {"nan", 2},   {"inf", 2}, {"soon", 2}, {"3abc", 2}, {"", 2},
    };
    for (const auto& [value, status] : cases) {
        const RunResult result = RunCli({"identify", "--port", "/dev/does-not-exist", "--timeout", value});
        EXPECT_EQ(result.status, status) << "--timeout " << value << ": " << result.err;
        if (status == 2) {
            EXPECT_NE(result.err.find("--timeout wants a number of seconds from 0.1 to 86400"), std::string::npos)
                << result.err;
        }
    }
    EXPECT_EQ(RunCli({"send-clips", "--port", "/dev/does-not-exist", "--timeout", "0", "/no/such.wav"}).status, 2);
    EXPECT_EQ(RunCli({"flash", "--port", "x", "--version", "1.00", "--timeout", "90000"}).status, 2);
}

// The far end of a real pseudo-terminal goes away: the port reports it once,
// closes, and the program does not spin on the error Qt keeps raising.
TEST(QtSerialPortEndToEnd, LostLineIsReportedOnceAndTheCpuStaysIdle)
{
    marrowick::e2e::QtTestApp qt;

    Pty pty;
    ASSERT_TRUE(pty.ok);
    ::close(std::exchange(pty.slave, -1));

    QtSerialPort port;
    std::string error;
    ASSERT_TRUE(port.open(pty.path, &error)) << error;
    std::string received;
    std::vector<LineEvent> events;
    port.onBytes = [&](std::string_view b) { received.append(b); };
    port.onLineEvent = [&](const LineEvent& e) { events.push_back(e); };

    QEventLoop loop;
    ASSERT_EQ(::write(pty.master, "1.05", 4), 4);
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, "1.05");

    ::close(std::exchange(pty.master, -1));
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);

    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events[0].kind, LineEventKind::Lost);
    EXPECT_FALSE(port.isOpen());
    auto cpuMs = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    };
    // A flood of errors would burn the whole second; an idle loop uses next to nothing.
    EXPECT_LT(cpuMs(after) - cpuMs(before), 300.0);
}
