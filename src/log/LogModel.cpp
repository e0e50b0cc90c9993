#include "log/LogModel.h"

namespace marrowick {

const std::vector<LogLevelInfo>& LogLevels()
{
    static const std::vector<LogLevelInfo> levels = {
        {LogBaseline, "Baseline", 0x000000, 0x000000},
        {LogAllRx, "All RX", 0xFF0000, 0xFF0000},
        {LogAllTx, "All TX", 0x0000FF, 0x0000FF},
        {LogFileIo, "File I/O", 0x00FF00, 0x00C000},
        {LogDataParsing, "Data Parsing", 0xC000C0, 0xC000C0},
        {LogDmx, "DMX", 0x0080FF, 0x0080FF},
        {LogJoyStick, "JoyStick", 0xFF8080, 0xFF8080},
        {LogRawData, "Raw Data", 0x00C0C0, 0x00C0C0},
    };
    return levels;
}

namespace {

bool IsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

} // namespace

std::string ReadableLogText(const std::string& text)
{
    // Replies and show data are raw bytes; shown as they are they would break
    // lines and garble the window. File names and messages stay as written.
    const bool utf8 = IsUtf8(text);
    std::string out;
    out.reserve(text.size());
    static const char* const digits = "0123456789ABCDEF";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t') || c == 0x7F || (c >= 0x80 && !utf8)) {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

void LogModel::LogDebug(const std::string& message, int indent, int level)
{
    if (!DebugMode)
        return;
    if ((debuglevel & level) == 0)
        return;
    if (IgnoreRepeats && message == m_lastMessage) {
        ++m_repeatCount;
        return;
    }

    std::uint32_t colour = 0x0080FF;
    std::string text = message;
    bool known = false;
    for (const auto& info : LogLevels()) {
        if (info.flag == level) {
            colour = info.lineColour;
            known = true;
        }
    }
    if (!known)
        text = "{unrecognized Debug flag} " + text;

    // Only the notice is underlined, so it stands out from the messages around it.
    if (m_repeatCount > 0)
        Write({"<" + std::to_string(m_repeatCount + 1) + ": duplicates>", m_lastColour, true, 11});
    m_repeatCount = 0;
    m_lastColour = colour;
    Write({std::string(static_cast<std::size_t>(indent > 0 ? indent : 0), '\t') + ReadableLogText(text), colour, false,
           11});
    m_lastMessage = message;
}

void LogModel::AppendPlain(const std::string& text, std::uint32_t colour)
{
    Write({text, colour, false, 11});
}

void LogModel::Clear()
{
    m_lines.clear();
    if (onCleared)
        onCleared();
}

void LogModel::Open(const std::string& date, const std::string& time)
{
    DebugMode = true;
    debuglevel = 0xFF;
    m_lines.clear();
    if (onCleared)
        onCleared();
    Write({"Debugger loaded: " + date + "  " + time, 0x000000, false, 11});
}

void LogModel::Write(const LogLine& line)
{
    m_lines.push_back(line);
    if (onLine)
        onLine(line);
}

} // namespace marrowick
