#pragma once
// The seek bar under the preview.
//
// While the graph plays, the bar follows the playback position once per
// TimerInterval; when the user lets go of it with the left button, the graph
// seeks to the same fraction of its stop position as the thumb is of the bar.
// One bar unit is TimerInterval milliseconds, so with the default 1000 the
// position, maximum and selection are whole seconds.
//
// The bar only listens to its TFilterGraph (it contributes no filter). It
// takes the graph's seeking interface when the graph becomes active and lets
// go of it when the graph deactivates or goes away. Its timer runs on a hidden
// window of its own, from ControlPlay (while the bar is enabled) to
// ControlPause or ControlStop; enabling or disabling the bar later does not
// touch it. While the left button is held on the bar, ticks are skipped so
// the thumb stays where the user put it.
//
// OnTimer(sender, currentPos, stopPos) follows every tick that moved the bar;
// both positions are in milliseconds.
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <functional>

#include "preview/ComPtr.h"
#include "preview/GraphInterfaces.h"
#include "ui/Controls.h"
#include "ui/HiddenWindow.h"

namespace korvane {

class TFilterGraph;

using TTimerEvent = std::function<void(ui::Component& sender, std::uint32_t currentPos, std::uint32_t stopPos)>;

class TDSTrackBar : public ui::TrackBar, public IGraphListener {
public:
    explicit TDSTrackBar(ui::Component* owner);
    ~TDSTrackBar() override;
    const char* ClassName() const override { return "TDSTrackBar"; }

    TFilterGraph* FilterGraph() const { return filterGraph_; }
    // Seeking is not taken here: it comes with the graph's next activation.
    void SetFilterGraph(TFilterGraph* graph);

    // Milliseconds per tick and per bar unit; 0 stops all updates.
    std::uint32_t TimerInterval() const { return timerInterval_; }
    void SetTimerInterval(std::uint32_t value);

    const TTimerEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TTimerEvent handler);

    // The timer may run (between ControlPlay and ControlPause/ControlStop).
    bool TimerEnabled() const { return timerEnabled_; }
    // Whether the system timer is armed right now.
    bool TimerRunning() const { return timerRunning_; }
    bool LeftButtonDown() const { return leftButtonDown_; }
    // The seeking interface held while the graph is active, or null.
    IMediaSeeking* Seeking() const { return seeking_.Get(); }
    HWND TimerWindow() const { return timerWindow_; }

    // One tick: range and position from the graph, then OnTimer. Run by the
    // timer; callable directly (tests, or to refresh at once).
    virtual void TimerTick();

    // IGraphListener
    void GraphEventArrived(long code, LONG_PTR param1, LONG_PTR param2) override;
    void ControlEventArrived(TControlEvent code, int param) override;

    void Notification(ui::Component* component, ui::Operation operation) override;

protected:
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;

private:
    void SetTimerEnabled(bool value);
    void UpdateTimer();
    void SeekToThumb();
    void Seek(LONGLONG current, LONGLONG stop);

    TFilterGraph* filterGraph_ = nullptr;
    ComPtr<IMediaSeeking> seeking_;
    ui::HiddenWindow timerWindow_{"KorvaneSeekBarTimer", [this](UINT msg, WPARAM, LPARAM) {
        if (msg != WM_TIMER)
            return false;
        TimerTick();
        return true;
    }};
    std::uint32_t timerInterval_ = 1000;
    TTimerEvent onTimer_;
    bool timerEnabled_ = false;
    bool timerRunning_ = false;
    bool leftButtonDown_ = false;
};

} // namespace korvane
