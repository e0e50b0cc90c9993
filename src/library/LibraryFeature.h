#pragma once

namespace marrowick {

class Session;

class LibraryFeature {
public:
    explicit LibraryFeature(Session& session);

private:
    Session& m_session;
};

}  // namespace marrowick
