// A source the preview cannot show, on a system without the preview's
// decoders: ctest runs this with them switched off (a Wine DLL override in
// the test's environment, see tests/app/CMakeLists.txt). The file still loads,
// its length comes from the converter's engine, and a job cuts it.
#include "tests/app/KorvaneFixture.h"
#include "tests/support/Processes.h"
#include "tests/support/StandIn.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

namespace korvane::testing {
namespace {

class WithoutPreviewDecoders : public KorvaneTest {};

TEST_F(WithoutPreviewDecoders, ASourceLoadsWithItsLengthAndSplits)
{
    Preferences prefs;
    prefs.overwrite = true;
    WriteProfile("AVI video", "avi");
    Start(prefs);
    TMainForm& main = Main();
    ui::Guard([&] { main.LoadSource(SampleVideo()); });
    if (main.PreviewAvailable()) {
        if (std::getenv("KORVANE_DLL_OVERRIDES"))
            FAIL() << "the override " << std::getenv("KORVANE_DLL_OVERRIDES") << " left the preview its decoders";
        GTEST_SKIP() << "the preview's decoders are on; ctest runs this with them off";
    }

    // The render error, once, and the banner's line instead of a picture.
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Caption, "Korvane");
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(main.panbanner.Visible());
    EXPECT_TRUE(main.labNoPreview.Visible());
    EXPECT_EQ(main.labNoPreview.Caption(), "No preview is available for this file.");
    EXPECT_EQ(main.edtSource.Text(), SampleVideo());

    // A time typed while the engine still reads is marked once the length is known.
    main.edtEnd.SetText("00:00:05");
    main.edtEndExit(main.edtEnd);
    ASSERT_TRUE(uitest::PumpUntil([&] { return main.labRight.Caption() != "00:00:00"; }))
        << "the engine never told the length";
    EXPECT_EQ(main.labRight.Caption(), "00:00:20");
    EXPECT_EQ(main.labMiddle.Caption(), "00:00:10");
    EXPECT_NEAR(main.SourceSeconds(), 20.0, 0.1);
    EXPECT_EQ(main.tkbProgress.SelEnd(), 5);

    main.edtStart.SetText("00:00:02");
    main.edtStartExit(main.edtStart);
    EXPECT_EQ(main.tkbProgress.SelStart(), 2);
    EXPECT_EQ(main.labLength.Caption(), "The length of the marked rang is 00:00:03");

    dialogs.ClearCalls();
    main.imgStartClick(main.imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_EQ(VideoFrames(OutputDir() + "sample_Clip1.avi"), 75);
    // After the job the banner still says why there is no picture.
    EXPECT_TRUE(main.labNoPreview.Visible());
}

// --- the engine slow, silent or crashing while it reads the source ---------------------

const std::string kStartRefused = "Invalid Start Time|Please varify the Start Time you selected.";
const std::string kCompleted = "Completed|Splitting is completed successfully.";

// The engine stands in for itself, following a script, so that it can be
// slow, silent or crash while it reads the source's length or frame rate.
class EngineReading : public WithoutPreviewDecoders {
protected:
    void SetUp() override
    {
        if (std::getenv("KORVANE_DLL_OVERRIDES") == nullptr)
            GTEST_SKIP() << "the preview's decoders are on; ctest runs this with them off";
        Preferences prefs;
        prefs.overwrite = true;
        WriteProfile("AVI video", "avi");
        // The engine's DVD preset with the standard left to the source's rate.
        folder.Write("Profiles\\DVD.apf", "[Main]\r\nType=vob\r\nPara=1\r\n0=TV Standard\r\n"
                                           "[TV Standard]\r\nSort=1\r\nList=1\r\nCaption=Follow the source,\r\n"
                                           "Value=dvd,\r\nIndex=0\r\ncmd=-target\r\n");
        PutStandIn(folder.path(), "kvengine.exe", "* pass\n");
        Start(prefs);
    }

    // Loads a source with the engine following the script; the window has
    // said once that it cannot show the file.
    void Load(const std::string& path, const std::string& script)
    {
        RescriptStandIn(folder.path(), script);
        dialogs.ClearCalls();
        ui::Guard([&] { Main().LoadSource(path); });
        ASSERT_FALSE(Main().PreviewAvailable());
        ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
        dialogs.ClearCalls();
    }

    bool EngineRuns() const { return RunsFrom(folder.path(), L"kvengine.exe"); }

    void ExpectIdleAndNothingLeft()
    {
        EXPECT_EQ(Main().JobState, jsIdle);
        EXPECT_FALSE(Main().panProgress.Visible());
        EXPECT_TRUE(Main().imgStart.Visible());
        EXPECT_EQ(LeftRunningIn(folder.path()), std::vector<std::string>{});
    }
};

struct EngineCase {
    const char* name;
    const char* loadScript;    // the engine while it reads the length at load
    const char* startScript;   // the engine from Start on; none: as at load
    const char* profile;
    DWORD answerMs;            // the engine's deadline from Start on
    std::vector<std::string> boxes;
    bool waits;                // Start finds the engine still reading
};

void PrintTo(const EngineCase& c, std::ostream* os)
{
    *os << c.name;
}

class EngineAtStart : public EngineReading, public ::testing::WithParamInterface<EngineCase> {};

// The window is served while the engine reads, with the job's busy look, and
// the job goes on, or ends with a message, once the engine answers, fails or
// lets the deadline pass.
TEST_P(EngineAtStart, IsWaitedForWithTheWindowServed)
{
    const EngineCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Load(SampleVideo(), c.loadScript));
    if (c.startScript != nullptr) {
        ASSERT_TRUE(uitest::PumpUntil([&] { return !EngineRuns(); })) << "the engine never told the length";
        RescriptStandIn(folder.path(), c.startScript);
    }
    SelectProfile(c.profile);
    SetRange("00:00:02", "00:00:05");
    korvane.EngineAnswerMs = c.answerMs;

