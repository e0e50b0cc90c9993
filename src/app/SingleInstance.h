#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <functional>
#include <memory>

namespace marrowick {

// One running copy per user. The first start holds a lock file and listens on
// a local socket; a later start finds the lock taken, tells the running copy to
// come to the front and ends. A lock or socket left by a crashed copy is stale
// (its process is gone) and is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString key = UserKey());
    ~SingleInstance() override;

    // True: this is the running copy now. False: a running copy was asked to
    // come to the front, and this one should end.
    bool Claim();

    // A later start asked this copy to come to the front.
    std::function<void()> onActivate;

    // "marrowick-" and the user's name: one key per user on a shared machine.
    static QString UserKey();

private:
    bool HandOver();
    void Listen();

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace marrowick
