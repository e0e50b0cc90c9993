// The single instance's folder and socket checks are Unix ones (owners, modes,
// peer credentials); on Windows the pipe's own access rules take their place.
#ifndef _WIN32
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "GuiSupport.h"
#include "app/SingleInstance.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

// Someone else's user id, for folders that root can give away.
constexpr uid_t OtherUser = 65534;

// A runtime folder and a temporary folder of the test's own, so that nothing
// of the real user's is touched.
struct Places {
    Places()
    {
        fs::create_directories(temp.path / "runtime");
        fs::create_directories(temp.path / "tmp");
        fs::permissions(temp.path / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }
    InstancePlaces WithRuntime() const { return {Q(temp.path / "runtime"), Q(temp.path / "tmp")}; }
    InstancePlaces WithoutRuntime() const { return {QString(), Q(temp.path / "tmp")}; }
    // The folder a copy makes for itself when there is no usable runtime folder.
    fs::path Own() const { return temp.path / "tmp" / ("marrowick-" + std::to_string(::geteuid())); }
    static QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

    TempFolder temp{"marrowick-si"};
};

// A copy that is already running, on a thread of its own as if in its own
// process, so that it answers while a later start waits for it.
class RunningCopy {
public:
    RunningCopy(const QString& key, const InstancePlaces& places)
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                m_instance = std::make_unique<SingleInstance>(key, places);
                m_instance->onActivate = [this] { ++activations; };
                claimed = m_instance->Claim();
                problem = m_instance->Problem();
            },
            Qt::BlockingQueuedConnection);
    }
    ~RunningCopy()
    {
        QThread* home = QCoreApplication::instance()->thread();
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                m_instance.reset();
                m_context.moveToThread(home);
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    bool claimed = false;
    QString problem;
    std::atomic<int> activations{0};

private:
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<SingleInstance> m_instance;
};

TEST(SingleInstance, ALaterStartHandsOverToTheRunningOne)
{
    const Places places;
    // The user's runtime folder when there is one, else a private folder of its own.
    for (const auto& [where, folder] : {std::pair{places.WithRuntime(), places.temp.path / "runtime"},
                                        std::pair{places.WithoutRuntime(), places.Own()}}) {
        SCOPED_TRACE(folder);
        RunningCopy running(QStringLiteral("handover"), where);
        ASSERT_TRUE(running.claimed);
        EXPECT_TRUE(running.problem.isEmpty()) << running.problem.toStdString();
        EXPECT_TRUE(fs::exists(folder / "handover.lock"));
        EXPECT_TRUE(fs::is_socket(folder / "handover.socket"));
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);

        SingleInstance later(QStringLiteral("handover"), where);
        EXPECT_FALSE(later.Claim()) << later.Problem().toStdString();
        EXPECT_TRUE(WaitFor([&] { return running.activations == 1; }));
    }
    EXPECT_FALSE(fs::exists(places.temp.path / "tmp" / "handover.lock")) << "nothing loose in the temporary folder";
}

TEST(SingleInstance, ALockLeftByACrashedCopyDoesNotBlockTheNextStart)
{
    const Places places;
    QString why;
    const QString folder = PrivateInstanceFolder(places.WithRuntime(), &why);
    ASSERT_FALSE(folder.isEmpty()) << why.toStdString();
    // A copy of this program takes the lock and ends without clean-up, as in a crash.
    const QString lock = QDir(folder).filePath(QStringLiteral("crash.lock"));
    ASSERT_EQ(
        QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--take-lock-and-crash"), lock}), 0);
    ASSERT_TRUE(QFile::exists(lock));

    RunningCopy next(QStringLiteral("crash"), places.WithRuntime());
    EXPECT_TRUE(next.claimed);
    EXPECT_TRUE(next.problem.isEmpty()) << next.problem.toStdString();
    SingleInstance another(QStringLiteral("crash"), places.WithRuntime());
    EXPECT_FALSE(another.Claim()) << "and the new copy is the one later starts find";
}

TEST(SingleInstance, ARunningCopyThatDoesNotAnswerDoesNotBlockTheStart)
{
    const Places places;
    // Holding the lock and listening, but busy: on this thread it cannot answer
    // while the later start waits.
    SingleInstance hung(QStringLiteral("hung"), places.WithRuntime());
    ASSERT_TRUE(hung.Claim());
    SingleInstance later(QStringLiteral("hung"), places.WithRuntime());
    later.answerTimeoutMs = 100;
    EXPECT_TRUE(later.Claim());
    EXPECT_EQ(later.Problem(), QStringLiteral("The running copy did not answer within 100 ms; starting another copy"));

    // Holding the lock but not listening at all (still starting, or stopped).
    const fs::path socket = places.temp.path / "runtime" / "hung.socket";
    ASSERT_TRUE(fs::exists(socket));
    fs::remove(socket);
    SingleInstance again(QStringLiteral("hung"), places.WithRuntime());
    again.answerTimeoutMs = 100;
    EXPECT_TRUE(again.Claim());
    EXPECT_TRUE(again.Problem().startsWith(QStringLiteral("The running copy did not answer")));
}

// A listening socket of another user's at `path`, answering as a running copy
// would; the process ends when the test kills it.
pid_t OtherUsersListener(const fs::path& openFolder, const fs::path& path)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        ::close(ready[0]);
        if (::setgid(OtherUser) != 0 || ::setuid(OtherUser) != 0)
            _exit(1);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string where = (openFolder / "listener").string();
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", where.c_str());
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(server, 4) != 0)
            _exit(1);
        (void)::write(ready[1], "y", 1);
        for (int client; (client = ::accept(server, nullptr, nullptr)) >= 0; ::close(client))
            (void)::write(client, "activated\n", 10);
        _exit(0);
    }
    ::close(ready[1]);
    char got = 0;
    const bool listening = ::read(ready[0], &got, 1) == 1;
    ::close(ready[0]);
    if (!listening || child < 0) {
        if (child > 0)
            ::waitpid(child, nullptr, 0);
        return -1;
    }
    // Root moves the socket into our private folder, as if it had been planted there.
    fs::rename(openFolder / "listener", path);
    return child;
}

