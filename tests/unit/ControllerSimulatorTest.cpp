#include <gtest/gtest.h>

#include "peer/ControllerSimulator.h"

using namespace marrowick;

namespace {

struct Wire {
    ControllerSimulator sim;
    std::vector<std::string> replies;
    explicit Wire(ControllerState state) : sim(std::move(state))
    {
        sim.send = [this](std::string_view b) { replies.emplace_back(b); };
    }
};

std::string Be(std::uint32_t v)
{
    std::string out;
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

TEST(ControllerSimulator, TableRepliesHaveEachLayoutsShape)
{
    Wire k5(SampleControllerState("K5"));
    k5.sim.Receive("u");
    ASSERT_EQ(k5.replies.size(), 1U);
    const std::string& t = k5.replies[0];
    ASSERT_EQ(t.size(), 163U);
    EXPECT_EQ(t[0], 3);
    EXPECT_EQ(t[1], 'Y');
    EXPECT_EQ(t[2], 'O');
    // Block 1 (show 1) starts at 3 + 16: its length 5000 least significant byte first.
    EXPECT_EQ(static_cast<unsigned char>(t[3 + 16 + 4]), 5000 & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(t[3 + 16 + 5]), 5000 >> 8);

    Wire r2(SampleControllerState("R2"));
    r2.sim.Receive("u");
    const std::string& image = r2.replies.at(0);
    ASSERT_EQ(image.size(), 304U);
    EXPECT_EQ(image[160], 3);
    EXPECT_EQ(image[161] & 7, 5) << "ambient and lockout on, trigger normally open";
    EXPECT_EQ(image.substr(175, 16), "Haunted Hallway ");
}

TEST(ControllerSimulator, ReadAnswersEveryStarInOrderAndEmptyShowsWithNothing)
{
    Wire w(SampleControllerState("K5"));
    w.sim.Receive("u****");
    // Shows 0, 1, 3 carry data, show 2 is empty; a fourth star after the last show is ignored.
    ASSERT_EQ(w.replies.size(), 4U);
    EXPECT_EQ(w.replies[1].size(), 300U);
    EXPECT_EQ(w.replies[2].size(), 5000U);
    EXPECT_EQ(w.replies[3].size(), 2048U);
    EXPECT_EQ(w.sim.requests, "u****");
}

TEST(ControllerSimulator, KeepsAWrittenK5TableAndAsksForEachChunk)
{
    ControllerState empty;
    Wire w(empty);
    std::string table = "d";
    for (int i = 0; i < 10; ++i) {
        std::string block = Be(0x100 * i) + Be(i == 1 ? 2049 : 0);
        block += std::string{static_cast<char>(i), 50, 1, 2, 9};
        block += "\xFF\xFF\xFF";
        table += block;
    }
    table += std::string{2, 3, 32, 1}; // count 2, ambient + N.C., dummy clip count, sector flag
    w.sim.Receive(table);
    // Show 0 (empty) is asked for once, show 1 twice (2048 + 1), show 2 (empty) once.
    ASSERT_EQ(w.replies.size(), 1U);
    w.sim.Receive("*");
    w.sim.Receive(std::string(2048, 'a'));
    w.sim.Receive("b");
    w.sim.Receive("*");
    w.sim.Receive("V"); // back to taking commands
    EXPECT_EQ(w.replies.size(), 5U);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(w.replies[i], "SendMe");
    EXPECT_EQ(w.replies[4], "1.05");
    const auto& s = w.sim.state();
    EXPECT_EQ(s.showCount, 2);
    EXPECT_TRUE(s.ambient);
    EXPECT_TRUE(s.normallyClosed);
    EXPECT_EQ(s.sectorFlag, 1);
    EXPECT_EQ(s.shows[1].data, std::string(2048, 'a') + "b");
    EXPECT_EQ(s.shows[1].start, 0x100U);
    EXPECT_EQ(s.shows[1].clip, 1);
}

TEST(ControllerSimulator, ClipPacketsFollowTheBlockGridAndErrorsAskAgain)
{
    ControllerState empty;
    Wire w(empty);
    w.sim.faults().clipErrors[2] = 1;
    const std::uint32_t size = 2040 + 2048 + 10;
    std::string header = "D";
    header += static_cast<char>(1);
    header += Be(0x20008) + Be(size) + Be(size);
    w.sim.Receive(header);
    w.sim.Receive(std::string(2040, 'p'));
    w.sim.Receive(std::string(2048, 'q'));
    w.sim.Receive(std::string(2048, 'q'));
    w.sim.Receive(std::string(10, 'r'));
    EXPECT_EQ(w.replies, (std::vector<std::string>{"FeedMe", "Error!", "FeedMe", "FeedMe"}));
    EXPECT_TRUE(w.sim.state().libraryComplete);
    EXPECT_EQ(w.sim.state().library.size(), 8U + size);
}

TEST(ControllerSimulator, FirmwareRecordsAreTakenOneAtATime)
{
    ControllerState empty;
    Wire w(empty);
    w.sim.faults().firmwareRejects[1] = 2;
    w.sim.Receive("F");
    const std::string data = std::string{':', 4, 0, 0x10, 0, 1, 2, 3, 4, static_cast<char>(0xE2)};
    const std::string end = std::string{':', 0, 0, 0, 1, static_cast<char>(0xFF)};
    w.sim.Receive(data);
    w.sim.Receive(end);
    w.sim.Receive(end);
    w.sim.Receive(end);
    EXPECT_EQ(w.replies, (std::vector<std::string>{"T", "T", "7", "7", "T"}));
    ASSERT_EQ(w.sim.state().firmwareRecords.size(), 2U);
    EXPECT_EQ(w.sim.state().firmwareRecords[0], data);
    EXPECT_TRUE(w.sim.state().firmwareComplete);
    w.sim.Receive("r");
    EXPECT_TRUE(w.sim.state().resetRequested);
}
