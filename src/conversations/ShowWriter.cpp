#include "conversations/ShowWriter.h"

#include <cctype>

#include "conversations/Identification.h"
#include "link/Encoding.h"
#include "link/LineRate.h"

namespace marrowick {
namespace {

constexpr std::uint8_t DummyClipCount = 32;

bool IsEightHexDigits(const std::string& text)
{
    if (text.size() != 8)
        return false;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    return true;
}

} // namespace

ShowWriter::ShowWriter(ConversationContext& context, ShowState& shows) : Conversation(context), m_shows(shows) {}

void ShowWriter::OnChunk(const std::string& chunk)
{
    if (m_step == Step::Serial) {
        const std::string serial = TrimmedReply(chunk);
        if (!IsEightHexDigits(serial)) {
            m_ctx.Log("Unreadable serial number reply " + ReadableLogText(chunk));
            Finish(Result::Fail(ResultCode::Refused, Reason::NoSerialNumber));
            return;
        }
        m_ctx.identity.SerialNumber = serial;
        m_ctx.identity.serialMissing = false;
        SendTable();
        return;
    }
    // The controller's requests are counted, not read: any six bytes ask for the next chunk.
    SendShowChunk();
}

Result ShowWriter::Problem() const
{
    const controller* model = m_ctx.identity.Model();
    if (!model->Traits().hasShowTable)
        return Result::Fail(ResultCode::Refused, Reason::NoShowTable, model->Name());
    // A table and shows laid out for another model would be taken as garbage.
    if (!m_shows.model.empty() && m_shows.model != model->Name())
        return Result::Fail(ResultCode::Refused, Reason::OtherModel, model->Name());
    if (model->Traits().layout == TableLayout::R2 && m_shows.TocImage.size() != TocImageBytes)
        return Result::Fail(ResultCode::Refused, Reason::NoTableImage);
    if (m_shows.ShowCount > MaxShowCount)
        return Result::Fail(ResultCode::Refused, Reason::TooManyShows, -1, m_shows.ShowCount, MaxShowCount);
    std::int64_t total = 0;
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show) {
        const std::int32_t length = m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
        if (length < 0)
            return Result::Fail(ResultCode::Refused, Reason::NegativeLength, show, length);
        total += length;
        if (total > model->Traits().showMemory)
            return Result::Fail(ResultCode::Refused, Reason::TooLong, show, length, model->Traits().showMemory);
    }
    // The table promises every show's length; a show short of data would
    // leave the controller waiting for bytes and the later shows lost.
    if (!IncompleteShows(m_shows).empty())
        return Result::Fail(ResultCode::Refused, Reason::IncompleteShows);
    return Result::Done();
}

Result ShowWriter::Start()
{
    const controller* model = m_ctx.identity.Model();
    if (m_shows.ShowCount == 0 || !model || m_ctx.State() != LinkState::StateIdle || !m_ctx.link.IsOpen())
        return Result::Busy();
    if (Result problem = Problem(); !problem.ok())
        return problem;
    // A K5 table carries the trigger wiring: only the controller's own goes back.
    if (model->Traits().layout == TableLayout::K5 && !m_shows.triggerKnown)
        return Result::Fail(ResultCode::Refused, Reason::TriggerUnknown);

    Begin({LinkState::StateWriteShows, RequestBytes, SlackMs});
    // The table carries the controller's serial number: one the start-up did
    // not get is asked for once more, and without it nothing is written.
    if (model->Traits().asksSerialNumber && !IsEightHexDigits(m_ctx.identity.SerialNumber)) {
        m_step = Step::Serial;
        m_ctx.SetState(LinkState::StateAwaitSerial);
        m_ctx.link.Expect(8);
        m_ctx.link.Send(VersionValue(m_ctx.identity.FirmwareVersion) >= 1.02 ? "Z" : "S");
        AwaitFor(m_ctx.TimeoutMs(Identification::SerialTimeoutMs));
        return Result::Done();
    }
    SendTable();
    return Result::Done();
}

void ShowWriter::SendTable()
{
    m_step = Step::Chunks;
    m_ctx.SetState(LinkState::StateWriteShows);
    m_ctx.link.Expect(RequestBytes);
    const controller* model = m_ctx.identity.Model();
    const std::string burst = model->Traits().layout == TableLayout::R2 ? R2Table() : K5Table();
    long long total = static_cast<long long>(burst.size());
    for (int show = m_shows.FirstShow(); show <= m_shows.ShowCount; ++show)
        total += m_shows.ShowTable[static_cast<std::size_t>(show)].Length;
    m_done = 0;
    // Progress counts the bytes sent before the piece going out, so the time
    // left still holds the last piece's time on the line.
    StartProgress(ProgressUnit::Byte, total);
    Send(burst);
    m_done = static_cast<long long>(burst.size());
    m_sendPosition = 1;
    m_shows.CurrentShow = static_cast<std::int16_t>(m_shows.FirstShow());
    m_sendRemaining = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
    m_ctx.SetState(LinkState::StateWriteShowRecords);
}

