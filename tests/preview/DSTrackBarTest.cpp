// TDSTrackBar on a real form with the platform's real DirectShow: the bar
// follows playback, seeks where the user lets go of it and lets go of the
// graph when either of them goes. The seek media have sound, so that with the
// bench's sound server the graph holds an audio renderer, as a user's does.
#include "preview/DSTrackBar.h"

#include <gtest/gtest.h>

#include <evcode.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PreviewMedia.h"
#include "preview/FilterGraph.h"
#include "preview/VideoWindow.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace korvane {
namespace {

using test::MediaFile;

constexpr LONGLONG kUnitsPerSecond = 10000000;

// The preview's arrangement in small: the video window with the seek bar
// under it, both on the one graph.
class TSeekForm : public ui::Form {
public:
    TSeekForm() : ui::Form("TSeekTestForm")
    {
        SetBorderStyle(ui::bsSingle);
        SetBounds(20, 20, 10, 10);
        SetClientSize(420, 320);
        panLeft.Place(this, 0, 0, 420, 320);
        VideoWindow.Place(&panLeft, 34, 6, 359, 232);
        VideoWindow.SetFilterGraph(&FilterGraph);
        tkbProgress.Place(&panLeft, 39, 267, 296, 14);
        tkbProgress.SetFrequency(60);
        tkbProgress.SetThumbLength(8);
        tkbProgress.SetFilterGraph(&FilterGraph);
    }

