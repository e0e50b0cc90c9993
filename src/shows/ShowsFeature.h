#pragma once

namespace marrowick {

class Session;

class ShowsFeature {
public:
    explicit ShowsFeature(Session& session);

private:
    Session& m_session;
};

}  // namespace marrowick
