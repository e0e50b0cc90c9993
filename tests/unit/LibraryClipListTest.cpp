// The clip list as a person builds it: chosen in the dialog, dropped, removed,
// dragged, cleared; what fits the controller's audio memory, in which order,
// and that nothing changes it by accident.

#include <gtest/gtest.h>

#include "features/LibraryFeature.h"
#include "support/Helpers.h"
#include "support/SoundFiles.h"

namespace marrowick::testing {
namespace {

constexpr std::uintmax_t K5Ram = 4063232;

struct ClipList : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(h.Identify()); }
    AudioLibrary& clips() { return h.session.library().Library(); }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const AudioClip& clip : clips().InOrder())
            names.push_back(FileTitle(clip.FileName));
        return names;
    }
    void Select(std::vector<std::string> files)
    {
        h.dialogs.files.push_back(std::move(files));
        h.session.commands().Click(control::BtnAddClip);
    }
    void Drop(const std::vector<std::string>& files) { h.session.commands().Drop(control::List1, files); }

    Harness h;
    ClipFolder folder;
};

} // namespace

// A selection takes the files in the order the dialog lists them, ends before
// the first that does not fit (every clip's 8-byte entry counted, the new
// one's too) and names it and those after it; one file is taken up to the last
// byte; a cancelled dialog and a file too large leave the list as it was.
TEST_F(ClipList, ASelectionTakesWhatFitsInNameOrderAndCancelChangesNothing)
{
    const std::string fits = folder.MakeSparse("fits.wav", K5Ram - 8);
    Select({fits});
    EXPECT_EQ(Names(), std::vector<std::string>{"fits.wav"});
    EXPECT_TRUE(h.dialogs.Texts("message").empty());
    Select({folder.MakeSparse("big.mp3", K5Ram - 7)});
    EXPECT_EQ(Names(), std::vector<std::string>{"fits.wav"}) << "a file too large changes nothing";
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    EXPECT_NE(h.dialogs.Texts("message")[0].find("big.mp3"), std::string::npos);
    Select({});
    EXPECT_EQ(Names(), std::vector<std::string>{"fits.wav"}) << "a cancelled dialog changes nothing";

    // Three of 2,000,000 bytes: two fit with their entries (16 + 4,000,000), the
    // third would need 24 + 6,000,000. The rest are named, however small.
    h.dialogs.shown.clear();
    Select({folder.Make("clip 10.wav", 10), folder.MakeSparse("clip 2.wav", 2000000),
            folder.MakeSparse("Clip 1.wav", 2000000), folder.MakeSparse("clip 3.wav", 2000000),
            folder.Make("clip 9.wav", 10)});
    EXPECT_EQ(Names(), (std::vector<std::string>{"Clip 1.wav", "clip 2.wav"}));
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    const std::string said = h.dialogs.Texts("message")[0];
    for (const char* named : {"clip 3.wav", "clip 9.wav", "clip 10.wav"})
        EXPECT_NE(said.find(named), std::string::npos) << named;

    // Clips whose total leaves room for all but the last one's own entry.
    h.dialogs.shown.clear();
    Select({folder.MakeSparse("x1.wav", K5Ram / 2), folder.MakeSparse("x2.wav", K5Ram / 2 - 16)});
    EXPECT_EQ(Names(), (std::vector<std::string>{"x1.wav", "x2.wav"}));
    Select({folder.MakeSparse("y1.wav", K5Ram / 2), folder.MakeSparse("y2.wav", K5Ram / 2 - 15)});
    EXPECT_EQ(Names(), std::vector<std::string>{"y1.wav"});
}

// At most 99 clips; the dialog needs an idle link; files that cannot be
// measured are named and not taken.
TEST_F(ClipList, AtMostNinetyNineClipsAndOnlyFilesThatCanBeMeasured)
{
    std::vector<std::string> files;
    for (int i = 0; i < 101; ++i)
        files.push_back(folder.Make("clip" + std::to_string(1000 + i) + ".mp3", 100));
    Select(files);
    EXPECT_EQ(clips().ClipCount, 99);
    EXPECT_EQ(h.view.rows["List1"].size(), 99U);

    h.session.stateEngine.SetState(LinkState::StateReadShows);
    h.session.commands().Click(control::BtnAddClip);
    EXPECT_EQ(h.dialogs.Texts("files").size(), 1U) << "no dialog while the link is busy";
    h.session.stateEngine.SetState(LinkState::StateIdle);

    const std::string gone = U8Text(folder.path / "gone.mp3");
    Select({folder.Make("a real.mp3", 10), gone});
    EXPECT_EQ(Names(), std::vector<std::string>{"a real.mp3"});
    ASSERT_FALSE(h.dialogs.Texts("message").empty());
    EXPECT_NE(h.dialogs.Texts("message").back().find("gone.mp3"), std::string::npos);
}

