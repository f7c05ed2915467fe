#include "ui/Controls.h"

#include <algorithm>

namespace ui {

// --- Label -------------------------------------------------------------------------

Label::Label(Component* owner) : GraphicControl(owner)
{
    UpdateBounds(0, 0, 65, 13);
}

void Label::SetAutoSize(bool autoSize)
{
    if (autoSize == autoSize_)
        return;
    autoSize_ = autoSize;
    AdjustBounds();
}

void Label::SetAlignment(ui::Alignment alignment)
{
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    Invalidate();
}

void Label::SetLayout(TextLayout layout)
{
    if (layout == layout_)
        return;
    layout_ = layout;
    Invalidate();
}

void Label::SetTransparent(bool transparent)
{
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    Invalidate();
}

void Label::SetWordWrap(bool wordWrap)
{
    if (wordWrap == wordWrap_)
        return;
    wordWrap_ = wordWrap;
    AdjustBounds();
    Invalidate();
}

void Label::SetShowAccelChar(bool show)
{
    if (show == showAccelChar_)
        return;
    showAccelChar_ = show;
    AdjustBounds();
    Invalidate();
}

UINT Label::DrawFlags() const
{
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_)
        flags |= DT_WORDBREAK;
    if (!showAccelChar_)
        flags |= DT_NOPREFIX;
    switch (alignment_) {
    case taLeftJustify: flags |= DT_LEFT; break;
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
    }
    return flags;
}

