#include "qt/InterruptWatch.h"

#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <csignal>

#ifdef Q_OS_WIN
#include <thread>
#include <windows.h>
#else
#include <QSocketNotifier>
#include <cerrno>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace marrowick {
namespace {

// One watch per process: the handlers below reach it through these.
InterruptWatch* g_watch = nullptr;
std::atomic<bool> g_done{false};

#ifndef Q_OS_WIN
int g_pipe[2] = {-1, -1};
std::atomic<long long> g_lastMs{-1};

long long NowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Only what a signal handler may do: a second signal within two seconds ends
// the process at once; otherwise the signal's number goes to the event loop.
void OnSignal(int signal)
{
    const int saved = errno;
    const long long now = NowMs();
    const long long last = g_lastMs.exchange(now);
    if (last >= 0 && now - last < 2000)
        ::_exit(InterruptWatch::ExitStatus(signal));
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}
#else
std::atomic<long long> g_lastMs{-1};

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs on a thread of its own that the system starts for the console's event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT &&
        event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : 0;
    const long long now = NowMs();
    const long long last = g_lastMs.exchange(now);
    if (last >= 0 && now - last < 2000)
        ::ExitProcess(static_cast<UINT>(InterruptWatch::ExitStatus(signal)));
    if (g_watch)
        QMetaObject::invokeMethod(
            g_watch,
            [signal] {
                if (g_watch && g_watch->onInterrupt)
                    g_watch->onInterrupt(signal);
            },
            Qt::QueuedConnection);
    // A closing console ends the process when this returns: wait for the program
    // to have ended what ran, as long as the system allows (five seconds).
    if (signal == 0)
        for (int waited = 0; waited < 4500 && !g_done; waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return TRUE;
}
#endif

} // namespace

struct InterruptWatch::Impl {
#ifndef Q_OS_WIN
    std::unique_ptr<QSocketNotifier> notifier;
#endif
};

InterruptWatch::InterruptWatch(QObject* parent) : QObject(parent), m_impl(std::make_unique<Impl>())
{
    g_watch = this;
#ifndef Q_OS_WIN
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_impl->notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_impl->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(g_pipe[0], &byte, 1) == 1 && onInterrupt)
            onInterrupt(byte);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
#else
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#endif
}

InterruptWatch::~InterruptWatch()
{
#ifndef Q_OS_WIN
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    m_impl->notifier.reset();
    for (int& fd : g_pipe)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
#else
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#endif
    g_watch = nullptr;
}

void InterruptWatch::Done()
{
    g_done = true;
}

} // namespace marrowick
