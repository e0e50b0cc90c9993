// Files dropped on the clip list: the input is the list of dropped paths, cut
// at "MRWK". A path whose first byte is odd names a real file made for the drop:
// the next three bytes give its length (a sparse file, so sizes up to 16 MB cost
// nothing) and the rest its name; any other path is taken as it is, mostly
// naming nothing. The same list is dropped twice. Whatever is dropped, the
// library holds only MP3 files that exist, no more than 99, that fit the
// controller's audio memory with their table entries, listed as they are held.

#include <fstream>

#include "FuzzSupport.h"
#include "conversations/ClipTransfer.h"
#include "features/LibraryFeature.h"
#include "support/Harness.h"

using namespace marrowick;
using namespace marrowick::fuzz;

namespace {

// The drop takes MP3 files by the last three letters of their names.
bool NamedMp3(const std::string& path)
{
    const std::string_view tail = path.size() >= 3 ? std::string_view(path).substr(path.size() - 3) : "";
    return tail.size() == 3 && (tail[0] | 0x20) == 'm' && (tail[1] | 0x20) == 'p' && tail[2] == '3';
}

void CheckLibrary(testing::Harness& h, float audioRam)
{
    const AudioLibrary& library = h.session.library().Library();
    FUZZ_CHECK(library.ClipCount >= 0 && library.ClipCount <= MaxClips);
    double total = 0;
    for (int i = 1; i <= library.ClipCount; ++i) {
        const AudioClip& clip = library.Clips[static_cast<std::size_t>(i)];
        FUZZ_CHECK(NamedMp3(clip.FileName));
        std::error_code ec;
        const auto size = std::filesystem::file_size(clip.FileName, ec);
        FUZZ_CHECK(!ec && clip.Size == static_cast<float>(size));
        total += static_cast<double>(size);
    }
    FUZZ_CHECK(static_cast<float>(total + double{ClipEntryBytes} * library.ClipCount) <= audioRam);
    FUZZ_CHECK(h.view.rows["List1"].size() == static_cast<std::size_t>(library.ClipCount));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto pieces = SplitPieces(std::string_view(reinterpret_cast<const char*>(data), size), 2 * MaxClips);
    const std::filesystem::path folder = FreshFolder("drop");
    std::vector<std::string> paths;
    for (const std::string& piece : pieces) {
        if (piece.size() < 4 || (static_cast<unsigned char>(piece[0]) & 1U) == 0) {
            paths.push_back(piece);
            continue;
        }
        const auto length = static_cast<std::uintmax_t>(static_cast<unsigned char>(piece[1])) |
                            static_cast<std::uintmax_t>(static_cast<unsigned char>(piece[2])) << 8 |
                            static_cast<std::uintmax_t>(static_cast<unsigned char>(piece[3])) << 16;
        std::string name = std::to_string(paths.size()) + "-";
        for (char c : piece.substr(4, 80))
            name += (c == '/' || c == '\0' || c == '\\') ? '_' : c;
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary).flush();
        std::error_code ec;
        std::filesystem::resize_file(path, length, ec);
        paths.push_back(path.string());
    }

    testing::Harness h;
    FUZZ_CHECK(h.Identify());
    const float audioRam = h.session.identity.CurrentController->AudioRam();
    h.session.commands().Drop(control::List1, paths);
    CheckLibrary(h, audioRam);
    h.session.commands().Drop(control::List1, paths);
    CheckLibrary(h, audioRam);
    FUZZ_CHECK(h.session.State() == LinkState::StateIdle);

    // A small library goes into 000.LIB as its table and every clip's bytes.
    const AudioLibrary& library = h.session.library().Library();
    if (library.ClipCount > 0 && library.LibraryBytes <= 256 * 1024) {
        const std::filesystem::path folder = FreshFolder("library");
        const Result saved = h.session.library().SaveLibraryTo(folder);
        FUZZ_CHECK(saved.ok());
        std::error_code ec;
        const auto written = std::filesystem::file_size(folder / LibraryFeature::LibraryFileName, ec);
        FUZZ_CHECK(!ec && static_cast<double>(written) ==
                              double{library.LibraryBytes} + double{ClipEntryBytes} * library.ClipCount);
    }
    return 0;
}
