// A whole show read as the controller's side of the line delivers it: the first
// input byte picks the model (even K5, odd R2); then each piece is a length
// byte, a pause byte and that many bytes, which arrive as one burst followed by
// the pause (in 16 ms steps, so the read's time-outs fall inside the input too).
// Whatever arrives and however it is cut, the read ends on its own, once, with
// nothing left running; a read that reports success holds every show it asked for.

#include <algorithm>

#include "ShowFuzz.h"

using namespace marrowick;
using namespace marrowick::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string model = (data[0] & 1U) == 0 ? "K5" : "R2";
    auto h = SilentController(model);
    ReadEnds ends(*h);
    h->session.commands().Click(control::btnReadShows);
    FUZZ_CHECK(h->session.State() == LinkState::StateReadShows);

    std::size_t at = 1;
    while (at + 2 <= size) {
        const std::size_t length = data[at];
        const int pause = data[at + 1] * 16;
        at += 2;
        const std::size_t take = std::min(length, size - at);
        h->port.onBytes(std::string_view(reinterpret_cast<const char*>(data + at), take));
        at += take;
        h->clock.Advance(pause);
    }
    h->clock.RunUntilIdle(Forever);

    CheckIdle(*h);
    FUZZ_CHECK(ends.count == 1);
    FUZZ_CHECK(h->view.progressValue <= h->view.progressMaximum);
    if (!ends.succeeded) {
        CheckUntouched(h->session.shows().State());
        return 0;
    }
    // "u", then one "*" for every show that exists (and one for show 1 when the
    // table lists none), and each show's bytes kept.
    const ShowState& shows = h->session.shows().State();
    FUZZ_CHECK(shows.ShowCount <= MaxShowCount);
    const std::size_t asked = static_cast<std::size_t>(std::max(shows.ShowCount - shows.FirstShow() + 1, 1));
    FUZZ_CHECK(h->sent == "u" + std::string(asked, '*'));
    for (int show = shows.FirstShow(); show <= shows.ShowCount; ++show) {
        const auto i = static_cast<std::size_t>(show);
        FUZZ_CHECK(shows.ShowTable[i].Length >= 0);
        FUZZ_CHECK(shows.ShowData[i].size() >= static_cast<std::size_t>(shows.ShowTable[i].Length));
    }
    CheckProjectRoundTrip(*h, model);
    return 0;
}
