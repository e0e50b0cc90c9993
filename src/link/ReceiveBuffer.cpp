#include "link/ReceiveBuffer.h"

#include <new>

namespace marrowick {

ReceiveBuffer::ReceiveBuffer(Clock& clock) : m_settle(clock.createTimer())
{
    m_settle->onTimeout = [this] { Deliver(); };
}

void ReceiveBuffer::SetThreshold(int threshold)
{
    m_threshold = threshold < 0 ? 0 : threshold;
    if (m_threshold == 0)
        m_settle->stop();
}

void ReceiveBuffer::SetSettleMs(int ms)
{
    m_settleMs = ms < 0 ? 0 : ms;
    if (m_settleMs == 0)
        m_settle->stop();
}

void ReceiveBuffer::Append(std::string_view bytes)
{
    if (bytes.empty())
        return;
    m_buffer.append(bytes);
    if (!m_delivering)
        Check();
}

std::string ReceiveBuffer::ReadAll()
{
    m_settle->stop();
    std::string all;
    all.swap(m_buffer);
    return all;
}

void ReceiveBuffer::Check()
{
    if (m_threshold <= 0 || m_buffer.size() < static_cast<std::size_t>(m_threshold))
        return;
    if (m_settleMs > 0 && m_buffer.size() < MostWhileSettling)
        m_settle->start(m_settleMs); // restarted by every arrival until the line is quiet
    else
        Deliver();
}

void ReceiveBuffer::Deliver()
{
    m_settle->stop();
    if (m_threshold <= 0 || m_buffer.size() < static_cast<std::size_t>(m_threshold))
        return;
    // A handler may send a request whose reply arrives before it returns (a fast
    // peer, an in-memory line); such bytes wait and are looked at once it is done.
    m_delivering = true;
    do {
        std::string chunk;
        chunk.swap(m_buffer);
        if (receiver != nullptr) {
            try {
                receiver->OnChunk(chunk);
            } catch (const std::bad_alloc&) {
                receiver->OnOutOfMemory();
            }
        }
    } while (m_settleMs == 0 && m_threshold > 0 && m_buffer.size() >= static_cast<std::size_t>(m_threshold));
    m_delivering = false;
    if (m_settleMs > 0 && m_threshold > 0 && m_buffer.size() >= static_cast<std::size_t>(m_threshold))
        m_settle->start(m_settleMs);
}

} // namespace marrowick
