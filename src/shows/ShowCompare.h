#pragma once

#include <cstddef>

#include "models/Controller.h"
#include "shows/ShowTable.h"

namespace marrowick {

// The first way in which the shows read back from a controller differ from
// the shows written to it. Compared is what the project decides, in this
// order: the show count, the flags (ambient mode, trigger wiring and, in the R2
// layout, lockout), then for each written show its length, clip, volume,
// delays, configuration byte and data. Start addresses, the serial number bytes
// and the bytes the program does not decode are the controller's own and are
// not compared. A clip, volume or delay above 99 is read back as 0 by every
// read, so it is compared as 0.
struct ShowDifference {
    enum class Field {
        None,
        ShowCount,
        Ambient,
        Trigger, // 0 normally open, 1 normally closed
        Lockout,
        TriggerA, // action codes
        TriggerB,
        Length,
        Clip,
        Volume,
        PreDelay,
        PostDelay,
        Configuration,
        DataByte,   // at `offset`
        DataLength, // bytes
    };
    Field field = Field::None;
    int show = -1;
    long long wrote = 0;
    long long read = 0;
    std::size_t offset = 0;

    explicit operator bool() const { return field != Field::None; }
};

ShowDifference FirstShowDifference(const ShowState& written, const ShowState& readBack, TableLayout layout);

} // namespace marrowick
