#include "firmware/FirmwareRecords.h"

#include <algorithm>

#include "link/Encoding.h"

namespace marrowick {
namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int ByteAt(std::string_view record, std::size_t pair)
{
    const std::size_t at = 1 + 2 * pair;
    if (at + 2 > record.size())
        return 0;
    return HexToInt(record.substr(at, 2)) & 0xFF;
}

std::string HexText(int value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

// Why one record cannot be sent; empty when it can.
std::string RecordFault(std::string_view record)
{
    if (record.empty() || record.front() != ':')
        return "does not start with \":\"";
    if (!std::all_of(record.begin() + 1, record.end(), IsHexDigit))
        return "holds a character that is not a hexadecimal digit";
    if (record.size() < 11)
        return "is too short for a record";
    const int count = ByteAt(record, 0);
    const std::size_t expected = 11 + 2 * static_cast<std::size_t>(count);
    if (record.size() != expected)
        return "is " + std::to_string(record.size()) + " characters long, but its byte count " + HexText(count) +
               " needs " + std::to_string(expected);
    int sum = 0;
    for (std::size_t pair = 0; pair < 5 + static_cast<std::size_t>(count); ++pair)
        sum += ByteAt(record, pair);
    if ((sum & 0xFF) != 0) {
        const int written = ByteAt(record, 4 + static_cast<std::size_t>(count));
        return "has the checksum " + HexText(written) + " where " + HexText((written - sum) & 0xFF) + " is right";
    }
    const int type = ByteAt(record, 3);
    if (type != 0x00 && type != 0x01)
        return "is a record of type " + HexText(type) + "; only data (00) and end-of-file (01) records can be sent";
    if (type == 0x01 && count != 0)
        return "is an end-of-file record that carries data";
    return {};
}

} // namespace

FirmwareImage ReadFirmwareRecords(int number, std::string_view bytes)
{
    FirmwareImage image;
    image.number = number;
    image.bytes = bytes.size();
    std::string line;
    int lineNumber = 1;
    auto keep = [&] {
        const bool dropped = line.empty() || line.front() != ':' || line.find('\0') != std::string::npos ||
                             (line.size() >= 9 && line.compare(7, 2, "04") == 0);
        if (!dropped) {
            image.records.push_back(line);
            image.lineNumbers.push_back(lineNumber);
        }
        line.clear();
    };
    for (char c : bytes) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            keep();
            ++lineNumber;
            continue;
        }
        line += c;
    }
    keep();
    return image;
}

std::optional<std::string> CheckFirmwareImage(const FirmwareImage& image)
{
    const std::string name = "Firmware image " + std::to_string(image.number);
    if (image.records.empty())
        return name + " holds no records; nothing was sent.";
    auto problem = [&](std::size_t index, const std::string& fault) {
        std::string text = image.records[index];
        if (text.size() > 48)
            text = text.substr(0, 45) + "...";
        return name + " cannot be sent: line " + std::to_string(image.lineNumbers[index]) + " (" + text + ") " + fault +
               ". Nothing was sent.";
    };
    const std::size_t last = image.records.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        const std::string fault = RecordFault(image.records[i]);
        if (!fault.empty())
            return problem(i, fault);
        const bool endOfFile = ByteAt(image.records[i], 3) == 0x01;
        if (endOfFile && i != last)
            return problem(i, "is an end-of-file record before the last record");
        if (!endOfFile && i == last)
            return problem(i, "is the last record, but the image must end with an end-of-file record");
    }
    return std::nullopt;
}

std::string RecordWireBytes(std::string_view record)
{
    std::string wire(1, ':');
    const std::size_t count = static_cast<std::size_t>(ByteAt(record, 0));
    for (std::size_t pair = 0; pair < 5 + count; ++pair)
        wire += static_cast<char>(ByteAt(record, pair));
    return wire;
}

} // namespace marrowick
