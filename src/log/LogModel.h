#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace marrowick {

// Log level flags.
inline constexpr int LogBaseline = 1;
inline constexpr int LogAllRx = 2;
inline constexpr int LogAllTx = 4;
inline constexpr int LogFileIo = 8;
inline constexpr int LogDataParsing = 16;
inline constexpr int LogDmx = 32;
inline constexpr int LogJoyStick = 64;
inline constexpr int LogRawData = 128;

struct LogLevelInfo {
    int flag;
    const char* caption;
    std::uint32_t lineColour;    // 0x00BBGGRR
    std::uint32_t captionColour; // 0x00BBGGRR; lineColour of flag 1 for "default"
};

// The eight levels in check-box order (index 0..7).
const std::vector<LogLevelInfo>& LogLevels();

struct LogLine {
    std::string text;         // without the line end
    std::uint32_t colour = 0; // 0x00BBGGRR
    bool underline = false;
    int pointSize = 11;
};

// A message as the log shows it: control bytes, and any byte that is not part
// of UTF-8 text, written as \xNN.
std::string ReadableLogText(const std::string& text);

// The developer's log: level filter, repeat counting and the lines written so
// far. The log window shows what this holds; nothing is logged while it is off.
class LogModel {
public:
    // On while the log window exists; the window's closing turns it off for the run.
    bool DebugMode = false;
    std::uint16_t debuglevel = 0xFF;
    bool IgnoreRepeats = false;

    void LogDebug(const std::string& message, int indent, int level);
    // A line of the log window's own (the first line, the closing line, a failed save).
    void AppendPlain(const std::string& text, std::uint32_t colour = 0x000000);
    void Clear();
    // Starts a log window: all levels on, the first line "Debugger loaded: ".
    void Open(const std::string& date, const std::string& time);

    const std::vector<LogLine>& Lines() const { return m_lines; }

    std::function<void(const LogLine&)> onLine;
    std::function<void()> onCleared;

private:
    void Write(const LogLine& line);

    std::vector<LogLine> m_lines;
    std::string m_lastMessage;
    std::int32_t m_repeatCount = 0;
    std::uint32_t m_lastColour = 0;
};

} // namespace marrowick
