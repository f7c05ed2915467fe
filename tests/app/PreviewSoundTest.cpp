// The preview with sound, as on a Linux desktop with a sound server: seeks
// while playing, then Stop, a job, another file and closing, through the
// real main window with the real converter; the window keeps answering.
#include "tests/app/KorvaneFixture.h"
#include "tests/preview/AudioRenderer.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace korvane::testing {
namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;

// Asks the GUI thread, from a thread of its own, every 100 ms whether it still
// answers (through a window of its own on the GUI thread), and keeps the
// longest wait. A thread that does not answer within 30 s is stuck for good:
// the process ends at once with the step it was in, instead of at the
// suite's time limit.
class AnswerWatch {
public:
    AnswerWatch()
        : window_(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
        thread_ = std::thread([this] { Watch(); });
    }
    ~AnswerWatch()
    {
        stop_ = true;
        // The watcher may be waiting for an answer: give it one.
        MSG msg;
        while (!done_)
            if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE) == WAIT_OBJECT_0)
                ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        thread_.join();
        ::DestroyWindow(window_);
    }
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;

    void Step(const char* name) { step_ = name; }
    DWORD Longest() const { return longest_; }

private:
    void Watch()
    {
        while (!stop_) {
            const DWORD start = ::GetTickCount();
            DWORD_PTR result = 0;
            if (!::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) {
                std::fprintf(stderr, "The window stopped answering during: %s\n", step_.load());
                std::fflush(stderr);
                ::TerminateProcess(::GetCurrentProcess(), 3);
            }
            const DWORD waited = ::GetTickCount() - start;
            if (waited > longest_)
                longest_ = waited;
            ::Sleep(100);
        }
        done_ = true;
    }

    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<const char*> step_{"start"};
    std::atomic<DWORD> longest_{0};
    std::thread thread_;
};

class PreviewSound : public KorvaneTest {
protected:
    void Pump(DWORD ms)
    {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < ms) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            ui::App().ProcessMessages();
        }
    }

    // A left click on a picture control, through its parent's window.
    void ClickOn(ui::Control& control)
    {
        const LPARAM at = MAKELPARAM(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        HWND parent = control.Parent()->Handle();
        ::SendMessageA(parent, WM_MOUSEMOVE, 0, at);
        ::SendMessageA(parent, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(parent, WM_LBUTTONUP, 0, at);
    }

    // The user drags the thumb to `second` and lets go.
    void SeekWithTheBar(int second)
    {
        TDSTrackBar& bar = Main().tkbProgress;
        bar.TimerTick();
        const RECT thumb = bar.ThumbRect();
        const LPARAM on = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
        ::SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, on);
        bar.SetPosition(second);
        ::SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, on);
    }

    LONGLONG PreviewPosition()
    {
        LONGLONG p = -1;
        Main().tkbProgress.Seeking()->GetCurrentPosition(&p);
        return p;
    }

    bool Playing()
    {
        OAFilterState state = -1;
        Main().FilterGraph.Query<IMediaControl>(IID_IMediaControl)->GetState(5000, &state);
        return state == State_Running;
    }
};

TEST_F(PreviewSound, SeeksWithSoundThenStopAJobAnotherFileAndClosingKeepTheWindowAnswering)
{
    WriteProfile("AVI video", "avi");
    Start();
    SelectProfile("AVI video");
    TMainForm& main = Main();
    AnswerWatch watch;

    watch.Step("loading the source");
    main.LoadSource(SampleVideo());
    KORVANE_REQUIRE_AUDIO_RENDERER(main.FilterGraph.Graph());
    Pump(1200);

    watch.Step("seeking while playing");
    SeekWithTheBar(12);
    EXPECT_TRUE(Playing());
    EXPECT_GE(PreviewPosition(), 12 * kUnitsPerSecond);
    EXPECT_TRUE(uitest::PumpUntil([&] { return PreviewPosition() > 12 * kUnitsPerSecond; }))
        << "playback did not go on from there";

    watch.Step("Stop after a seek");
    ClickOn(main.sbtnStopPreview);
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(main.tkbProgress.TimerRunning());

    watch.Step("a job after a seek");
    ClickOn(main.sbtnPlayPreview);
    Pump(300);
    SeekWithTheBar(5);
    Pump(300);
    SetRange("00:00:02", "00:00:04");
    main.imgStartClick(main.imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_TRUE(FileExistsAt(OutputDir() + "sample_Clip1.avi"));

    watch.Step("another file after a seek");
    ClickOn(main.sbtnPlayPreview);
    Pump(300);
    SeekWithTheBar(15);
    Pump(300);
    const std::string other = WinePath(KORVANE_LONG_VIDEO);
    dialogs.QueueFile(other);
    ClickOn(main.sbtnOpen);
    EXPECT_EQ(main.edtSource.Text(), other);
    EXPECT_EQ(main.labRight.Caption(), "00:00:40");
    EXPECT_TRUE(test::HasAudioRenderer(main.FilterGraph.Graph()));
    Pump(800);

    watch.Step("closing after a seek");
    SeekWithTheBar(30);
    Pump(300);
    ::SendMessageA(main.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui::App().Terminated());
    ui::App().DestroyForms();

    // A window that stops answering ends the test from the watch, naming the step.
    std::printf("longest wait for the window to answer: %lu ms\n", static_cast<unsigned long>(watch.Longest()));
}

} // namespace
} // namespace korvane::testing