std::string ShowWriter::Blocks()
{
    std::string blocks;
    for (std::size_t i = 0; i < BlocksPerTable; ++i) {
        m_ctx.Log("Sending Show ToC # " + std::to_string(i), LogAllTx);
        blocks += EncodeShowBlock(m_shows.ShowTable[i]);
    }
    return blocks;
}

std::string ShowWriter::K5Table()
{
    std::string burst = "d" + Blocks();
    m_ctx.Log("Sending ShowCount: " + std::to_string(m_shows.ShowCount), LogAllTx);
    burst += static_cast<char>(m_shows.ShowCount);
    const int config = (m_shows.AmbientMode ? 1 : 0) | (m_shows.TriggerMode == 1 ? 2 : 0);
    m_ctx.Log("Sending Ambient and trigger Config: " + std::to_string(config), LogAllTx);
    burst += static_cast<char>(config);
    m_ctx.Log("Sending dummy audio clip count", LogAllTx);
    burst += static_cast<char>(DummyClipCount);
    const int sector = m_shows.ShowTable[static_cast<std::size_t>(m_shows.FirstShow())].Start >= 65535 ? 1 : 0;
    m_ctx.Log("Sending Show Sector: " + std::to_string(sector), LogAllTx);
    burst += static_cast<char>(sector);
    return burst;
}

std::string ShowWriter::R2Table()
{
    std::string image = m_shows.TocImage;
    image.resize(TocImageBytes, '\0');
    std::string burst = "d" + Blocks();
    m_ctx.Log("Sending ShowCount: " + std::to_string(m_shows.ShowCount), LogAllTx);
    burst += static_cast<char>(m_shows.ShowCount);
    // Flags, clip count and sector byte go out as the controller gave them;
    // the values computed here are only logged.
    const int config =
        (m_shows.AmbientMode ? 1 : 0) | (m_shows.TriggerMode == 1 ? 2 : 0) | (m_shows.LockOut == 1 ? 4 : 0);
    m_ctx.Log("Sending Ambient and trigger Config: " + std::to_string(config), LogAllTx);
    burst += image[161];
    m_ctx.Log("Sending dummy audio clip count", LogAllTx);
    burst += image[162];
    const int sector = m_shows.ShowTable[static_cast<std::size_t>(m_shows.FirstShow())].Start >= 65535 ? 1 : 0;
    m_ctx.Log("Sending Show Sector: " + std::to_string(sector), LogAllTx);
    burst += image[163];
    // The serial number goes in as the controller's own number, least
    // significant byte first; a malformed one leaves the image's bytes alone.
    const std::string& serial = m_ctx.identity.SerialNumber;
    if (IsEightHexDigits(serial))
        for (std::size_t pair = 0; pair < 4; ++pair)
            image[168 + pair] = static_cast<char>(HexToInt(std::string_view(serial).substr(6 - 2 * pair, 2)));
    burst += image.substr(164);
    return burst;
}

void ShowWriter::SendShowChunk()
{
    m_ctx.link.SetThreshold(RequestBytes);
    m_ctx.Log("Sending Show #" + std::to_string(m_shows.CurrentShow), LogAllTx);
    const std::string& data = m_shows.ShowData[static_cast<std::size_t>(m_shows.CurrentShow)];
    // A data text shorter than its table length sends what it holds.
    auto piece = [&](std::int64_t count) {
        const auto from = static_cast<std::size_t>(m_sendPosition - 1);
        return from < data.size() ? data.substr(from, static_cast<std::size_t>(count)) : std::string();
    };
    if (m_sendRemaining > ShowChunkSize) {
        Send(piece(ShowChunkSize));
        m_done += ShowChunkSize;
        m_sendPosition += ShowChunkSize;
        m_sendRemaining -= ShowChunkSize;
        return;
    }
    Send(m_sendRemaining != 0 ? piece(m_sendRemaining) : std::string("*"));
    m_done += m_sendRemaining;
    ++m_shows.CurrentShow;
    if (m_shows.CurrentShow <= m_shows.ShowCount) {
        m_sendPosition = 1;
        m_sendRemaining = m_shows.ShowTable[static_cast<std::size_t>(m_shows.CurrentShow)].Length;
        return;
    }
    ReportProgress(CurrentProgress().total);
    Finish(Result::Done());
}

void ShowWriter::Send(const std::string& bytes)
{
    ReportProgress(m_done);
    // The controller's next request comes once these bytes are on the wire.
    AwaitFor(WireTimeMs(bytes.size() + RequestBytes) + AllowanceMs());
    m_ctx.link.Send(bytes);
}

void ShowWriter::TimedOut()
{
    if (m_step == Step::Serial)
        Finish(Result::Fail(ResultCode::Refused, Reason::NoSerialNumber));
    else
        Finish(Result::Fail(ResultCode::TimedOut, Reason::NotResponding));
}

} // namespace marrowick