// Someone else's folder or socket where a copy would look for the running one:
// it is not trusted, the start goes on as an ordinary copy and says why.
TEST(SingleInstance, FoldersAndSocketsOfOthersAreNotTrusted)
{
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* name;
        bool needsRoot;
        // Plants what the case is about; the running copy there answers.
        std::function<void(const Places&)> plant;
        bool withRuntime;
        const char* problem; // empty: starts with no problem, its own folder used
    };
    const std::vector<Case> cases = {
        {"runtime folder of another user", true,
         [](const Places& p) { ::chown((p.temp.path / "runtime").c_str(), OtherUser, OtherUser); }, true, ""},
        {"runtime folder open to others", false,
         [](const Places& p) { fs::permissions(p.temp.path / "runtime", fs::perms::all, fs::perm_options::replace); },
         true, ""},
        {"own folder made by another user", true,
         [](const Places& p) { ::chown(p.Own().c_str(), OtherUser, OtherUser); }, false, "belongs to another user"},
        {"own folder open to the group", false,
         [](const Places& p) { fs::permissions(p.Own(), fs::perms(0770), fs::perm_options::replace); }, false,
         "is open to other users (mode 0770)"},
        {"own folder a link", false,
         [](const Places& p) {
             fs::rename(p.Own(), p.temp.path / "elsewhere");
             fs::create_directory_symlink(p.temp.path / "elsewhere", p.Own());
         },
         false, "is not a folder"},
    };
    std::string skipped;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !root) {
            skipped += std::string(skipped.empty() ? "" : ", ") + c.name;
            continue;
        }
        const Places places;
        const InstancePlaces where = c.withRuntime ? places.WithRuntime() : places.WithoutRuntime();
        // A copy that would answer is running there before the folder becomes someone else's.
        RunningCopy planted(QStringLiteral("planted"), where);
        ASSERT_TRUE(planted.claimed);
        c.plant(places);

        SingleInstance later(QStringLiteral("planted"), where);
        EXPECT_TRUE(later.Claim()) << "a planted folder must not end the start";
        EXPECT_EQ(planted.activations, 0);
        if (*c.problem) {
            EXPECT_TRUE(later.Problem().startsWith(QStringLiteral("Not looking for a running copy: ")));
            EXPECT_TRUE(later.Problem().contains(QLatin1String(c.problem))) << later.Problem().toStdString();
        } else {
            EXPECT_TRUE(later.Problem().isEmpty()) << later.Problem().toStdString();
            EXPECT_TRUE(fs::exists(places.Own() / "planted.lock")) << "its own private folder is used instead";
        }
    }

    if (!skipped.empty())
        GTEST_SKIP() << "only root can give a folder to another user; not tried: " << skipped;
}

// A socket in our own folder that another user listens on is not handed over to.
TEST(SingleInstance, ACopyOfAnotherUserIsNotHandedOver)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "switching to another user needs root";
    const Places places;
    fs::create_directories(places.temp.path / "open");
    fs::permissions(places.temp.path / "open", fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    QString why;
    const QString folder = PrivateInstanceFolder(places.WithRuntime(), &why);
    QLockFile held(QDir(folder).filePath(QStringLiteral("peer.lock")));
    ASSERT_TRUE(held.tryLock(0));
    const pid_t listener =
        OtherUsersListener(places.temp.path / "open", fs::path(folder.toStdString()) / "peer.socket");
    if (listener < 0)
        GTEST_SKIP() << "cannot switch to user " << OtherUser;
    SingleInstance later(QStringLiteral("peer"), places.WithRuntime());
    EXPECT_TRUE(later.Claim());
    EXPECT_TRUE(later.Problem().contains(QStringLiteral("belongs to another user (uid 65534)")))
        << later.Problem().toStdString();
    ::kill(listener, SIGKILL);
    ::waitpid(listener, nullptr, 0);
}

} // namespace
} // namespace marrowick::testing
#endif
