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

// Why one record cannot be sent; nothing when it can.
std::optional<ImageProblem> RecordFault(std::string_view record)
{
    using Fault = ImageProblem::Fault;
    const auto fault = [&](Fault kind, int value = 0, std::size_t expected = 0) {
        return ImageProblem{kind, 0, std::string(record), record.size(), value, expected};
    };
    if (record.empty() || record.front() != ':')
        return fault(Fault::NoColon);
    if (!std::all_of(record.begin() + 1, record.end(), IsHexDigit))
        return fault(Fault::NotHex);
    if (record.size() < 11)
        return fault(Fault::TooShort);
    const int count = ByteAt(record, 0);
    const std::size_t expected = 11 + 2 * static_cast<std::size_t>(count);
    if (record.size() != expected)
        return fault(Fault::Length, count, expected);
    int sum = 0;
    for (std::size_t pair = 0; pair < 5 + static_cast<std::size_t>(count); ++pair)
        sum += ByteAt(record, pair);
    if ((sum & 0xFF) != 0) {
        const int written = ByteAt(record, 4 + static_cast<std::size_t>(count));
        return fault(Fault::Checksum, written, static_cast<std::size_t>((written - sum) & 0xFF));
    }
    const int type = ByteAt(record, 3);
    if (type != 0x00 && type != 0x01)
        return fault(Fault::Type, type);
    if (type == 0x01 && count != 0)
        return fault(Fault::EndWithData);
    return std::nullopt;
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

std::optional<ImageProblem> CheckFirmwareImage(const FirmwareImage& image)
{
    using Fault = ImageProblem::Fault;
    if (image.records.empty())
        return ImageProblem{};
    const std::size_t last = image.records.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        auto problem = RecordFault(image.records[i]);
        const bool endOfFile = ByteAt(image.records[i], 3) == 0x01;
        if (!problem && endOfFile && i != last)
            problem = ImageProblem{Fault::EndBeforeLast, 0, image.records[i], 0, 0, 0};
        if (!problem && !endOfFile && i == last)
            problem = ImageProblem{Fault::NoEndAtLast, 0, image.records[i], 0, 0, 0};
        if (problem) {
            problem->line = image.lineNumbers[i];
            return problem;
        }
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
