#include "app/RangeMarks.h"

#include "app/TimeText.h"
#include "app/TimeTextLocale.h"
#include "split/Rounding.h"

namespace korvane {
namespace {

constexpr char kRangeLengthText[] = "The length of the marked rang is ";
constexpr char kRangeOrderText[] = "The End Time should be later than the Start Time.";

// The x of the seek bar's point that stands for `value` of its units. A bar
// without units (a source shorter than one) has only its left end.
double BarPoint(const ui::TrackBar& bar, int value)
{
    if (bar.Max() == 0)
        return bar.Left();
    return static_cast<double>(value) / bar.Max() * bar.Width() + bar.Left();
}

// Whole seconds for the selection: never before the bar's start.
int SelectionSeconds(double seconds)
{
    return static_cast<int>(RoundHalfEven(seconds < 0 ? 0 : seconds));
}

} // namespace

RangeMarks::RangeMarks(const Controls& controls, PreviewPane& preview, EndPictures& pictures)
    : c_(controls), preview_(preview), pictures_(pictures)
{
}

void RangeMarks::MarkStartHere()
{
    const double here = preview_.MarkSeconds();
    ShowMark(false, here, here, here);
}

void RangeMarks::MarkEndHere()
{
    const double here = preview_.MarkSeconds();
    ShowMark(true, here, here, here);
}

// The edit keeps the time as typed (normalised to the millisecond), even past
// the source's end; only the marks stop at the duration. The job reads the edit.
void RangeMarks::MarkStart(double seconds)
{
    MarkTyped(false, seconds);
}

void RangeMarks::MarkEnd(double seconds)
{
    MarkTyped(true, seconds);
}

void RangeMarks::MarkTyped(bool end, double seconds)
{
    const double duration = preview_.SourceSeconds();
    if (duration < seconds)
        seconds = duration;
    const double typed = TimeTextToSeconds((end ? c_.end : c_.start).Text());
    ShowMark(end, seconds < 0 ? 0 : seconds, seconds, typed != -1 ? typed : seconds);
}

void RangeMarks::ShowMark(bool end, double marked, double onBar, double inEdit)
{
    (end ? end_ : start_) = marked;
    if (end)
        c_.bar.SetSelEnd(SelectionSeconds(onBar));
    else
        c_.bar.SetSelStart(SelectionSeconds(onBar));
    auto& edit = end ? c_.end : c_.start;
    edit.SetText(SecondsToMarkText(inEdit));
    if (end) {
        c_.endLabel.SetCaption(edit.Text() + " ]");
        PlaceEndLabel();
        c_.endLabel.Show();
    } else {
        c_.startLabel.SetCaption("[ " + edit.Text());
        PlaceStartLabel();
        c_.startLabel.Show();
    }
    ShowLength();
    TakePicture(end);
}

// Text that is no time is left as typed, without a word: the user is still at it.
void RangeMarks::CommitTypedStart()
{
    const double seconds = TimeTextToSeconds(c_.start.Text());
    if (seconds != -1)
        MarkStart(seconds);
}

void RangeMarks::CommitTypedEnd()
{
    const double seconds = TimeTextToSeconds(c_.end.Text());
    if (seconds != -1)
        MarkEnd(seconds);
}

void RangeMarks::CommitShownMarks()
{
    if (c_.startLabel.Visible())
        CommitTypedStart();
    if (c_.endLabel.Visible())
        CommitTypedEnd();
}

void RangeMarks::Clear()
{
    c_.bar.SetSelStart(0);
    c_.bar.SetSelEnd(0);
    start_ = 0;
    end_ = 0;
    pictures_.Clear();
    c_.start.SetText(SecondsToTimeText(0));
    c_.end.SetText(SecondsToTimeText(0));
    c_.startLabel.Hide();
    c_.endLabel.Hide();
    c_.length.Hide();
}

void RangeMarks::PlaceStartLabel()
{
    c_.startLabel.SetLeft(static_cast<int>(RoundHalfEven(BarPoint(c_.bar, c_.bar.SelStart()))));
    SeparateLabels();
}

// The end label ends where the selection ends, with the width of its new text.
void RangeMarks::PlaceEndLabel()
{
    c_.endLabel.SetLeft(static_cast<int>(RoundHalfEven(BarPoint(c_.bar, c_.bar.SelEnd()) - c_.endLabel.Width())));
    SeparateLabels();
}

// Labels that touch or overlap would be unreadable on one line: the end
// label then drops one line below the start label.
void RangeMarks::SeparateLabels()
{
    const bool apart = c_.startLabel.Left() + c_.startLabel.Width() < c_.endLabel.Left() ||
                       c_.endLabel.Left() + c_.endLabel.Width() < c_.startLabel.Left();
    c_.endLabel.SetTop(apart ? c_.startLabel.Top() : c_.startLabel.Top() + 10);
}

// The marks to the millisecond decide: 10.2 s to 10.4 s is a range, though
// the bar's whole-second selection cannot show it.
void RangeMarks::ShowLength()
{
    c_.length.Show();
    if (start_ < end_)
        c_.length.SetCaption(kRangeLengthText + SecondsToMarkText(end_ - start_));
    else
        c_.length.SetCaption(kRangeOrderText);
}

// The last frame is the one before the end mark: the clip stops at the mark.
void RangeMarks::TakePicture(bool last)
{
    double seconds = last ? end_ : start_;
    if (last) {
        seconds -= preview_.FrameTime() / 1e7;
        if (seconds < start_)
            seconds = start_;
    }
    pictures_.Take(last, c_.source.Text(), seconds);
}

} // namespace korvane
