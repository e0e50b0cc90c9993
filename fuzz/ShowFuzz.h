#pragma once

// What the show targets share: a session identified as a simulated controller
// that then says nothing of its own, and the round trip of a show table through
// a project folder.

#include <filesystem>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "features/ShowsFeature.h"
#include "projects/ProjectFiles.h"
#include "projects/ShowFiles.h"
#include "support/Harness.h"

namespace marrowick::fuzz {

// Long enough for any read to time out, even after a table that claims a show
// of 2^31 bytes: the manual clock jumps to each timer, so waiting costs nothing.
inline constexpr std::int64_t Forever = std::int64_t{1} << 40;

// A session identified as `model`, whose controller answers nothing after that:
// every byte the program receives from now on comes from the test.
inline std::unique_ptr<testing::Harness> SilentController(const std::string& model)
{
    auto h = std::make_unique<testing::Harness>(SampleControllerState(model));
    FUZZ_CHECK(h->Identify());
    FUZZ_CHECK(h->session.identity.CurrentController && h->session.identity.CurrentController->Name() == model);
    h->simulator.faults().silenceAfterReplies = h->simulator.repliesSent;
    h->sent.clear();
    return h;
}

// Counts how reads end, from the moment it is made.
struct ReadEnds {
    explicit ReadEnds(testing::Harness& h)
    {
        h.session.shows().Reader().Finished.connect([this](const Result& outcome) {
            ++count;
            succeeded = outcome.ok();
        });
    }
    int count = 0;
    bool succeeded = false;
};

inline bool SameEntry(const ShowEntry& a, const ShowEntry& b)
{
    return a.RawStartLength == b.RawStartLength && a.Start == b.Start && a.Length == b.Length &&
           a.ClipNumber == b.ClipNumber && a.Volume == b.Volume && a.PreShowDelay == b.PreShowDelay &&
           a.PostShowDelay == b.PostShowDelay && a.Configuration == b.Configuration;
}

// The conversation is over and nothing is left running.
inline void CheckIdle(testing::Harness& h)
{
    FUZZ_CHECK(h.session.State() == LinkState::StateIdle);
    FUZZ_CHECK(h.session.conversations.Active() == nullptr);
    FUZZ_CHECK(!h.session.shows().Reader().Running());
}

// A read that fails leaves the shows as they were before it: here, as a new
// session holds them.
inline void CheckUntouched(const ShowState& shows)
{
    const ShowState fresh;
    FUZZ_CHECK(shows.ShowCount == fresh.ShowCount && shows.AmbientMode == fresh.AmbientMode);
    FUZZ_CHECK(shows.TocImage.empty());
    for (std::size_t i = 0; i < shows.ShowData.size(); ++i)
        FUZZ_CHECK(SameEntry(shows.ShowTable[i], fresh.ShowTable[i]) && shows.ShowData[i].empty());
}

// Saves the shows `h` holds as a project, opens that project in a new session of
// the same model and checks it holds the same shows. A K5 project keeps the
// numbered shows 1..9 (a table has ten blocks) and no trigger mode; an R2
// project keeps the whole table image in 000.CFG.
inline void CheckProjectRoundTrip(testing::Harness& h, const std::string& model)
{
    const ShowState& saved = h.session.shows().State();
    const std::filesystem::path folder = FreshFolder("project");
    std::vector<FileEvent> events;
    FUZZ_CHECK(SaveAllShows({folder.parent_path().string(), folder.string() + "/", {}}, *MakeController(model),
                            h.session.shows().State(), events));

    auto reopened = SilentController(model);
    const Result opened = reopened->session.shows().OpenShowsFrom(folder.string());
    FUZZ_CHECK(opened.ok());
    const ShowState& back = reopened->session.shows().State();
    FUZZ_CHECK(back.AmbientMode == saved.AmbientMode);
    const int last = saved.ShowCount < BlocksPerTable ? saved.ShowCount : BlocksPerTable - 1;
    if (model == "K5") {
        FUZZ_CHECK(back.ShowCount == last);
    } else {
        FUZZ_CHECK(back.ShowCount == saved.ShowCount);
        FUZZ_CHECK(back.TocImage == saved.TocImage);
        FUZZ_CHECK(back.TriggerMode == saved.TriggerMode && back.LockOut == saved.LockOut);
    }
    for (int show = saved.FirstShow(); show <= last; ++show) {
        const auto i = static_cast<std::size_t>(show);
        if (model != "K5" || show <= saved.ShowCount)
            FUZZ_CHECK(SameEntry(back.ShowTable[i], saved.ShowTable[i]));
        const std::int32_t length = saved.ShowTable[i].Length;
        const std::string kept = length > 0 ? saved.ShowData[i].substr(0, static_cast<std::size_t>(length)) : "";
        FUZZ_CHECK(back.ShowData[i] == kept);
    }
}

} // namespace marrowick::fuzz
