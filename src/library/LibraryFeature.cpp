#include "library/LibraryFeature.h"

#include "core/Session.h"

namespace marrowick {

LibraryFeature::LibraryFeature(Session& session) : m_session(session) { (void)m_session; }

}  // namespace marrowick
