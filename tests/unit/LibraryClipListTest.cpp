#include <gtest/gtest.h>

#include "features/LibraryFeature.h"
#include "unit/LibraryTestFiles.h"

namespace marrowick::testing {
namespace {

constexpr std::uintmax_t K5Ram = 4063232;

struct ClipList : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(h.Identify()); }
    LibraryFeature& library() { return h.session.library(); }
    AudioLibrary& clips() { return library().Library(); }
    std::vector<std::vector<std::string>>& rows() { return h.view.rows["List1"]; }
    void Select(std::vector<std::string> files)
    {
        h.dialogs.files.push_back(std::move(files));
        h.session.Click(control::BtnAddClip);
    }

    Harness h;
    ClipFolder folder;
};

TEST_F(ClipList, OneSelectedFileFitsUpToTheLastByteAndIsListedByItsTitle)
{
    const std::string fits = folder.MakeSparse("fits.wav", K5Ram - 8);
    Select({fits});
    EXPECT_EQ(h.dialogs.Texts("files"), std::vector<std::string>{"Sound Files (*.wav;*.mp3)|*.wav;*.mp3"});
    EXPECT_EQ(clips().ClipCount, 1);
    EXPECT_EQ(clips().LibraryBytes, 4063224.0F);
    EXPECT_EQ(clips().Clips[1].FileName, fits);
    EXPECT_EQ(rows(), (std::vector<std::vector<std::string>>{{"1", "fits.wav", "4063224"}}));
    EXPECT_TRUE(h.dialogs.Texts("message").empty());

    // One byte more and the controller could not hold it: refused, and said so.
    Select({folder.MakeSparse("big.mp3", K5Ram - 7)});
    EXPECT_EQ(h.dialogs.Texts("message"), std::vector<std::string>{"File Too Large"});
    EXPECT_EQ(clips().ClipCount, 0);
    EXPECT_EQ(clips().LibraryBytes, 0.0F);
    EXPECT_TRUE(rows().empty());
}

TEST_F(ClipList, SeveralFilesEndBeforeTheFirstThatDoesNotFit)
{
    const std::string a = folder.MakeSparse("a.wav", 2000000);
    const std::string b = folder.MakeSparse("b.wav", 2000000);
    const std::string c = folder.MakeSparse("c.wav", 2000000);
    const std::string tiny = folder.Make("tiny.wav", 10);
    Select({a, b, c, tiny});
    EXPECT_EQ(clips().ClipCount, 2);
    EXPECT_EQ(clips().LibraryBytes, 4000000.0F);
    EXPECT_EQ(rows(), (std::vector<std::vector<std::string>>{{"1", Shown(a), "2000000"}, {"2", Shown(b), "2000000"}}));
    EXPECT_TRUE(h.dialogs.Texts("message").empty());

    // A new selection replaces the library; a cancelled one empties it.
    Select({});
    EXPECT_EQ(clips().ClipCount, 0);
    EXPECT_EQ(clips().LibraryBytes, 0.0F);
    EXPECT_TRUE(rows().empty());
    const std::string before = h.Sent();
    h.session.Click(control::BtnWriteLibrary);
    h.session.Click(control::btnLibrary);
    EXPECT_EQ(h.Sent(), before);
    EXPECT_EQ(h.session.State(), StateIdle);
}

TEST_F(ClipList, SelectionTakesAtMostNinetyNineFilesAndNeedsAnIdleLink)
{
    std::vector<std::string> files;
    for (int i = 0; i < 101; ++i)
        files.push_back(folder.Make("clip" + std::to_string(i) + ".mp3", 100));
    Select(files);
    EXPECT_EQ(clips().ClipCount, 99);
    EXPECT_EQ(clips().LibraryBytes, 9900.0F);
    ASSERT_EQ(rows().size(), 99U);
    EXPECT_EQ(rows().back(), (std::vector<std::string>{"99", Shown(files[98]), "100"}));

    h.session.SetState(StateReadShows);
    Select({files[0]});
    EXPECT_EQ(clips().ClipCount, 99);
    EXPECT_EQ(h.dialogs.Texts("files").size(), 1U);
}

