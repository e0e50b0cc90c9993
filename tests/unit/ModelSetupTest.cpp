#include <gtest/gtest.h>

#include "features/ModelSetup.h"
#include "support/Harness.h"

using namespace marrowick;
using marrowick::testing::Harness;
using marrowick::testing::RecordingView;

TEST(ModelSetup, EachModelAdaptsTheWindow)
{
    struct Case {
        const char* model;
        const char* frame;
        const char* clipsCaption;
        const char* readCaption;              // nullptr: unchanged
        std::vector<std::string> configShown; // trigger labels and choices
        bool libraryHidden;
        bool showTabDisabled;
    };
    const Case cases[] = {
        {"K5", "FirmwareK5", "Send Clips to K5", "Read Shows from K5", {"cboTrigger", "lblLockOut"}, true, false},
        {"R2",
         "FirmwareR2",
         "Send Clips to R2",
         "Read Shows from R2",
         {"LblTriggerA", "LblTriggerB", "cboTrigger", "cboLockOut", "cboTriggerA", "cboTriggerB"},
         false,
         false},
        {"T7", "FirmwareT7", "Send Clips to T7", nullptr, {"lblTrigger", "lblLockOut"}, true, true},
        {"L+",
         "firmwareLumen",
         "Send Clips to Lumen",
         "Read Shows from Lumen",
         {"LblTriggerA", "cboTrigger", "cboLockOut", "cboTriggerA"},
         true,
         false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.session.identity.ControllerModel = c.model;
        RunModelSetup(h.view, h.dialogs, h.session.identity, h.session.log, h.session.PortNotFound);
        SCOPED_TRACE(c.model);
        EXPECT_TRUE(h.view.visible[c.frame]);
        EXPECT_EQ(h.view.captions["BtnWriteLibrary"], c.clipsCaption);
        if (c.readCaption != nullptr)
            EXPECT_EQ(h.view.captions["btnReadShows"], c.readCaption);
        else
            EXPECT_EQ(h.view.captions.count("btnReadShows"), 0U);
        for (const char* label : {"LblTriggerA", "LblTriggerB", "LblTriggerAvalue", "LblTriggerBvalue", "lblTrigger",
                                  "lblLockOut", "cboTrigger", "cboLockOut", "cboTriggerA", "cboTriggerB"}) {
            const bool shown = std::find(c.configShown.begin(), c.configShown.end(), label) != c.configShown.end();
            EXPECT_EQ(h.view.visible.count(label) != 0 && h.view.visible[label], shown) << label;
        }
        EXPECT_EQ(h.view.visible.count("btnLibrary") != 0 && !h.view.visible["btnLibrary"], c.libraryHidden);
        EXPECT_EQ(h.view.tabEnabled.count(1) != 0 && !h.view.tabEnabled[1], c.showTabDisabled);
        EXPECT_EQ(h.session.identity.CurrentController->Name(), c.model);
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(ModelSetup, UnknownModelIsDecidedByTheQuestion)
{
    Harness yes;
    yes.dialogs.answers = {true};
    RunModelSetup(yes.view, yes.dialogs, yes.session.identity, yes.session.log, yes.session.PortNotFound);
    EXPECT_EQ(yes.session.identity.CurrentController->Name(), "K5");
    EXPECT_TRUE(yes.view.visible["FirmwareK5"]);
    EXPECT_EQ(yes.view.visible.count("btnLibrary"), 0U) << "Yes keeps Save Library File";

    Harness no;
    no.dialogs.answers = {false};
    RunModelSetup(no.view, no.dialogs, no.session.identity, no.session.log, no.session.PortNotFound);
    EXPECT_EQ(no.session.identity.CurrentController->Name(), "R2");
    EXPECT_TRUE(no.view.visible["FirmwareR2"]);
    EXPECT_TRUE(no.view.visible["cboTriggerB"]);
    // The model reply is left as it was.
    EXPECT_EQ(no.session.identity.ControllerModel, "");
}

// Undone, any model's window (with or without its port) is the window any
// other model is then set up on: nothing of the one before is left.
TEST(ModelSetup, UndoingASetupLeavesTheWindowAsBeforeAnyModel)
{
    RecordingView fresh;
    UndoModelSetup(fresh);
    for (const char* model : {"K5", "R2", "T7", "L+"}) {
        for (const bool portNotFound : {false, true}) {
            SCOPED_TRACE(std::string(model) + (portNotFound ? " without its port" : ""));
            Harness h;
            h.session.identity.ControllerModel = model;
            RunModelSetup(h.view, h.dialogs, h.session.identity, h.session.log, portNotFound);
            UndoModelSetup(h.view);
            EXPECT_EQ(h.view.visible, fresh.visible);
            EXPECT_EQ(h.view.captions, fresh.captions);
            EXPECT_EQ(h.view.tabEnabled, fresh.tabEnabled);
        }
    }
}

// The recording view takes only names the window has, so a test cannot look at
// a control that does not exist (or a misspelt one) and pass by finding nothing.
TEST(RecordingView, RefusesControlNamesTheWindowDoesNotHave)
{
    RecordingView view;
    view.setCaption(control::btnReadShows, "Read Shows from K5");
    EXPECT_EQ(view.captions["btnReadShows"], "Read Shows from K5");
    EXPECT_THROW(view.captions["btnReadShow"], std::invalid_argument);
    EXPECT_THROW(view.visible["Shape2"], std::invalid_argument);
    EXPECT_THROW((void)view.rows.at("ListShow"), std::invalid_argument);
    EXPECT_EQ(FindControl("btnReadShow"), std::nullopt);
    EXPECT_EQ(FindControl("List1"), control::List1);
}
