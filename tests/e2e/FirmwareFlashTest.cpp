// Firmware end to end: marrowick-cli and a session on the real Qt serial port
// against marrowick-sim on a real pseudo-terminal.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <sstream>
#include <utility>

#include "base/Files.h"
#include "conversations/Identification.h"
#include "core/Session.h"
#include "e2e/QtTestApp.h"
#include "e2e/SimProcess.h"
#include "features/FirmwareFeature.h"
#include "features/FirmwarePresenter.h"
#include "firmware/EmbeddedImages.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

using namespace marrowick;
using namespace marrowick::e2e;

namespace {

using marrowick::testing::ReadFile;
using marrowick::testing::TempFolder;

// The records of an image as the simulator dumps what it stored: one line each.
std::string StoredForm(int number)
{
    std::string text;
    for (const auto& record : ReadFirmwareRecords(number, *FindEmbeddedImage(number)).records)
        text += record + "\n";
    return text;
}

} // namespace

TEST(FirmwareEndToEnd, FlashSucceedsOnlyOnceTheLastRecordIsTaken)
{
    // T7 1.00 is image 105, records 0 to 755; the controller's replies before the
    // records are the version, the model and the "T" for "F". With stderr
    // captured, progress comes as one plain line at each tenth of the records
    // taken, 0 % to 100 %, and with --quiet not at all.
    struct Case {
        const char* what;
        std::vector<std::string> sim;
        std::vector<std::string> cli;
        int status;
        std::string out;
        std::string summary;
        int progressLines;
    };
    const Case cases[] = {
        {"a 7 for the last record, then T",
         {"--reject-record", "755:1"},
         {},
         0,
         "Firmware image 105 sent: 756 records\n",
         "firmware_complete 1\nfirmware_aborted 0\nreset 1\n",
         11},
        {"no answer to the last record, --quiet",
         {"--silence-after", "758"},
         {"--quiet"},
         0,
         "Firmware image 105 sent: 756 records; the controller did not confirm the last record\n",
         "firmware_complete 1\nfirmware_aborted 0\nreset 1\n",
         0},
        {"no answer to the record before it",
         {"--silence-after", "757"},
         {},
         1,
         "Firmware Download Aborted\n",
         "firmware_complete 0\nfirmware_aborted 1\nreset 0\n",
         10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dump;
        std::vector<std::string> args = {"--model", "T7", "--dump", dump.path.string()};
        args.insert(args.end(), c.sim.begin(), c.sim.end());
        SimProcess sim(args);
        ASSERT_FALSE(sim.path().empty());
        std::vector<std::string> cli = {"flash", "--port",  sim.path(),  "--version",
                                        "1.00",  "--reset", "--timeout", "0.5"};
        cli.insert(cli.end(), c.cli.begin(), c.cli.end());
        const RunResult result = RunCli(cli);
        sim.Stop();
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err.find_first_of("\r\x1b"), std::string::npos) << result.err;
        std::istringstream lines(result.err);
        int progressLines = 0;
        for (std::string line; std::getline(lines, line);)
            progressLines += line.rfind("Image 105: record ", 0) == 0 ? 1 : 0;
        EXPECT_EQ(progressLines, c.progressLines) << result.err;
        const std::string summary = ReadFile(dump.path / "summary.txt");
        EXPECT_NE(summary.find(c.summary), std::string::npos) << summary;
        if (c.status == 0) {
            EXPECT_EQ(ReadFile(dump.path / "firmware.txt"), StoredForm(105)) << "every record, in order";
        }
    }
}

