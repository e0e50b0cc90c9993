#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h.
#include <sddl.h>
#include <vector>
#endif

namespace marrowick {
namespace {

constexpr char ActivateMessage[] = "activate\n";
constexpr char ActivatedAnswer[] = "activated\n";
// Between two tries to reach a copy that holds the lock but may not listen yet.
constexpr int RetryPauseMs = 50;

QString Duration(int ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

#ifdef Q_OS_UNIX
QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Empty when `folder` is a folder (not a link to one) of this user's that no one
// else may enter; otherwise why it is not.
QString WhyNotPrivate(const QString& folder)
{
    struct stat facts {};
    if (::lstat(QFile::encodeName(folder).constData(), &facts) != 0)
        return folder + QStringLiteral(": ") + SystemError();
    if (!S_ISDIR(facts.st_mode))
        return folder + QStringLiteral(" is not a folder");
    if (facts.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(folder).arg(facts.st_uid);
    if ((facts.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(folder)
            .arg(facts.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}
#endif

#ifdef Q_OS_WIN
// The user (the text of the SID) that runs process `pid`; empty when it cannot be told.
QString UserOfProcess(DWORD pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    QString user;
    HANDLE token = nullptr;
    if (::OpenProcessToken(process, TOKEN_QUERY, &token)) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> facts(size);
        LPWSTR text = nullptr;
        if (size != 0 && ::GetTokenInformation(token, TokenUser, facts.data(), size, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(facts.data())->User.Sid, &text)) {
            user = QString::fromWCharArray(text);
            ::LocalFree(text);
        }
        ::CloseHandle(token);
    }
    ::CloseHandle(process);
    return user;
}
#endif

} // namespace

InstancePlaces InstancePlaces::FromEnvironment()
{
    return {qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath()};
}

QString PrivateInstanceFolder(const InstancePlaces& places, QString* problem)
{
#ifdef Q_OS_UNIX
    QString why;
    if (!places.runtimeFolder.isEmpty()) {
        why = WhyNotPrivate(places.runtimeFolder);
        if (why.isEmpty())
            return places.runtimeFolder;
        why += QStringLiteral("; ");
    }
    // Made private from the start; one that already exists must prove to be
    // ours and private, since anyone may create a name in the temporary folder.
    QString own = QDir(places.temporaryFolder).filePath(QStringLiteral("marrowick-%1").arg(::geteuid()));
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST)
        why += own + QStringLiteral(": ") + SystemError();
    else if (const QString ownWhy = WhyNotPrivate(own); !ownWhy.isEmpty())
        why += ownWhy;
    else
        return own;
    if (problem)
        *problem = why;
    return {};
#else
    // The temporary folder is the user's own here, and the pipe admits only the user.
    (void)problem;
    return places.temporaryFolder;
#endif
}

SingleInstance::SingleInstance(QString key, InstancePlaces places) : m_key(std::move(key)), m_places(std::move(places))
{
}

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
    QString why;
    const QString folder = PrivateInstanceFolder(m_places, &why);
    if (folder.isEmpty()) {
        m_problem = QStringLiteral("Not looking for a running copy: ") + why;
        return true;
    }
#ifdef Q_OS_UNIX
    m_socketName = QDir(folder).filePath(m_key + QStringLiteral(".socket"));
#else
    m_socketName = m_key;
#endif
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(m_key + QStringLiteral(".lock")));
    // A running copy may run for days; only a lock whose process is gone is stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        Listen();
        return true;
    }
    return !HandOver();
}

bool SingleInstance::HandOver()
{
    const QDeadlineTimer deadline(answerTimeoutMs);
    auto remaining = [&] { return static_cast<int>(deadline.remainingTime()); };
    const QString notAnswered = QStringLiteral("The running copy did not answer within %1; starting another copy")
                                    .arg(Duration(answerTimeoutMs));
    // The running copy may have taken the lock a moment before it listens.
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(remaining()))
            break;
        socket.abort();
        if (deadline.hasExpired()) {
            m_problem = notAnswered;
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(std::min(RetryPauseMs, remaining())));
    }
#ifdef Q_OS_LINUX
    // The folder is ours alone, so only our own copy can listen there; the peer's
    // user is checked all the same before it is asked for anything.
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
        peer.uid != ::geteuid()) {
        m_problem = QStringLiteral("The copy listening at %1 belongs to another user (uid %2); starting another copy")
                        .arg(m_socketName)
                        .arg(peer.uid);
        return false;
    }
#elif defined(Q_OS_WIN)
    // Pipe names are one namespace for every user of the machine, so another
    // user's program may have taken this one first: only a copy run by this
    // user is asked.
    ULONG server = 0;
    const auto pipe = reinterpret_cast<HANDLE>(socket.socketDescriptor());
    const QString own = UserOfProcess(::GetCurrentProcessId());
    const QString theirs = ::GetNamedPipeServerProcessId(pipe, &server) ? UserOfProcess(server) : QString();
    if (own.isEmpty() || theirs != own) {
        m_problem = QStringLiteral("The copy listening at %1 belongs to another user (%2); starting another copy")
                        .arg(m_socketName, theirs.isEmpty() ? QStringLiteral("who could not be told") : theirs);
        return false;
    }
#endif
    socket.write(ActivateMessage);
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(remaining()))
        answer += socket.readAll();
    answer += socket.readAll();
    if (answer == ActivatedAnswer)
        return true;
    m_problem = notAnswered;
    return false;
}

void SingleInstance::Listen()
{
    // A socket file left by a crashed copy would make listen() fail; in our
    // private folder it can only be our own.
    QLocalServer::removeServer(m_socketName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketName)) {
        m_problem = QStringLiteral("Later starts cannot reach this copy: cannot listen on %1: %2")
                        .arg(m_socketName, m_server.errorString());
        return;
    }
    // Any connection is a later start asking for the window; it hears that it was heard.
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(ActivatedAnswer);
            socket->disconnectFromServer();
            if (onActivate)
                onActivate();
        }
    });
}

} // namespace marrowick
