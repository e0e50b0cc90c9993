// A sound file's content, whatever it is: the input is written as a file and
// its format and playing time read as the clip list reads them. Whatever the
// bytes, reading ends with a kind, a time that is a number of seconds the bytes
// can hold, and the facts its kind needs.

#include <cmath>

#include "FuzzSupport.h"
#include "library/ClipFormat.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path file = FreshFolder("format") / "clip.mp3";
    testing::WriteFile(file, AsString(data, size));
    const ClipFormat format = ReadClipFormat(testing::U8Text(file));
    FUZZ_CHECK(format.kind != ClipFormat::Kind::Unread);
    FUZZ_CHECK(std::isfinite(format.seconds) && format.seconds >= 0);
    // No sound plays longer than its bytes allow: an MP3 frame takes bytes and
    // plays at most 1152 samples at 8 kHz or more; no WAV coding packs more
    // than eight samples into a byte.
    if (format.kind == ClipFormat::Kind::Mp3)
        FUZZ_CHECK(format.seconds <= static_cast<double>(size) * 1152 / 8000);
    if (format.kind == ClipFormat::Kind::Wav)
        FUZZ_CHECK(format.seconds * format.sampleRate <= 8.0 * static_cast<double>(size));
    if (format.Audio()) {
        FUZZ_CHECK(format.sampleRate > 0 && format.channels > 0);
    } else {
        FUZZ_CHECK(format.why != ClipFormat::Why::None && format.why != ClipFormat::Why::Truncated);
    }
    if (format.kind == ClipFormat::Kind::Mp3)
        FUZZ_CHECK(format.kbps > 0);
    return 0;
}
