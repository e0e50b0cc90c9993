#include "firmware/FirmwareFeature.h"

#include "core/Session.h"

namespace marrowick {

FirmwareFeature::FirmwareFeature(Session& session) : m_session(session) { (void)m_session; }

}  // namespace marrowick
