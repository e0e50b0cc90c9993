// marrowick-sim: a simulated Marrowick controller on a pseudo-terminal.
// It prints the device path to open and answers there as the controller would,
// until it is stopped (Ctrl+C, SIGTERM) or, with a close fault, the line closes.

#include <fcntl.h>
#include <poll.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "peer/ControllerSimulator.h"

namespace {

using marrowick::ControllerSimulator;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

int Usage(const char* problem)
{
    if (problem != nullptr)
        std::cerr << "marrowick-sim: " << problem << "\n";
    std::cerr
        << "usage: marrowick-sim --model K5|R2|T7|L+ [--version 1.05] [--serial 12345678] [--link PATH]\n"
           "                     [--blank] [--pace] [--dump DIR] [--silent CHARS] [--silence-after N]\n"
           "                     [--close-after N] [--split] [--error-packet K[:N]] [--reject-record K[:N]]\n"
           "                     [--reply-delay MS] [--garbage-after N[:BYTES]] [--run-together N[:TEXT]]\n"
           "  --reply-delay MS  hold every reply MS milliseconds, as a controller that takes time to think\n"
           "  --show-length K:LENGTH     the table gives show K this length (its data stays as it is)\n"
           "  --garbage-after N[:BYTES]  BYTES of noise (default 24) right after reply N (0: at the first request)\n"
           "  --run-together N[:TEXT]    reply N and TEXT (default: the same reply again) in one write\n";
    return 2;
}

// Bytes waiting to cross the line, released at the line rate when pacing.
struct PacedQueue {
    std::deque<char> bytes;
    Clock::time_point next = Clock::now();
};

void WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

int WaitForInput(pollfd& p, std::optional<Clock::time_point> wake)
{
    std::chrono::nanoseconds wait{-1};
    if (wake)
        wait = std::max(std::chrono::nanoseconds(0),
                        std::chrono::duration_cast<std::chrono::nanoseconds>(*wake - Clock::now()));
#if defined(__linux__)
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(wait.count() % 1000000000);
    return ::ppoll(&p, 1, wake ? &ts : nullptr, nullptr);
#else
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    return ::poll(&p, 1, wake ? static_cast<int>(ms) : -1);
#endif
}

void Dump(const ControllerSimulator& sim, const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    auto save = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    const auto& state = sim.state();
    save("table.bin", sim.TableReply());
    save("library.bin", state.library);
    for (std::size_t i = 0; i < state.shows.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "show-%03zu.bin", i);
        save(name, state.shows[i].data);
    }
    std::string records;
    for (const auto& record : state.firmwareRecords) {
        records += ':';
        for (std::size_t i = 1; i < record.size(); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(record[i]));
            records += hex;
        }
        records += "\n";
    }
    save("firmware.txt", records);
    std::string summary = "requests " + sim.requests + "\n";
    summary += "firmware_complete " + std::to_string(state.firmwareComplete ? 1 : 0) + "\n";
    summary += "firmware_aborted " + std::to_string(state.firmwareAborted ? 1 : 0) + "\n";
    summary += "reset " + std::to_string(state.resetRequested ? 1 : 0) + "\n";
    summary += "library_complete " + std::to_string(state.libraryComplete ? 1 : 0) + "\n";
    summary += "sector " + std::to_string(state.sectorFlag) + "\n";
    save("summary.txt", summary);
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

} // namespace

