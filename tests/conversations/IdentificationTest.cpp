#include <gtest/gtest.h>

#include "base/Texts.h"
#include "conversations/Identification.h"
#include "support/Harness.h"

using namespace marrowick;
using marrowick::testing::Harness;
using marrowick::testing::ScriptedDialogs;

namespace {

ControllerState Controller(const std::string& model, const std::string& version = "1.05")
{
    ControllerState state = SampleControllerState(model);
    state.version = version;
    return state;
}

} // namespace

TEST(Identification, K5AndT7EndIdleRightAfterTheModel)
{
    for (const char* model : {"K5", "T7"}) {
        Harness h(Controller(model));
        std::optional<Result> outcome;
        h.session.identification().Finished.connect([&](const Result& o) { outcome = o; });
        ASSERT_TRUE(h.Identify());
        EXPECT_EQ(h.simulator.requests, "VM") << model;
        EXPECT_EQ(h.view.status[2], std::string("Firmware Version: 1.05       Model: ") + model);
        EXPECT_EQ(h.view.status.count(3), 0U);
        EXPECT_EQ(h.session.State(), StateIdle);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->ok());
        ASSERT_NE(h.session.identity.CurrentController, nullptr);
        EXPECT_EQ(h.session.identity.CurrentController->Name(), model);
        EXPECT_TRUE(h.dialogs.shown.empty()) << "a known model asks nothing";
    }
}

TEST(Identification, SerialNumberRequestDependsOnTheVersion)
{
    struct Case {
        const char* model;
        const char* version;
        const char* expectedRequests;
    };
    const Case cases[] = {{"R2", "1.05", "VMZ"},
                          {"R2", "1.02", "VMZ"},
                          {"L+", "1.01", "VMS"},
                          {"L+", "1.10", "VMZ"},
                          {"R2", "v1.9", "VMS"}};
    for (const auto& c : cases) {
        Harness h(Controller(c.model, c.version));
        ASSERT_TRUE(h.Identify());
        EXPECT_EQ(h.simulator.requests, c.expectedRequests) << c.model << " " << c.version;
        EXPECT_EQ(h.view.status[3], "Serial Number: 1A2B3C4D");
        EXPECT_EQ(h.session.identity.SerialNumber, "1A2B3C4D");
        EXPECT_EQ(h.session.State(), StateIdle);
    }
    EXPECT_DOUBLE_EQ(VersionValue("1.05"), 1.05);
    EXPECT_DOUBLE_EQ(VersionValue("2"), 2.0);
    EXPECT_DOUBLE_EQ(VersionValue("1.02b"), 1.02);
    EXPECT_DOUBLE_EQ(VersionValue("x1.5"), 0.0);
    EXPECT_DOUBLE_EQ(VersionValue(""), 0.0);
}

TEST(Identification, SilentControllerTimesOutAfterOneSecondAndAsksForTheModel)
{
    for (bool answerK5 : {true, false}) {
        Harness h(Controller("K5"));
        h.simulator.faults().silentRequests = "V";
        h.dialogs.answers = {answerK5};
        std::optional<Result> outcome;
        h.session.identification().Finished.connect([&](const Result& o) { outcome = o; });
        ASSERT_TRUE(h.session.Connect("COM1"));
        h.clock.Advance(999);
        EXPECT_EQ(h.session.State(), StateAwaitVersion);
        EXPECT_FALSE(outcome.has_value());
        h.clock.Advance(1);
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_EQ(h.view.status[2], text::VersionNotAvailable);
        EXPECT_FALSE(h.view.tabEnabled.at(2));
        ASSERT_EQ(h.dialogs.shown.size(), 1U);
        EXPECT_EQ(h.dialogs.shown[0].text, "Is this an K5 controller?");
        EXPECT_EQ(h.dialogs.shown[0].caption, "Model ");
        EXPECT_EQ(h.dialogs.shown[0].icon, DialogIcon::Question);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_FALSE(outcome->ok());
        EXPECT_EQ(outcome->message, text::VersionNotAvailable);
        EXPECT_EQ(h.session.identity.CurrentController->Name(), answerK5 ? "K5" : "R2");
    }
}

TEST(Identification, VersionWithoutModelAppendsModelNotAvailable)
{
    Harness h(Controller("R2"));
    h.simulator.faults().silentRequests = "M";
    ASSERT_TRUE(h.Identify());
    EXPECT_EQ(h.view.status[2], "Firmware Version: 1.05     " + text::ModelNotAvailable);
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_EQ(h.dialogs.Texts("question"), std::vector<std::string>{"Is this an K5 controller?"});
    // No serial-number request: it depends on the model reply, which never came.
    EXPECT_EQ(h.simulator.requests, "VM");
}