// Drops append the MP3 files that fit, each tested with the entries of the
// whole library; a drop onto a full library does nothing.
TEST_F(ClipList, DropsAppendMp3FilesThatFit)
{
    Drop({folder.Make("a.wav", 500), folder.Make("b.mp3", 1000), folder.Make("c.MP3", 2000)});
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.mp3", "c.MP3"}));
    EXPECT_EQ(LogLinesStarting(h.session, "Found: ").size(), 2U);
    // The room left is the memory less the clips and the entries of all four clips.
    const std::string last = folder.Make("f.mp3", 1);
    Drop({last, folder.MakeSparse("d.mp3", K5Ram - 3000 - 32 + 1), folder.MakeSparse("e.mp3", K5Ram - 3000 - 32 - 1)});
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.mp3", "c.MP3", "f.mp3", "e.mp3"}));
    EXPECT_EQ(clips().LibraryBytes + 8 * 4, static_cast<float>(K5Ram));
    EXPECT_TRUE(h.view.meters["barCapacity"].warning);

    std::vector<std::string> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(folder.Make("n" + std::to_string(i) + ".mp3", 1));
    h.session.commands().Click(control::Command3);
    Drop(many);
    EXPECT_EQ(clips().ClipCount, 99);
    h.view.rows.clear();
    Drop({many[99]});
    EXPECT_TRUE(h.view.rows.empty()) << "not even listed again";
}

