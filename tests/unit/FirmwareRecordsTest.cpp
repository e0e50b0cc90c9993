#include <gtest/gtest.h>

#include "features/FirmwarePresenter.h"
#include "firmware/FirmwareRecords.h"
#include "support/Helpers.h"

using namespace marrowick;

using marrowick::testing::Bytes;

namespace {

const std::string Data = ":0400100001020304E2";
const std::string End = ":00000001FF";

FirmwareImage Image(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return ReadFirmwareRecords(120, text);
}

} // namespace

TEST(FirmwareRecords, CleaningKeepsOnlyTheRecordsToSend)
{
    // Comments, blank lines, an extended-address record, NUL padding and a
    // bare LF all go; records keep their order and their line numbers.
    const std::string text = ":020000040000FA\r\n" + Data + "\r\n\r\n;comment\n" + Data + "\r\n" + End +
                             "\r\n;PIC\r\n" + std::string("\0\0\0", 3);
    const FirmwareImage image = ReadFirmwareRecords(101, text);
    EXPECT_EQ(image.records, (std::vector<std::string>{Data, Data, End}));
    EXPECT_EQ(image.lineNumbers, (std::vector<int>{2, 5, 6}));

    // A NUL inside a line removes the whole line; a record cut short of its type field stays.
    const FirmwareImage odd = ReadFirmwareRecords(101, ":0400" + std::string(1, '\0') + "10\r\n:04001\r\n");
    EXPECT_EQ(odd.records, (std::vector<std::string>{":04001"}));

    // Without a final line end the last record is kept.
    const FirmwareImage unterminated = ReadFirmwareRecords(101, Data + "\r\n" + End);
    EXPECT_EQ(unterminated.records, (std::vector<std::string>{Data, End}));
    EXPECT_TRUE(ReadFirmwareRecords(101, "").records.empty());
}

TEST(FirmwareRecords, WireBytesAreTheFieldsAsRawBytes)
{
    EXPECT_EQ(RecordWireBytes(Data), Bytes({0x3A, 0x04, 0x00, 0x10, 0x00, 0x01, 0x02, 0x03, 0x04, 0xE2}));
    EXPECT_EQ(RecordWireBytes(End), Bytes({0x3A, 0x00, 0x00, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(RecordWireBytes(":02ABCD00fe0187"), Bytes({0x3A, 0x02, 0xAB, 0xCD, 0x00, 0xFE, 0x01, 0x87}));
}

TEST(FirmwareRecords, CheckerRefusesEveryKindOfDamageAndNamesTheLine)
{
    EXPECT_FALSE(CheckFirmwareImage(Image({Data, Data, End})));
    EXPECT_FALSE(CheckFirmwareImage(Image({":02ABCD00fe0187", End}))) << "lower-case digits are hex too";

    struct Case {
        std::vector<std::string> lines;
        std::string line;  // the line the message must name
        std::string words; // and what it must say
    };
    const Case cases[] = {
        {{Data, ":0400100001020G04E2", End}, "line 2", "not a hexadecimal digit"},
        {{Data, ":04001000010203E2", End}, "line 2", "byte count 04 needs 19"},
        {{":0400100001020304E2AA", End}, "line 1", "byte count 04 needs 19"},
        {{":040010", End}, "line 1", "too short"},
        {{":0400100001020304E3", End}, "line 1", "checksum E3 where E2 is right"},
        {{Data, ":0400100301020304DF", End}, "line 2", "type 03"},
        {{Data, End, Data, End}, "line 2", "end-of-file record before the last"},
        {{Data, Data}, "line 2", "must end with an end-of-file record"},
        {{Data, ":01000001AA54"}, "line 2", "end-of-file record that carries data"},
        {{Data, ": 400100001020304E2", End}, "line 2", "not a hexadecimal digit"},
    };
    for (const auto& c : cases) {
        const auto problem = CheckFirmwareImage(Image(c.lines));
        ASSERT_TRUE(problem.has_value()) << c.words;
        const std::string said = ImageProblemText(120, *problem);
        EXPECT_NE(said.find(c.line + " ("), std::string::npos) << said;
        EXPECT_NE(said.find(c.words), std::string::npos) << said;
    }
    EXPECT_TRUE(CheckFirmwareImage(Image({";only a comment"})));
}
