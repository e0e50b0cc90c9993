#include "shows/ShowsFeature.h"

#include "core/Session.h"

namespace marrowick {

ShowsFeature::ShowsFeature(Session& session) : m_session(session) { (void)m_session; }

}  // namespace marrowick
