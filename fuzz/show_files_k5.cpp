// The show files of a K5 project (000.K5S .. 009.K5S: a 16-byte table entry and
// the show's bytes). The input holds the files one after another, cut at
// "MRWK"; an empty piece leaves that show's file out. Whatever the files hold,
// the folder opens or is refused without harm, and what was opened saves and
// opens again as the same shows.

#include <fstream>

#include "ShowFuzz.h"
#include "projects/ProjectPaths.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto files = SplitPieces(std::string_view(reinterpret_cast<const char*>(data), size), BlocksPerTable);
    const std::filesystem::path folder = FreshFolder("open");
    for (std::size_t show = 0; show < files.size(); ++show) {
        if (files[show].empty())
            continue;
        // Odd shows in lower case: the program finds its files whatever their case.
        std::string name = ShowFileName(static_cast<int>(show), show % 2 == 0 ? ".K5S" : ".k5s");
        std::ofstream(folder / name, std::ios::binary)
            .write(files[show].data(), static_cast<std::streamsize>(files[show].size()));
    }

    auto h = SilentController("K5");
    const Result opened = h->session.shows().OpenShowsFrom(folder.string());
    FUZZ_CHECK(opened.ok());
    FUZZ_CHECK(h->session.State() == LinkState::StateIdle);
    const ShowState& shows = h->session.shows().State();
    FUZZ_CHECK(shows.ShowCount <= BlocksPerTable - 1);
    // A file is taken when it holds its entry and a length no controller exceeds.
    const auto taken = [&](std::size_t i) {
        const std::string file = i < files.size() ? files[i] : std::string();
        return file.size() >= 16 && DecodeShowBlock(file.substr(0, 16), false).Length <= ShowMemoryBytes;
    };
    FUZZ_CHECK(shows.AmbientMode == taken(0));
    for (int show = 0; show < BlocksPerTable; ++show) {
        const auto i = static_cast<std::size_t>(show);
        const std::string file = i < files.size() ? files[i] : std::string();
        const std::int32_t length = shows.ShowTable[i].Length;
        // The bytes kept are those after the entry, at most as many as its length says.
        if (taken(i))
            FUZZ_CHECK(shows.ShowData[i] ==
                       (length > 0 ? file.substr(16, static_cast<std::size_t>(length)) : std::string()));
        else
            FUZZ_CHECK(shows.ShowData[i].empty());
    }
    // A show with a negative length, or gaps in the numbering, cannot be written
    // back as it is, but it can be saved and opened again.
    CheckProjectRoundTrip(*h, "K5");
    return 0;
}
