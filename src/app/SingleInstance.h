#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <functional>
#include <memory>

namespace marrowick {

// Where the lock and the socket of the single-instance hand-over may live.
struct InstancePlaces {
    // The user's runtime folder (XDG_RUNTIME_DIR); used only when it is a folder
    // of this user's that no one else may enter. May be empty.
    QString runtimeFolder;
    // Otherwise a folder "marrowick-" and the user id is made here, private to
    // the user, and used only when it turns out to be exactly that.
    QString temporaryFolder;

    static InstancePlaces FromEnvironment();
};

// The private folder for the lock and the socket: the runtime folder when it
// is this user's alone, else the folder made in the temporary folder. Empty,
// with the reason in `problem`, when neither can be trusted.
QString PrivateInstanceFolder(const InstancePlaces& places, QString* problem);

// One running copy per user. The first start holds a lock file and listens on
// a local socket, both in a folder only this user can reach; a later start
// finds the lock taken, asks the running copy to come to the front, waits for
// its answer and ends. A lock or socket left by a crashed copy is stale (its
// process is gone) and is taken over. Whatever goes wrong here (a folder that
// someone else planted, a running copy that does not answer) never keeps the
// program from starting: it starts as an ordinary copy and Problem() says why.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString key = UserKey(), InstancePlaces places = InstancePlaces::FromEnvironment());
    ~SingleInstance() override;

    // True: start (this is the running copy now, or the hand-over failed and
    // Problem() says so). False: a running copy came to the front; end.
    bool Claim();

    // Why this copy starts without the hand-over working; empty when all is well.
    const QString& Problem() const { return m_problem; }

    // How long a later start waits for the running copy's answer.
    int answerTimeoutMs = 2000;

    // A later start asked this copy to come to the front.
    std::function<void()> onActivate;

    // "marrowick-" and the user's name: one key per user on a shared machine.
    static QString UserKey();

private:
    bool HandOver();
    void Listen();

    QString m_key;
    InstancePlaces m_places;
    QString m_socketName;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace marrowick
