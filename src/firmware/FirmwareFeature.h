#pragma once

namespace marrowick {

class Session;

class FirmwareFeature {
public:
    explicit FirmwareFeature(Session& session);

private:
    Session& m_session;
};

}  // namespace marrowick
