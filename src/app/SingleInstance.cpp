#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

namespace marrowick {
namespace {

constexpr char ActivateMessage[] = "activate\n";

} // namespace

SingleInstance::SingleInstance(QString key) : m_key(std::move(key)) {}

SingleInstance::~SingleInstance()
{
    m_server.close();
}

QString SingleInstance::UserKey()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QDir::home().dirName();
    QString key = QStringLiteral("marrowick-") + user;
    key.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return key;
}

bool SingleInstance::Claim()
{
    m_lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_key + QStringLiteral(".lock")));
    // A running copy may run for days; only a lock whose process is gone is stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        Listen();
        return true;
    }
    if (HandOver())
        return false;
    // The lock holder does not answer (hung, or still starting): run as an
    // ordinary copy rather than not at all.
    return true;
}

bool SingleInstance::HandOver()
{
    // The running copy may have taken the lock a moment before it listens.
    for (int attempt = 0; attempt < 10; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_key);
        if (socket.waitForConnected(300)) {
            socket.write(ActivateMessage);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::Listen()
{
    // A socket file left by a crashed copy would make listen() fail.
    QLocalServer::removeServer(m_key);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_key)) {
        qWarning("Single instance: cannot listen on %s: %s", qPrintable(m_key), qPrintable(m_server.errorString()));
        return;
    }
    // Any connection is a later start asking for the window; what it says does not matter.
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            if (onActivate)
                onActivate();
        }
    });
}

} // namespace marrowick
