#include <algorithm>
#include <gtest/gtest.h>

#include "log/LogRtf.h"

namespace marrowick {
namespace {

TEST(LogRtf, ColourTableSizesAndUnderlineFollowTheLines)
{
    const std::vector<LogLine> lines = {
        {"first", 0x000000, false, 11},
        {"received", 0xFF0000, false, 11},
        {"<3: duplicates>", 0x000000, true, 11},
        {"again", 0xFF0000, true, 11},
    };
    const std::string rtf = LogToRtf(lines);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
    EXPECT_NE(rtf.find("{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}"), std::string::npos)
        << "colour references are 0x00BBGGRR: 0xFF0000 is blue";
    EXPECT_NE(rtf.find("\\cf1\\fs22\\ulnone first\\par"), std::string::npos);
    EXPECT_NE(rtf.find("\\cf2\\fs22\\ulnone received\\par"), std::string::npos);
    EXPECT_NE(rtf.find("\\cf1\\fs22\\ul <3: duplicates>\\par"), std::string::npos);
    EXPECT_NE(rtf.find("\\cf2\\fs22\\ul again\\par"), std::string::npos);
    EXPECT_EQ(rtf.substr(rtf.size() - 3), "}\r\n");
}

TEST(LogRtf, TextIsEscapedSoAnyBytesKeepTheDocumentIntact)
{
    const std::string rtf = LogToRtf({{"a\\b{c}\td\x01\x7F caf\xC3\xA9 \xE9 \xF0\x9F\x8E\xB5", 0, false, 11}});
    EXPECT_NE(rtf.find("a\\\\b\\{c\\}\\tab d\\'01\\'7f caf\\u233? \\'e9 \\u-10180?\\u-8267?\\par"), std::string::npos)
        << rtf;
}

TEST(LogRtf, AnEmptyLogIsStillADocument)
{
    const std::string rtf = LogToRtf({});
    EXPECT_NE(rtf.find("{\\colortbl ;}"), std::string::npos);
    EXPECT_EQ(std::count(rtf.begin(), rtf.end(), '{'), std::count(rtf.begin(), rtf.end(), '}'));
}

} // namespace
} // namespace marrowick
