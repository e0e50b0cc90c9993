// 000.CFG of an R2 project: the input is the file, opened from a folder as
// "Open Existing Shows" opens it. Anything but 304 bytes, or a table the program
// cannot hold (more than ten shows, a show of negative length), is refused with
// a reason and changes nothing; a file that is taken is the table image byte for
// byte, and saving the project and opening it again gives the same table.

#include <fstream>

#include "ShowFuzz.h"
#include "projects/ConfigFile.h"
#include "projects/ProjectFiles.h"
#include "shows/TableReply.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = AsString(data, size);
    const std::filesystem::path folder = FreshFolder("open");
    std::ofstream(folder / ConfigFileName, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));

    auto h = SilentController("R2");
    const ShowState before = h->session.shows().State();
    const Result opened = h->session.shows().OpenShowsFrom(folder.string());
    const ShowState& shows = h->session.shows().State();
    FUZZ_CHECK(h->session.State() == LinkState::StateIdle);
    const bool usable =
        size == TocImageBytes && TableProblem(std::string_view(bytes).substr(0, BlocksPerTable * ShowBlockBytes),
                                              data[160], (data[161] & 1) != 0, ShowMemoryBytes)
                                     .ok();
    if (!usable) {
        FUZZ_CHECK(!opened.ok() && opened.reason != Reason::None);
        FUZZ_CHECK(shows.TocImage == before.TocImage && shows.ShowCount == before.ShowCount);
        return 0;
    }
    FUZZ_CHECK(opened.ok());
    FUZZ_CHECK(shows.TocImage == bytes);
    FUZZ_CHECK(shows.ShowCount == data[160]);
    FUZZ_CHECK(h->view.rows["ListShows"].size() == static_cast<std::size_t>(BlocksPerTable));
    CheckProjectRoundTrip(*h, "R2");
    return 0;
}
