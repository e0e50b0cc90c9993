#include "link/StateEngine.h"

namespace marrowick {

const char* ForceStateCaption(int index)
{
    static const char* const captions[] = {"SendVersion", "Send Version", "RX Config", "Rest",  "Play", "Upload",
                                           "Download",    "Stream",       "Erase",     "Teach", "Merge"};
    if (index < 0 || index > 10)
        return "";
    return captions[index];
}

} // namespace marrowick
