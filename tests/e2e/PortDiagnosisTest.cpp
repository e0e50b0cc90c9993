#include <gtest/gtest.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include <QSettings>

#include "e2e/QtTestApp.h"
#include "e2e/SimProcess.h"
#include "features/Texts.h"
#include "qt/PortNames.h"
#include "qt/QtSerialPort.h"
#include "support/Helpers.h"
#include "support/TempFolder.h"

using namespace marrowick;
using namespace marrowick::e2e;
using marrowick::testing::TempFolder;

namespace {

// A pseudo-terminal whose far end this test holds.
struct Pty {
    Pty() { ok = ::openpty(&master, &slave, path, nullptr, nullptr) == 0; }
    ~Pty()
    {
        if (ok) {
            ::close(slave);
            ::close(master);
        }
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    bool ok = false;
    int master = -1;
    int slave = -1;
    char path[256] = {0};
};

using marrowick::testing::Has;

// A failed open: status 1, one line on stderr that names the port, nothing on stdout.
void ExpectOneLineFailure(const RunResult& result, const std::string& port)
{
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, "");
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_TRUE(Has(result.err, port)) << result.err;
}

// This test program as another program sees it in the system's process list.
std::string ThisProgram()
{
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name + " (pid " + std::to_string(::getpid()) + ")";
}

} // namespace

TEST(PortDiagnosisEndToEnd, MissingDevicesAndFilesThatAreNoSerialPort)
{
    TempFolder folder;
    const std::string missing = folder.Str() + "/ttyUSB0";
    const RunResult gone = RunCli({"identify", "--port", missing});
    ExpectOneLineFailure(gone, missing);
    EXPECT_EQ(gone.err, missing + " does not exist: is the adapter plugged in?\n");

    const std::string file = folder.Str() + "/show.k5s";
    std::ofstream(file) << "not a port";
    const RunResult plain = RunCli({"identify", "--port", file});
    ExpectOneLineFailure(plain, file);
    EXPECT_TRUE(Has(plain.err, "is not a serial port")) << plain.err;

    // Windows port names are devices there; here they say what to use instead.
    for (const std::string windows : {"COM23", "\\\\.\\COM23"}) {
        const RunResult named = RunCli({"identify", "--port", windows});
        ExpectOneLineFailure(named, windows);
        EXPECT_EQ(named.err, windows + " is a Windows port name and no such device exists here: use COM1 to COM16 or "
                                       "a device path such as /dev/ttyUSB0.\n");
    }

    // A port number with no device behind it on this computer.
    const auto ports = PortNames().Ports();
    int free = 0;
    for (int n = 16; n >= 1 && free == 0; --n)
        if (std::none_of(ports.begin(), ports.end(), [n](const PortEntry& e) { return e.number == n; }))
            free = n;
    if (free != 0) {
        const std::string name = "COM" + std::to_string(free);
        const RunResult number = RunCli({"identify", "--port", std::to_string(free)});
        ExpectOneLineFailure(number, name);
        EXPECT_TRUE(Has(number.err, name + " has no serial device behind it")) << number.err;
    }
}

// `ports` prints what the system and the settings say about each port, but a
// control character in it would steer the terminal: each shows as "?".
TEST(PortDiagnosisEndToEnd, PortsShowsNoControlCharacters)
{
    TempFolder config;
    {
        QSettings settings(QString::fromStdString(config.Str() + "/marrowick/marrowick.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("ports/com1"), QStringLiteral("/dev/odd\x1b[2J\x07\u009b1m\tname"));
    }
    const RunResult listed =
        marrowick::e2e::Run({"/usr/bin/env", "XDG_CONFIG_HOME=" + config.Str(), MARROWICK_CLI, "ports"}, 20000);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(Has(listed.out, "COM1\t/dev/odd?[2J??1m?name\tset in the settings\n")) << listed.out;
    EXPECT_EQ(listed.out.find('\x1b'), std::string::npos);
}

// Another program holds the port open through Qt (as this program does): the
// message names it.
TEST(PortDiagnosisEndToEnd, PortHeldByAnotherProgramNamesIt)
{
    marrowick::e2e::QtTestApp qt;

    Pty pty;
    ASSERT_TRUE(pty.ok);
    QtSerialPort holder;
    std::string error;
    ASSERT_TRUE(holder.open(pty.path, &error)) << error;

    const RunResult busy = RunCli({"identify", "--port", pty.path});
    ExpectOneLineFailure(busy, pty.path);
    EXPECT_TRUE(Has(busy.err, std::string(pty.path) + " is in use by " + ThisProgram())) << busy.err;
    // By another of its names too: the device is one.
    marrowick::testing::TempFolder folder;
    const std::string link = (folder.path / "controller").string();
    std::filesystem::create_symlink(pty.path, link);
    const RunResult viaLink = RunCli({"identify", "--port", link});
    ExpectOneLineFailure(viaLink, link);
    EXPECT_TRUE(Has(viaLink.err, " is in use by " + ThisProgram())) << viaLink.err;

    // Let go, and the same port opens (and then times out on the silent line).
    holder.close();
    const RunResult freed = RunCli({"identify", "--port", pty.path, "--timeout", "0.3"});
    EXPECT_EQ(freed.err, text::VersionNotAvailable + " (port " + std::string(pty.path) + ")\n");
}

// Exclusive mode makes the kernel answer "busy"; root is let through anyway.
TEST(PortDiagnosisEndToEnd, ExclusiveModeIsReportedAsBusy)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens a terminal in exclusive mode all the same";
    Pty pty;
    ASSERT_TRUE(pty.ok);
    ASSERT_EQ(::ioctl(pty.slave, TIOCEXCL), 0);
    const RunResult busy = RunCli({"identify", "--port", pty.path});
    ExpectOneLineFailure(busy, pty.path);
    EXPECT_TRUE(Has(busy.err, "is in use by " + ThisProgram())) << busy.err;
}

TEST(PortDiagnosisEndToEnd, PermissionDeniedSaysSo)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open any device, so permission cannot be refused";
    Pty pty;
    ASSERT_TRUE(pty.ok);
    ASSERT_EQ(::chmod(pty.path, 0), 0);
    const RunResult denied = RunCli({"identify", "--port", pty.path});
    ExpectOneLineFailure(denied, pty.path);
    EXPECT_TRUE(Has(denied.err, "You may not open")) << denied.err;
    // The owner's own bits refuse: joining a group would not help, so no command is offered.
    EXPECT_FALSE(Has(denied.err, "usermod")) << denied.err;
}
