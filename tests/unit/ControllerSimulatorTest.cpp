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

TEST(ControllerSimulator, GivesBackWhatAShowWriteStoredUnlessAStoredByteIsCorrupted)
{
    struct Row {
        const char* model;
        int corruptShow; // -1: no fault
        std::size_t corruptOffset;
    };
    const Row rows[] = {
        {"K5", -1, 0}, {"R2", -1, 0},   {"L+", -1, 0}, {"K5", 2, 2048}, // the first byte of the show's second chunk
        {"R2", 0, 0},  {"K5", 2, 5000},                                 // past the end of the show: nothing to change
    };
    // Ambient show 0 and shows 1..3; show 1 is empty, show 2 takes three chunks.
    const std::uint32_t lengths[] = {17, 0, 4100, 2048};
    std::string data[4];
    for (std::size_t show = 0; show < 4; ++show)
        for (std::uint32_t i = 0; i < lengths[show]; ++i)
            data[show] += static_cast<char>((i * 31 + show * 7 + i / 256) & 0xFF);

    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.model) + " corrupting show " + std::to_string(row.corruptShow) + " at " +
                     std::to_string(row.corruptOffset));
        ControllerState blank;
        blank.model = row.model;
        Wire w(blank);
        w.sim.faults().corruptStoredShow = row.corruptShow;
        w.sim.faults().corruptStoredOffset = row.corruptOffset;
        const bool r2 = std::string(row.model) != "K5";

        std::string blocks;
        for (std::uint32_t i = 0; i < 10; ++i) {
            const std::uint32_t length = i < 4 ? lengths[i] : 0;
            blocks += Be(0x2000 + 0x1000 * i) + Be(length);
            blocks += std::string{static_cast<char>(i), static_cast<char>(40 + i), 3, 4, static_cast<char>(0x20 + i)};
            blocks += "\xFF\xFF\xFF";
        }
        std::string table = blocks;
        if (r2) {
            std::string image(304, '\0');
            image.replace(0, 160, blocks);
            image[160] = 3;
            image[161] = 5; // ambient, lockout
            image[166] = 2;
            image.replace(175, 16, "Back Porch Show ");
            table = image;
        } else {
            table += std::string{3, 1, 32, 0}; // count 3, ambient, dummy clip count, sector flag
        }

        // The write: "d" and the table, then one chunk (or "*") for each request.
        w.sim.Receive("d" + table);
        std::vector<std::string> chunks;
        for (std::size_t show = 0; show < 4; ++show) {
            if (data[show].empty())
                chunks.push_back("*");
            for (std::size_t at = 0; at < data[show].size(); at += 2048)
                chunks.push_back(data[show].substr(at, 2048));
        }
        for (const auto& chunk : chunks) {
            ASSERT_EQ(w.replies.back(), "SendMe");
            w.replies.clear();
            w.sim.Receive(chunk);
        }
        EXPECT_TRUE(w.replies.empty()) << "no request after the last chunk";

        // A later read gives the table and every show back.
        w.replies.clear();
        w.sim.Receive("u****");
        ASSERT_EQ(w.replies.size(), 4U) << "the table and shows 0, 2 and 3; the empty show 1 sends nothing";
        // The reply carries the blocks' numbers least significant byte first, the write most significant first.
        const std::size_t at = r2 ? 0 : 3;
        if (r2) {
            ASSERT_EQ(w.replies[0].size(), 304U);
            EXPECT_EQ(w.replies[0].substr(160), table.substr(160));
        } else {
            ASSERT_EQ(w.replies[0].size(), 163U);
            EXPECT_EQ(w.replies[0].substr(0, 3), "\x03YO");
        }
        for (std::size_t i = 0; i < 10; ++i) {
            const std::string sent = blocks.substr(16 * i, 16);
            const std::string back = w.replies[0].substr(at + 16 * i, 16);
            EXPECT_EQ(back.substr(0, 4), std::string(sent.rbegin() + 12, sent.rbegin() + 16)) << "start " << i;
            EXPECT_EQ(back.substr(4, 4), std::string(sent.rbegin() + 8, sent.rbegin() + 12)) << "length " << i;
            EXPECT_EQ(back.substr(8), sent.substr(8)) << "block " << i;
        }
        std::string expected[4] = {data[0], data[1], data[2], data[3]};
        if (row.corruptShow >= 0 && row.corruptOffset < expected[row.corruptShow].size()) {
            char& byte = expected[row.corruptShow][row.corruptOffset];
            byte = static_cast<char>(byte ^ 0xFF);
        }
        EXPECT_EQ(w.replies[1], expected[0]);
        EXPECT_EQ(w.replies[2], expected[2]);
        EXPECT_EQ(w.replies[3], expected[3]);
        if (row.corruptShow >= 0 && row.corruptOffset < data[row.corruptShow].size()) {
            const auto& back = w.replies[row.corruptShow == 0 ? 1 : row.corruptShow];
            EXPECT_NE(back, data[row.corruptShow]) << "the corruption is visible in the read";
        }
    }
}