void Label::AdjustBounds()
{
    if (!autoSize_)
        return;
    // An empty label keeps the height of a line.
    const std::string caption = Text();
    const std::string text = caption.empty() ? std::string(1, ' ') : caption;
    MemoryDC measure;
    Canvas canvas(measure.Get());
    canvas.SetFont(GetFont());
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    DrawProgramText(measure.Get(), text, r,
                (DrawFlags() & ~(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    int left = Left();
    const int newWidth = wordWrap_ ? Width() : r.right;
    // A right-aligned label grows to the left.
    if (alignment_ == taRightJustify)
        left += Width() - newWidth;
    SetBounds(left, Top(), newWidth, r.bottom);
}

void Label::Loaded()
{
    GraphicControl::Loaded();
    AdjustBounds();
}

void Label::TextChanged()
{
    AdjustBounds();
    GraphicControl::TextChanged();
}

void Label::FontChanged()
{
    GraphicControl::FontChanged();
    AdjustBounds();
}

void Label::Paint(Canvas& canvas)
{
    RECT r = ClientRect();
    if (!transparent_)
        canvas.FillRect(r, EffectiveColor());
    const std::string text = Text();
    if (text.empty())
        return;
    const UINT flags = DrawFlags();
    if (layout_ != tlTop) {
        RECT calc{0, 0, r.right, 0};
        DrawProgramText(canvas.Handle(), text, calc, flags | DT_CALCRECT);
        const int h = calc.bottom - calc.top;
        r.top = layout_ == tlCenter ? (r.bottom - h) / 2 : r.bottom - h;
    }
    if (!Enabled()) {
        // Etched: a light copy one pixel down and right, the grey text on top.
        RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        canvas.SetTextColor(clBtnHighlight);
        canvas.DrawText(shifted, text, flags);
        canvas.SetTextColor(clBtnShadow);
    }
    canvas.DrawText(r, text, flags);
}

// --- Image -------------------------------------------------------------------------

Image::Image(Component* owner) : GraphicControl(owner)
{
    UpdateBounds(0, 0, 105, 105);
    picture_.OnChange = [this] { PictureChanged(); };
}

void Image::PictureChanged()
{
    if (autoSize_ && !picture_.Empty())
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    Invalidate();
}

void Image::SetTransparent(bool transparent)
{
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    Invalidate();
}

void Image::SetCenter(bool center)
{
    if (center == center_)
        return;
    center_ = center;
    Invalidate();
}

void Image::SetStretch(bool stretch)
{
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    Invalidate();
}

void Image::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    if (autoSize_ && !picture_.Empty())
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void Image::Paint(Canvas& canvas)
{
    if (picture_.Empty())
        return;
    RECT target{0, 0, picture_.Width(), picture_.Height()};
    if (stretch_) {
        target = ClientRect();
    } else if (center_) {
        const int x = (Width() - picture_.Width()) / 2;
        const int y = (Height() - picture_.Height()) / 2;
        target = RECT{x, y, x + picture_.Width(), y + picture_.Height()};
    }
    if (stretch_)
        canvas.StretchDraw(target, picture_, transparent_);
    else if (transparent_)
        canvas.DrawTransparent(target.left, target.top, picture_);
    else
        canvas.Draw(target.left, target.top, picture_);
}

// --- glyph layout ------------------------------------------------------------------

GlyphLayout LayoutGlyphAndText(const RECT& client, SIZE glyph, SIZE text, ButtonLayout layout, int margin,
                               int spacing)
{
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    const bool hasGlyph = glyph.cx > 0 && glyph.cy > 0;
    const bool hasText = text.cx > 0;
    if (!hasGlyph || !hasText)
        spacing = 0;
    if (!hasGlyph)
        glyph = SIZE{0, 0};
    POINT g{}, t{};
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        g.y = (ch - glyph.cy + 1) / 2;
        t.y = (ch - text.cy + 1) / 2;
    } else {
        g.x = (cw - glyph.cx + 1) / 2;
        t.x = (cw - text.cx + 1) / 2;
    }
    const int total = horizontal ? glyph.cx + spacing + text.cx : glyph.cy + spacing + text.cy;
    if (margin < 0)
        margin = ((horizontal ? cw : ch) - total + 1) / 2;
    switch (layout) {
    case blGlyphLeft:
        g.x = margin;
        t.x = g.x + glyph.cx + spacing;
        break;
    case blGlyphRight:
        g.x = cw - margin - glyph.cx;
        t.x = g.x - spacing - text.cx;
        break;
    case blGlyphTop:
        g.y = margin;
        t.y = g.y + glyph.cy + spacing;
        break;
    case blGlyphBottom:
        g.y = ch - margin - glyph.cy;
        t.y = g.y - spacing - text.cy;
        break;
    }
    GlyphLayout out;
    out.GlyphRect = RECT{client.left + g.x, client.top + g.y, client.left + g.x + glyph.cx, client.top + g.y + glyph.cy};
    out.TextRect = RECT{client.left + t.x, client.top + t.y, client.left + t.x + text.cx, client.top + t.y + text.cy};
    return out;
}

// --- SpeedButton -----------------------------------------------------------------

SpeedButton::SpeedButton(Component* owner) : GraphicControl(owner)
{
    UpdateBounds(0, 0, 23, 22);
    glyph_.OnChange = [this] { Invalidate(); };
}

void SpeedButton::SetFlat(bool flat)
{
    if (flat == flat_)
        return;
    flat_ = flat;
    Invalidate();
}

void SpeedButton::SetNumGlyphs(int n)
{
    numGlyphs_ = std::clamp(n, 1, 4);
    Invalidate();
}

void SpeedButton::SetLayout(ButtonLayout layout)
{
    layout_ = layout;
    Invalidate();
}

void SpeedButton::SetSpacing(int spacing)
{
    spacing_ = spacing;
    Invalidate();
}

void SpeedButton::SetMargin(int margin)
{
    margin_ = margin;
    Invalidate();
}

void SpeedButton::SetTransparent(bool transparent)
{
    transparent_ = transparent;
    Invalidate();
}

void SpeedButton::SetDown(bool down)
{
    if (groupIndex_ == 0)
        down = false;
    if (down == down_)
        return;
    down_ = down;
    if (down && Parent()) {
        for (Control* c : Parent()->ControlsList()) {
            auto* other = dynamic_cast<SpeedButton*>(c);
            if (other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->Invalidate();
            }
        }
    }
    Invalidate();
}

int SpeedButton::State() const
{
    if (!Enabled())
        return 3;
    if (pressed_ || down_)
        return 2;
    if (flat_ && MouseInControl())
        return 1;
    return 0;
}

void SpeedButton::Click()
{
    if (groupIndex_ != 0)
        SetDown(down_ ? !allowAllUp_ : true);
    GraphicControl::Click();
}

void SpeedButton::WndProc(Message& message)
{
    GraphicControl::WndProc(message);
    switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
}

void SpeedButton::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    if (button == mbLeft && Enabled()) {
        pressed_ = true;
        tracking_ = true;
        Invalidate();
    }
    GraphicControl::MouseDown(button, shift, x, y);
}

void SpeedButton::MouseMove(ShiftState shift, int x, int y)
{
    if (tracking_) {
        const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
        if (inside != pressed_) {
            pressed_ = inside;
            Invalidate();
        }
    }
    GraphicControl::MouseMove(shift, x, y);
}

void SpeedButton::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    if (button == mbLeft && tracking_) {
        tracking_ = false;
        pressed_ = false;
        Invalidate();
    }
    GraphicControl::MouseUp(button, shift, x, y);
}

