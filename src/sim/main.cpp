// marrowick-sim: a simulated Marrowick controller on a pseudo-terminal.
// It prints the device path to open and answers there as the controller would,
// until it is stopped (Ctrl+C, SIGTERM, SIGHUP) or, with a close fault, the line closes.
//
// Exit status: 0 when stopped or when the line closed; 2 when it refused to
// start (bad arguments, a --link path it may not replace, a --dump folder it
// cannot write); 1 when something failed while it ran (the line, or writing
// the --dump at the end).

#include <fcntl.h>
#include <poll.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "base/Files.h"
#include "peer/ControllerSimulator.h"
#include "peer/StoredFiles.h"

namespace {

namespace fs = std::filesystem;
using marrowick::ControllerSimulator;
using Clock = std::chrono::steady_clock;

// A stop request: the flag, and a byte in a pipe that every wait watches, so a
// signal ends any wait however it arrives (restarted system calls or not).
volatile std::sig_atomic_t g_stop = 0;
int g_stopPipe[2] = {-1, -1};

void OnSignal(int)
{
    const int saved = errno;
    g_stop = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

bool InstallStopHandlers()
{
    if (::pipe(g_stopPipe) != 0)
        return false;
    for (int fd : g_stopPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void PrintUsage(std::ostream& out)
{
    out << "Usage: marrowick-sim --model K5|R2|T7|L+ [OPTION]...\n"
           "A Marrowick show controller of that model, simulated on a pseudo-terminal: prints\n"
           "the device path to open and answers as the controller would until stopped.\n"
           "\n"
           "  --model MODEL        K5, R2, T7 or L+\n"
           "  --version VERSION    the firmware version it reports (default 1.05)\n"
           "  --serial NUMBER      the serial number an R2 or L+ reports (default 1A2B3C4D)\n"
           "  --link PATH          make PATH a symbolic link to the device (an existing link is\n"
           "                       replaced, anything else at PATH is refused); removed again\n"
           "                       when the simulator ends\n"
           "  --pace               hold both directions to the line rate of 9600 baud\n"
           "  --blank              no shows stored\n"
           "  --normally-closed    its trigger input is wired normally closed\n"
           "  --dump DIR           write what the controller holds into DIR when it ends\n"
           "  --help               this text\n"
           "\n"
           "Faults for testing:\n"
           "  --silent CHARS       never answer these requests\n"
           "  --silence-after N    answer nothing after reply N\n"
           "  --close-after N      close the line after N replies\n"
           "  --split              send every reply in two writes\n"
           "  --error-packet K[:N]  answer clip packet K with \"Error!\" (N times, default 1)\n"
           "  --reject-record K[:N]  answer firmware record K with \"7\" (N times; -1 is the \"F\")\n"
           "  --reply-delay MS     hold every reply MS milliseconds, as a controller that takes\n"
           "                       time to think\n"
           "  --garbage-after N[:BYTES]  BYTES of noise (default 24) right after reply N (0: at\n"
           "                       the first request)\n"
           "  --run-together N[:TEXT]  reply N and TEXT (default: the same reply again) in one\n"
           "                       write\n"
           "  --show-length K:LENGTH  the table gives show K this length (its data stays as it is)\n"
           "  --corrupt-stored SHOW:OFFSET  after each show write, change that byte of the show's\n"
           "                       stored data\n";
}

int Usage(const std::string& problem)
{
    if (!problem.empty())
        std::cerr << "marrowick-sim: " << problem << "\n";
    PrintUsage(std::cerr);
    return 2;
}

// Bytes waiting to cross the line, released at the line rate when pacing.
struct PacedQueue {
    std::deque<char> bytes;
    Clock::time_point next = Clock::now();
};

// The controller's side of the pseudo-terminal. Writes never block: what the
// device does not take now waits here until the main loop sees it writable.
class Line {
public:
    explicit Line(int master) : m_master(master) {}

    void Write(std::string_view bytes)
    {
        if (m_waiting.empty())
            bytes.remove_prefix(WriteNow(bytes));
        m_waiting.append(bytes);
    }
    void Flush() { m_waiting.erase(0, WriteNow(m_waiting)); }
    bool Waiting() const { return !m_waiting.empty(); }
    void Drop() { m_waiting.clear(); }
    // Set once writing failed for another reason than a full line.
    const std::string& failure() const { return m_failure; }

private:
    std::size_t WriteNow(std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size() && m_failure.empty()) {
            const ssize_t written = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (written >= 0)
                done += static_cast<std::size_t>(written);
            else if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            else if (errno != EINTR)
                m_failure = std::string("writing to the line: ") + std::strerror(errno);
        }
        return done;
    }

    int m_master;
    std::string m_waiting;
    std::string m_failure;
};

// Waits until the line or the stop pipe has something, or until `wake`.
int Wait(pollfd* fds, nfds_t count, std::optional<Clock::time_point> wake)
{
    std::chrono::nanoseconds wait{-1};
    if (wake)
        wait = std::max(std::chrono::nanoseconds(0),
                        std::chrono::duration_cast<std::chrono::nanoseconds>(*wake - Clock::now()));
#if defined(__linux__)
    // A paced line needs better than millisecond timing.
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(wait.count() % 1000000000);
    return ::ppoll(fds, count, wake ? &ts : nullptr, nullptr);
#else
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    return ::poll(fds, count, wake ? static_cast<int>(ms) : -1);
#endif
}

std::string KindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::regular:
        return "a file";
    case fs::file_type::directory:
        return "a folder";
    case fs::file_type::fifo:
        return "a FIFO";
    case fs::file_type::socket:
        return "a socket";
    case fs::file_type::block:
    case fs::file_type::character:
        return "a device";
    default:
        return "something";
    }
}

// Why `path` cannot take the link, or nothing: only a missing name or a
// symbolic link (one left by an earlier run) may be replaced.
std::optional<std::string> LinkRefusal(const fs::path& path)
{
    std::error_code ec;
    const auto status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::symlink) {
        const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
        if (!fs::is_directory(folder, ec))
            return "cannot use --link " + path.string() + ": the folder " + folder.string() + " does not exist";
        return std::nullopt;
    }
    if (ec && status.type() == fs::file_type::none)
        return "cannot use --link " + path.string() + ": " + ec.message();
    return "--link " + path.string() + " is " + KindOf(status.type()) + ", not a symbolic link; it is left as it is";
}

