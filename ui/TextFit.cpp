#include "ui/TextFit.h"

#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/Handles.h"

#include <algorithm>
#include <cstdlib>

namespace ui {

namespace {

// A push button's edges and focus frame, on each side.
constexpr int kButtonEdge = 3;
// A check box's or radio button's box and the gap before its text.
constexpr int kCheckBoxRoom = 13 + 5;
// A group box's caption starts this far in and keeps as much at its end.
constexpr int kGroupCaptionInset = 8;
// What a sized-to-text label keeps free before the next control of its row.
constexpr int kLabelGap = 2;

int TextWidth(const Control& control, const std::string& text, UINT format)
{
    if (text.empty())
        return 0;
    MemoryDC measure;
    const GdiFont font = control.GetFont().Create();
    SelectObjectScope sel(measure.Get(), font.Get());
    RECT r{0, 0, 0, 0};
    DrawProgramText(measure.Get(), text, r, format | DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
}

int GlyphPart(const Bitmap& glyph, int count)
{
    return glyph.Empty() ? 0 : glyph.Width() / std::max(1, count);
}

// Where a label of its row's controls must stop: the left edge of the
// nearest sibling to its right whose rows meet the label's, else the
// parent's client width.
int RowEnd(const Control& label)
{
    const WinControl* parent = label.Parent();
    if (!parent)
        return label.Left() + label.Width();
    int end = parent->ClientWidth();
    for (const Control* other : parent->ControlsList()) {
        if (other == &label || !other->Visible())
            continue;
        const bool rowsMeet = other->Top() < label.Top() + label.Height() && label.Top() < other->Top() + other->Height();
        // Only what begins to its right: a picture filling the panel lies under everything.
        if (rowsMeet && other->Left() > label.Left())
            end = std::min(end, other->Left() - kLabelGap);
    }
    return end;
}

} // namespace

TextRoom MeasureTextRoom(const Control& control)
{
    TextRoom room;
    const std::string caption = control.Caption();
    if (caption.empty() || !control.Visible())
        return room;
    if (const auto* label = dynamic_cast<const Label*>(&control)) {
        if (label->WordWrap())
            return room;
        room.Applies = true;
        room.Text = TextWidth(control, caption, label->ShowAccelChar() ? 0 : DT_NOPREFIX);
        if (!label->AutoSize()) {
            room.Room = label->Width();
        } else if (label->GetAlignment() == taRightJustify) {
            room.Room = label->Left() + label->Width();   // grows to the left
        } else {
            room.Room = RowEnd(*label) - label->Left();
        }
        return room;
    }
    if (const auto* speed = dynamic_cast<const SpeedButton*>(&control)) {
        room.Applies = true;
        room.Text = TextWidth(control, caption, 0);
        const int glyph = GlyphPart(speed->Glyph(), speed->NumGlyphs());
        const bool beside = speed->Layout() == blGlyphLeft || speed->Layout() == blGlyphRight;
        room.Room = speed->Width() - 2 - (beside && glyph > 0 ? glyph + speed->Spacing() : 0);
        return room;
    }
    if (const auto* bit = dynamic_cast<const BitBtn*>(&control)) {
        room.Applies = true;
        room.Text = TextWidth(control, caption, 0);
        const int glyph = GlyphPart(bit->Glyph(), bit->NumGlyphs());
        const bool beside = bit->Layout() == blGlyphLeft || bit->Layout() == blGlyphRight;
        room.Room = bit->Width() - 2 * kButtonEdge - (beside && glyph > 0 ? glyph + bit->Spacing() : 0);
        return room;
    }
    if (dynamic_cast<const Button*>(&control)) {
        room.Applies = true;
        room.Text = TextWidth(control, caption, 0);
        room.Room = control.Width() - 2 * kButtonEdge;
        return room;
    }
    if (dynamic_cast<const CheckBox*>(&control)) {
        room.Applies = true;
        room.Text = TextWidth(control, caption, 0);
        room.Room = control.Width() - kCheckBoxRoom;
        return room;
    }
    if (dynamic_cast<const GroupBox*>(&control)) {
        room.Applies = true;
        room.Text = TextWidth(control, caption, 0);
        room.Room = control.Width() - 2 * kGroupCaptionInset;
        return room;
    }
    return room;
}

void ForEachControl(WinControl& root, const std::function<void(Control&)>& visit)
{
    const std::vector<Control*> children = root.ControlsList();
    for (Control* c : children) {
        visit(*c);
        if (auto* w = dynamic_cast<WinControl*>(c))
            ForEachControl(*w, visit);
    }
}

int FitTexts(WinControl& root)
{
    int changed = 0;
    ForEachControl(root, [&](Control& control) {
        TextRoom room = MeasureTextRoom(control);
        if (room.Fits())
            return;
        Font font = control.GetFont();
        const int sign = font.Height < 0 ? -1 : 1;
        while (!room.Fits() && std::abs(font.Height) > kSmallestFitHeight) {
            font.Height -= sign;
            control.SetFont(font);
            room = MeasureTextRoom(control);
        }
        ++changed;
    });
    return changed;
}

} // namespace ui
