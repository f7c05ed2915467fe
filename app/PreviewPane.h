#pragma once
// The preview's glue: a source rendered into the media graph and played in
// the video window, the seek bar with the time labels around it, the steps
// and jumps of the keys, and the position the range's marks are made at. A
// source the system cannot decode is shown by the banner instead, and its
// length is asked of the converter's engine while the window stays with the
// user.
#include "app/Korvane.h"
#include "preview/DSTrackBar.h"
#include "preview/FilterGraph.h"
#include "preview/VideoWindow.h"
#include "split/SourceProbe.h"
#include "ui/Controls.h"

#include <functional>
#include <string>

namespace korvane {

class PreviewPane {
public:
    // The main window's controls the preview drives.
    struct Controls {
        TFilterGraph& graph;
        TVideoWindow& video;
        TDSTrackBar& bar;
        ui::Panel& banner;          // over the video while it shows nothing
        ui::Label& noPreview;       // on the banner: the system cannot show this source
        ui::Label& middle;          // the scale under the bar: half the source
        ui::Label& right;           // and the whole of it
        ui::Label& current;         // the bar's position
        ui::Timer& lengthTimer;     // collects the engine's report of the length
        const ui::Edit& source;     // names the source when the engine stays silent
    };

    PreviewPane(const Korvane& korvane, const Controls& controls);
    PreviewPane(const PreviewPane&) = delete;
    PreviewPane& operator=(const PreviewPane&) = delete;

    // Told when the engine has told the length of a source the preview
    // cannot show: times typed meanwhile can be marked against it.
    std::function<void()> OnLengthKnown;

    // Renders the source and plays it. A source the system cannot render is
    // shown by the banner, its length is asked of the engine, and the render
    // error passes on to the caller.
    void Load(const std::string& path);
    bool Available() const { return !previewless_; }
    // The source's length: the preview's, or the engine's when the preview
    // cannot show the source (0 while unknown).
    double SourceSeconds() const;

    void Play();
    void Pause();
    void Stop();
    bool Playing();
    // Frames back or on (pausing first), a jump of some seconds, the
    // source's start or end; nothing without a preview.
    void StepFrames(int frames);
    void JumpSeconds(double seconds);
    void JumpToEnd(bool end);
    // A halted preview is paused so that it shows the picture it jumps to;
    // a playing one plays on from there. False without a preview to jump in.
    bool ReadyToJump();
    // Where a mark is made: the preview's own position to the millisecond
    // (on the start of the frame shown), or the seek bar's whole second when
    // the bar was moved away from it.
    double MarkSeconds();
    // The time of one frame in 100 ns units, or a common one when the video
    // does not say (or is not shown).
    double FrameTime() const;

    // The bar's tick: the current label follows the bar.
    void ShowPosition();
    // During a job the preview is stopped: the position label and the thumb
    // stand at the end of the source.
    void ShowWholeSource();

    // The engine is still reading the length of a source the preview cannot show.
    bool ReadingLength() const { return probe_.Running(); }
    // The length timer's tick: the engine's report taken once it has ended,
    // the user told once it is overdue.
    void CollectLength();
    // At Start, the length the engine is still reading is waited for; each
    // turn calls `serve` and then `cancelled`. Cancelled, the engine reads on
    // in the background (unless the program is ending).
    SourceProbe::Wait AwaitLength(const std::function<void()>& serve, const std::function<bool()>& cancelled);

private:
    void LoadWithoutPreview(const std::string& path);
    void LengthEnded();
    void ShowSourceLength(double durationMs);

    const Korvane& korvane_;
    Controls c_;
    SourceProbe probe_;
    bool previewless_ = false;
    double engineSeconds_ = 0;
};

// The engine let the deadline pass without telling `what` ("length", "frame
// rate") of the source: an error message says so.
void ReportSilentEngine(const Korvane& korvane, const std::string& what, const std::string& source);

} // namespace korvane