// The link to the device, removed when the simulator ends however it ends,
// as long as it is still the link this run made.
class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink()
    {
        std::error_code ec;
        if (m_made && fs::is_symlink(fs::symlink_status(m_path, ec)) && fs::read_symlink(m_path, ec) == m_target)
            fs::remove(m_path, ec);
    }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    std::optional<std::string> Make(const fs::path& path, const fs::path& target)
    {
        if (auto refusal = LinkRefusal(path))
            return refusal;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(path, ec)))
            fs::remove(path, ec);
        fs::create_symlink(target, path, ec);
        if (ec)
            return "cannot create the link " + path.string() + ": " + ec.message();
        m_path = path;
        m_target = target;
        m_made = true;
        return std::nullopt;
    }

private:
    fs::path m_path;
    fs::path m_target;
    bool m_made = false;
};

// Makes sure the dump can be written at the end, before anything is served.
std::optional<std::string> PrepareDump(const fs::path& dir)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir))
        return "cannot write the --dump folder " + dir.string() + ": " +
               (ec ? ec.message() : "it is " + KindOf(fs::symlink_status(dir, ec).type()));
    const fs::path probe = dir / (".marrowick-sim-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return "cannot write into the --dump folder " + dir.string() + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return std::nullopt;
}

// What the controller holds, as files; the errors of those that could not be written.
std::vector<std::string> Dump(const ControllerSimulator& sim, const fs::path& dir,
                              std::optional<double> firmwareSeconds)
{
    std::vector<std::string> errors;
    // Each file whole or not at all, never through a link or into a FIFO.
    for (const auto& [name, bytes] : StoredFiles(sim, firmwareSeconds))
        if (std::string error; !marrowick::WriteFileAtomically(dir / name, bytes, &error))
            errors.push_back("cannot write " + (dir / name).string() + ": " + error);
    return errors;
}

