#include "preview/DSTrackBar.h"

#include <evcode.h>

#include <utility>

#include "preview/FilterGraph.h"
#include "preview/MediaUnits.h"
#include "ui/Application.h"
#include "ui/Error.h"

namespace korvane {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr LONGLONG kFirstSecond = 10000000;   // reference time

} // namespace


// ---- the control ----

TDSTrackBar::TDSTrackBar(ui::Component* owner) : ui::TrackBar(owner) {}

TDSTrackBar::~TDSTrackBar()
{
    timerEnabled_ = false;
    UpdateTimer();
    try {
        SetFilterGraph(nullptr);
    } catch (...) {
        ui::App().HandleCurrentException();
    }
    seeking_.Reset();
}

void TDSTrackBar::SetFilterGraph(TFilterGraph* graph)
{
    if (graph == filterGraph_)
        return;
    if (TFilterGraph* old = filterGraph_) {
        old->RemoveFreeNotification(this);
        old->RemoveGraphListener(*this);
    }
    if (graph) {
        graph->FreeNotification(this);
        graph->AddGraphListener(*this);
    }
    filterGraph_ = graph;
}

void TDSTrackBar::Notification(ui::Component* component, ui::Operation operation)
{
    ui::TrackBar::Notification(component, operation);
    // The graph is going: nothing of it may be used any more, and a timer
    // left running would only tick into the void.
    if (operation == ui::opRemove && component != nullptr && component == filterGraph_) {
        seeking_.Reset();
        filterGraph_ = nullptr;
        SetTimerEnabled(false);
    }
}

void TDSTrackBar::SetTimerInterval(std::uint32_t value)
{
    if (value == timerInterval_)
        return;
    timerInterval_ = value;
    UpdateTimer();
}

void TDSTrackBar::SetOnTimer(TTimerEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TDSTrackBar::SetTimerEnabled(bool value)
{
    if (value == timerEnabled_)
        return;
    timerEnabled_ = value;
    try {
        UpdateTimer();
    } catch (...) {
        // Not armed: the next ControlPlay must try again.
        timerEnabled_ = false;
        throw;
    }
}

void TDSTrackBar::UpdateTimer()
{
    HWND window = timerWindow_;
    if (!window)
        return;
    KillTimer(window, kTimerId);
    timerRunning_ = false;
    if (timerInterval_ != 0 && timerEnabled_) {
        if (!SetTimer(window, kTimerId, timerInterval_, nullptr))
            throw ui::Error("Not enough timers available");
        timerRunning_ = true;
    }
}

void TDSTrackBar::TimerTick()
{
    if (!seeking_ || leftButtonDown_ || timerInterval_ == 0)
        return;
    LONGLONG duration = 0;
    if (FAILED(seeking_->GetDuration(&duration)))
        return;
    LONGLONG current = 0;
    if (FAILED(seeking_->GetCurrentPosition(&current)))
        return;
    const auto durationMs = static_cast<std::uint32_t>(ReferenceTimeToMs(duration));
    const auto currentMs = static_cast<std::uint32_t>(ReferenceTimeToMs(current));
    SetMin(0);
    SetMax(static_cast<int>(durationMs / timerInterval_));
    SetPosition(static_cast<int>(currentMs / timerInterval_));
    if (onTimer_ && !Destroying())
        onTimer_(*this, currentMs, durationMs);
}

void TDSTrackBar::GraphEventArrived(long code, LONG_PTR, LONG_PTR)
{
    if (code != EC_CLOCK_CHANGED || !seeking_)
        return;
    // A new clock starts the stream over: back to the beginning. The graph
    // picks its clock at the first run after a render, while playback is
    // still in its first second: a seek then would move nothing worth
    // moving, yet it would stop and restart every stream just as the
    // picture appears. Playback still in its first second is therefore left
    // where it is.
    LONGLONG current = 0;
    if (SUCCEEDED(seeking_->GetCurrentPosition(&current)) && current >= 0 && current < kFirstSecond)
        return;
    LONGLONG stop = 0;
    seeking_->GetDuration(&stop);
    current = 0;
    Seek(current, stop);
}

void TDSTrackBar::ControlEventArrived(TControlEvent code, int param)
{
    switch (code) {
    case ControlPlay:
        SetTimerEnabled(Enabled());
        break;
    case ControlPause:
    case ControlStop:
        SetTimerEnabled(false);
        break;
    case ControlActive:
        if (param == 1 && filterGraph_)
            seeking_ = filterGraph_->Query<IMediaSeeking>(IID_IMediaSeeking);
        else if (param == 0)
            seeking_.Reset();
        break;
    default:
        break;
    }
}

void TDSTrackBar::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    ui::TrackBar::MouseDown(button, shift, x, y);
    if (button == ui::mbLeft)
        leftButtonDown_ = true;
}

void TDSTrackBar::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    // Whatever the handlers do, the bar follows playback again afterwards.
    struct Released {
        bool& down;
        ~Released() { down = false; }
    } released{leftButtonDown_};
    ui::TrackBar::MouseUp(button, shift, x, y);
    if (button == ui::mbLeft && seeking_)
        SeekToThumb();
}

void TDSTrackBar::SeekToThumb()
{
    LONGLONG stop = 0;
    // Without a stop position there is nothing to take a fraction of.
    if (FAILED(seeking_->GetStopPosition(&stop)))
        return;
    const std::int64_t position = Position();
    const std::int64_t maximum = Max();
    // A bar of one unit has only its start to seek to.
    Seek(maximum == 0 ? 0 : stop * position / maximum, stop);
}

// Through the graph, which seeks with playback stopped for a moment (see
// TFilterGraph::SetPositions); the stop position stays as it is.
void TDSTrackBar::Seek(LONGLONG current, LONGLONG stop)
{
    if (filterGraph_)
        filterGraph_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
    else
        seeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
}

} // namespace korvane