TEST_F(ClipList, DropsAppendMp3FilesThatFitCountingEveryTableEntry)
{
    const std::string a = folder.Make("a.wav", 500);
    const std::string b = folder.Make("b.mp3", 1000);
    const std::string c = folder.Make("c.MP3", 2000);
    h.session.Drop(control::List1, {a, b, c});
    EXPECT_EQ(clips().ClipCount, 2);
    EXPECT_EQ(clips().LibraryBytes, 3000.0F);
    EXPECT_EQ(LogLinesStarting(h.session, "Found: "),
              (std::vector<std::string>{"Found: 2  " + Shown(b), "Found: 3  " + Shown(c)}));
    EXPECT_EQ(h.session.Status(1), "2 Files Loaded.   4060232 Bytes remaining.");
    EXPECT_EQ(h.view.progressMaximum, static_cast<double>(K5Ram));
    EXPECT_EQ(h.view.progressValue, 3000.0);

    // The second file does not fit, the third does. The room left is the memory
    // less the clips and the entries of all four clips: 4063232 - 3000 - 32.
    const std::string tooBig = folder.MakeSparse("d.mp3", K5Ram - 3000 - 32 + 1);
    const std::string justFits = folder.MakeSparse("e.mp3", K5Ram - 3000 - 32 - 1);
    const std::string last = folder.Make("f.mp3", 1);
    h.session.Drop(control::List1, {last, tooBig, justFits});
    EXPECT_EQ(clips().ClipCount, 4);
    EXPECT_EQ(clips().Clips[3].FileName, last);
    EXPECT_EQ(clips().Clips[4].FileName, justFits);
    EXPECT_EQ(clips().LibraryBytes + 8 * 4, static_cast<float>(K5Ram));
    ASSERT_EQ(rows().size(), 4U);
    EXPECT_EQ(rows()[0], (std::vector<std::string>{"1", Shown(b), "1000"}));
    EXPECT_EQ(rows()[3][1], Shown(justFits));
    // Every clip is listed and logged again, the earlier ones included.
    EXPECT_EQ(LogLinesStarting(h.session, "Adding : 1  ").size(), 2U);
    EXPECT_EQ(h.session.Status(1), "4 Files Loaded.   32 Bytes remaining.");
}

TEST_F(ClipList, DropOntoAFullLibraryIsIgnoredAndClearEmptiesIt)
{
    std::vector<std::string> files;
    for (int i = 0; i < 100; ++i)
        files.push_back(folder.Make("n" + std::to_string(i) + ".mp3", 10));
    h.session.Drop(control::List1, files);
    EXPECT_EQ(clips().ClipCount, 99);
    const auto status = h.session.Status(1);
    h.view.rows.clear();
    h.session.Drop(control::List1, {files[99]});
    EXPECT_EQ(clips().ClipCount, 99);
    EXPECT_TRUE(h.view.rows.empty()); // not even rebuilt
    EXPECT_EQ(h.session.Status(1), status);

    // Clear works in any link state.
    h.session.SetState(StateStreamClips);
    h.session.Click(control::Command3);
    EXPECT_EQ(clips().ClipCount, 0);
    EXPECT_EQ(clips().LibraryBytes, 0.0F);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(h.view.progressValue, 0.0);
    EXPECT_EQ(h.session.Status(1), "0 Files Loaded. 4063232 Bytes available");
}