// Removing and dragging: the clip numbers follow the list. While the clips are
// being sent the list stays exactly what goes out: nothing adds, removes,
// drags or clears it.
TEST_F(ClipList, RemovingAndDraggingAndTheListLockedWhileSending)
{
    const std::string a = folder.Make("a.mp3", 1000);
    const std::string b = folder.Make("b.mp3", 2000);
    const std::string c = folder.Make("c.mp3", 3000);
    const std::string d = folder.Make("d.mp3", 4000);
    Drop({a, b, c, d});
    h.session.commands().RowsMoved(control::List1, {2, 3}, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.mp3", "d.mp3", "a.mp3", "b.mp3"}));
    h.session.commands().RowsMoved(control::List1, {0}, 4);
    EXPECT_EQ(Names(), (std::vector<std::string>{"d.mp3", "a.mp3", "b.mp3", "c.mp3"}));
    h.view.selection["List1"] = {0, 3};
    h.session.commands().Click(control::btnRemoveClip);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    EXPECT_EQ(h.view.rows["List1"][1][0], "2");

    h.port.SetBytesPerSecond(960);
    h.session.commands().Click(control::BtnWriteLibrary);
    h.clock.Advance(100);
    ASSERT_TRUE(h.session.library().Transfer().Running());
    h.view.selection["List1"] = {0};
    h.session.commands().Click(control::btnRemoveClip);
    h.session.commands().RowsMoved(control::List1, {1}, 0);
    Drop({c});
    h.session.commands().Click(control::Command3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    h.clock.RunUntilIdle();
    EXPECT_EQ(h.simulator.state().library.substr(16), ReadFile(U8Path(a)) + ReadFile(U8Path(b)));
    h.session.commands().Click(control::Command3);
    EXPECT_TRUE(Names().empty());
}

// Each clip's playing time and format as its headers and frames say, whatever
// its name; a file that is neither WAV nor MP3 (or is cut short) is marked
// with why, and stays in the library all the same.
TEST_F(ClipList, EachClipShowsItsPlayingTimeAndFormatAndWhatIsNotWavOrMp3IsMarked)
{
    const auto stream = [](int rate, bool mono, std::vector<int> kbps, bool xing = false) {
        return Mp3Stream{rate, mono, std::move(kbps), xing, 0, 3};
    };
    const auto repeat = [](std::vector<int> pattern, int times) {
        std::vector<int> out;
        for (int i = 0; i < times; ++i)
            out.insert(out.end(), pattern.begin(), pattern.end());
        return out;
    };
    Mp3Stream cutShort = stream(48000, false, std::vector<int>(100, 128), true);
    cutShort.xingFrames = 250;
    Mp3Stream mp2 = stream(48000, false, std::vector<int>(20, 192));
    mp2.layer = 2;
    const std::string wav = WavBytes(22050, 1, 16, 3 * 22050);

    struct Case {
        std::string name;
        std::string bytes;
        double seconds; // 0: none shown
        std::string time;
        std::string format;
        std::string warning; // a part of the warning; empty: none
    };
    const Case cases[] = {
        {"01.wav", wav, 3.0, "0:03", "WAV 16-bit 22.05 kHz mono", ""},
        {"02.wav", WavBytes(8000, 2, 8, 65 * 8000), 65.0, "1:05", "WAV 8-bit 8 kHz stereo", ""},
        {"03 cut.wav", wav.substr(0, 44 + 22050 * 2), 1.0, "0:01", "WAV 16-bit 22.05 kHz mono", ""},
        {"04 header cut.wav", wav.substr(0, 30), 0, "", "Damaged WAV", "calls itself WAV"},
        {"05.mp3", Mp3Bytes(stream(44100, false, std::vector<int>(100, 128))), 100 * 1152 / 44100.0, "0:03",
         "MP3 128 kbit/s 44.1 kHz stereo", ""},
        {"06.mp3", Mp3Bytes(stream(32000, true, std::vector<int>(50, 64))), 50 * 1152 / 32000.0, "0:02",
         "MP3 64 kbit/s 32 kHz mono", ""},
        // Variable bit rate with a Xing header, which is no frame of sound.
        {"07 xing.mp3", Mp3Bytes(stream(48000, false, repeat({128, 256}, 50), true)), 100 * 1152 / 48000.0, "0:02",
         "MP3 VBR ~192 kbit/s 48 kHz stereo", ""},
        // Variable bit rate without one: every frame counted.
        {"08 no xing.mp3", Mp3Bytes(stream(22050, true, repeat({32, 64}, 100))), 200 * 576 / 22050.0, "0:05",
         "MP3 VBR ~48 kbit/s 22.05 kHz mono", ""},
        // The Xing header counts 250 frames; 100 and half of one are there.
        {"09 cut.mp3", Mp3Bytes(cutShort) + std::string(200, '\0'), 100 * 1152 / 48000.0, "0:02",
         "MP3 128 kbit/s 48 kHz stereo", "header says it plays 0:06"},
        {"10 notes.mp3", "These are notes about the show, not a sound.\n", 0, "", "Not WAV or MP3",
         "neither WAV nor MP3"},
        {"11 really mp3.wav", Mp3Bytes(stream(44100, false, std::vector<int>(10, 128))), 10 * 1152 / 44100.0, "0:00",
         "MP3 128 kbit/s 44.1 kHz stereo", ""},
        {"12.mp3", Mp3Bytes(mp2), 0, "", "MPEG layer II (MP2), not MP3", "layer II (MP2), not MP3"},
        {"13 empty.mp3", "", 0, "", "Empty file", "empty"},
    };
    std::vector<std::string> files;
    for (const Case& c : cases)
        files.push_back(folder.Write(c.name, c.bytes));
    Select(files);
    ASSERT_EQ(clips().ClipCount, static_cast<int>(std::size(cases)));
    const auto& rows = h.view.rows["List1"];
    const auto& marks = h.view.marks["List1"];
    ASSERT_EQ(marks.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(clips().Clips[i + 1].Format.seconds, c.seconds, 1e-9);
        EXPECT_EQ(rows[i][3], c.time);
        EXPECT_EQ(rows[i][4], c.format);
        if (c.warning.empty())
            EXPECT_EQ(marks[i], "");
        else
            EXPECT_NE(marks[i].find(c.warning), std::string::npos) << marks[i];
    }
    EXPECT_EQ(h.view.captions["lblPlayingTime"], "Playing time 1:24") << "83.7 s in all";
}

// "Play" and a double click open the selected clip in the system's own player.
TEST_F(ClipList, PlayOpensTheSelectedClip)
{
    const std::string a = folder.Make("a.mp3", 10);
    const std::string b = folder.Make("b.mp3", 10);
    Drop({a, b});
    h.session.commands().Click(control::btnPlayClip);
    EXPECT_TRUE(h.view.opened.empty()) << "nothing selected";
    h.view.selection["List1"] = {1};
    h.session.commands().Click(control::btnPlayClip);
    EXPECT_EQ(h.view.opened, std::vector<std::string>{b});
}

} // namespace marrowick::testing