    std::string shown;
    uitest::PumpTimer watch(20, [&] {
        if (Main().panProgress.Visible())
            shown = Main().labProcessing.Caption();
        return !shown.empty();
    });
    Main().imgStartClick(Main().imgStart);

    EXPECT_EQ(Boxes(), c.boxes);
    if (c.waits) {
        EXPECT_EQ(shown, "Reading: sample.avi") << "the window was not served while the engine read";
    }
    if (c.boxes == std::vector<std::string>{kCompleted}) {
        EXPECT_EQ(VideoFrames(OutputDir() + "sample_Clip1.avi"), 75);
    }
    ExpectIdleAndNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Script, EngineAtStart,
    ::testing::Values(
        EngineCase{"SlowOverTheLength", "_Clip pass\n* late 1000\n", nullptr, "AVI video", 30000, {kCompleted},
                   true},
        EngineCase{"SilentOverTheLength", "* silent 60000\n", nullptr, "AVI video", 2000,
                   {"Korvane|The converter's engine did not tell the length of sample.avi within 2 seconds."}, true},
        // No length: the start lies beyond a source of none.
        EngineCase{"CrashingOverTheLength", "* crash 300\n", nullptr, "AVI video", 30000, {kStartRefused}, false},
        EngineCase{"SilentOverTheFrameRate", "* pass\n", "* silent 60000\n", "DVD", 2000,
                   {"Korvane|The converter's engine did not tell the frame rate of sample.avi within 2 seconds."},
                   true}),
    [](const ::testing::TestParamInfo<EngineCase>& c) { return std::string(c.param.name); });

// Cancel and the close box answer while the engine is silent over the length.
TEST_F(EngineReading, CancelAndCloseAnswerWhileTheEngineIsSilent)
{
    ASSERT_NO_FATAL_FAILURE(Load(SampleVideo(), "* silent 60000\n"));
    SelectProfile("AVI video");
    SetRange("00:00:02", "00:00:05");
    auto act = [&](bool close) {
        return [this, close] {
            if (!Main().panProgress.Visible())
                return false;
            if (close)
                PostClose();
            else
                PostCancelClick();
            return true;
        };
    };

    {
        uitest::PumpTimer user(20, act(false));
        dialogs.QueueAnswer(IDYES);
        Main().imgStartClick(Main().imgStart);
    }
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Query|Do you want to cancel the splitting?"});
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
    // The engine reads on for the next Start.
    EXPECT_TRUE(EngineRuns());
    EXPECT_TRUE(Main().tmrProbe.Enabled());

    dialogs.ClearCalls();
    {
        uitest::PumpTimer user(20, act(true));
        dialogs.QueueAnswer(IDYES);
        Main().imgStartClick(Main().imgStart);
    }
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Exit Query|Do you want to cancel the splitting and exit?"});
    EXPECT_TRUE(ui::App().Terminated());
    EXPECT_FALSE(Main().Visible());
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_EQ(LeftRunningIn(folder.path()), std::vector<std::string>{});
}

// The engine that reads the old source's length goes with it; the new
// source's length is the one shown, and a silent engine is reported.
TEST_F(EngineReading, ANewSourceReplacesTheSilentEngineOfTheOld)
{
    ASSERT_NO_FATAL_FAILURE(Load(SampleVideo(), "* silent 60000\n"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return EngineRuns(); })) << "the engine never started";
    ASSERT_NO_FATAL_FAILURE(Load(WinePath(KORVANE_LONG_VIDEO), "* pass\n"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Main().labRight.Caption() != "00:00:00"; }))
        << "the new source's length never came";
    EXPECT_EQ(Main().labRight.Caption(), "00:00:40");
    // A stopped engine, and one that has told the length, are gone soon after.
    EXPECT_TRUE(uitest::PumpUntil([&] { return LeftRunningIn(folder.path()).empty(); }))
        << "still running: " << ::testing::PrintToString(LeftRunningIn(folder.path()));

    // Left alone, a silent engine is reported once the deadline has passed.
    korvane.EngineAnswerMs = 2000;
    ASSERT_NO_FATAL_FAILURE(Load(SampleVideo(), "* silent 60000\n"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return !dialogs.MessageBoxes().empty(); }))
        << "the silent engine was never reported";
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Korvane|The converter's engine did not tell the length of sample.avi within 2 seconds."});
    EXPECT_EQ(Main().labRight.Caption(), "00:00:00");
    EXPECT_TRUE(uitest::PumpUntil([&] { return LeftRunningIn(folder.path()).empty(); }))
        << "still running: " << ::testing::PrintToString(LeftRunningIn(folder.path()));
}

} // namespace
} // namespace korvane::testing