// What a controller may really send: replies with line ends, padding, noise,
// or a model reply doubled on the line. Surrounding white space, CR, LF and
// NUL are trimmed first; only "K5", "R2", "T7" and "L+" name a model; a serial
// number is eight hexadecimal characters.
TEST(Identification, RepliesAreTrimmedAndOnlyTheFourModelsCount)
{
    const std::string k5 = "Firmware Version: 1.05       Model: K5";
    const std::string r2 = "Firmware Version: 1.05       Model: R2";
    const std::string noModel = "Firmware Version: 1.05     " + text::ModelNotAvailable;
    struct Case {
        const char* what;
        std::string version;
        std::string model;
        std::string serial;
        std::string panel2;
        std::string panel3;
        std::string failure; // the outcome's message; empty: identified
        const char* requests;
        const char* setUpAs; // the model object; "R2" also when the question was answered No
    };
    const Case cases[] = {
        {"CR LF after each reply", "1.05\r\n", "R2\r\n", "1A2B3C4D\r", r2, "Serial Number: 1A2B3C4D", "", "VMZ", "R2"},
        {"NUL, space and tab around", std::string("\0 1.05\t", 7), std::string(" K5\0", 4), "", k5, "", "", "VM", "K5"},
        {"lower-case hexadecimal serial", "1.05", "L+", "1a2b3c4d", "Firmware Version: 1.05       Model: L+",
         "Serial Number: 1a2b3c4d", "", "VMZ", "L+"},
        {"serial one short", "1.05", "R2", "1A2B3C4\r", r2, text::SerialNotAvailable, text::SerialNotAvailable, "VMZ",
         "R2"},
        {"serial too long", "1.05", "R2", "1A2B3C4D1A", r2, text::SerialNotAvailable, text::SerialNotAvailable, "VMZ",
         "R2"},
        {"serial not hexadecimal", "1.05", "L+", "SERIAL#1", "Firmware Version: 1.05       Model: L+",
         text::SerialNotAvailable, text::SerialNotAvailable, "VMZ", "L+"},
        {"R2 doubled", "1.05", "R2R2", "", "Firmware Version: 1.05       Model: R2R2", "",
         "Unknown controller model: \"R2R2\"", "VM", "R2"},
        {"K5 doubled", "1.05", "K5K5\r\n", "", "Firmware Version: 1.05       Model: K5K5", "",
         "Unknown controller model: \"K5K5\"", "VM", "R2"},
        {"lower case", "1.05", "k5", "", "Firmware Version: 1.05       Model: k5", "",
         "Unknown controller model: \"k5\"", "VM", "R2"},
        {"unknown name", "1.05", "X9", "", "Firmware Version: 1.05       Model: X9", "",
         "Unknown controller model: \"X9\"", "VM", "R2"},
        {"noise for the model", "1.05", "R\x8F\x03", "", noModel, "", "Unknown controller model: \"R\\x8F\\x03\"", "VM",
         "R2"},
        {"only a line end for the model", "1.05", "\r\n", "", noModel, "", "Unknown controller model: \"\\x0D\\x0A\"",
         "VM", "R2"},
        {"noise for the version", "\x01\x02\xFE", "K5", "", text::VersionNotAvailable, "", text::VersionNotAvailable,
         "V", "R2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerState state = Controller("K5", c.version);
        state.model = c.model;
        state.serial = c.serial;
        Harness h(state);
        h.dialogs.answers = {false};
        std::optional<Result> outcome;
        h.session.identification().Finished.connect([&](const Result& o) { outcome = o; });
        ASSERT_TRUE(h.Identify());
        EXPECT_EQ(h.view.status[2], c.panel2);
        EXPECT_EQ(h.view.status[3], c.panel3);
        EXPECT_EQ(h.simulator.requests, c.requests);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->ok(), c.failure.empty()) << outcome->message;
        if (!c.failure.empty()) {
            EXPECT_EQ(outcome->message, c.failure);
        }
        ASSERT_NE(h.session.identity.CurrentController, nullptr);
        EXPECT_EQ(h.session.identity.CurrentController->Name(), c.setUpAs);
        // The question comes exactly when the reply named no model.
        const bool named = MakeController(h.session.identity.ControllerModel) != nullptr;
        EXPECT_EQ(h.dialogs.Texts("question").size(), named ? 0U : 1U);
        EXPECT_EQ(h.session.State(), StateIdle);
    }
}