bool ParseCount(const std::string& text, int& key, int& count)
{
    const auto colon = text.find(':');
    try {
        key = std::stoi(text.substr(0, colon));
        count = colon == std::string::npos ? 1 : std::stoi(text.substr(colon + 1));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

struct Options {
    std::string model;
    std::string version = "1.05";
    std::string serial = "1A2B3C4D";
    std::string link;
    std::string dump;
    bool pace = false;
    bool blank = false; // no shows: a controller to write shows into
    bool normallyClosed = false;
    std::map<int, int> lengths; // show -> the length its table entry gives
    int replyDelayMs = 0;
    marrowick::SimFaults faults;
};

// Reads the arguments into `options`; an exit status when the simulator is not to run.
std::optional<int> ParseArguments(int argc, char** argv, Options& options)
{
    auto& faults = options.faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        // Values taken as they are.
        const bool plain = (arg == "--model" && value(options.model)) ||
                           (arg == "--version" && value(options.version)) ||
                           (arg == "--serial" && value(options.serial)) || (arg == "--link" && value(options.link)) ||
                           (arg == "--dump" && value(options.dump));
        if (plain) {
            continue;
        } else if (arg == "--reply-delay" && value(text)) {
            options.replyDelayMs = std::max(0, std::atoi(text.c_str()));
        } else if (arg == "--blank") {
            options.blank = true;
        } else if (arg == "--normally-closed") {
            options.normallyClosed = true;
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--split") {
            faults.splitReplies = true;
        } else if (arg == "--silent" && value(text)) {
            faults.silentRequests = text;
        } else if (arg == "--silence-after" && value(text)) {
            faults.silenceAfterReplies = std::atoi(text.c_str());
        } else if (arg == "--close-after" && value(text)) {
            faults.closeAfterReplies = std::atoi(text.c_str());
        } else if (arg == "--error-packet" && value(text)) {
            int key = 0, count = 0;
            if (!ParseCount(text, key, count))
                return Usage("--error-packet wants K or K:N");
            faults.clipErrors[key] = count;
        } else if (arg == "--reject-record" && value(text)) {
            int key = 0, count = 0;
            if (!ParseCount(text, key, count))
                return Usage("--reject-record wants K or K:N");
            faults.firmwareRejects[key] = count;
        } else if (arg == "--garbage-after" && value(text)) {
            int after = 0, bytes = 0;
            if (!ParseCount(text, after, bytes) || after < 0 || bytes < 1)
                return Usage("--garbage-after wants N or N:BYTES");
            faults.garbageAfterReplies = after;
            faults.garbageBytes = text.find(':') == std::string::npos ? 24U : static_cast<std::size_t>(bytes);
        } else if (arg == "--run-together" && value(text)) {
            const auto colon = text.find(':');
            int at = 0;
            try {
                at = std::stoi(text.substr(0, colon));
            } catch (const std::exception&) {
                return Usage("--run-together wants N or N:TEXT");
            }
            if (at < 1)
                return Usage("--run-together wants N or N:TEXT");
            faults.runTogetherAt = at;
            faults.runTogetherWith = colon == std::string::npos ? std::string() : text.substr(colon + 1);
        } else if (arg == "--corrupt-stored" && value(text)) {
            int show = 0, offset = 0;
            if (text.find(':') == std::string::npos || !ParseCount(text, show, offset) || show < 0 || show > 10 ||
                offset < 0)
                return Usage("--corrupt-stored wants SHOW:OFFSET, SHOW 0 to 10");
            faults.corruptStoredShow = show;
            faults.corruptStoredOffset = static_cast<std::size_t>(offset);
        } else if (arg == "--show-length" && value(text)) {
            int show = 0, length = 0;
            if (text.find(':') == std::string::npos || !ParseCount(text, show, length) || show < 0 || show > 10)
                return Usage("--show-length wants K:LENGTH with K from 0 to 10");
            options.lengths[show] = length;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return 0;
        } else {
            return Usage("unknown or incomplete argument " + arg);
        }
    }
    if (options.model != "K5" && options.model != "R2" && options.model != "T7" && options.model != "L+")
        return Usage("--model must be K5, R2, T7 or L+");
    return std::nullopt;
}

// Serves the controller on the pseudo-terminal until a stop request or, with a
// close fault, until the line closes. An error text when the line failed.
std::optional<std::string> Serve(const Options& options, ControllerSimulator& sim, int master,
                                 std::optional<double>& firmwareSeconds)
{
    // One character of 10 bits at 9600 baud; a byte counts as arrived once its last bit has.
    const auto charTime = std::chrono::nanoseconds(1000000000LL / 960);
    const bool pace = options.pace;
    Line line(master);
    PacedQueue incoming;
    PacedQueue outgoing;
    bool closed = false;

    auto transmit = [&](std::string_view bytes) {
        if (pace) {
            // A reply after a quiet spell starts now; one queued behind another waits its turn.
            if (outgoing.bytes.empty())
                outgoing.next = std::max(outgoing.next, Clock::now() + charTime);
            outgoing.bytes.insert(outgoing.bytes.end(), bytes.begin(), bytes.end());
        } else
            line.Write(bytes);
    };
    // Replies held back by --reply-delay, in order, with the time each may go.
    std::deque<std::pair<Clock::time_point, std::string>> held;
    sim.send = [&](std::string_view bytes) {
        if (options.replyDelayMs > 0)
            held.emplace_back(Clock::now() + std::chrono::milliseconds(options.replyDelayMs), std::string(bytes));
        else
            transmit(bytes);
    };
    sim.closeLine = [&] { closed = true; };

    // When the last firmware download started and ended, as the controller saw it.
    std::optional<Clock::time_point> firmwareStart;
    auto receive = [&](std::string_view bytes) {
        const int starts = sim.state().firmwareStarts;
        const bool complete = sim.state().firmwareComplete;
        sim.Receive(bytes);
        const auto now = Clock::now();
        if (sim.state().firmwareStarts != starts) {
            firmwareStart = now;
            firmwareSeconds.reset();
        }
        if (sim.state().firmwareComplete && !complete && firmwareStart)
            firmwareSeconds = std::chrono::duration<double>(now - *firmwareStart).count();
    };

    std::optional<std::string> failure;
    while (g_stop == 0) {
        // After a close fault the replies already given still go out, then the line closes.
        if (closed && held.empty() && outgoing.bytes.empty() && !line.Waiting())
            break;
        // Sleep until the next byte is due on the line (or a held reply may go),
        // until the program writes, until the device takes what waits for it, or until a stop request.
        std::optional<Clock::time_point> wake;
        if (pace && !incoming.bytes.empty())
            wake = incoming.next;
        if (pace && !outgoing.bytes.empty())
            wake = wake ? std::min(*wake, outgoing.next) : outgoing.next;
        if (!held.empty())
            wake = wake ? std::min(*wake, held.front().first) : held.front().first;
        const short events = static_cast<short>((closed ? 0 : POLLIN) | (line.Waiting() ? POLLOUT : 0));
        pollfd fds[2] = {{master, events, 0}, {g_stopPipe[0], POLLIN, 0}};
        const int ready = Wait(fds, 2, wake);
        if (ready < 0 && errno != EINTR) {
            failure = std::string("waiting for the line: ") + std::strerror(errno);
            break;
        }
        if (g_stop != 0)
            break;
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            failure = "the line failed";
            break;
        }
        if (ready > 0 && (fds[0].revents & POLLOUT) != 0)
            line.Flush();
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            char buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                if (pace) {
                    if (incoming.bytes.empty())
                        incoming.next = std::max(incoming.next, Clock::now() + charTime);
                    incoming.bytes.insert(incoming.bytes.end(), buffer, buffer + got);
                } else {
                    receive(std::string_view(buffer, static_cast<std::size_t>(got)));
                }
            }
        }
        while (!held.empty() && held.front().first <= Clock::now()) {
            transmit(held.front().second);
            held.pop_front();
        }
        if (pace) {
            const auto t = Clock::now();
            // Each direction moves one character per character time.
            std::string in;
            while (!incoming.bytes.empty() && incoming.next <= t) {
                in += incoming.bytes.front();
                incoming.bytes.pop_front();
                incoming.next += charTime;
            }
            if (!in.empty() && !closed)
                receive(in);
            std::string out;
            while (!outgoing.bytes.empty() && outgoing.next <= t) {
                out += outgoing.bytes.front();
                outgoing.bytes.pop_front();
                outgoing.next += charTime;
            }
            if (!out.empty())
                line.Write(out);
        }
        if (!line.failure().empty()) {
            failure = line.failure();
            break;
        }
    }

    // What the program wrote before it went away still counts: take in what is
    // on its way, so the dump holds everything that reached the line.
    if (g_stop != 0) {
        sim.send = [](std::string_view) {};
        line.Drop();
        std::string rest(incoming.bytes.begin(), incoming.bytes.end());
        char buffer[4096];
        for (ssize_t got = 0; (got = ::read(master, buffer, sizeof buffer)) > 0;)
            rest.append(buffer, static_cast<std::size_t>(got));
        if (!rest.empty())
            receive(rest);
    }
    return failure;
}