void SpeedButton::Paint(Canvas& canvas)
{
    const int state = State();
    RECT r = ClientRect();
    if (!flat_) {
        UINT f = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
        if (state == 2)
            f |= DFCS_PUSHED;
        RECT face = r;
        ::DrawFrameControl(canvas.Handle(), &face, DFC_BUTTON, f);
    } else {
        if (!transparent_)
            canvas.FillRect(r, EffectiveColor());
        if (state == 2)
            canvas.Edge(r, BDR_SUNKENOUTER, BF_RECT);
        else if (state == 1)
            canvas.Edge(r, BDR_RAISEDINNER, BF_RECT);
    }

    // The glyph part for the state, when the strip holds several.
    const int partWidth = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
    int part = 0;
    if (state == 3 && numGlyphs_ > 1)
        part = 1;
    else if (state == 2 && numGlyphs_ > 2)
        part = 2;
    if (down_ && numGlyphs_ > 3)
        part = 3;

    const std::string caption = Text();
    SIZE textSize{0, 0};
    if (!caption.empty()) {
        RECT calc{0, 0, 0, 0};
        DrawProgramText(canvas.Handle(), caption, calc,
                    DT_CALCRECT | DT_SINGLELINE);
        textSize = SIZE{calc.right, calc.bottom};
    }
    GlyphLayout layout = LayoutGlyphAndText(r, SIZE{partWidth, glyph_.Height()}, textSize, layout_, margin_, spacing_);
    if (state == 2) {
        ::OffsetRect(&layout.GlyphRect, 1, 1);
        ::OffsetRect(&layout.TextRect, 1, 1);
    }
    if (partWidth > 0) {
        const RECT source{part * partWidth, 0, (part + 1) * partWidth, glyph_.Height()};
        if (state == 3 && numGlyphs_ == 1) {
            Bitmap grey;
            grey.AssignDisabled(glyph_);
            grey.DrawPart(canvas.Handle(), layout.GlyphRect.left, layout.GlyphRect.top, source, true);
        } else {
            glyph_.DrawPart(canvas.Handle(), layout.GlyphRect.left, layout.GlyphRect.top, source, true);
        }
    }
    if (!caption.empty()) {
        if (state == 3) {
            RECT shifted = layout.TextRect;
            ::OffsetRect(&shifted, 1, 1);
            canvas.SetTextColor(clBtnHighlight);
            canvas.DrawText(shifted, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            canvas.SetTextColor(clBtnShadow);
        }
        canvas.DrawText(layout.TextRect, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

} // namespace ui
