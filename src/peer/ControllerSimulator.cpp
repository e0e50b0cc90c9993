#include "peer/ControllerSimulator.h"

#include <algorithm>

#include "firmware/EmbeddedImages.h"
#include "firmware/FirmwareCatalogue.h"
#include "firmware/FirmwareRecords.h"

namespace marrowick {
namespace {

void PutLe(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetBe(std::string_view in, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    return v;
}

std::string Block(const SimShow& s)
{
    std::string b(16, '\0');
    PutLe(b, 0, s.start);
    PutLe(b, 4, s.length);
    b[8] = static_cast<char>(s.clip);
    b[9] = static_cast<char>(s.volume);
    b[10] = static_cast<char>(s.preDelay);
    b[11] = static_cast<char>(s.postDelay);
    b[12] = static_cast<char>(s.configuration);
    for (int i = 0; i < 3; ++i)
        b[13 + static_cast<std::size_t>(i)] = static_cast<char>(s.tail[static_cast<std::size_t>(i)]);
    return b;
}

void ReadBlockBe(std::string_view in, std::size_t at, SimShow& s)
{
    s.start = GetBe(in, at);
    s.length = GetBe(in, at + 4);
    s.clip = static_cast<std::uint8_t>(in[at + 8]);
    s.volume = static_cast<std::uint8_t>(in[at + 9]);
    s.preDelay = static_cast<std::uint8_t>(in[at + 10]);
    s.postDelay = static_cast<std::uint8_t>(in[at + 11]);
    s.configuration = static_cast<std::uint8_t>(in[at + 12]);
    for (std::size_t i = 0; i < 3; ++i)
        s.tail[i] = static_cast<std::uint8_t>(in[at + 13 + i]);
}

} // namespace

bool ControllerSimulator::R2Layout() const
{
    return m_state.model == "R2" || m_state.model == "L+";
}

std::string ControllerSimulator::TableReply() const
{
    std::string blocks;
    for (std::size_t i = 0; i < 10; ++i)
        blocks += Block(m_state.shows[i]);
    if (!R2Layout()) {
        std::string reply;
        reply += static_cast<char>(m_state.showCount);
        reply += m_state.ambient ? 'Y' : 'N';
        reply += m_state.normallyClosed ? 'C' : 'O';
        return reply + blocks;
    }
    std::string image = m_state.image;
    image.resize(304, '\0');
    image.replace(0, 160, blocks);
    image[160] = static_cast<char>(m_state.showCount);
    unsigned flags = static_cast<unsigned char>(image[161]) & ~7U;
    flags |= (m_state.ambient ? 1U : 0U) | (m_state.normallyClosed ? 2U : 0U) | (m_state.lockout ? 4U : 0U);
    image[161] = static_cast<char>(flags);
    return image;
}

void ControllerSimulator::Reply(std::string bytes, char request)
{
    if (m_faults.silenceAfterReplies >= 0 && repliesSent >= m_faults.silenceAfterReplies)
        return;
    if (m_faults.silentRequests.find(request) != std::string::npos)
        return;
    const auto over = m_faults.replyOverride.find(request);
    if (over != m_faults.replyOverride.end())
        bytes = over->second;
    ++repliesSent;
    if (repliesSent == m_faults.runTogetherAt)
        bytes += m_faults.runTogetherWith.empty() ? bytes : m_faults.runTogetherWith;
    if (send && !bytes.empty()) {
        if (m_faults.splitReplies && bytes.size() > 1) {
            const std::size_t half = bytes.size() / 2;
            send(std::string_view(bytes).substr(0, half));
            send(std::string_view(bytes).substr(half));
        } else {
            send(bytes);
        }
    }
    if (repliesSent == m_faults.garbageAfterReplies)
        SendNoise();
    if (m_faults.closeAfterReplies >= 0 && repliesSent >= m_faults.closeAfterReplies && closeLine)
        closeLine();
}

std::string SimNoise(std::size_t bytes)
{
    std::string noise(bytes, '\0');
    std::uint32_t seed = 0x5EED1234U;
    for (auto& byte : noise) {
        seed = seed * 1664525U + 1013904223U;
        byte = static_cast<char>(seed >> 24);
    }
    return noise;
}

void ControllerSimulator::SendNoise()
{
    if (m_noiseSent)
        return;
    m_noiseSent = true;
    if (send && m_faults.garbageBytes > 0)
        send(SimNoise(m_faults.garbageBytes));
}

void ControllerSimulator::Receive(std::string_view bytes)
{
    if (m_faults.garbageAfterReplies >= 0 && repliesSent >= m_faults.garbageAfterReplies && !bytes.empty())
        SendNoise();
    for (char c : bytes) {
        if (m_mode == Mode::Idle || (m_mode == Mode::ReadShows && c != '*'))
            Command(c);
        else
            ByteInMode(c);
    }
}

void ControllerSimulator::Command(char c)
{
    m_mode = Mode::Idle;
    requests += c;
    switch (c) {
    case 'V':
        if (!m_state.version.empty())
            Reply(m_state.version, c);
        break;
    case 'M':
        if (!m_state.model.empty())
            Reply(m_state.model, c);
        break;
    case 'Z':
    case 'S':
        Reply(m_state.serial, c);
        break;
    case 'u':
        m_readCursor = m_state.ambient ? 0 : 1;
        m_mode = Mode::ReadShows;
        Reply(TableReply(), c);
        break;
    case 'd':
        m_mode = Mode::WriteTable;
        m_collect.clear();
        break;
    case 'D':
        m_mode = Mode::ClipCount;
        m_collect.clear();
        m_state.library.clear();
        m_state.libraryComplete = false;
        break;
    case 'F':
        m_mode = Mode::Firmware;
        m_collect.clear();
        m_record = 0;
        m_state.firmwareRecords.clear();
        m_state.firmwareComplete = false;
        m_state.firmwareAborted = false;
        ++m_state.firmwareStarts;
        {
            auto reject = m_faults.firmwareRejects.find(-1);
            if (reject != m_faults.firmwareRejects.end() && reject->second > 0) {
                --reject->second;
                m_mode = Mode::Idle;
                Reply("7", c);
            } else {
                Reply("T", c);
            }
        }
        break;
    case 'x':
        m_state.firmwareAborted = true;
        break;
    case 'r':
        m_state.resetRequested = true;
        // A complete image is what the controller runs once it has started again.
        if (m_state.firmwareComplete && !m_state.firmwareAborted)
            for (const EmbeddedImage& image : EmbeddedImages()) {
                const std::vector<std::string> records = ReadFirmwareRecords(image.number, image.bytes).records;
                const auto sameRecord = [](const std::string& text, const std::string& wire) {
                    return RecordWireBytes(text) == wire;
                };
                if (std::equal(records.begin(), records.end(), m_state.firmwareRecords.begin(),
                               m_state.firmwareRecords.end(), sameRecord)) {
                    if (const FirmwareRow* row = FindFirmwareRow(image.number))
                        m_state.version = std::string(row->version);
                    break;
                }
            }
        break;
    default:
        break;
    }
}

void ControllerSimulator::ByteInMode(char c)
{
    switch (m_mode) {
    case Mode::Idle:
        break;
    case Mode::ReadShows: {
        // c is "*": the data of the next show in order.
        requests += c;
        const int show = m_readCursor++;
        if (show > 10 || show > m_state.showCount) {
            m_mode = Mode::Idle;
            break;
        }
        const std::string data = m_state.shows[static_cast<std::size_t>(show)].data;
        if (!data.empty())
            Reply(data, '*');
        if (m_readCursor > m_state.showCount)
            m_mode = Mode::Idle;
        break;
    }
    case Mode::WriteTable:
        m_collect += c;
        if (m_collect.size() == (R2Layout() ? 304U : 164U))
            TableWritten();
        break;
    case Mode::WriteData: {
        m_collect += c;
        const auto [show, size] = m_writeChunks[m_writeIndex];
        const std::size_t want = size == 0 ? 1 : size;
        if (m_collect.size() == want) {
            if (size != 0)
                m_state.shows[static_cast<std::size_t>(show)].data += m_collect;
            m_collect.clear();
            ++m_writeIndex;
            NextWriteRequest();
        }
        break;
    }
    case Mode::ClipCount:
        m_state.libraryClipCount = static_cast<unsigned char>(c);
        m_mode = Mode::ClipTable;
        m_collect.clear();
        if (m_state.libraryClipCount == 0)
            m_mode = Mode::ClipSize;
        break;
    case Mode::ClipTable:
        m_state.library += c;
        if (m_state.library.size() == std::size_t{8} * static_cast<unsigned>(m_state.libraryClipCount))
            m_mode = Mode::ClipSize;
        break;
    case Mode::ClipSize:
        m_collect += c;
        if (m_collect.size() == 4) {
            m_state.libraryPackageSize = GetBe(m_collect, 0);
            m_collect.clear();
            m_clipReceived = 0;
            m_packet = 1;
            const std::uint32_t first = 2048U - 8U * static_cast<unsigned>(m_state.libraryClipCount);
            m_packetSize = std::min(first, m_state.libraryPackageSize);
            m_mode = m_packetSize == 0 ? Mode::Idle : Mode::ClipPackets;
        }
        break;
    case Mode::ClipPackets:
        m_collect += c;
        if (m_collect.size() == m_packetSize)
            ClipPacketDone();
        break;
    case Mode::Firmware:
        FirmwareByte(c);
        break;
    }
}

void ControllerSimulator::TableWritten()
{
    const std::string table = m_collect;
    m_collect.clear();
    for (std::size_t i = 0; i < 10; ++i)
        ReadBlockBe(table, 16 * i, m_state.shows[i]);
    if (R2Layout()) {
        m_state.image = table;
        m_state.showCount = static_cast<std::uint8_t>(table[160]);
        const auto flags = static_cast<unsigned char>(table[161]);
        m_state.ambient = (flags & 1U) != 0;
        m_state.normallyClosed = (flags & 2U) != 0;
        m_state.lockout = (flags & 4U) != 0;
    } else {
        m_state.showCount = static_cast<std::uint8_t>(table[160]);
        const auto config = static_cast<unsigned char>(table[161]);
        m_state.ambient = (config & 1U) != 0;
        m_state.normallyClosed = (config & 2U) != 0;
        m_state.sectorFlag = static_cast<std::uint8_t>(table[163]);
    }
    m_writeChunks.clear();
    m_writeIndex = 0;
    const int first = m_state.ambient ? 0 : 1;
    for (int show = first; show <= m_state.showCount && show <= 10; ++show) {
        auto& entry = m_state.shows[static_cast<std::size_t>(show)];
        entry.data.clear();
        std::uint32_t remaining = entry.length;
        if (remaining == 0)
            m_writeChunks.emplace_back(show, 0);
        while (remaining > 0) {
            const std::uint32_t size = std::min<std::uint32_t>(remaining, 2048);
            m_writeChunks.emplace_back(show, size);
            remaining -= size;
        }
    }
    NextWriteRequest();
}

void ControllerSimulator::NextWriteRequest()
{
    if (m_writeIndex >= m_writeChunks.size()) {
        m_mode = Mode::Idle;
        WriteFinished();
        return;
    }
    m_mode = Mode::WriteData;
    Reply("SendMe", 'd');
}

void ControllerSimulator::WriteFinished()
{
    // A controller whose memory does not keep what it was given.
    const int show = m_faults.corruptStoredShow;
    if (show < 0 || show >= static_cast<int>(m_state.shows.size()))
        return;
    std::string& data = m_state.shows[static_cast<std::size_t>(show)].data;
    if (m_faults.corruptStoredOffset < data.size())
        data[m_faults.corruptStoredOffset] = static_cast<char>(data[m_faults.corruptStoredOffset] ^ 0xFF);
}

void ControllerSimulator::ClipPacketDone()
{
    auto error = m_faults.clipErrors.find(m_packet);
    if (error != m_faults.clipErrors.end() && error->second > 0) {
        --error->second;
        m_collect.clear();
        Reply("Error!", 'D');
        return;
    }
    m_state.library += m_collect;
    m_clipReceived += static_cast<std::uint32_t>(m_collect.size());
    m_collect.clear();
    ++m_packet;
    m_packetSize = std::min<std::uint32_t>(2048, m_state.libraryPackageSize - m_clipReceived);
    if (m_packetSize == 0) {
        m_state.libraryComplete = true;
        m_mode = Mode::Idle;
    }
    Reply("FeedMe", 'D');
}

void ControllerSimulator::FirmwareByte(char c)
{
    if (m_collect.empty()) {
        if (c == 'F') { // the host starts over
            Command(c);
            return;
        }
        if (c == 'x' || c == 'r') {
            Command(c);
            return;
        }
        if (c != ':')
            return; // noise between records
    }
    m_collect += c;
    if (m_collect.size() < 2)
        return;
    const std::size_t count = static_cast<unsigned char>(m_collect[1]);
    if (m_collect.size() < 6 + count)
        return;
    const std::string record = m_collect;
    m_collect.clear();
    auto reject = m_faults.firmwareRejects.find(m_record);
    if (reject != m_faults.firmwareRejects.end() && reject->second > 0) {
        --reject->second;
        Reply("7", 'F');
        return;
    }
    m_state.firmwareRecords.push_back(record);
    ++m_record;
    if (static_cast<unsigned char>(record[4]) == 0x01) {
        m_state.firmwareComplete = true;
        m_mode = Mode::Idle;
    }
    Reply("T", 'F');
}

ControllerState SampleControllerState(const std::string& model)
{
    ControllerState state;
    state.model = model;
    state.version = "1.05";
    state.serial = "1A2B3C4D";
    state.showCount = 3;
    state.ambient = true;
    const std::uint32_t lengths[] = {300, 5000, 0, 2048};
    std::uint32_t address = 0x1000;
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < 4; ++i) {
        SimShow& show = state.shows[i];
        show.start = address;
        show.length = lengths[i];
        show.clip = static_cast<std::uint8_t>(i + 1);
        show.volume = static_cast<std::uint8_t>(50 + i);
        show.preDelay = static_cast<std::uint8_t>(i);
        show.postDelay = static_cast<std::uint8_t>(2 * i);
        show.configuration = static_cast<std::uint8_t>(0x10 + i);
        show.data.resize(lengths[i]);
        for (auto& byte : show.data) {
            seed = seed * 1103515245U + 12345U;
            byte = static_cast<char>((seed >> 16) & 0xFF);
        }
        address += lengths[i];
    }
    if (model == "R2" || model == "L+") {
        state.image.assign(304, '\0');
        state.image[162] = 5; // clip count
        state.image[166] = 0; // trigger A: Next
        state.image[167] = 4; // trigger B: show 2
        const char* names = "Haunted Hallway ";
        for (std::size_t j = 0; j < 8; ++j)
            for (std::size_t k = 0; k < 16; ++k)
                state.image[175 + 16 * j + k] = names[k];
        state.lockout = true;
    }
    return state;
}

} // namespace marrowick
