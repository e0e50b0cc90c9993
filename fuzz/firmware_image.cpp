// A firmware image as the program reads it before a download: split into record
// lines and checked. A sound image is one whose every record goes on the wire
// as its byte count says, with a checksum that adds up, ending with the one
// end-of-file record; a refused image names the line at fault.

#include "FuzzSupport.h"
#include "firmware/FirmwareRecords.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = AsString(data, size);
    const FirmwareImage image = ReadFirmwareRecords(117, bytes);
    FUZZ_CHECK(image.bytes == size);
    FUZZ_CHECK(image.records.size() == image.lineNumbers.size());
    for (std::size_t i = 0; i < image.records.size(); ++i) {
        const std::string& record = image.records[i];
        FUZZ_CHECK(!record.empty() && record.front() == ':');
        FUZZ_CHECK(record.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        FUZZ_CHECK(i == 0 || image.lineNumbers[i] > image.lineNumbers[i - 1]);
        // Any record can be turned into wire bytes without reading past its end.
        FUZZ_CHECK(!RecordWireBytes(record).empty());
    }

    const auto problem = CheckFirmwareImage(image);
    if (problem) {
        const bool noRecords = problem->fault == ImageProblem::Fault::NoRecords;
        FUZZ_CHECK(noRecords == image.records.empty());
        FUZZ_CHECK(noRecords || problem->line >= 1);
        return 0;
    }
    FUZZ_CHECK(!image.records.empty());
    for (std::size_t i = 0; i < image.records.size(); ++i) {
        const std::string wire = RecordWireBytes(image.records[i]);
        const auto count = static_cast<unsigned char>(wire.at(1));
        FUZZ_CHECK(wire.size() == 1 + 5 + std::size_t{count});
        FUZZ_CHECK(image.records[i].size() == 1 + 2 * (wire.size() - 1));
        unsigned sum = 0;
        for (std::size_t k = 1; k < wire.size(); ++k)
            sum += static_cast<unsigned char>(wire[k]);
        FUZZ_CHECK((sum & 0xFFU) == 0);
        const auto type = static_cast<unsigned char>(wire.at(4));
        FUZZ_CHECK(type == (i + 1 == image.records.size() ? 1 : 0));
    }
    return 0;
}
