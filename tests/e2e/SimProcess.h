#pragma once

// Runs marrowick-sim and marrowick-cli as real processes, for the end-to-end
// tests and the benchmarks.

#include <fcntl.h>
#include <poll.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#ifndef MARROWICK_SIM
#define MARROWICK_SIM "marrowick-sim"
#endif
#ifndef MARROWICK_CLI
#define MARROWICK_CLI "marrowick-cli"
#endif

namespace marrowick::e2e {

struct RunResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
    double cpuSeconds = 0;  // user and system time the program used
    double wallSeconds = 0; // from start to exit
};

// In a child after fork: becomes the program, or ends the child with status 127.
[[noreturn]] inline void ExecOrExit(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Where a program's stderr goes: a pipe, as when a script captures it, or a
// terminal (raw, so its bytes arrive as written).
enum class Stderr { Captured, Terminal };

// Runs a program to its end, collecting stdout and stderr (with a time limit);
// with `signal`, sends it that signal once `signalAfterMs` have passed.
inline RunResult Run(const std::vector<std::string>& argv, int limitMs = 60000, int signal = 0, int signalAfterMs = 0,
                     Stderr stderrTo = Stderr::Captured)
{
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0)
        return {};
    if (stderrTo == Stderr::Terminal) {
        termios raw{};
        if (::openpty(&errPipe[0], &errPipe[1], nullptr, nullptr, nullptr) != 0 || ::tcgetattr(errPipe[1], &raw) != 0)
            return {};
        ::cfmakeraw(&raw);
        ::tcsetattr(errPipe[1], TCSANOW, &raw);
    } else if (::pipe(errPipe) != 0) {
        return {};
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        ExecOrExit(argv);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    RunResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    bool signalled = signal == 0;
    const auto elapsedMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
            .count();
    };
    while (open > 0 && elapsedMs() < limitMs) {
        if (!signalled && elapsedMs() >= signalAfterMs) {
            ::kill(pid, signal);
            signalled = true;
        }
        if (::poll(fds, 2, 50) == 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
    if (open > 0)
        ::kill(pid, SIGKILL);
    for (auto& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// A marrowick-sim process; its pseudo-terminal path is known once it started.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args, const std::string& program = MARROWICK_SIM)
    {
        int outPipe[2];
        if (::pipe(outPipe) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(outPipe[1], 1);
            ::close(outPipe[0]);
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 2);
            args.insert(args.begin(), program);
            ExecOrExit(args);
        }
        ::close(outPipe[1]);
        // The first line of stdout is the device path. The pipe stays open:
        // its end tells when the simulator has gone.
        m_out = outPipe[0];
        std::string line;
        pollfd p{m_out, POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0) {
            char c = 0;
            if (::read(m_out, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        m_path = line;
    }
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& path() const { return m_path; }
    pid_t pid() const { return m_pid; }

    // Stops it with `signal` (it writes its --dump then) and waits for it, or
    // with signal 0 waits for it to end by itself. One that has not ended
    // within limitMs is killed. The exit status, or -1 when it did not exit
    // normally (killed, or stopped before).
    int Stop(int signal = SIGTERM, int limitMs = 20000)
    {
        if (m_pid <= 0)
            return -1;
        if (signal != 0)
            ::kill(m_pid, signal);
        const auto asked = std::chrono::steady_clock::now();
        bool gone = false;
        pollfd p{m_out, POLLIN, 0};
        while (m_out >= 0 && !gone) {
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked).count();
            if (waited >= limitMs || ::poll(&p, 1, static_cast<int>(limitMs - waited)) <= 0)
                break;
            char buffer[256];
            gone = ::read(m_out, buffer, sizeof buffer) <= 0; // its end of the pipe closed as it exited
        }
        if (!gone)
            ::kill(m_pid, SIGKILL);
        int status = 0;
        struct rusage usage {};
        if (::wait4(m_pid, &status, 0, &usage) != m_pid || !gone)
            status = -1;
        stopSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
        cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        m_pid = -1;
        if (m_out >= 0)
            ::close(m_out);
        m_out = -1;
        return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    double cpuSeconds = 0;  // user and system time it used, once stopped
    double stopSeconds = 0; // from the signal (or the start of the wait) to its end

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_path;
};

// A pseudo-terminal whose far end (master) the test holds; either end closed
// early is set to -1.
struct Pty {
    Pty() { ok = ::openpty(&master, &slave, path, nullptr, nullptr) == 0; }
    ~Pty()
    {
        for (const int fd : {slave, master})
            if (fd >= 0)
                ::close(fd);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    bool ok = false;
    int master = -1;
    int slave = -1;
    char path[256] = {0};
};

inline RunResult RunCli(std::vector<std::string> args, int limitMs = 120000, int signal = 0, int signalAfterMs = 0,
                        Stderr stderrTo = Stderr::Captured)
{
    args.insert(args.begin(), MARROWICK_CLI);
    return Run(args, limitMs, signal, signalAfterMs, stderrTo);
}

} // namespace marrowick::e2e
