#include "projects/NewProject.h"

#include "core/Session.h"

namespace marrowick {

// Placeholder until project folders are built: never creates one.
bool NewProject(Session& session)
{
    (void)session;
    return false;
}

}  // namespace marrowick