TEST_F(ClipList, FilesThatCannotBeMeasuredAreNotTaken)
{
    const std::string real = folder.Make("real.mp3", 10);
    const std::string gone = (folder.path / "gone.mp3").string();
    Select({real, gone, real});
    EXPECT_EQ(clips().ClipCount, 1);
    ASSERT_EQ(h.dialogs.Texts("message").size(), 1U);
    EXPECT_NE(h.dialogs.Texts("message")[0].find(gone), std::string::npos);

    h.session.Drop(control::List1, {gone, real});
    EXPECT_EQ(clips().ClipCount, 2);
}

// Removing and reordering clips: the numbers follow the list, the byte total
// and the capacity bar follow the clips, and the status says what is left.
TEST_F(ClipList, RemovedAndReorderedClipsKeepTheirNumbersInOrderAndTheCapacityIsShown)
{
    const std::string a = folder.Make("a.mp3", 1000);
    const std::string b = folder.Make("b.mp3", 2000);
    const std::string c = folder.Make("c.mp3", 3000);
    const std::string d = folder.Make("d.mp3", 4000);
    h.session.Drop(control::List1, {a, b, c, d});
    EXPECT_EQ(h.view.meters["barCapacity"].text, "0.0 MB of 4.1 MB used (4 clips)");
    EXPECT_EQ(h.view.meters["barCapacity"].value, 10000.0 + 4 * 8);

    // Drag c and d to the top.
    h.session.MoveRows(control::List1, {2, 3}, 0);
    ASSERT_EQ(rows().size(), 4U);
    EXPECT_EQ(rows()[0], (std::vector<std::string>{"1", Shown(c), "3000"}));
    EXPECT_EQ(rows()[1][1], Shown(d));
    EXPECT_EQ(rows()[2][1], Shown(a));
    EXPECT_EQ(rows()[3], (std::vector<std::string>{"4", Shown(b), "2000"}));
    EXPECT_EQ(clips().LibraryBytes, 10000.0F);
    // Drag the first to the end, and one onto its own place: nothing else moves.
    h.session.MoveRows(control::List1, {0}, 4);
    h.session.MoveRows(control::List1, {1}, 2);
    EXPECT_EQ(clips().Clips[1].FileName, d);
    EXPECT_EQ(clips().Clips[2].FileName, a);
    EXPECT_EQ(clips().Clips[4].FileName, c);

    // Remove the selected clips (the button, or the Delete key in the window).
    h.view.selection["List1"] = {0, 3};
    h.session.Click(control::btnRemoveClip);
    EXPECT_EQ(clips().ClipCount, 2);
    EXPECT_EQ(clips().LibraryBytes, 3000.0F);
    EXPECT_EQ(rows(), (std::vector<std::vector<std::string>>{{"1", Shown(a), "1000"}, {"2", Shown(b), "2000"}}));
    EXPECT_EQ(h.session.Status(1), "2 Files Loaded.   4060232 Bytes remaining.");
    EXPECT_EQ(h.view.meters["barCapacity"].text, "0.0 MB of 4.1 MB used (2 clips)");
    // Nothing selected, nothing removed.
    h.view.selection["List1"] = {};
    h.session.Click(control::btnRemoveClip);
    EXPECT_EQ(clips().ClipCount, 2);

    // The bar turns to its warning colour above 90 % of the audio memory.
    const std::string big = folder.MakeSparse("big.mp3", K5Ram * 9 / 10 - 3000 - 24);
    h.session.Drop(control::List1, {big});
    EXPECT_FALSE(h.view.meters["barCapacity"].warning);
    EXPECT_EQ(h.view.meters["barCapacity"].value, K5Ram * 9 / 10);
    h.session.Drop(control::List1, {folder.Make("one.mp3", 1)});
    EXPECT_TRUE(h.view.meters["barCapacity"].warning);
    EXPECT_EQ(h.view.meters["barCapacity"].text, "3.7 MB of 4.1 MB used (4 clips)");
    h.session.Click(control::Command3);
    EXPECT_EQ(h.view.meters["barCapacity"].text, "0.0 MB of 4.1 MB used (0 clips)");
}

} // namespace
} // namespace marrowick::testing
