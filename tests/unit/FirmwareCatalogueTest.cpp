#include <gtest/gtest.h>

#include "core/Session.h"
#include "features/FirmwareChoice.h"
#include "support/Fakes.h"

using namespace marrowick;
using marrowick::testing::ScriptedDialogs;

namespace {

OptionReader Selected(Control array, int index)
{
    return [array, index](Control asked) { return asked == array ? index : 0; };
}

struct Choice {
    std::optional<int> number;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

Choice Choose(const std::string& model, const OptionReader& options, std::deque<bool> answers = {})
{
    ScriptedDialogs dialogs;
    dialogs.answers = std::move(answers);
    Choice choice;
    choice.number = ChooseFirmwareImage(model, options, dialogs);
    choice.questions = dialogs.Texts("question");
    choice.messages = dialogs.Texts("message");
    for (const auto& shown : dialogs.shown) {
        if (shown.kind == "question") {
            EXPECT_EQ(shown.caption, "R2 Version");
        }
    }
    return choice;
}

} // namespace

TEST(FirmwareCatalogue, EachModelAndOptionWithoutQuestions)
{
    const std::pair<int, int> k5[] = {{0, 101}, {1, 102}, {2, 103}, {3, 104}, {4, 106}};
    for (const auto& [option, number] : k5) {
        const Choice c = Choose("K5", Selected(control::OptFirmware, option));
        EXPECT_EQ(c.number, number) << "option " << option;
        EXPECT_TRUE(c.questions.empty());
        EXPECT_TRUE(c.messages.empty());
        // Firmware goes only to a model the controller named: a missing,
        // doubled or unknown reply gets no image, whatever frame is shown.
        for (const char* reply : {"", "k5", "X9", "K5K5", "R2R2"}) {
            for (const Control array : {control::OptFirmware, control::Option2}) {
                const Choice unnamed = Choose(reply, Selected(array, option));
                EXPECT_EQ(unnamed.number, std::nullopt) << "reply '" << reply << "' option " << option;
                EXPECT_TRUE(unnamed.questions.empty());
                EXPECT_EQ(unnamed.messages,
                          std::vector<std::string>{"Firmware cannot be downloaded: the controller did not say which "
                                                   "model it is."});
                EXPECT_TRUE(FirmwareCandidates(reply, Selected(array, option)).empty());
            }
        }
    }
    for (int option = 0; option < 3; ++option)
        EXPECT_EQ(Choose("L+", Selected(control::Option3, option)).number, 115 + option);
    for (int option = 0; option < 3; ++option)
        EXPECT_EQ(Choose("T7", Selected(control::Option1, option)).number, 105) << "the T7 option is not consulted";
    const Choice r2First = Choose("R2", Selected(control::Option2, 0));
    EXPECT_EQ(r2First.number, 107);
    EXPECT_TRUE(r2First.questions.empty());
    // The choice follows the reply, not the frame the user sees.
    EXPECT_EQ(Choose("R2", Selected(control::OptFirmware, 4)).number, 107);
    EXPECT_EQ(Choose("K5", Selected(control::Option2, 5)).number, 101);
    // No such option: nothing to install.
    EXPECT_EQ(Choose("L+", Selected(control::Option3, 3)).number, std::nullopt);
    EXPECT_EQ(Choose("K5", Selected(control::OptFirmware, -1)).number, std::nullopt);
}

TEST(FirmwareCatalogue, R2VersionsInTwoBuildsAskForTheSdCard)
{
    const std::vector<std::string> both{"Full Size SD Card?", "Micro Sd Card?"};
    for (const auto& [option, full, micro] : {std::tuple{1, 108, 109}, std::tuple{2, 110, 111}}) {
        const Choice yes = Choose("R2", Selected(control::Option2, option), {true});
        EXPECT_EQ(yes.number, full);
        EXPECT_EQ(yes.questions, std::vector<std::string>{"Full Size SD Card?"});
        const Choice microCard = Choose("R2", Selected(control::Option2, option), {false, true});
        EXPECT_EQ(microCard.number, micro);
        EXPECT_EQ(microCard.questions, both);
        const Choice neither = Choose("R2", Selected(control::Option2, option), {false, false});
        EXPECT_EQ(neither.number, std::nullopt);
        EXPECT_EQ(neither.questions, both);
        EXPECT_TRUE(neither.messages.empty()) << "declining both says nothing more";
    }
    for (const auto& [option, full] : {std::pair{3, 112}, std::pair{4, 113}, std::pair{5, 114}}) {
        EXPECT_EQ(Choose("R2", Selected(control::Option2, option), {true}).number, full);
        const Choice no = Choose("R2", Selected(control::Option2, option), {false, true});
        EXPECT_EQ(no.number, std::nullopt);
        EXPECT_EQ(no.questions, std::vector<std::string>{"Full Size SD Card?"}) << "there is no micro build";
        EXPECT_EQ(no.messages, std::vector<std::string>{"Firmware Update not available at this time for this version"});
    }
}
