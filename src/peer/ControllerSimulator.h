#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace marrowick {

// One show as the controller keeps it.
struct SimShow {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    std::uint8_t clip = 0;
    std::uint8_t volume = 0;
    std::uint8_t preDelay = 0;
    std::uint8_t postDelay = 0;
    std::uint8_t configuration = 0;
    std::array<std::uint8_t, 3> tail{0xFF, 0xFF, 0xFF}; // block bytes 13..15
    std::string data;
};

// What a simulated controller holds. Everything written to it lands here.
struct ControllerState {
    std::string model = "K5";     // the model reply; empty: no reply to "M"
    std::string version = "1.05"; // the version reply; empty: no reply to "V"
    std::string serial = "1A2B3C4D";

    // Show table and configuration.
    std::array<SimShow, 11> shows{}; // index 0 ambient, 1..10 numbered
    std::uint8_t showCount = 0;
    bool ambient = false;
    bool normallyClosed = false;
    bool lockout = false;
    std::uint8_t sectorFlag = 0;                // last K5 sector byte written
    std::string image = std::string(304, '\0'); // R2 layout: bytes the fields above do not cover

    // Audio library as received with "D": the clip table followed by the audio bytes.
    std::string library;
    int libraryClipCount = 0;
    std::uint32_t libraryPackageSize = 0;
    bool libraryComplete = false;

    // Firmware records as received (raw bytes, ":" first), accepted ones only.
    std::vector<std::string> firmwareRecords;
    bool firmwareComplete = false; // the end-of-file record arrived
    bool firmwareAborted = false;  // "x"
    bool resetRequested = false;   // "r"
    int firmwareStarts = 0;        // how many "F" were received
};

// Faults the simulator can inject.
struct SimFaults {
    std::string silentRequests;                // request characters never answered
    int silenceAfterReplies = -1;              // go quiet after this many replies (-1: never)
    int closeAfterReplies = -1;                // close the line after this many replies
    std::map<char, std::string> replyOverride; // answer a request with these bytes instead
    bool splitReplies = false;                 // every reply in two writes
    std::map<int, int> clipErrors;             // packet number (1-based) -> "Error!" count
    std::map<int, int> firmwareRejects;        // record index (-1: the "F") -> "7" count
    int garbageAfterReplies = -1;              // noise on the line right after this many replies, or at the
                                               // next request when they were sent already (-1: never)
    std::size_t garbageBytes = 24;             // how many bytes of noise
    int runTogetherAt = -1;                    // this reply (1-based) and `runTogetherWith` go out in one write
    std::string runTogetherWith;               // what follows it; empty: the same reply again
    int corruptStoredShow = -1;                // after each show write, this show's stored data (-1: none) ...
    std::size_t corruptStoredOffset = 0;       // ... has this byte (0-based) changed, when it holds that many
};

// The noise the simulator sends for `garbageAfterReplies`: the same bytes every run.
std::string SimNoise(std::size_t bytes);

// A simulated show controller of any model: the device's side of every
// conversation, byte for byte. Feed it what the host sends; it answers through
// `send` and can close the line through `closeLine`.
class ControllerSimulator {
public:
    ControllerSimulator() = default;
    explicit ControllerSimulator(ControllerState state) : m_state(std::move(state)) {}

    ControllerState& state() { return m_state; }
    const ControllerState& state() const { return m_state; }
    SimFaults& faults() { return m_faults; }

    void Receive(std::string_view bytes);

    // The table reply of "u" for the model held (163 bytes K5/T7, 304 bytes R2/L+).
    std::string TableReply() const;
    bool R2Layout() const;

    std::function<void(std::string_view)> send;
    std::function<void()> closeLine;
    // Every request character seen in idle mode, in order (for tests).
    std::string requests;
    int repliesSent = 0;

private:
    enum class Mode { Idle, ReadShows, WriteTable, WriteData, ClipCount, ClipTable, ClipSize, ClipPackets, Firmware };

    void Command(char c);
    void Reply(std::string bytes, char request);
    void ByteInMode(char c);
    void TableWritten();
    void NextWriteRequest();
    void WriteFinished();
    void ClipPacketDone();
    void FirmwareByte(char c);
    void SendNoise();

    ControllerState m_state;
    SimFaults m_faults;
    Mode m_mode = Mode::Idle;
    std::string m_collect;
    int m_readCursor = 0;
    // Show write: the chunks still expected, as (show index, size; 0 = "*").
    std::vector<std::pair<int, std::uint32_t>> m_writeChunks;
    std::size_t m_writeIndex = 0;
    // Clip transfer.
    std::uint32_t m_clipReceived = 0;
    int m_packet = 0;
    std::uint32_t m_packetSize = 0;
    // Firmware.
    int m_record = 0;
    bool m_noiseSent = false;
};

// A controller of the given model ("K5", "R2", "T7", "L+") with an ambient show
// and three numbered shows of sample data (one of them longer than a chunk).
ControllerState SampleControllerState(const std::string& model);

} // namespace marrowick
