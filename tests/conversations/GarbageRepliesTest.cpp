#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "support/Harness.h"

using namespace marrowick;
using marrowick::testing::Harness;

namespace {

// Pieces a damaged or confused line may carry: tokens, halves of tokens, noise.
std::string Garbage(std::mt19937& rng)
{
    static const char* const pieces[] = {"T", "7", "FeedMe", "Error!", "Ready!", "SendMe", "Feed", "Me", "*", "V"};
    std::string out;
    const int parts = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int i = 0; i < parts; ++i) {
        if (std::uniform_int_distribution<int>(0, 2)(rng) == 0) {
            const int length = std::uniform_int_distribution<int>(0, 400)(rng);
            for (int k = 0; k < length; ++k)
                out += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        } else {
            out += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
        }
    }
    return out;
}

} // namespace

// Whatever arrives, every conversation ends on its own and leaves the link idle.
TEST(GarbageReplies, EveryConversationEndsIdleWhateverTheLineCarries)
{
    const auto clip = std::filesystem::temp_directory_path() / "marrowick-garbage-clip.mp3";
    {
        std::ofstream out(clip, std::ios::binary);
        out << std::string(5000, 'a');
    }
    std::mt19937 rng(20261206);
    for (const char* model : {"K5", "R2"}) {
        for (Control command :
             {control::btnReadShows, control::btnWriteShows, control::BtnWriteLibrary, control::btnFirmware}) {
            for (int trial = 0; trial < 12; ++trial) {
                SCOPED_TRACE(std::string(model) + " " + command.name + " trial " + std::to_string(trial));
                Harness h(SampleControllerState(model));
                h.dialogs.files = {{clip.string()}};
                ASSERT_TRUE(h.Identify());
                h.session.Click(control::btnReadShows); // a table to write back
                h.clock.RunUntilIdle();
                h.session.Click(control::BtnAddClip);
                ASSERT_EQ(h.session.State(), StateIdle);

                h.session.Click(command);
                ASSERT_NE(h.session.State(), StateIdle) << "the conversation did not start";
                h.simulator.faults().silenceAfterReplies = h.simulator.repliesSent;
                const int bursts = std::uniform_int_distribution<int>(1, 8)(rng);
                for (int b = 0; b < bursts; ++b) {
                    h.port.onBytes(Garbage(rng));
                    h.clock.Advance(std::uniform_int_distribution<int>(0, 40)(rng));
                }
                h.clock.RunUntilIdle(24LL * 3600 * 1000);
                EXPECT_EQ(h.session.State(), StateIdle);
                EXPECT_EQ(h.session.conversations.Active(), nullptr);
            }
        }
    }
    std::filesystem::remove(clip);
}
