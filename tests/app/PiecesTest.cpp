// Pieces of a length and of at most a size, from the window's own controls
// to the files, with the real converter under Wine: a copy and an encoding of
// a 60 s H.264 source with a keyframe every 2 s and pictures in B-frame order.
#include "tests/app/KorvaneFixture.h"

#include "app/FileNamesWin.h"
#include "profiles/IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::testing {
namespace {

constexpr int kSourceFrames = 60 * 25;

class Pieces : public KorvaneTest {
protected:
    void StartWithSource()
    {
        WriteProfile("AVI video", "avi");
        WriteProfile("Settings of the source file.", "mp4");
        Start();
        Main().LoadSource(Source());
        Main().edtStart.SetText("00:00:00");
        Main().edtEnd.SetText("00:01:00");
    }
    static std::string Source() { return WinePath(KORVANE_APP_MEDIA_DIR "/pieces.mp4"); }
    std::string Piece(int n, const std::string& ext) const
    {
        return OutputDir() + "pieces_Clip" + std::to_string(n) + ext;
    }
    // The files the job made, numbered from 1, until the first missing one.
    std::vector<std::string> Made(const std::string& ext) const
    {
        std::vector<std::string> made;
        while (FileExistsAt(Piece(static_cast<int>(made.size()) + 1, ext)))
            made.push_back(Piece(static_cast<int>(made.size()) + 1, ext));
        return made;
    }
    void Run(const std::string& profile)
    {
        dialogs.ClearCalls();
        SelectProfile(profile);
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."}) << profile;
    }
    void Clear(const std::vector<std::string>& files)
    {
        for (const std::string& f : files)
            DeleteFileA(f.c_str());
    }
};

TEST_F(Pieces, OfALengthTheLastShorterAndNothingLostBetweenThem)
{
    StartWithSource();
    // A click into the length's box chooses pieces of a length.
    Main().edtPieceLength.SetText("22");
    Main().edtPieceLengthClick(Main().edtPieceLength);
    ASSERT_TRUE(Main().rdbPieceLength.Checked());
    for (const auto& [profile, ext] : {std::pair<std::string, std::string>{"Settings of the source file.", ".mp4"},
                                       std::pair<std::string, std::string>{"AVI video", ".avi"}}) {
        Run(profile);
        const std::vector<std::string> made = Made(ext);
        ASSERT_EQ(made.size(), 3u) << profile;
        const int frames[] = {VideoFrames(made[0]), VideoFrames(made[1]), VideoFrames(made[2])};
        // 22 s is a keyframe's time, and so is 44 s: copies meet exactly.
        EXPECT_EQ(frames[0], 550) << profile;
        EXPECT_EQ(frames[1], 550) << profile;
        EXPECT_EQ(frames[2], 400) << profile;
        EXPECT_EQ(Main().labProcessing.Caption(), "Splitting: Piece 3");
        Clear(made);
    }
}

TEST_F(Pieces, OfAtMostASizeEachAsLongAsItCanBe)
{
    StartWithSource();
    Main().edtPieceSize.SetText("0.3");
    Main().edtPieceSizeClick(Main().edtPieceSize);
    ASSERT_TRUE(Main().rdbPieceSize.Checked());
    for (const auto& [profile, ext] : {std::pair<std::string, std::string>{"Settings of the source file.", ".mp4"},
                                       std::pair<std::string, std::string>{"AVI video", ".avi"}}) {
        Run(profile);
        const std::vector<std::string> made = Made(ext);
        ASSERT_GE(made.size(), 2u) << profile;
        int frames = 0;
        for (std::size_t i = 0; i < made.size(); ++i) {
            const std::uint64_t size = FileStampOf(made[i])->size;
            EXPECT_LE(size, 300000u) << made[i];
            if (i + 1 < made.size()) {
                EXPECT_GE(size, 240000u) << made[i];
            }
            frames += VideoFrames(made[i]);
        }
        EXPECT_EQ(frames, kSourceFrames) << profile;
        Clear(made);
    }
}

TEST_F(Pieces, ValuesAreCheckedAndTheChoiceIsRemembered)
{
    StartWithSource();
    for (const char* bad : {"", "0", "-5", "abc"}) {
        dialogs.ClearCalls();
        Main().rdbPieceLength.SetChecked(true);
        Main().edtPieceLength.SetText(bad);
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{
                               "Invalid Piece Length|Please specify a valid length of the pieces in seconds."})
            << bad;
        EXPECT_EQ(GetFocus(), Main().edtPieceLength.Handle());
        dialogs.ClearCalls();
        Main().rdbPieceSize.SetChecked(true);
        Main().edtPieceSize.SetText(bad);
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(),
                  std::vector<std::string>{"Invalid Piece Size|Please specify a valid size of the pieces in MB."})
            << bad;
        EXPECT_EQ(GetFocus(), Main().edtPieceSize.Handle());
    }
    EXPECT_FALSE(FileExistsAt(Piece(1, ".avi")));

    // Kept at exit, and chosen again at the next start.
    Main().edtPieceLength.SetText("00:15:00");
    Main().edtPieceSize.SetText("25");
    Main().rdbPieceSize.SetChecked(true);
    Main().Close();
    ui::App().ProcessMessages();
    const IniFile ini(folder / "Preferences.ini");
    EXPECT_EQ(ini.ReadString("Main", "Piece Length", ""), "00:15:00");
    EXPECT_EQ(ini.ReadString("Main", "Piece Size", ""), "25");
    EXPECT_EQ(ini.ReadInteger("Main", "Pieces", 0), 2);
}

} // namespace
} // namespace korvane::testing
