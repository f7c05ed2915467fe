#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>

namespace ui {

// --- ProgressBar -----------------------------------------------------------------------

ProgressBar::ProgressBar(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 150, 16);
}

void ProgressBar::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = PROGRESS_CLASSA;
    params.NativeClass = true;
}

void ProgressBar::CreateWindowHandleDone()
{
    HWND h = HandleIfAllocated();
    ::SendMessageA(h, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    ::SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void ProgressBar::SetMin(int v)
{
    SetRange(v, max_);
}

void ProgressBar::SetMax(int v)
{
    SetRange(min_, v);
}

void ProgressBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, std::max(min_, max_));
    if (HWND h = HandleIfAllocated()) {
        ::SendMessageA(h, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
        ::SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    }
}

void ProgressBar::SetPosition(int v)
{
    position_ = std::clamp(v, min_, std::max(min_, max_));
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

// --- TrackBar --------------------------------------------------------------------------

TrackBar::TrackBar(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 150, 45);
    SetTabStop(true);
    mouseClicks_ = false;
}

void TrackBar::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = TRACKBAR_CLASSA;
    params.NativeClass = true;
    params.Style |= TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
    params.Style |= orientation_ == trHorizontal ? TBS_HORZ : TBS_VERT;
    switch (tickStyle_) {
    case tsNone: params.Style |= TBS_NOTICKS; break;
    case tsAuto: params.Style |= TBS_AUTOTICKS; break;
    case tsManual: break;
    }
    switch (tickMarks_) {
    case tmBottomRight: params.Style |= orientation_ == trHorizontal ? TBS_BOTTOM : TBS_RIGHT; break;
    case tmTopLeft: params.Style |= orientation_ == trHorizontal ? TBS_TOP : TBS_LEFT; break;
    case tmBoth: params.Style |= TBS_BOTH; break;
    }
    if (!sliderVisible_)
        params.Style |= TBS_NOTHUMB;
}

void TrackBar::CreateWindowHandleDone()
{
    ApplyAll();
}

void TrackBar::ApplyAll()
{
    HWND h = HandleIfAllocated();
    if (!h)
        return;
    ::SendMessageA(h, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(thumbLength_), 0);
    ::SendMessageA(h, TBM_SETLINESIZE, 0, lineSize_);
    ::SendMessageA(h, TBM_SETPAGESIZE, 0, pageSize_);
    ::SendMessageA(h, TBM_SETRANGEMIN, FALSE, min_);
    ::SendMessageA(h, TBM_SETRANGEMAX, FALSE, max_);
    ::SendMessageA(h, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
    if (showSelRange_ && selStart_ <= selEnd_)
        ::SendMessageA(h, TBM_SETSEL, FALSE, MAKELPARAM(selStart_, selEnd_));
    else
        ::SendMessageA(h, TBM_CLEARSEL, FALSE, 0);
    ::SendMessageA(h, TBM_SETPOS, TRUE, position_);
}

int TrackBar::Position() const
{
    if (HWND h = HandleIfAllocated())
        return static_cast<int>(::SendMessageA(h, TBM_GETPOS, 0, 0));
    return position_;
}

void TrackBar::SetMin(int v)
{
    SetRange(v, max_);
}

void TrackBar::SetMax(int v)
{
    SetRange(min_, v);
}

void TrackBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(Position(), min_, max_);
    ApplyAll();
}

void TrackBar::SetPosition(int v)
{
    position_ = std::clamp(v, min_, max_);
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, TBM_SETPOS, TRUE, position_);
}

void TrackBar::SetSelStart(int v)
{
    selStart_ = v;
    ApplyAll();
}

void TrackBar::SetSelEnd(int v)
{
    selEnd_ = v;
    ApplyAll();
}

void TrackBar::SetFrequency(int v)
{
    frequency_ = std::max(1, v);
    ApplyAll();
}

void TrackBar::SetThumbLength(int v)
{
    thumbLength_ = v;
    ApplyAll();
}

void TrackBar::SetPageSize(int v)
{
    pageSize_ = v;
    ApplyAll();
}

void TrackBar::SetLineSize(int v)
{
    lineSize_ = v;
    ApplyAll();
}

void TrackBar::SetShowSelRange(bool show)
{
    showSelRange_ = show;
    ApplyAll();
}

namespace {
void Recreate(WinControl& c)
{
    if (c.HandleAllocated()) {
        c.DestroyHandle();
        c.Handle();
    }
}
} // namespace

void TrackBar::SetOrientation(ui::Orientation o)
{
    if (o == orientation_)
        return;
    position_ = Position();
    orientation_ = o;
    Recreate(*this);
}

void TrackBar::SetTickMarks(TickMark marks)
{
    if (marks == tickMarks_)
        return;
    position_ = Position();
    tickMarks_ = marks;
    Recreate(*this);
}

void TrackBar::SetTickStyle(ui::TickStyle style)
{
    if (style == tickStyle_)
        return;
    position_ = Position();
    tickStyle_ = style;
    Recreate(*this);
}

void TrackBar::SetSliderVisible(bool visible)
{
    if (visible == sliderVisible_)
        return;
    position_ = Position();
    sliderVisible_ = visible;
    Recreate(*this);
}

RECT TrackBar::ChannelRect()
{
    RECT r{};
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

RECT TrackBar::ThumbRect()
{
    RECT r{};
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TrackBar::Changed()
{
    Fire(OnChange);
}

void TrackBar::WndProc(Message& message)
{
    if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
        const int pos = Position();
        position_ = pos;
        Changed();
        message.Result = 0;
        return;
    }
    WinControl::WndProc(message);
}

} // namespace ui