int main(int argc, char** argv)
{
    std::string model;
    std::string version = "1.05";
    std::string serial = "1A2B3C4D";
    std::string link;
    std::string dump;
    bool pace = false;
    bool blank = false;         // no shows: a controller to write shows into
    std::map<int, int> lengths; // show -> the length its table entry gives
    int replyDelayMs = 0;
    marrowick::SimFaults faults;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--model" && value(model)) {
        } else if (arg == "--version" && value(version)) {
        } else if (arg == "--serial" && value(serial)) {
        } else if (arg == "--link" && value(link)) {
        } else if (arg == "--dump" && value(dump)) {
        } else if (arg == "--reply-delay" && value(text)) {
            replyDelayMs = std::max(0, std::atoi(text.c_str()));
        } else if (arg == "--blank") {
            blank = true;
        } else if (arg == "--pace") {
            pace = true;
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
        } else if (arg == "--show-length" && value(text)) {
            int show = 0, length = 0;
            if (text.find(':') == std::string::npos || !ParseCount(text, show, length) || show < 0 || show > 10)
                return Usage("--show-length wants K:LENGTH with K from 0 to 10");
            lengths[show] = length;
        } else if (arg == "--help" || arg == "-h") {
            Usage(nullptr);
            return 0;
        } else {
            return Usage(("unknown or incomplete argument " + arg).c_str());
        }
    }
    if (model != "K5" && model != "R2" && model != "T7" && model != "L+")
        return Usage("--model must be K5, R2, T7 or L+");

    auto state = marrowick::SampleControllerState(model);
    if (blank) {
        state.shows = {};
        state.showCount = 0;
        state.ambient = false;
        state.lockout = false;
        state.image.assign(304, '\0');
    }
    for (const auto& [show, length] : lengths)
        state.shows[static_cast<std::size_t>(show)].length = static_cast<std::uint32_t>(length);
    state.version = version;
    state.serial = serial;
    ControllerSimulator sim(state);
    sim.faults() = faults;

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

    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(name, link, ec);
        if (ec) {
            std::cerr << "marrowick-sim: cannot create " << link << ": " << ec.message() << "\n";
            return 1;
        }
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::cout << (link.empty() ? name : link) << std::endl;
    std::cerr << "marrowick-sim: " << model << " controller, firmware " << version << ", on " << name
              << (pace ? ", at 960 bytes/s" : "") << "\n";

    // One character of 10 bits at 9600 baud; a byte counts as arrived once its last bit has.
    const auto charTime = std::chrono::nanoseconds(1000000000LL / 960);
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
            WriteAll(master, bytes.data(), bytes.size());
    };
    // Replies held back by --reply-delay, in order, with the time each may go.
    std::deque<std::pair<Clock::time_point, std::string>> held;
    sim.send = [&](std::string_view bytes) {
        if (replyDelayMs > 0)
            held.emplace_back(Clock::now() + std::chrono::milliseconds(replyDelayMs), std::string(bytes));
        else
            transmit(bytes);
    };
    sim.closeLine = [&] { closed = true; };

    while (g_stop == 0 && !closed) {
        // Sleep until the next byte is due on the line (or a held reply may go),
        // or until the program writes; a paced line needs better than millisecond timing.
        std::optional<Clock::time_point> wake;
        if (pace && !incoming.bytes.empty())
            wake = incoming.next;
        if (pace && !outgoing.bytes.empty())
            wake = wake ? std::min(*wake, outgoing.next) : outgoing.next;
        if (!held.empty())
            wake = wake ? std::min(*wake, held.front().first) : held.front().first;
        pollfd p{master, POLLIN, 0};
        const int ready = WaitForInput(p, wake);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (p.revents & POLLIN) != 0) {
            char buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                if (pace) {
                    if (incoming.bytes.empty())
                        incoming.next = std::max(incoming.next, Clock::now() + charTime);
                    incoming.bytes.insert(incoming.bytes.end(), buffer, buffer + got);
                } else {
                    sim.Receive(std::string_view(buffer, static_cast<std::size_t>(got)));
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
            if (!in.empty())
                sim.Receive(in);
            std::string out;
            while (!outgoing.bytes.empty() && outgoing.next <= t) {
                out += outgoing.bytes.front();
                outgoing.bytes.pop_front();
                outgoing.next += charTime;
            }
            if (!out.empty())
                WriteAll(master, out.data(), out.size());
        }
    }

    // What the program wrote before it went away still counts: take in what is
    // on its way, so the dump holds everything that reached the line.
    if (g_stop != 0) {
        sim.send = [](std::string_view) {};
        std::string rest(incoming.bytes.begin(), incoming.bytes.end());
        char buffer[4096];
        for (ssize_t got = 0; (got = ::read(master, buffer, sizeof buffer)) > 0;)
            rest.append(buffer, static_cast<std::size_t>(got));
        if (!rest.empty())
            sim.Receive(rest);
    }
    if (!dump.empty())
        Dump(sim, dump);
    ::close(slave);
    ::close(master);
    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
    }
    return 0;
}
