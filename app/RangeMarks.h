#pragma once
// The marked range: its start and end to the millisecond, made at the
// preview's position or typed into the edits. The seek bar shows it as its
// selection in whole seconds, with a label under each end; the length line
// says how long it is, and the pictures of its first and last frames are
// taken. The job reads the edits.
#include "app/EndPictures.h"
#include "app/PreviewPane.h"
#include "preview/DSTrackBar.h"
#include "ui/Controls.h"

namespace korvane {

class RangeMarks {
public:
    // The main window's controls the marks are shown by.
    struct Controls {
        TDSTrackBar& bar;
        ui::Edit& start;
        ui::Edit& end;
        ui::Label& startLabel;    // under the bar, at the selection's ends
        ui::Label& endLabel;
        ui::Label& length;        // the range's length, or why it has none
        const ui::Edit& source;   // the source the end pictures are taken of
    };

    RangeMarks(const Controls& controls, PreviewPane& preview, EndPictures& pictures);
    RangeMarks(const RangeMarks&) = delete;
    RangeMarks& operator=(const RangeMarks&) = delete;

    // "Start Time" and "End time": a mark where the preview stands.
    void MarkStartHere();
    void MarkEndHere();
    // A typed start or end, in seconds: clamped to the source's duration,
    // held as the seek bar's selection in whole seconds and shown by the
    // edit's normalised text, the label and the length line.
    void MarkStart(double seconds);
    void MarkEnd(double seconds);
    // The edit's text as the mark, when it is a time.
    void CommitTypedStart();
    void CommitTypedEnd();
    // The marks shown are made again from their edits: the source's length
    // has become known.
    void CommitShownMarks();
    // No range: a new source, or Clear.
    void Clear();

private:
    void MarkTyped(bool end, double seconds);
    // The mark kept (`marked`), where the bar shows it and what its edit says.
    void ShowMark(bool end, double marked, double onBar, double inEdit);
    void PlaceStartLabel();
    void PlaceEndLabel();
    void SeparateLabels();
    void ShowLength();
    void TakePicture(bool last);

    Controls c_;
    PreviewPane& preview_;
    EndPictures& pictures_;
    // The marks to the millisecond, within the source (the edits may hold
    // times past its end).
    double start_ = 0;
    double end_ = 0;
};

} // namespace korvane
