#pragma once

// The table reply of "u" as the controller sends it, for a model of either
// layout: whatever arrives, the read ends on its own; a table that is taken is
// one the program can hold and save, and opening the saved project gives it back.

#include <algorithm>

#include "ShowFuzz.h"

namespace marrowick::fuzz {

inline void TableReplyCase(const std::string& model, const std::string& reply)
{
    auto h = SilentController(model);
    const std::size_t tableBytes = static_cast<std::size_t>(h->session.identity.CurrentController->ShowReadDataCount());
    ReadEnds ends(*h);
    h->session.commands().Click(control::btnReadShows);
    FUZZ_CHECK(h->session.State() == LinkState::StateReadShows);
    h->port.onBytes(reply);
    // Taken: a "*" followed the "u", or there was no show to ask for.
    const bool taken = h->sent.size() > 1 || (ends.count == 1 && ends.succeeded);
    if (taken) {
        FUZZ_CHECK(reply.size() == tableBytes); // only a whole reply of the model's size is taken
        const ShowState& shows = h->session.shows().State();
        FUZZ_CHECK(shows.ShowCount <= MaxShowCount);
        for (int show = shows.FirstShow(); show <= shows.ShowCount; ++show)
            FUZZ_CHECK(shows.ShowTable[static_cast<std::size_t>(show)].Length >= 0);
        if (model != "K5") {
            FUZZ_CHECK(shows.TocImage == reply);
            FUZZ_CHECK(shows.ShowCount == static_cast<unsigned char>(reply[160]));
        }
        // The controller sends each show asked for, as long as that stays small.
        while (h->session.shows().Reader().Running()) {
            const auto show = static_cast<std::size_t>(shows.CurrentShow);
            FUZZ_CHECK(show <= static_cast<std::size_t>(MaxShowCount));
            const std::int32_t length = shows.ShowTable[show].Length;
            if (length <= 0 || length > 20000)
                break;
            h->port.onBytes(std::string(static_cast<std::size_t>(length), static_cast<char>('a' + show)));
        }
    }
    h->clock.RunUntilIdle(Forever);
    CheckIdle(*h);
    FUZZ_CHECK(ends.count == 1);
    const ShowState& shows = h->session.shows().State();
    if (!ends.succeeded) {
        CheckUntouched(shows);
        return;
    }
    FUZZ_CHECK(taken);
    // "u", then one "*" for every show that exists, or the one for show 1 when none does.
    const int asked = std::max(1, shows.ShowCount - shows.FirstShow() + 1);
    FUZZ_CHECK(h->sent == "u" + std::string(static_cast<std::size_t>(asked), '*'));
    CheckProjectRoundTrip(*h, model);
}

} // namespace marrowick::fuzz
