#include <gtest/gtest.h>

#include <functional>

#include "features/ShowsPresenter.h"
#include "shows/ShowCompare.h"

using namespace marrowick;

namespace {

// Written: ambient show 0 and shows 1..3, show 2 empty.
ShowState Written()
{
    ShowState shows;
    shows.ShowCount = 3;
    shows.AmbientMode = true;
    shows.TriggerMode = 1;
    shows.LockOut = 1;
    shows.TocImage = std::string(TocImageBytes, '\x11');
    const std::int32_t lengths[] = {40, 300, 0, 5000};
    for (std::size_t i = 0; i < 4; ++i) {
        ShowEntry& e = shows.ShowTable[i];
        e.Start = static_cast<std::int32_t>(1000 * i);
        e.Length = lengths[i];
        e.ClipNumber = static_cast<std::uint8_t>(i + 1);
        e.Volume = static_cast<std::uint8_t>(50 + i);
        e.PreShowDelay = static_cast<std::uint8_t>(i);
        e.PostShowDelay = static_cast<std::uint8_t>(2 * i);
        e.Configuration = static_cast<std::uint8_t>(0xF0 + i);
        e.RawStartLength = {static_cast<std::uint8_t>(i), 1, 2, 3, 4, 5, 6, 7};
        for (std::int32_t k = 0; k < lengths[i]; ++k)
            shows.ShowData[i] += static_cast<char>(k * 7 + static_cast<int>(i));
    }
    return shows;
}

struct Row {
    const char* what;
    std::function<void(ShowState&)> change; // made to what is read back
    std::string difference;                 // empty: no difference counts
};

} // namespace

// Each field the project decides is compared, and the first difference is
// named; what the controller may place itself is not compared.
TEST(ShowCompare, NamesTheFirstDifferenceOfWhatTheProjectDecides)
{
    const Row rows[] = {
        {"the same shows", [](ShowState&) {}, ""},
        {"show count", [](ShowState& s) { s.ShowCount = 2; }, "show count: wrote 3, read back 2"},
        {"ambient", [](ShowState& s) { s.AmbientMode = false; }, "ambient mode: wrote Yes, read back No"},
        {"trigger", [](ShowState& s) { s.TriggerMode = 0; }, "trigger mode: wrote N.C., read back N.O."},
        {"lockout", [](ShowState& s) { s.LockOut = 0; }, "lockout: wrote Yes, read back No"},
        {"length", [](ShowState& s) { s.ShowTable[3].Length = 4999; }, "show 3 length: wrote 5000, read back 4999"},
        {"clip", [](ShowState& s) { s.ShowTable[1].ClipNumber = 9; }, "show 1 clip: wrote 2, read back 9"},
        {"volume", [](ShowState& s) { s.ShowTable[0].Volume = 0; }, "show 0 volume: wrote 50, read back 0"},
        {"pre-show delay", [](ShowState& s) { s.ShowTable[2].PreShowDelay = 7; },
         "show 2 pre-show delay: wrote 2, read back 7"},
        {"post-show delay", [](ShowState& s) { s.ShowTable[3].PostShowDelay = 0; },
         "show 3 post-show delay: wrote 6, read back 0"},
        {"configuration", [](ShowState& s) { s.ShowTable[1].Configuration = 0; },
         "show 1 configuration: wrote 241, read back 0"},
        {"a data byte", [](ShowState& s) { s.ShowData[3][4097] = '\x5A'; },
         "show 3 data at byte offset 4097: wrote 0x0A, read back 0x5A"},
        {"the first data byte", [](ShowState& s) { s.ShowData[0][0] = '\xFF'; },
         "show 0 data at byte offset 0: wrote 0x00, read back 0xFF"},
        {"data cut short", [](ShowState& s) { s.ShowData[1].resize(299); },
         "show 1 data: wrote 300 bytes, read back 299"},
        {"the earliest of two differences",
         [](ShowState& s) {
             s.ShowTable[3].Volume = 1;
             s.ShowData[1][10] = 'x';
         },
         "show 1 data at byte offset 10: wrote 0x47, read back 0x78"},
        // Not compared: where the controller put the shows, the raw bytes of the
        // addresses, the rest of the table image (the serial number bytes
        // among them), shows beyond the count and bytes beyond a show's length.
        {"start addresses", [](ShowState& s) { s.ShowTable[1].Start = 77777; }, ""},
        {"raw start and length bytes", [](ShowState& s) { s.ShowTable[2].RawStartLength.fill(0xEE); }, ""},
        {"serial number bytes and the rest of the image",
         [](ShowState& s) {
             s.TocImage.replace(168, 4, "\x4D\x3C\x2B\x1A");
             s.TocImage[162] = 7;
         },
         ""},
        {"a show beyond the count", [](ShowState& s) { s.ShowTable[4].Length = 12; }, ""},
        {"data beyond the length", [](ShowState& s) { s.ShowData[2] = "left over"; }, ""},
        {"the labels and the show being handled",
         [](ShowState& s) {
             s.CurrentShow = 4;
             s.source = ShowSource::ConfigFile;
         },
         ""},
    };
    const ShowState written = Written();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ShowState read = written;
        row.change(read);
        EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::R2)), row.difference);
    }
}

// The K5 layout has no lockout; values above 99 come back as 0 from every read.
TEST(ShowCompare, LockoutOnlyInTheR2LayoutAndValuesAbove99AsTheyAreRead)
{
    ShowState written = Written();
    ShowState read = written;
    read.LockOut = 0;
    EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::K5)), "");
    EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::R2)), "lockout: wrote Yes, read back No");

    written.ShowTable[1].ClipNumber = 150;
    written.ShowTable[1].PostShowDelay = 100;
    read = written;
    read.ShowTable[1].ClipNumber = 0;
    read.ShowTable[1].PostShowDelay = 0;
    EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::K5)), "");
    read.ShowTable[1].ClipNumber = 99;
    EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::K5)),
              "show 1 clip: wrote 0, read back 99");

    // Without the ambient show, show 0 is not among the shows written.
    written = Written();
    written.AmbientMode = false;
    read = written;
    read.ShowTable[0].Volume = 3;
    read.ShowData[0].clear();
    EXPECT_EQ(DifferenceText(FirstShowDifference(written, read, TableLayout::K5)), "");
}
