#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace marrowick {

// A small multicast callback. Slots may connect or disconnect while it is raised.
template <typename... Args> class Signal {
public:
    using Slot = std::function<void(Args...)>;

    int connect(Slot slot)
    {
        m_slots.emplace_back(++m_lastId, std::move(slot));
        return m_lastId;
    }
    void disconnect(int id)
    {
        std::erase_if(m_slots, [id](const auto& entry) { return entry.first == id; });
    }
    void operator()(Args... args) const
    {
        // A copy, as slots may come and go while it is raised ("slots" itself is a Qt keyword).
        const auto connected = m_slots;
        for (const auto& entry : connected)
            entry.second(args...);
    }

private:
    std::vector<std::pair<int, Slot>> m_slots;
    int m_lastId = 0;
};

} // namespace marrowick
