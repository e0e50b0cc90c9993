// A port that will not open, as the command line's contract: exit 1, nothing
// on stdout and one line on stderr that names the port and what is wrong with
// it. The words themselves are the diagnosis's own (tests/unit/PortDiagnosisTest).

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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
using marrowick::testing::Has;
using marrowick::testing::TempFolder;

namespace {

// identify on `port` fails at once with one line naming `shown` and saying `what`.
void ExpectRefusal(const std::string& port, const std::string& shown, const std::string& what)
{
    SCOPED_TRACE(port);
    const RunResult result = RunCli({"identify", "--port", port});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, "");
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_TRUE(Has(result.err, shown)) << result.err;
    EXPECT_TRUE(Has(result.err, what)) << result.err;
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
    ExpectRefusal(missing, missing, "does not exist");
    const std::string file = folder.Str() + "/show.k5s";
    std::ofstream(file) << "not a port";
    ExpectRefusal(file, file, "is not a serial port");
    // Windows port names are devices there; here they say what to use instead.
    for (const std::string windows : {"COM23", "\\\\.\\COM23"})
        ExpectRefusal(windows, windows, "is a Windows port name");

    // A port number with no device behind it on this computer.
    const auto ports = PortNames().Ports();
    for (int n = 16; n >= 1; --n) {
        if (std::none_of(ports.begin(), ports.end(), [n](const PortEntry& e) { return e.number == n; })) {
            ExpectRefusal(std::to_string(n), "COM" + std::to_string(n), "has no serial device behind it");
            break;
        }
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
// message names it, by any of the device's names. Let go, and the same port
// opens (and then times out on the silent line).
TEST(PortDiagnosisEndToEnd, PortHeldByAnotherProgramNamesIt)
{
    marrowick::e2e::QtTestApp qt;
    Pty pty;
    ASSERT_TRUE(pty.ok);
    QtSerialPort holder;
    std::string error;
    ASSERT_TRUE(holder.open(pty.path, &error)) << error;
    ExpectRefusal(pty.path, pty.path, " is in use by " + ThisProgram());
    TempFolder folder;
    const std::string link = (folder.path / "controller").string();
    std::filesystem::create_symlink(pty.path, link);
    ExpectRefusal(link, link, " is in use by " + ThisProgram());

    holder.close();
    const RunResult freed = RunCli({"identify", "--port", pty.path, "--timeout", "0.3"});
    EXPECT_EQ(freed.err, text::VersionNotAvailable + " (port " + std::string(pty.path) + ")\n");
}

// What the kernel refuses: a terminal in exclusive mode is busy, one the user
// may not open says so. Root is let through both.
TEST(PortDiagnosisEndToEnd, ExclusiveModeIsBusyAndPermissionDeniedSaysSo)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens any device, in exclusive mode too";
    Pty exclusive;
    ASSERT_TRUE(exclusive.ok);
    ASSERT_EQ(::ioctl(exclusive.slave, TIOCEXCL), 0);
    ExpectRefusal(exclusive.path, exclusive.path, "is in use by " + ThisProgram());

    Pty denied;
    ASSERT_TRUE(denied.ok);
    ASSERT_EQ(::chmod(denied.path, 0), 0);
    ExpectRefusal(denied.path, denied.path, "You may not open");
    // The owner's own bits refuse: joining a group would not help, so no command is offered.
    EXPECT_FALSE(Has(RunCli({"identify", "--port", denied.path}).err, "usermod"));
}
