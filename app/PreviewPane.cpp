#include "app/PreviewPane.h"

#include "app/FileNames.h"
#include "app/FileNamesWin.h"
#include "app/TimeText.h"
#include "preview/MediaUnits.h"
#include "preview/TurnFilter.h"
#include "split/Rounding.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Error.h"

#include <cstdint>
#include <exception>

namespace korvane {
namespace {

// A common frame time (25 frames a second) for video that does not say its own.
constexpr double kFallbackFrameTime = 400000;
constexpr LONGLONG kUnitsPerSecond = 10000000;

} // namespace

PreviewPane::PreviewPane(const Korvane& korvane, const Controls& controls) : korvane_(korvane), c_(controls) {}

void PreviewPane::Load(const std::string& path)
{
    c_.banner.Hide();
    probe_.Stop();
    c_.lengthTimer.SetEnabled(false);
    previewless_ = false;
    c_.noPreview.Hide();
    if (!c_.graph.Active())
        c_.graph.SetActive(true);
    c_.graph.EmptyGraph();
    try {
        c_.graph.RenderMediaFile(SystemPath(path));
    } catch (const std::exception&) {
        // The system has no decoder for the preview; the converter may still
        // cut the file. The render error still reaches the user.
        LoadWithoutPreview(path);
        throw;
    }
    // A phone's upright video, stored sideways, is shown upright; where the
    // turn cannot be put in, the picture stays as stored.
    if (const int degrees = MovieFileRotation(path))
        InsertPictureTurn(c_.graph.Graph(), c_.video.Renderer(), degrees);
    c_.graph.Play();
    ShowSourceLength(c_.graph.GetDurationMs());
}

void PreviewPane::LoadWithoutPreview(const std::string& path)
{
    previewless_ = true;
    engineSeconds_ = 0;
    c_.banner.Show();
    c_.noPreview.Show();
    ShowSourceLength(0);
    // The window stays with the user while the engine reads the file.
    if (CanStartProgramAt(korvane_.EnginePath) && probe_.Start(korvane_.EnginePath, PathForOtherPrograms(path)))
        c_.lengthTimer.SetEnabled(true);
}

void PreviewPane::ShowSourceLength(double durationMs)
{
    c_.middle.SetCaption(SecondsToTimeText(durationMs / 2000));
    c_.right.SetCaption(SecondsToTimeText(durationMs / 1000));
}

double PreviewPane::SourceSeconds() const
{
    return previewless_ ? engineSeconds_ : c_.graph.GetDurationMs() / 1000.0;
}

// --- the engine's reading of the length ------------------------------------------------------

void PreviewPane::CollectLength()
{
    if (probe_.Poll()) {
        c_.lengthTimer.SetEnabled(false);
        LengthEnded();
        return;
    }
    if (!probe_.Overdue(korvane_.EngineAnswerMs))
        return;
    c_.lengthTimer.SetEnabled(false);
    probe_.Stop();
    LengthEnded();
    ReportSilentEngine(korvane_, "length", c_.source.Text());
}

SourceProbe::Wait PreviewPane::AwaitLength(const std::function<void()>& serve, const std::function<bool()>& cancelled)
{
    c_.lengthTimer.SetEnabled(false);
    const SourceProbe::Wait wait = probe_.Await(korvane_.EngineAnswerMs, serve, cancelled);
    if (wait == SourceProbe::Wait::Cancelled) {
        // The engine reads on for the next Start, unless the window is closing.
        if (ui::App().Terminated())
            probe_.Stop();
        else
            c_.lengthTimer.SetEnabled(true);
        return wait;
    }
    LengthEnded();
    if (wait == SourceProbe::Wait::Overdue)
        ReportSilentEngine(korvane_, "length", c_.source.Text());
    return wait;
}

void PreviewPane::LengthEnded()
{
    engineSeconds_ = probe_.Seconds().value_or(0);
    // A file the engine is not allowed to follow is no source: the user
    // hears why, in the report every load failure goes through.
    if (const auto refusal = probe_.Refusal())
        ui::App().HandleException(ui::Error(*refusal));
    ShowSourceLength(engineSeconds_ * 1000);
    // The bar shows the marked range in whole seconds of the source.
    c_.bar.SetMin(0);
    c_.bar.SetMax(static_cast<int>(engineSeconds_));
    if (OnLengthKnown)
        OnLengthKnown();
}

void ReportSilentEngine(const Korvane& korvane, const std::string& what, const std::string& source)
{
    const DWORD seconds = (korvane.EngineAnswerMs + 500) / 1000;
    ui::ShowMessageBox("The converter's engine did not tell the " + what + " of " + ExtractFileName(source)
                           + " within " + std::to_string(seconds) + (seconds == 1 ? " second." : " seconds."),
                       ui::App().Title(), MB_OK | MB_ICONERROR);
}

// --- playing, stepping and jumping -------------------------------------------------------------

void PreviewPane::Play()
{
    c_.graph.Play();
}

void PreviewPane::Pause()
{
    c_.graph.Pause();
}

void PreviewPane::Stop()
{
    c_.graph.Stop();
}

bool PreviewPane::Playing()
{
    auto control = c_.graph.Query<IMediaControl>(IID_IMediaControl);
    OAFilterState state = State_Stopped;
    return control && SUCCEEDED(control->GetState(0, &state)) && state == State_Running;
}

double PreviewPane::FrameTime() const
{
    const double frameTime = previewless_ ? 0 : c_.graph.FrameTime();
    return frameTime > 0 ? frameTime : kFallbackFrameTime;
}

void PreviewPane::ShowPosition()
{
    c_.current.SetCaption(SecondsToTimeText(c_.bar.Position()));
}

void PreviewPane::ShowWholeSource()
{
    const double durationSeconds = SourceSeconds();
    c_.current.SetCaption(SecondsToTimeText(durationSeconds));
    c_.bar.SetPosition(static_cast<int>(RoundHalfEven(durationSeconds)));
}

// Forward by the graph's own frame step where it has one; else, and always
// backward, by a seek into the middle of the frame wanted, so that the
// picture is that frame's on a graph that rounds a time on a frame's edge
// either way. The marks are made on the frame's start all the same.
void PreviewPane::StepFrames(int frames)
{
    if (previewless_ || frames == 0)
        return;
    if (!c_.graph.PauseForStill())
        return;
    while (frames > 0 && c_.graph.StepOneFrame())
        --frames;
    if (frames != 0) {
        const LONGLONG position = c_.graph.CurrentPosition();
        const LONGLONG duration = c_.graph.Duration();
        if (position < 0)
            return;
        const double frameTime = FrameTime();
        std::int64_t target = FrameAt(position, frameTime) + frames;
        // Past the last frame there is nothing to show; before the first, the first.
        if (target < 0)
            target = 0;
        if (duration <= 0 || FrameStart(target, frameTime) < duration)
            c_.graph.SeekTo(FrameMiddle(target, frameTime));
    }
    c_.bar.TimerTick();
}

bool PreviewPane::ReadyToJump()
{
    if (previewless_)
        return false;
    auto control = c_.graph.Query<IMediaControl>(IID_IMediaControl);
    OAFilterState state = State_Stopped;
    if (!control || FAILED(control->GetState(0, &state)))
        return false;
    if (state != State_Running)
        c_.graph.PauseForStill();
    return true;
}

void PreviewPane::JumpSeconds(double seconds)
{
    if (!ReadyToJump())
        return;
    const LONGLONG position = c_.graph.CurrentPosition();
    if (position < 0)
        return;
    LONGLONG target = position + static_cast<LONGLONG>(seconds * kUnitsPerSecond);
    const LONGLONG duration = c_.graph.Duration();
    const double frameTime = FrameTime();
    // Beyond either end: the first or the last frame.
    if (target < 0)
        target = FrameMiddle(0, frameTime);
    else if (duration > 0 && target >= duration)
        target = FrameMiddle(LastFrame(duration, frameTime), frameTime);
    c_.graph.SeekTo(target);
    c_.bar.TimerTick();
}

void PreviewPane::JumpToEnd(bool end)
{
    if (!ReadyToJump())
        return;
    const double frameTime = FrameTime();
    const LONGLONG duration = c_.graph.Duration();
    c_.graph.SeekTo(end && duration > 0 ? FrameMiddle(LastFrame(duration, frameTime), frameTime)
                                        : FrameMiddle(0, frameTime));
    c_.bar.TimerTick();
}

double PreviewPane::MarkSeconds()
{
    const int barSecond = c_.bar.Position();
    if (previewless_)
        return barSecond;
    const LONGLONG position = c_.graph.CurrentPosition();
    if (position < 0)
        return barSecond;
    LONGLONG shown = position;
    const double frameTime = c_.graph.FrameTime();
    if (frameTime > 0)
        shown = FrameStart(FrameAt(position, frameTime), frameTime);
    // Cut to the millisecond: a mark never lies after the frame it was made on.
    const std::int64_t ms = shown / 10000;
    // Playing, the bar lags its once-a-second tick; halted, it shows the
    // preview's second unless the user moved it.
    const std::int64_t apart = ms / 1000 - barSecond;
    if (Playing() ? (apart < -1 || apart > 1) : apart != 0)
        return barSecond;
    return ms / 1000.0;
}

} // namespace korvane
