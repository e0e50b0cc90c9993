#include <gtest/gtest.h>

#include "base/Texts.h"
#include "features/FirmwareFeature.h"
#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareRecords.h"
#include "support/Harness.h"

using namespace marrowick;
using marrowick::testing::Harness;

namespace {

// An identified controller of `model` with `array` set to `option` in the window.
struct Download {
    explicit Download(const std::string& model, const std::string& array = "OptFirmware", int option = 4)
        : h(SampleControllerState(model))
    {
        h.view.options[array] = option;
        h.session.log.DebugMode = true;
        h.session.firmware().Ended.connect([this](const Result& o) { outcome = o; });
        EXPECT_TRUE(h.Identify());
        h.sent.clear();
    }

    void Press()
    {
        h.session.Click(control::btnFirmware);
        h.clock.RunUntilIdle(600000);
    }

    std::vector<std::string> Wire(int number) const
    {
        std::vector<std::string> wire;
        for (const auto& record : ReadFirmwareRecords(number, *FindEmbeddedImage(number)).records)
            wire.push_back(RecordWireBytes(record));
        return wire;
    }

    // Log lines of record `index` going out.
    int Transmitted(int index)
    {
        int count = 0;
        const std::string prefix = "Transmitting Line: " + std::to_string(index) + "   :";
        for (const auto& line : h.session.log.Lines())
            if (line.text.rfind(prefix, 0) == 0)
                ++count;
        return count;
    }

    Harness h;
    std::optional<Result> outcome;
};

std::vector<std::string> LogLinesWith(const Session& session, const std::string& text)
{
    std::vector<std::string> lines;
    for (const auto& line : session.log.Lines())
        if (line.text.find(text) != std::string::npos)
            lines.push_back(line.text);
    return lines;
}

} // namespace

TEST(FirmwareDownload, EveryRecordOnceInOrderThenTheResetQuestion)
{
    Download d("K5", "OptFirmware", 0);
    d.h.dialogs.answers = {true};
    d.Press();

    const auto wire = d.Wire(101);
    ASSERT_EQ(wire.size(), 1557U);
    EXPECT_EQ(d.h.simulator.state().firmwareRecords, wire);
    EXPECT_TRUE(d.h.simulator.state().firmwareComplete);
    std::string expected = "F";
    for (const auto& record : wire)
        expected += record;
    EXPECT_EQ(d.h.Sent(), expected + "r");
    EXPECT_TRUE(d.h.simulator.state().resetRequested);

    EXPECT_EQ(d.h.view.progressMaximum, 1556);
    EXPECT_EQ(d.h.view.progressValue, 1556);
    EXPECT_EQ(d.h.view.caption, "");
    EXPECT_EQ(d.Transmitted(0), 1);
    EXPECT_EQ(d.Transmitted(1556), 1);
    EXPECT_EQ(d.h.dialogs.Texts("question"), std::vector<std::string>{"Reset K5 and apply Firmware update?"});
    EXPECT_TRUE(d.h.view.closed);
    EXPECT_FALSE(d.h.view.visible["btnCancel"]);
    EXPECT_EQ(d.h.session.State(), StateIdle);
    ASSERT_TRUE(d.outcome.has_value());
    EXPECT_TRUE(d.outcome->ok());
    EXPECT_EQ(d.h.session.conversations.Active(), nullptr);
}

TEST(FirmwareDownload, NoToResetLeavesTheProgramRunning)
{
    Download d("L+", "Option3", 1);
    d.Press();
    EXPECT_EQ(d.h.simulator.state().firmwareRecords.size(), 3025U);
    EXPECT_EQ(d.h.dialogs.Texts("question"), std::vector<std::string>{"Reset L+ and apply Firmware update?"});
    EXPECT_EQ(d.h.dialogs.Texts("message"),
              std::vector<std::string>{"Firmware will be installed on next controller power cycle"});
    EXPECT_FALSE(d.h.view.closed);
    EXPECT_FALSE(d.h.simulator.state().resetRequested);
    EXPECT_EQ(d.h.session.State(), StateIdle);
    EXPECT_EQ(d.h.Sent().back(), '\xFF') << "nothing after the end-of-file record";
}

