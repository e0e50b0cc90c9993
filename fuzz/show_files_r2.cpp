// The files of an R2 project: 000.CFG and the show data files 000.R2S ..
// 009.R2S. The input holds 000.CFG, then the data files, cut at "MRWK"; an empty
// piece leaves that file out. The folder opens, or is refused without harm when
// 000.CFG is not a table the program can hold; the data kept of each show is at
// most its table length; what was opened saves and opens again as the same shows.

#include <fstream>

#include "ShowFuzz.h"
#include "projects/ConfigFile.h"
#include "projects/ProjectFiles.h"
#include "projects/ProjectPaths.h"
#include "shows/TableReply.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto files = SplitPieces(std::string_view(reinterpret_cast<const char*>(data), size), BlocksPerTable + 1);
    const std::filesystem::path folder = FreshFolder("open");
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    if (!files[0].empty())
        write(ConfigFileName, files[0]);
    for (std::size_t piece = 1; piece < files.size(); ++piece)
        if (!files[piece].empty())
            write(ShowFileName(static_cast<int>(piece - 1), piece % 2 == 0 ? ".R2S" : ".r2s"), files[piece]);

    auto h = SilentController("R2");
    const Result opened = h->session.shows().OpenShowsFrom(folder.string());
    FUZZ_CHECK(h->session.State() == LinkState::StateIdle);
    const std::string& config = files[0];
    const bool configUsable =
        config.empty() ||
        (config.size() == TocImageBytes &&
         TableProblem(std::string_view(config).substr(0, BlocksPerTable * ShowBlockBytes),
                      static_cast<unsigned char>(config[160]), (config[161] & 1) != 0, ShowMemoryBytes)
             .ok());
    FUZZ_CHECK(opened.ok() == configUsable);
    if (!opened.ok())
        return 0;
    const ShowState& shows = h->session.shows().State();
    for (int show = 0; show < BlocksPerTable; ++show) {
        const auto i = static_cast<std::size_t>(show);
        const std::int32_t length = shows.ShowTable[i].Length;
        FUZZ_CHECK(shows.ShowData[i].size() <= static_cast<std::size_t>(length > 0 ? length : 0));
    }
    if (shows.TocImage.size() == TocImageBytes)
        CheckProjectRoundTrip(*h, "R2");
    return 0;
}
