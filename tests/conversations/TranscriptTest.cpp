// The bytes of every conversation that goes well, as golden transcripts in
// tests/transcripts: the test plays the controller's side of each, line by
// line, and holds what the program sends against the other side.
//
// A transcript is lines of: `do ACTION` (identify, read, write, clips FILE...,
// flash), `record LINE` (a HEX record of the image `do flash` sends), `>` (what
// the program sends next; consecutive lines are one stream) and `<` (one reply
// of the controller, sent once everything before it has come). Bytes are
// written as "text", as hexadecimal pairs, or as a pair and a count (41*300:
// the byte 0x41 300 times); `#` starts a comment line.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Harness.h"
#include "support/Helpers.h"

#ifndef MARROWICK_TRANSCRIPTS
#define MARROWICK_TRANSCRIPTS "tests/transcripts"
#endif

namespace marrowick::testing {
namespace {

namespace fs = std::filesystem;

// Bytes as a transcript writes them.
std::string ParseBytes(const std::string& text)
{
    std::string bytes;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
        } else if (text[at] == '"') {
            const std::size_t end = text.find('"', at + 1);
            bytes += text.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            const int byte = std::stoi(text.substr(at, 2), nullptr, 16);
            at += 2;
            std::size_t count = 1;
            if (at < text.size() && text[at] == '*') {
                std::size_t used = 0;
                count = std::stoul(text.substr(at + 1), &used);
                at += 1 + used;
            }
            bytes.append(count, static_cast<char>(byte));
        }
    }
    return bytes;
}

struct Step {
    enum class Kind { Do, Record, Sent, Reply } kind;
    std::string text;
};

std::vector<Step> ReadTranscript(const fs::path& path)
{
    std::vector<Step> steps;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string rest = line.substr(line.find(' ') + 1);
        if (line.rfind("do ", 0) == 0)
            steps.push_back({Step::Kind::Do, rest});
        else if (line.rfind("record ", 0) == 0)
            steps.push_back({Step::Kind::Record, rest});
        else if (line[0] == '>' && !steps.empty() && steps.back().kind == Step::Kind::Sent)
            steps.back().text += ParseBytes(rest);
        else if (line[0] == '>')
            steps.push_back({Step::Kind::Sent, ParseBytes(rest)});
        else if (line[0] == '<')
            steps.push_back({Step::Kind::Reply, ParseBytes(rest)});
        else
            ADD_FAILURE() << path << ": cannot read " << line;
    }
    return steps;
}

// The controller's end of the line, as the transcript has it: each reply goes
// out once the program has sent everything the transcript puts before it.
class TranscriptPort : public SerialPort {
public:
    TranscriptPort(Clock& clock, std::vector<Step> steps) : m_steps(std::move(steps)), m_timer(clock.createTimer())
    {
        m_timer->onTimeout = [this] { Deliver(); };
    }

    bool open(const std::string&, std::string*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void discardInput() override {}
    DeviceLook lookForDevice() const override { return DeviceLook::Same; }
    void write(std::string_view bytes) override
    {
        for (char c : bytes) {
            if (m_step >= m_steps.size() || m_steps[m_step].kind != Step::Kind::Sent) {
                mismatch += "sent beyond the transcript at step " + std::to_string(m_step) + "; ";
                return;
            }
            const std::string& expected = m_steps[m_step].text;
            if (expected[m_at] != c) {
                mismatch += "step " + std::to_string(m_step) + " byte " + std::to_string(m_at) + ": expected " +
                            std::to_string(static_cast<unsigned char>(expected[m_at])) + ", sent " +
                            std::to_string(static_cast<unsigned char>(c)) + "; ";
                return;
            }
            if (++m_at == expected.size()) {
                m_at = 0;
                ++m_step;
            }
        }
        m_timer->start(0);
    }

    // The next action of the transcript, or nothing when the line is still busy.
    std::optional<Step> NextAction()
    {
        if (m_step < m_steps.size() &&
            (m_steps[m_step].kind == Step::Kind::Do || m_steps[m_step].kind == Step::Kind::Record))
            return m_steps[m_step++];
        return std::nullopt;
    }
    bool Done() const { return m_step == m_steps.size(); }
    std::size_t Position() const { return m_step; }

    std::string mismatch;

private:
    void Deliver()
    {
        while (m_at == 0 && m_step < m_steps.size() && m_steps[m_step].kind == Step::Kind::Reply) {
            const std::string reply = m_steps[m_step++].text;
            if (onBytes)
                onBytes(reply);
        }
    }

    std::vector<Step> m_steps;
    std::size_t m_step = 0;
    std::size_t m_at = 0;
    std::unique_ptr<Timer> m_timer;
    bool m_open = false;
};

struct Replay {
    explicit Replay(std::vector<Step> steps) : port(clock, std::move(steps)), session(view, dialogs, clock, port)
    {
        session.shows().SetWriteSwitches(false, false, false);
    }

    void Run(const std::string& name)
    {
        FirmwareImage image;
        while (const auto step = port.NextAction()) {
            std::optional<Result> outcome;
            const auto ended = [&](const Result& result) { outcome = result; };
            std::istringstream words(step->text);
            std::string action;
            words >> action;
            if (step->kind == Step::Kind::Record) {
                image.records.push_back(step->text);
                image.lineNumbers.push_back(static_cast<int>(image.records.size()));
                continue;
            }
            if (action == "identify") {
                session.identification().Finished.connect(ended);
                session.Connect("COM1");
            } else if (action == "read") {
                session.shows().Reader().Finished.connect(ended);
                session.commands().Click(control::btnReadShows);
            } else if (action == "write") {
                session.shows().Writer().Finished.connect(ended);
                session.commands().Click(control::btnWriteShows);
            } else if (action == "clips") {
                std::vector<std::string> files;
                for (std::string clip; words >> clip;) {
                    const std::string bytes = ParseBytes(clip);
                    files.push_back(clips.Make(std::to_string(files.size()) + ".mp3", bytes.size()));
                    WriteFile(U8Path(files.back()), bytes);
                }
                session.library().Transfer().Finished.connect(ended);
                ASSERT_TRUE(session.library().TakeFiles(files).problems.empty());
                ASSERT_TRUE(session.library().StartSending().ok());
            } else if (action == "flash") {
                session.firmware().download().Finished.connect(ended);
                session.firmware().download().Start(image);
            }
            clock.RunUntilIdle();
            ASSERT_TRUE(outcome.has_value()) << name << ": " << action << " did not end";
            EXPECT_TRUE(outcome->ok()) << name << ": " << action << " ended with reason "
                                       << static_cast<int>(outcome->reason);
            EXPECT_EQ(session.State(), LinkState::StateIdle);
        }
        EXPECT_EQ(port.mismatch, "") << name;
        EXPECT_TRUE(port.Done()) << name << ": the transcript stopped at step " << port.Position();
    }

    ManualClock clock;
    RecordingView view;
    ScriptedDialogs dialogs;
    TranscriptPort port;
    Session session;
    ClipFolder clips;
};

} // namespace

TEST(Transcript, EveryConversationThatGoesWellSendsTheBytesOfItsTranscript)
{
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(MARROWICK_TRANSCRIPTS)) {
        SCOPED_TRACE(entry.path().filename().string());
        Replay replay(ReadTranscript(entry.path()));
        replay.Run(entry.path().filename().string());
        ++replayed;
    }
    EXPECT_GE(replayed, 5);
}

} // namespace marrowick::testing