TEST(FirmwareDownload, RejectedRecordsAreSentAgainUpToTwentyTimes)
{
    {
        Download d("T7");
        d.h.simulator.faults().firmwareRejects[5] = 1;
        d.h.simulator.faults().firmwareRejects[9] = 20;
        d.h.simulator.faults().firmwareRejects[10] = 20; // errors on different records do not add up
        d.Press();
        EXPECT_EQ(d.Transmitted(4), 1);
        EXPECT_EQ(d.Transmitted(5), 2);
        EXPECT_EQ(d.Transmitted(9), 21);
        EXPECT_EQ(d.Transmitted(10), 21);
        EXPECT_EQ(d.h.simulator.state().firmwareRecords, d.Wire(105));
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_TRUE(d.outcome->ok());
    }
    {
        Download d("T7");
        d.h.simulator.faults().firmwareRejects[7] = 21;
        d.Press();
        EXPECT_EQ(d.Transmitted(7), 21);
        EXPECT_EQ(d.Transmitted(8), 0);
        EXPECT_EQ(d.h.Sent().back(), 'x');
        EXPECT_TRUE(d.h.simulator.state().firmwareAborted);
        EXPECT_EQ(d.h.view.status[1], "Firmware Download Aborted");
        EXPECT_EQ(d.h.session.State(), StateIdle);
        EXPECT_TRUE(d.h.dialogs.shown.empty()) << "giving up shows no message box";
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_FALSE(d.outcome->ok());
        EXPECT_NE(d.outcome->message.find("record 7 21 times"), std::string::npos) << d.outcome->message;
    }
}

TEST(FirmwareDownload, ARefusedStartIsSentAgain)
{
    {
        Download d("T7");
        d.h.simulator.faults().firmwareRejects[-1] = 20;
        d.Press();
        EXPECT_EQ(d.h.simulator.state().firmwareStarts, 21);
        EXPECT_EQ(d.h.simulator.state().firmwareRecords.size(), 756U);
        EXPECT_EQ(d.h.Sent().substr(0, 22), std::string(21, 'F') + ":");
    }
    {
        Download d("T7");
        d.h.simulator.faults().firmwareRejects[-1] = 21;
        d.Press();
        EXPECT_EQ(d.h.Sent(), std::string(21, 'F') + "x");
        EXPECT_EQ(d.h.view.status[1], "Firmware Download Aborted");
        EXPECT_EQ(d.h.session.State(), StateIdle);
    }
}

TEST(FirmwareDownload, ASilentControllerIsGivenUpAfterTheTimeOut)
{
    for (const std::optional<int> override : {std::optional<int>{}, std::optional<int>{800}}) {
        Download d("K5");
        d.h.session.timeoutOverrideMs = override;
        d.h.simulator.faults().silenceAfterReplies = d.h.simulator.repliesSent + 11; // "F" and ten records
        std::int64_t lastSent = 0;
        d.h.session.link.BytesSent.connect([&](std::string_view bytes) {
            if (bytes != "x")
                lastSent = d.h.clock.nowMs();
        });
        d.Press();
        // The allowance counts from when record 10 is on the line: 23 ms at 9600 baud.
        EXPECT_GE(d.h.clock.nowMs() - lastSent, override.value_or(5000));
        EXPECT_LE(d.h.clock.nowMs() - lastSent, override.value_or(5000) + 300);
        EXPECT_EQ(d.Transmitted(10), 1);
        EXPECT_EQ(d.Transmitted(11), 0);
        EXPECT_EQ(d.h.Sent().back(), 'x');
        EXPECT_EQ(d.h.view.status[1], "Firmware Download Aborted");
        EXPECT_EQ(d.h.session.State(), StateIdle);
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_NE(d.outcome->message.find(override ? "within 0.8 s" : "within 5 s"), std::string::npos)
            << d.outcome->message;
    }
}

