#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marrowick {

// An image split into the record lines the controller receives.
struct FirmwareImage {
    int number = 0;
    std::size_t bytes = 0;            // size of the stored image
    std::vector<std::string> records; // record lines in file order, without line ends
    std::vector<int> lineNumbers;     // 1-based line of each record in the image

    int LastIndex() const { return static_cast<int>(records.size()) - 1; }
};

// Splits the bytes of an image into lines (CR skipped, LF ends a line, text
// after the last LF is a line too) and keeps the records: lines that start with
// ":", are not extended-address records (type 04) and hold no NUL byte. So the
// comment lines, blank lines and NUL padding are gone.
FirmwareImage ReadFirmwareRecords(int number, std::string_view bytes);

// What is wrong with an image, found before anything of it is sent.
struct ImageProblem {
    enum class Fault {
        NoRecords,
        NoColon,       // the record does not start with ":"
        NotHex,        // a character is no hexadecimal digit
        TooShort,      // shorter than any record
        Length,        // `size` characters, but its byte count `value` needs `expected`
        Checksum,      // the checksum `value` where `expected` is right
        Type,          // a record of type `value`
        EndWithData,   // an end-of-file record that carries data
        EndBeforeLast, // an end-of-file record before the last record
        NoEndAtLast,   // the last record is no end-of-file record
    };
    Fault fault = Fault::NoRecords;
    int line = 0;       // 1-based line of the image
    std::string record; // the record as it stands there
    std::size_t size = 0;
    int value = 0;
    std::size_t expected = 0;
};

// Every record must be ":" and hexadecimal digits, as long as its byte count
// says, with the right checksum, of type 00 or 01, and exactly one end-of-file
// record must come last. Nothing when the image is sound.
std::optional<ImageProblem> CheckFirmwareImage(const FirmwareImage& image);

// A record line as it goes on the wire: ":" and then each two-digit field
// (count, address high, address low, type, the data bytes, checksum) as one
// raw byte. The count read from the line decides where the checksum is.
std::string RecordWireBytes(std::string_view record);

} // namespace marrowick