TEST(Identification, SerialNumberTimesOutAfterTwoSeconds)
{
    Harness h(Controller("L+", "1.08"));
    h.simulator.faults().silentRequests = "Z";
    std::optional<Result> outcome;
    h.session.identification().Finished.connect([&](const Result& o) { outcome = o; });
    ASSERT_TRUE(h.session.Connect("COM1"));
    h.clock.Advance(100);
    EXPECT_EQ(h.session.State(), StateAwaitSerial);
    h.clock.Advance(1850); // the request went out at once: 1950 ms waited
    EXPECT_EQ(h.session.State(), StateAwaitSerial);
    h.clock.Advance(100);
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_EQ(h.view.status[3], text::SerialNotAvailable);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->ok());
}

TEST(Identification, LateRepliesAreDroppedAndReachNoLaterConversation)
{
    Harness h(Controller("K5"));
    h.port.SetBytesPerSecond(1); // every reply takes seconds to arrive
    ASSERT_TRUE(h.session.Connect("COM1"));
    h.clock.Advance(1000);
    EXPECT_EQ(h.view.status[2], text::VersionNotAvailable);
    EXPECT_EQ(h.session.State(), StateIdle);
    h.clock.RunUntilIdle(20000);
    // The version came late: it was dropped, no "M" was sent, nothing changed.
    EXPECT_EQ(h.simulator.requests, "V");
    EXPECT_EQ(h.session.identity.FirmwareVersion, "");
    EXPECT_EQ(h.session.State(), StateIdle);
    EXPECT_EQ(h.session.link.Receive().Waiting(), 0U);
}

TEST(Identification, PortThatWillNotOpenReportsAfterTheFirstTick)
{
    Harness h(Controller("K5"));
    h.port.failOpen = true;
    h.dialogs.answers = {true};
    EXPECT_FALSE(h.session.Connect("COM7"));
    EXPECT_EQ(h.view.caption, "port not found");
    EXPECT_TRUE(h.session.PortNotFound);
    EXPECT_TRUE(h.simulator.requests.empty());
    h.clock.Advance(1000);
    EXPECT_EQ(h.view.status[2], text::VersionNotAvailable);
    // The three buttons that talk to the controller are hidden whatever the answer.
    EXPECT_FALSE(h.view.visible.at("btnReadShows"));
    EXPECT_FALSE(h.view.visible.at("btnWriteShows"));
    EXPECT_FALSE(h.view.visible.at("BtnWriteLibrary"));
    EXPECT_EQ(h.session.identity.CurrentController->Name(), "K5");
    // Yes keeps "Save Library File" visible.
    EXPECT_EQ(h.view.visible.count("btnLibrary"), 0U);
}

// The port goes away at each step: the identification ends once, idle, and
// panel 1 says so before the model question (when one follows) opens.
TEST(Identification, LostPortDuringIdentificationEndsItOnceAndIdle)
{
    struct Case {
        const char* silent; // the request left unanswered when the line goes
        std::int16_t state;
        bool asks;
    };
    for (const Case& c :
         {Case{"V", StateAwaitVersion, true}, Case{"M", StateAwaitModel, true}, Case{"Z", StateAwaitSerial, false}}) {
        SCOPED_TRACE(c.silent);
        Harness h(Controller("R2"));
        h.simulator.faults().silentRequests = c.silent;
        std::vector<std::string> panel1WhenAsked;
        h.dialogs.whileOpen = [&](const ScriptedDialogs::Shown&) { panel1WhenAsked.push_back(h.view.status[1]); };
        ASSERT_TRUE(h.session.Connect("COM1"));
        h.clock.Advance(50);
        ASSERT_EQ(h.session.State(), c.state);
        h.port.LoseLine("device unplugged");
        h.port.LoseLine("device unplugged");
        h.clock.RunUntilIdle(5000);
        EXPECT_EQ(h.session.State(), StateIdle);
        EXPECT_EQ(h.view.status[1], text::PortLost + "device unplugged");
        EXPECT_EQ(h.view.statusHistory[1].size(), 1U);
        EXPECT_FALSE(h.port.isOpen());
        EXPECT_EQ(panel1WhenAsked,
                  c.asks ? std::vector<std::string>{text::PortLost + "device unplugged"} : std::vector<std::string>{});
    }
}