TEST(FirmwareEndToEnd, FlashRefusesOrGivesUpWithAClearMessage)
{
    {
        TempFolder dump;
        SimProcess sim({"--model", "R2", "--dump", dump.path.string()});
        const RunResult noSd = RunCli({"flash", "--port", sim.path(), "--version", "1.03"});
        EXPECT_EQ(noSd.status, 1);
        EXPECT_NE(noSd.err.find("--sd full or --sd micro"), std::string::npos) << noSd.err;
        const RunResult unknown = RunCli({"flash", "--port", sim.path(), "--version", "1.01"});
        EXPECT_EQ(unknown.status, 1);
        EXPECT_NE(unknown.err.find("available: 1.02, 1.03, 1.04, 1.05, 1.06, 1.07"), std::string::npos) << unknown.err;
        const RunResult fullOnly = RunCli({"flash", "--port", sim.path(), "--version", "1.06", "--sd", "micro"});
        EXPECT_EQ(fullOnly.status, 1);
        EXPECT_NE(fullOnly.err.find("Firmware Update not available at this time for this version"), std::string::npos)
            << fullOnly.err;
        sim.Stop();
        EXPECT_EQ(ReadFile(dump.path / "summary.txt").find('F'), std::string::npos) << "nothing was sent";
    }
    {
        // An older K5 answers nothing to "M": firmware goes to it only on the
        // person's word, and never to a controller that names another model.
        TempFolder dump;
        SimProcess silent({"--model", "K5", "--silent", "M", "--dump", dump.path.string()});
        const RunResult unasked = RunCli({"flash", "--port", silent.path(), "--version", "1.05", "--timeout", "0.5"});
        EXPECT_EQ(unasked.status, 1);
        EXPECT_NE(unasked.err.find("add --assume-model K5"), std::string::npos) << unasked.err;
        const RunResult assumed =
            RunCli({"flash", "--port", silent.path(), "--version", "1.05", "--timeout", "0.5", "--assume-model", "K5"});
        EXPECT_EQ(assumed.status, 0) << assumed.err;
        silent.Stop();
        EXPECT_NE(ReadFile(dump.path / "summary.txt").find("firmware_complete 1"), std::string::npos);
        SimProcess r2({"--model", "R2"});
        const RunResult named = RunCli({"flash", "--port", r2.path(), "--version", "1.05", "--assume-model", "K5"});
        EXPECT_EQ(named.status, 1);
        EXPECT_NE(named.err.find("the controller names its model: R2; nothing was sent"), std::string::npos)
            << named.err;
    }
    EXPECT_EQ(RunCli({"flash", "--port", "x"}).status, 2);
    EXPECT_EQ(RunCli({"flash", "--port", "x", "--version", "1.04", "--sd", "mini"}).status, 2);
    EXPECT_EQ(RunCli({"flash", "--port", "x", "--version", "1.05", "--assume-model", "R2"}).status, 2);
}

TEST(FirmwareEndToEnd, ImagesListsAndExportsEveryImageByteForByte)
{
    TempFolder folder;
    const auto target = folder.path / "exported";
    const RunResult result = RunCli({"images", "--export", target.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("110  R2  1.04  full  164400 bytes  3654 records\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("105  T7  1.00  -  34004 bytes  756 records\n"), std::string::npos);
    for (const auto& image : EmbeddedImages())
        EXPECT_EQ(ReadFile(target / (std::to_string(image.number) + ".hex")), image.bytes) << image.number;
}

#ifdef MARROWICK_MAKE_FIRMWARE_IMAGES
// The committed images are what the generator makes, so they can be made again.
TEST(FirmwareEndToEnd, TheGeneratorMakesTheEmbeddedImages)
{
    TempFolder folder;
    const RunResult result = marrowick::e2e::Run({MARROWICK_MAKE_FIRMWARE_IMAGES, folder.path.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const auto& image : EmbeddedImages())
        EXPECT_EQ(ReadFile(folder.path / (std::to_string(image.number) + ".hex")), image.bytes) << image.number;
}
#endif

namespace {

// The window as the download sees it: closing it shuts the session down at once.
// Ends the test's event loop once panel 1 gives the outcome of the reset.
class ResetWatchingView : public marrowick::testing::RecordingView {
public:
    void setStatus(int panel, const std::string& text) override
    {
        RecordingView::setStatus(panel, text);
        if (panel == 1 && text != ResettingText && text.rfind("Firmware ", 0) == 0 && text.find("updated") != text.npos)
            onOutcome();
        if (panel == 1 && text == NoAnswerAfterResetText)
            onOutcome();
    }
    std::function<void()> onOutcome = [] {};
};

} // namespace

// As from the window: the button, both questions answered Yes, and the
// program staying open after "r" until the controller, started again, names
// the version it now runs.
TEST(FirmwareEndToEnd, TheButtonDeliversEveryRecordOverTheQtSerialPort)
{
    marrowick::e2e::QtTestApp qt;

    TempFolder dump;
    SimProcess sim({"--model", "L+", "--dump", dump.path.string()});
    QtClock clock;
    QtSerialPort port;
    ResetWatchingView view;
    marrowick::testing::ScriptedDialogs dialogs;
    dialogs.answers = {true, true};
    view.options["Option3"] = 2;
    Session session(view, dialogs, clock, port);
    QEventLoop loop;
    view.onOutcome = [&] { loop.quit(); };
    bool clicked = false; // the identification after the reset clicks nothing
    session.identification().Finished.connect([&](const Result&) {
        if (!std::exchange(clicked, true))
            session.commands().Click(control::btnFirmware);
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    ASSERT_TRUE(session.Connect(sim.path()));
    loop.exec();
    sim.Stop();

    session.Shutdown();
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(dialogs.Texts("question").size(), 2U);
    EXPECT_EQ(view.status[1].rfind("Firmware updated: ", 0), 0U) << view.status[1];
    EXPECT_NE(view.status[1].find("\u2192 1.10"), std::string::npos) << view.status[1];
    EXPECT_EQ(ReadFile(dump.path / "firmware.txt"), StoredForm(117));
    EXPECT_NE(ReadFile(dump.path / "summary.txt").find("reset 1"), std::string::npos)
        << "the \"r\" left before the close";
}