TEST(FirmwareDownload, SuccessMeansTheControllerTookTheLastRecord)
{
    // T7 image 105: records 0 to 755. The reset question comes once the answer
    // to the last record is in, or two seconds (or --timeout) have passed.
    struct Case {
        const char* what;
        int rejects; // "7" for the last record before "T"
        bool silent; // nothing at all after the last record
        std::optional<int> timeout;
        bool ok;
        int sentTimes;       // how often the last record went out
        std::int64_t waited; // from the last record written to the end, at least
    };
    const Case cases[] = {
        {"T", 0, false, {}, true, 1, 0},
        {"7 then T", 1, false, {}, true, 2, 0},
        {"twenty 7 then T", 20, false, {}, true, 21, 0},
        {"twenty-one 7", 21, false, {}, false, 21, 0},
        {"silence", 0, true, {}, true, 1, 2000},
        {"silence, --timeout 0.8", 0, true, 800, true, 1, 800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Download d("T7");
        d.h.session.timeoutOverrideMs = c.timeout;
        d.h.simulator.faults().firmwareRejects[755] = c.rejects;
        if (c.silent)
            d.h.simulator.faults().silenceAfterReplies = d.h.simulator.repliesSent + 756;
        std::int64_t lastSent = 0;
        std::int64_t askedAt = -1;
        d.h.session.link.BytesSent.connect([&](std::string_view) { lastSent = d.h.clock.nowMs(); });
        d.h.session.firmware().download().Finished.connect([&](const Result&) {
            EXPECT_TRUE(d.h.dialogs.Texts("question").empty()) << "asked before the answer was in";
        });
        d.h.session.firmware().Ended.connect([&](const Result&) {
            if (!d.h.dialogs.Texts("question").empty())
                askedAt = d.h.clock.nowMs();
        });
        d.Press();
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_EQ(d.outcome->ok(), c.ok) << d.outcome->message;
        EXPECT_EQ(d.Transmitted(755), c.sentTimes);
        EXPECT_EQ(d.Transmitted(754), 1);
        EXPECT_EQ(d.h.session.State(), StateIdle);
        const bool unconfirmed = !LogLinesWith(d.h.session, "the controller did not confirm the last record").empty();
        EXPECT_EQ(unconfirmed, c.silent);
        if (c.ok) {
            EXPECT_GE(askedAt - lastSent, c.waited);
            EXPECT_LT(askedAt - lastSent, c.waited + 100);
            EXPECT_EQ(d.h.dialogs.Texts("question"), std::vector<std::string>{"Reset T7 and apply Firmware update?"});
        } else {
            EXPECT_EQ(d.h.Sent().back(), 'x');
            EXPECT_TRUE(d.h.dialogs.shown.empty());
            EXPECT_NE(d.outcome->message.find("record 755 21 times"), std::string::npos) << d.outcome->message;
        }
    }
}

TEST(FirmwareDownload, CancelAndALostPortEndIt)
{
    {
        Download d("R2", "Option2", 0);
        d.h.port.SetBytesPerSecond(960); // 9600 baud: a record takes 23 ms
        d.h.session.Click(control::btnFirmware);
        d.h.clock.Advance(1000);
        EXPECT_GT(d.h.simulator.state().firmwareRecords.size(), 30U);
        EXPECT_TRUE(d.h.view.visible["btnCancel"]);
        EXPECT_EQ(d.h.session.State(), StateFirmware);
        d.h.session.Click(control::btnCancel);
        d.h.clock.RunUntilIdle();
        EXPECT_EQ(d.h.Sent().back(), 'x');
        EXPECT_TRUE(d.h.simulator.state().firmwareAborted);
        EXPECT_FALSE(d.h.view.visible["btnCancel"]);
        EXPECT_EQ(d.h.view.status[1], "Firmware Download Aborted");
        EXPECT_EQ(d.h.session.State(), StateIdle);
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_FALSE(d.outcome->ok());
    }
    {
        Download d("R2", "Option2", 0);
        d.h.simulator.faults().closeAfterReplies = d.h.simulator.repliesSent + 100;
        d.Press();
        EXPECT_EQ(d.h.simulator.state().firmwareRecords.size(), 99U);
        EXPECT_EQ(d.h.session.State(), StateIdle);
        EXPECT_EQ(d.h.view.status[1].rfind(text::PortLost, 0), 0U) << d.h.view.status[1];
        ASSERT_TRUE(d.outcome.has_value());
        EXPECT_FALSE(d.outcome->ok());
        EXPECT_EQ(d.h.session.conversations.Active(), nullptr);
    }
}

TEST(FirmwareDownload, NothingStartsWhenBusyClosedOrDeclined)
{
    {
        Download d("K5");
        d.h.session.SetState(StateReadShows);
        d.Press();
        EXPECT_EQ(d.h.Sent(), "");
        EXPECT_EQ(d.h.session.State(), StateReadShows);
    }
    {
        Download d("K5");
        d.h.port.close();
        d.Press();
        EXPECT_TRUE(d.h.dialogs.shown.empty());
        EXPECT_FALSE(d.outcome.has_value());
    }
    {
        Download d("R2", "Option2", 4);
        d.Press(); // No to "Full Size SD Card?"
        EXPECT_EQ(d.h.Sent(), "");
        EXPECT_EQ(d.h.session.State(), StateIdle);
        EXPECT_EQ(d.h.dialogs.Texts("message"),
                  std::vector<std::string>{"Firmware Update not available at this time for this version"});
    }
}

TEST(FirmwareDownload, TheTabShowsWhatTheSelectedVersionInstalls)
{
    Download k5("K5", "OptFirmware", 4);
    EXPECT_EQ(k5.h.view.captions["lblFirmwareInfo"], "Image 106: version 1.06, 1560 records, 70176 bytes");
    k5.h.session.OptionSelected(control::OptFirmware, 0);
    EXPECT_EQ(k5.h.view.captions["lblFirmwareInfo"], "Image 101: version 1.02, 1557 records, 70040 bytes");

    Download r2("R2", "Option2", 5);
    EXPECT_EQ(r2.h.view.captions["lblFirmwareInfo"],
              "Image 114: version 1.07 for a full-size SD card only, 3654 records, 164420 bytes");
    r2.h.session.OptionSelected(control::Option2, 2);
    EXPECT_EQ(r2.h.view.captions["lblFirmwareInfo"],
              "Image 110: version 1.04 for a full-size SD card, 3654 records, 164400 bytes\n"
              "Image 111: version 1.04 for a micro SD card, 3654 records, 164400 bytes");
}

// A model reply that names no model (none, doubled, noise): the question still
// sets the window up, but "Download Firmware" sends nothing and says why.
TEST(FirmwareDownload, OnlyAModelTheControllerNamedGetsFirmware)
{
    struct Case {
        const char* what;
        std::string reply;
        bool answerK5;
    };
    const Case cases[] = {
        {"no model reply, said R2", "", false}, {"no model reply, said K5", "", true}, {"R2 doubled", "R2R2", false},
        {"K5 doubled", "K5K5", true},           {"noise", "\x8F\x03", false},
    };
    const std::string why = "Firmware cannot be downloaded: the controller did not say which model it is.";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerState state = SampleControllerState("R2");
        state.model = c.reply;
        Harness h(state);
        h.view.options["OptFirmware"] = 4;
        h.view.options["Option2"] = 0;
        h.dialogs.answers = {c.answerK5};
        h.Identify();
        ASSERT_NE(h.session.identity.CurrentController, nullptr);
        EXPECT_EQ(h.session.identity.CurrentController->Name(), c.answerK5 ? "K5" : "R2");
        EXPECT_EQ(h.view.captions["lblFirmwareInfo"], why);
        h.sent.clear();
        h.dialogs.shown.clear();
        h.session.Click(control::btnFirmware);
        h.clock.RunUntilIdle(600000);
        EXPECT_TRUE(h.Sent().empty()) << h.Sent().size() << " bytes sent";
        EXPECT_EQ(h.simulator.state().firmwareStarts, 0);
        EXPECT_EQ(h.dialogs.Texts("message"), std::vector<std::string>{why});
        EXPECT_EQ(h.dialogs.Texts("question"), std::vector<std::string>{});
        EXPECT_EQ(h.session.State(), StateIdle);
    }
}