int Run(int argc, char** argv)
{
    Options options;
    if (auto status = ParseArguments(argc, argv, options))
        return *status;
    // Before anything exists that a signal could leave behind.
    if (!InstallStopHandlers()) {
        std::perror("marrowick-sim: pipe");
        return 1;
    }
    // Refuse what cannot work before touching anything.
    if (!options.link.empty()) {
        if (auto refusal = LinkRefusal(options.link)) {
            std::cerr << "marrowick-sim: " << *refusal << "\n";
            return 2;
        }
    }
    if (!options.dump.empty()) {
        if (auto refusal = PrepareDump(options.dump)) {
            std::cerr << "marrowick-sim: " << *refusal << "\n";
            return 2;
        }
    }

    auto state = marrowick::SampleControllerState(options.model);
    if (options.blank) {
        state.shows = {};
        state.showCount = 0;
        state.ambient = false;
        state.lockout = false;
        state.image.assign(304, '\0');
    }
    for (const auto& [show, length] : options.lengths)
        state.shows[static_cast<std::size_t>(show)].length = static_cast<std::uint32_t>(length);
    state.normallyClosed = options.normallyClosed;
    state.version = options.version;
    state.serial = options.serial;
    ControllerSimulator sim(state);
    sim.faults() = options.faults;

    int master = -1;
    int slave = -1;
    char name[256] = {0};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("marrowick-sim: openpty");
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    ::tcsetattr(slave, TCSANOW, &raw);
    // Our own slave descriptor stays open, so the line does not hang up while
    // the program closes and reopens its side; we never read from it.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    int status = 0;
    {
        DeviceLink link;
        if (!options.link.empty()) {
            if (auto refusal = link.Make(options.link, name)) {
                std::cerr << "marrowick-sim: " << *refusal << "\n";
                ::close(slave);
                ::close(master);
                return 2;
            }
        }
        std::cout << (options.link.empty() ? name : options.link) << std::endl;
        std::cerr << "marrowick-sim: " << options.model << " controller, firmware " << options.version << ", on "
                  << name << (options.pace ? ", at 960 bytes/s" : "") << "\n";

        std::optional<double> firmwareSeconds;
        if (auto failure = Serve(options, sim, master, firmwareSeconds)) {
            std::cerr << "marrowick-sim: " << *failure << "\n";
            status = 1;
        }
        if (!options.dump.empty()) {
            for (const auto& error : Dump(sim, options.dump, firmwareSeconds)) {
                std::cerr << "marrowick-sim: --dump: " << error << "\n";
                status = 1;
            }
        }
        ::close(slave);
        ::close(master);
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        // Reached after the link's guard has removed it.
        std::cerr << "marrowick-sim: " << e.what() << "\n";
        return 1;
    }
}
