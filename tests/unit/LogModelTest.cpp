#include <gtest/gtest.h>

#include "log/LogModel.h"

namespace marrowick {
namespace {

std::vector<std::string> Texts(const LogModel& log)
{
    std::vector<std::string> texts;
    for (const auto& line : log.Lines())
        texts.push_back(line.text);
    return texts;
}

TEST(LogModel, RawBytesAreShownEscapedAndTextAsWritten)
{
    LogModel log;
    log.Open("d", "t");
    log.LogDebug(std::string("1.0\r\n\x00\xFF", 7), 0, LogAllRx);
    log.LogDebug("Found: 1  /home/jos\xC3\xA9/a.mp3", 0, LogRawData);
    log.LogDebug("tab\there", 0, LogBaseline);
    EXPECT_EQ(Texts(log), (std::vector<std::string>{"Debugger loaded: d  t", "1.0\\x0D\\x0A\\x00\\xFF",
                                                    "Found: 1  /home/jos\xC3\xA9/a.mp3", "tab\there"}));
}

TEST(LogModel, RepeatsAreCountedOnlyWhenIgnored)
{
    LogModel log;
    log.Open("d", "t");
    for (int i = 0; i < 2; ++i)
        log.LogDebug("twice", 0, LogBaseline);
    log.IgnoreRepeats = true;
    for (int i = 0; i < 3; ++i)
        log.LogDebug("thrice", 1, LogAllTx);
    log.LogDebug("last", 0, LogBaseline);
    log.LogDebug("last", 0, LogBaseline);
    EXPECT_EQ(Texts(log), (std::vector<std::string>{"Debugger loaded: d  t", "twice", "twice", "\tthrice",
                                                    "<3: duplicates>", "last"}))
        << "repeats of the last message are only told when another message follows";
    EXPECT_EQ(log.Lines()[4].colour, 0x0000FFu);
    log.AppendPlain("a line of the window's own");
    log.IgnoreRepeats = false;
    log.LogDebug("after", 0, LogBaseline);
    std::vector<bool> underlined;
    for (const auto& line : log.Lines())
        underlined.push_back(line.underline);
    // ..., "<3: duplicates>", "last", the window's line, "<2: duplicates>", "after"
    EXPECT_EQ(underlined, (std::vector<bool>{false, false, false, false, true, false, false, true, false}))
        << "only the notice is underlined, not the lines after it";
}

TEST(LogModel, FilterUnknownLevelsAndClosedLog)
{
    LogModel log;
    log.LogDebug("before the window", 0, LogBaseline);
    EXPECT_TRUE(log.Lines().empty());
    log.Open("d", "t");
    log.debuglevel = LogAllRx;
    log.LogDebug("hidden", 0, LogBaseline);
    log.LogDebug("shown", 0, LogAllRx);
    log.debuglevel = 0xFF;
    log.LogDebug("odd", 0, 3);
    EXPECT_EQ(Texts(log),
              (std::vector<std::string>{"Debugger loaded: d  t", "shown", "{unrecognized Debug flag} odd"}));
    EXPECT_EQ(log.Lines()[2].colour, 0x0080FFu);
}

} // namespace
} // namespace marrowick
