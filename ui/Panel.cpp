#include "ui/Controls.h"

namespace ui {

Panel::Panel(Component* owner) : CustomControl(owner)
{
    picture_.OnChange = [this] { PictureChanged(); };
}

Panel::~Panel()
{
    picture_.OnChange = nullptr;
}

void Panel::SetBevelOuter(Bevel bevel)
{
    if (bevel == bevelOuter_)
        return;
    bevelOuter_ = bevel;
    Invalidate();
}

void Panel::PictureChanged()
{
    patternBrush_.Reset();
    tiled_.Clear();
    if (HWND h = HandleIfAllocated())
        ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Panel::Resize()
{
    if (!picture_.Empty()) {
        patternBrush_.Reset();
        tiled_.Clear();
        if (HWND h = HandleIfAllocated())
            ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    CustomControl::Resize();
}

void Panel::PaintBackground(Canvas& canvas)
{
    const RECT r = ClientRect();
    if (picture_.Empty()) {
        canvas.FillRect(r, EffectiveColor());
        return;
    }
    // Tiled from (0, 0); a picture of the panel's size is drawn once.
    const int pw = picture_.Width();
    const int ph = picture_.Height();
    for (int y = 0; y < r.bottom; y += ph)
        for (int x = 0; x < r.right; x += pw)
            canvas.Draw(x, y, picture_);
}

void Panel::Paint(Canvas& canvas)
{
    RECT r = ClientRect();
    if (bevelOuter_ == bvRaised)
        canvas.Edge(r, BDR_RAISEDINNER, BF_RECT);
    else if (bevelOuter_ == bvLowered)
        canvas.Edge(r, BDR_SUNKENOUTER, BF_RECT);
    const std::string caption = Text();
    if (!caption.empty()) {
        canvas.SetTextColor(Enabled() ? GetFont().Color : clGrayText);
        canvas.DrawText(r, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

HBRUSH Panel::PatternBrush()
{
    const RECT r = ClientRect();
    const int w = r.right > 0 ? r.right : 1;
    const int h = r.bottom > 0 ? r.bottom : 1;
    if (patternBrush_ && tiled_.Width() == w && tiled_.Height() == h)
        return patternBrush_.Get();
    tiled_.SetSize(w, h);
    {
        BitmapCanvas canvas(tiled_);
        PaintBackground(canvas);
    }
    patternBrush_.Reset(::CreatePatternBrush(tiled_.Handle()));
    return patternBrush_.Get();
}

HBRUSH Panel::ChildBackgroundBrush(HDC dc, Control& child)
{
    if (picture_.Empty())
        return CustomControl::ChildBackgroundBrush(dc, child);
    ::SetBkMode(dc, TRANSPARENT);
    // The child's (0, 0) lies at its Left/Top on the panel's background.
    ::SetBrushOrgEx(dc, -child.Left(), -child.Top(), nullptr);
    return PatternBrush();
}

void Panel::PaintBackgroundFor(HDC dc, const Control& child)
{
    if (picture_.Empty()) {
        CustomControl::PaintBackgroundFor(dc, child);
        return;
    }
    POINT old{};
    ::SetBrushOrgEx(dc, -child.Left(), -child.Top(), &old);
    const RECT r{0, 0, child.Width(), child.Height()};
    ::FillRect(dc, &r, PatternBrush());
    ::SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

// --- GroupBox ----------------------------------------------------------------------

GroupBox::GroupBox(Component* owner) : CustomControl(owner)
{
    UpdateBounds(0, 0, 185, 105);
    SetParentColor(true);
}

RECT GroupBox::CaptionRect()
{
    const std::string caption = Text();
    if (caption.empty())
        return RECT{8, 0, 8, 0};
    MemoryDC dc;
    SelectObjectScope font(dc.Get(), FontHandle());
    SIZE size{};
    ::GetTextExtentPoint32A(dc.Get(), caption.data(), static_cast<int>(caption.size()), &size);
    return RECT{8, 0, 8 + size.cx + 4, size.cy};
}

RECT GroupBox::FrameRect()
{
    const RECT caption = CaptionRect();
    const RECT client = ClientRect();
    return RECT{0, (caption.bottom - caption.top) / 2, client.right, client.bottom};
}

void GroupBox::Paint(Canvas& canvas)
{
    const RECT frame = FrameRect();
    canvas.Edge(frame, EDGE_ETCHED, BF_RECT);
    const std::string caption = Text();
    if (caption.empty())
        return;
    const RECT c = CaptionRect();
    canvas.FillRect(c, EffectiveColor());
    canvas.SetTextColor(Enabled() ? GetFont().Color : clGrayText);
    canvas.DrawText(RECT{c.left + 2, c.top, c.right, c.bottom}, caption, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

void GroupBox::TextChanged()
{
    CustomControl::TextChanged();
    Invalidate();
}

} // namespace ui