    TFilterGraph& FilterGraph = MakeNamed<TFilterGraph>("FilterGraph");
    ui::Panel& panLeft = MakeNamed<ui::Panel>("panLeft");
    TVideoWindow& VideoWindow = MakeNamed<TVideoWindow>("VideoWindow");
    TDSTrackBar& tkbProgress = MakeNamed<TDSTrackBar>("tkbProgress");
};

struct TickRecord {
    ui::Component* sender;
    std::uint32_t currentPos;
    std::uint32_t stopPos;
};

class DSTrackBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::App().Initialize();
        ui::App().SetTitle("Korvane Test");
        form = &ui::App().CreateForm<TSeekForm>();
        form->Show();
        ui::App().ProcessMessages();
        bar().SetOnTimer([this](ui::Component& sender, std::uint32_t current, std::uint32_t stop) {
            ticks.push_back(TickRecord{&sender, current, stop});
        });
    }
    void TearDown() override
    {
        if (form)
            form->FilterGraph.Stop();
        ui::App().DestroyForms();
        ui::App().ProcessMessages();
        ui::App().ResetTerminated();
        EXPECT_TRUE(dialogs.MessageBoxes().empty()) << dialogs.MessageBoxes().front().Text;
    }

    TDSTrackBar& bar() { return form->tkbProgress; }
    TFilterGraph& graph() { return form->FilterGraph; }

    // What the main window does with a new source.
    void Load(const std::wstring& file)
    {
        if (!graph().Active())
            graph().SetActive(true);
        graph().EmptyGraph();
        graph().RenderMediaFile(file);
        graph().Play();
    }

    // Loaded and paused: the playback position stays where it is put.
    void LoadPaused(const std::wstring& file)
    {
        Load(file);
        graph().Pause();
        ui::App().ProcessMessages();
    }

    LONGLONG GraphPosition()
    {
        LONGLONG p = -1;
        bar().Seeking()->GetCurrentPosition(&p);
        return p;
    }

    void SeekGraphTo(LONGLONG position)
    {
        LONGLONG stop = 0;
        bar().Seeking()->GetStopPosition(&stop);
        graph().SetPositions(&position, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
    }

    OAFilterState GraphState()
    {
        OAFilterState state = -1;
        graph().Query<IMediaControl>(IID_IMediaControl)->GetState(5000, &state);
        return state;
    }

    POINT ThumbCentre()
    {
        const RECT r = bar().ThumbRect();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // A press and release on the thumb, as the mouse gives them.
    void PressThumb()
    {
        const POINT p = ThumbCentre();
        ::SendMessageA(bar().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    void ReleaseThumb()
    {
        const POINT p = ThumbCentre();
        ::SendMessageA(bar().Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }

    ui::ScriptedDialogs dialogs;
    TSeekForm* form = nullptr;
    std::vector<TickRecord> ticks;
};

TEST_F(DSTrackBarTest, SeekingComesAndGoesWithTheGraphsActivation)
{
    EXPECT_EQ(bar().FilterGraph(), &graph());
    EXPECT_EQ(bar().TimerInterval(), 1000u);
    EXPECT_EQ(bar().Seeking(), nullptr);
    EXPECT_EQ(bar().Min(), 0);
    EXPECT_EQ(bar().Max(), 10);
    EXPECT_EQ(bar().Position(), 0);
    EXPECT_EQ(bar().PageSize(), 2);
    EXPECT_EQ(bar().LineSize(), 1);
    EXPECT_TRUE(::IsWindow(bar().TimerWindow()));

    graph().SetActive(true);
    EXPECT_NE(bar().Seeking(), nullptr);
    EXPECT_FALSE(bar().TimerRunning());
    graph().SetActive(false);
    EXPECT_EQ(bar().Seeking(), nullptr);
    graph().SetActive(true);
    EXPECT_NE(bar().Seeking(), nullptr);
}

TEST_F(DSTrackBarTest, PlayArmsTheTimerPauseAndStopDisarmIt)
{
    Load(MediaFile("clip.avi"));
    EXPECT_TRUE(bar().TimerEnabled());
    EXPECT_TRUE(bar().TimerRunning());
    graph().Pause();
    EXPECT_FALSE(bar().TimerRunning());
    graph().Play();
    EXPECT_TRUE(bar().TimerRunning());
    graph().Stop();
    EXPECT_FALSE(bar().TimerRunning());

    // A disabled bar does not follow playback, and enabling it later does not
    // start the timer: only the next Play does.
    bar().SetEnabled(false);
    graph().Play();
    EXPECT_FALSE(bar().TimerRunning());
    bar().SetEnabled(true);
    EXPECT_FALSE(bar().TimerRunning());
    graph().Pause();
    graph().Play();
    EXPECT_TRUE(bar().TimerRunning());

    // Disabling it while it follows leaves the timer alone too.
    bar().SetEnabled(false);
    EXPECT_TRUE(bar().TimerRunning());
}

TEST_F(DSTrackBarTest, ATickTakesRangeAndPositionFromTheGraphInBarUnits)
{
    // 59.9 seconds: the bar ends at 59, the last whole second.
    LoadPaused(MediaFile("seek59_9.avi"));
    const std::int32_t durationMs = graph().GetDurationMs();
    ASSERT_EQ(durationMs, 59900);
    // Until the first tick the bar keeps the range it had.
    EXPECT_EQ(bar().Max(), 10);

    struct Case {
        std::uint32_t interval;
        LONGLONG at;   // playback position, reference time
        int max, position;
    } cases[] = {
        {1000, 7 * kUnitsPerSecond + 9990000, 59, 7},   // 7.999 s is still second 7
        {1000, 59 * kUnitsPerSecond + 5000000, 59, 59},
        {250, 3 * kUnitsPerSecond + 2600000, 239, 13},  // 3.26 s: unit 13 of 250 ms
        {3000, 11 * kUnitsPerSecond, 19, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        bar().SetTimerInterval(c.interval);
        SeekGraphTo(c.at);
        ticks.clear();
        bar().TimerTick();
        EXPECT_EQ(bar().Min(), 0);
        EXPECT_EQ(bar().Max(), c.max);
        EXPECT_EQ(bar().Position(), c.position);
        ASSERT_EQ(ticks.size(), 1u);
        EXPECT_EQ(ticks[0].sender, &bar());
        EXPECT_EQ(ticks[0].currentPos, static_cast<std::uint32_t>(c.at / 10000));
        EXPECT_EQ(ticks[0].stopPos, 59900u);
    }
}

TEST_F(DSTrackBarTest, TheTimerFollowsRealPlayback)
{
    bar().SetTimerInterval(100);
    Load(MediaFile("clip.avi"));
    ASSERT_TRUE(test::PumpUntil([&] { return ticks.size() >= 3 && ticks.back().currentPos >= 300; }, 5000))
        << ticks.size() << " ticks";
    for (std::size_t i = 1; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i].currentPos, ticks[i - 1].currentPos) << "tick " << i;
    EXPECT_EQ(bar().Max(), static_cast<int>(ticks.back().stopPos / 100));
    EXPECT_GE(bar().Position(), 3);

    // Paused, the timer stops, and the bar stands still where it ticks.
    graph().Pause();
    EXPECT_FALSE(bar().TimerRunning());
    bar().TimerTick();
    const std::uint32_t pausedAt = ticks.back().currentPos;
    bar().TimerTick();
    EXPECT_EQ(ticks.back().currentPos, pausedAt);
}

TEST_F(DSTrackBarTest, AtTheEndOfTheStreamTheBarStaysAtTheEndAndKeepsTicking)
{
    LoadPaused(MediaFile("seek59_9.avi"));
    bool complete = false;
    graph().OnGraphComplete = [&](HRESULT) { complete = true; };
    SeekGraphTo(59 * kUnitsPerSecond + 5000000);
    graph().Play();
    ASSERT_TRUE(test::PumpUntil([&] { return complete; }, 5000));
    ticks.clear();
    bar().TimerTick();
    EXPECT_EQ(bar().Max(), 59);
    EXPECT_EQ(bar().Position(), 59);
    EXPECT_TRUE(bar().TimerRunning()) << "the end of the stream does not stop the timer";
    ASSERT_EQ(ticks.size(), 1u);
}

TEST_F(DSTrackBarTest, IntervalZeroStopsAllUpdates)
{
    bar().SetTimerInterval(0);
    LoadPaused(MediaFile("clip.avi"));
    graph().Play();
    EXPECT_TRUE(bar().TimerEnabled());
    EXPECT_FALSE(bar().TimerRunning());
    bar().TimerTick();
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(bar().Max(), 10);
    // A non-zero interval while playing arms it again.
    bar().SetTimerInterval(500);
    EXPECT_TRUE(bar().TimerRunning());
}

TEST_F(DSTrackBarTest, ReleasingTheThumbSeeksToTheSameFractionOfTheStopPosition)
{
    // 10.5 seconds make a bar of 10: its middle is 5.25 s, not 5 s.
    LoadPaused(MediaFile("seek10_5.avi"));
    bar().TimerTick();
    ASSERT_EQ(bar().Max(), 10);
    bar().SetPosition(5);
    PressThumb();
    EXPECT_TRUE(bar().LeftButtonDown());
    ReleaseThumb();
    EXPECT_FALSE(bar().LeftButtonDown());
    EXPECT_EQ(bar().Position(), 5);
    EXPECT_EQ(GraphPosition(), 52500000);

    // The end of the bar is the stop position.
    bar().SetPosition(10);
    PressThumb();
    ReleaseThumb();
    EXPECT_EQ(GraphPosition(), 105000000);
    EXPECT_EQ(GraphState(), State_Paused);

    // While playing, with the sound as a user has it: playback goes on from
    // there, and the graph still stops afterwards (see TearDown).
    if (test::SoundServerRunning()) {
        EXPECT_TRUE(test::HasAudioRenderer(graph().Graph()));
    }
    graph().Play();
    bar().SetPosition(7);
    PressThumb();
    ReleaseThumb();
    EXPECT_EQ(GraphState(), State_Running);
    EXPECT_GE(GraphPosition(), 73500000);
    EXPECT_LT(GraphPosition(), 83500000);
    EXPECT_TRUE(bar().TimerRunning());
}

TEST_F(DSTrackBarTest, WhileTheLeftButtonIsHeldTicksLeaveTheThumbAlone)
{
    LoadPaused(MediaFile("seek10_5.avi"));
    bar().TimerTick();
    ASSERT_EQ(bar().Position(), 0);
    bar().SetPosition(8);
    PressThumb();
    ticks.clear();
    SeekGraphTo(2 * kUnitsPerSecond);
    bar().TimerTick();
    EXPECT_EQ(bar().Position(), 8);
    EXPECT_TRUE(ticks.empty());
    ReleaseThumb();
    bar().TimerTick();
    EXPECT_EQ(bar().Position(), 8) << "the release took playback to the thumb";
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].currentPos, 8400u);
}

TEST_F(DSTrackBarTest, ARightButtonReleaseNeverSeeksButEndsTheLeftButtonState)
{
    LoadPaused(MediaFile("seek10_5.avi"));
    bar().TimerTick();
    SeekGraphTo(5 * kUnitsPerSecond);
    bar().SetPosition(9);
    PressThumb();
    ASSERT_TRUE(bar().LeftButtonDown());
    const POINT p = ThumbCentre();
    ::SendMessageA(bar().Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    ::SendMessageA(bar().Handle(), WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    EXPECT_FALSE(bar().LeftButtonDown());
    EXPECT_EQ(GraphPosition(), 5 * kUnitsPerSecond);
    ::ReleaseCapture();
}

TEST_F(DSTrackBarTest, TheKeyboardMovesTheThumbWithoutSeeking)
{
    LoadPaused(MediaFile("seek10_5.avi"));
    SeekGraphTo(4 * kUnitsPerSecond);
    bar().TimerTick();
    ASSERT_EQ(bar().Position(), 4);
    int changes = 0;
    bar().OnChange = [&](ui::Component&) { ++changes; };
    ::SendMessageA(bar().Handle(), WM_KEYDOWN, VK_RIGHT, 0);
    ::SendMessageA(bar().Handle(), WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(bar().Position(), 5);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(GraphPosition(), 4 * kUnitsPerSecond);
    bar().TimerTick();
    EXPECT_EQ(bar().Position(), 4) << "the next tick puts the thumb back";
}

TEST_F(DSTrackBarTest, ASourceShorterThanOneUnitSeeksToItsStart)
{
    LoadPaused(MediaFile("seek10_5.avi"));
    bar().SetTimerInterval(60000);
    SeekGraphTo(2 * kUnitsPerSecond);
    bar().TimerTick();
    ASSERT_EQ(bar().Max(), 0);
    PressThumb();
    ReleaseThumb();
    EXPECT_EQ(GraphPosition(), 0);
}

TEST_F(DSTrackBarTest, AClockChangeTakesPlaybackBackToTheBeginning)
{
    LoadPaused(MediaFile("seek10_5.avi"));
    auto sink = graph().Query<IMediaEventSink>(IID_IMediaEventSink);
    ASSERT_TRUE(sink);
    struct Case {
        LONGLONG at, after;
    } cases[] = {
        {6 * kUnitsPerSecond, 0},
        // Still in the first unit: nothing the bar could show, so no seek.
        {9990000, 9990000},
    };
    for (const Case& c : cases) {
        SeekGraphTo(c.at);
        ASSERT_EQ(sink->Notify(EC_CLOCK_CHANGED, 0, 0), S_OK);
        test::PumpUntil([&] { return GraphPosition() != c.at; }, 500);
        EXPECT_EQ(GraphPosition(), c.after) << c.at;
    }
    LONGLONG stop = 0, duration = 0;
    bar().Seeking()->GetStopPosition(&stop);
    bar().Seeking()->GetDuration(&duration);
    EXPECT_EQ(stop, duration) << "the stop position is left as it was";
}

TEST_F(DSTrackBarTest, StopsThatComeWithRemovingTheRendererOrDeactivatingEndTheTimer)
{
    Load(MediaFile("seek10_5.avi"));
    ASSERT_TRUE(bar().TimerRunning());
    // A new renderer: the old one leaves a stopped graph.
    form->VideoWindow.SetMode(vmNormal);
    EXPECT_FALSE(bar().TimerRunning());
    graph().Play();
    ASSERT_TRUE(bar().TimerRunning());
    graph().SetActive(false);
    EXPECT_FALSE(bar().TimerRunning());
}

TEST_F(DSTrackBarTest, TheGraphGoingFirstIsDroppedAndTheBarGoingFirstDetaches)
{
    auto& other = form->Make<TFilterGraph>();
    bar().SetFilterGraph(&other);
    other.SetActive(true);
    other.RenderMediaFile(MediaFile("seek10_5.avi"));
    other.Play();
    ASSERT_NE(bar().Seeking(), nullptr);
    ASSERT_TRUE(bar().TimerRunning());
    delete &other;
    EXPECT_EQ(bar().FilterGraph(), nullptr);
    EXPECT_EQ(bar().Seeking(), nullptr);
    EXPECT_FALSE(bar().TimerRunning());
    bar().TimerTick();
    EXPECT_TRUE(ticks.empty());

    // Back on the form's graph; then the bar goes while it plays.
    bar().SetFilterGraph(&graph());
    graph().SetActive(true);
    graph().RenderMediaFile(MediaFile("seek10_5.avi"));
    graph().Play();
    ASSERT_TRUE(bar().TimerRunning());
    const HWND timerWindow = bar().TimerWindow();
    const std::size_t listeners = graph().GraphListenerCount();
    delete &bar();
    // Its timer and its place among the graph's listeners went with it.
    EXPECT_FALSE(::IsWindow(timerWindow));
    EXPECT_EQ(graph().GraphListenerCount(), listeners - 1);
    // What a stale listener would hear.
    graph().Pause();
    graph().Stop();
    graph().SetActive(false);
}

} // namespace
} // namespace korvane
