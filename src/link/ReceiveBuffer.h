#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace marrowick {

// Whoever takes the chunks the buffer hands over: the running conversation.
class ChunkReceiver {
public:
    virtual void OnChunk(const std::string& chunk) = 0;
    // The computer's memory ran out while a chunk was handled.
    virtual void OnOutOfMemory() {}

protected:
    ~ChunkReceiver() = default;
};

// Gives the port the behaviour the conversations rely on: bytes collect here
// until at least `threshold` wait, and then everything waiting is handed over as
// one chunk (a receive event). Threshold 0 raises no event. With a settle time,
// the event waits until the line has been quiet that long, so a reply of unknown
// length that the operating system splits ("1.0" + "5") is still one chunk.
class ReceiveBuffer {
public:
    explicit ReceiveBuffer(Clock& clock);

    void SetThreshold(int threshold);
    int Threshold() const { return m_threshold; }
    // While the line settles, at most this many bytes wait: a peer that never
    // stops sending gets its chunk handed over at this size.
    static constexpr std::size_t MostWhileSettling = 4096;
    void SetSettleMs(int ms);
    int SettleMs() const { return m_settleMs; }

    void Append(std::string_view bytes);
    // Takes everything waiting without raising an event.
    std::string ReadAll();
    std::size_t Waiting() const { return m_buffer.size(); }

    // Takes every chunk; none: chunks are dropped.
    ChunkReceiver* receiver = nullptr;

private:
    void Check();
    void Deliver();

    std::string m_buffer;
    int m_threshold = 0;
    int m_settleMs = 0;
    bool m_delivering = false;
    std::unique_ptr<Timer> m_settle;
};

} // namespace marrowick
