#include "skin/SkinPainters.h"

#include "skin/SkinBitmap.h"
#include "ui/Handles.h"

#include <commctrl.h>

#include <algorithm>

namespace korvane {

HFONT WindowFont(HWND hwnd)
{
    return reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

std::wstring WindowText(HWND hwnd)
{
    const int n = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), n + 1)));
    return text;
}

int DrawWide(HDC dc, const std::wstring& text, RECT& rect, UINT format)
{
    return ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

// The box of a check box or radio button, over what the control painted.
void PaintCheckBox(TSkinEngine& engine, HWND hwnd, bool radio, COLORREF boxBackground)
{
    if (!hwnd || !::IsWindowVisible(hwnd))
        return;
    const LRESULT state = ::SendMessageA(hwnd, BM_GETCHECK, 0, 0);
    const bool checked = state == BST_CHECKED;
    const bool enabled = ::IsWindowEnabled(hwnd) != FALSE;
    const int part = enabled ? (checked ? 1 : 2) : (checked ? 3 : 4);
    const ui::Bitmap* picture = engine.Picture(radio ? "RadioButtonImage" : "CheckBoxImage", part, 4);
    if (!picture)
        return;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongA(hwnd, GWL_EXSTYLE);
    const bool leftText = (style & BS_LEFTTEXT) != 0;
    const bool rtl = (exStyle & WS_EX_RTLREADING) != 0;
    const int pw = picture->Width(), ph = picture->Height();
    const int boxW = std::max(13, pw), boxH = std::max(13, ph);
    const bool textOnRight = leftText == rtl;
    const int x = textOnRight ? 0 : client.right - pw - 1;
    const int y = (client.bottom - ph) / 2;
    ui::WindowDC dc(hwnd);
    const RECT box{x, (client.bottom - boxH) / 2, x + boxW, (client.bottom - boxH) / 2 + boxH};
    FillSolid(dc.Get(), box, boxBackground);
    DrawPictureRect(dc.Get(), RECT{x, y, x + pw, y + ph}, *picture, RECT{0, 0, pw, ph}, radio);
}

// Border, drop button and arrow of a combo box, over what it painted itself.
void PaintComboBox(TSkinEngine& engine, HWND hwnd)
{
    if (!hwnd || !::IsWindowVisible(hwnd))
        return;
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    if ((style & 3) == CBS_SIMPLE)
        return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(hwnd, &info))
        return;   // parts unknown: the system look stays
    const COLORREF border = engine.SkinColor(SkinColour::ControlBorderColor);
    const COLORREF inside = engine.SkinColor(SkinColour::ControlBackgroundColor);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    {
        ui::WindowDC dc(hwnd);
        HDC d = dc.Get();
        FrameSolid(d, client, border);
        RECT inner = client;
        ::InflateRect(&inner, -1, -1);
        FrameSolid(d, inner, inside);
        RECT button = info.rcButton;
        if (button.right > button.left) {
            // The button reaches the frame.
            const bool rtl = (::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
            button.top = client.top + 1;
            button.bottom = client.bottom - 1;
            if (rtl)
                button.left = client.left + 1;
            else
                button.right = client.right - 1;
            FillSolid(d, button, engine.BackgroundColor());
            const int lineX = rtl ? button.right : button.left - 1;
            FillSolid(d, RECT{lineX, button.top - 1, lineX + 1, button.bottom + 1}, border);
            const int cx = (button.left + button.right) / 2 - 3;
            const int cy = (button.top + button.bottom) / 2 - 1;
            const COLORREF arrow = ::IsWindowEnabled(hwnd) ? RGB(0, 0, 0) : kDisabledText;
            for (int row = 0; row < 4; ++row)
                FillSolid(d, RECT{cx + row, cy + row, cx + 7 - row, cy + row + 1}, arrow);
        }
    }
    if (info.hwndList && ::IsWindowVisible(info.hwndList)) {
        RECT list{};
        ::GetWindowRect(info.hwndList, &list);
        ::OffsetRect(&list, -list.left, -list.top);
        const ui::FrameDC d(info.hwndList);
        if (d)
            FrameSolid(d.Get(), list, border);
    }
}

void PaintButtonFace(TSkinEngine& engine, HDC dc, const RECT& client, const ButtonFace& face)
{
    const int part = face.Pressed ? 3 : face.Hover ? 2 : 1;
    if (const ui::Bitmap* picture = engine.Picture("ButtonImage", part, 3))
        DrawNineSlices(dc, client, *picture, engine.GetSkinBool("ButtonTransparentBool"));
    ui::SelectObjectScope font(dc, face.Font);
    SIZE textSize{0, 0};
    if (!face.Caption.empty()) {
        RECT calc{0, 0, 0, 0};
        DrawWide(dc, face.Caption, calc, DT_CALCRECT | DT_SINGLELINE);
        textSize = SIZE{calc.right, calc.bottom};
    }
    RECT textRect = client;
    if (face.Glyphs && !face.Glyphs->Glyph().Empty()) {
        const ui::Bitmap& glyph = face.Glyphs->Glyph();
        const int count = std::max(1, face.Glyphs->NumGlyphs());
        const int partW = glyph.Width() / count;
        ui::GlyphLayout layout = ui::LayoutGlyphAndText(client, SIZE{partW, glyph.Height()}, textSize,
                                                        face.Glyphs->Layout(), face.Glyphs->Margin(),
                                                        face.Glyphs->Spacing());
        if (face.Pressed) {
            ::OffsetRect(&layout.GlyphRect, 1, 1);
            ::OffsetRect(&layout.TextRect, 1, 1);
        }
        const int index = !face.Enabled && count > 1 ? 1 : 0;
        glyph.DrawPart(dc, layout.GlyphRect.left, layout.GlyphRect.top,
                       RECT{index * partW, 0, (index + 1) * partW, glyph.Height()}, true);
        textRect = layout.TextRect;
    } else if (face.Pressed) {
        ::OffsetRect(&textRect, 1, 1);
    }
    if (!face.Caption.empty()) {
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, face.Enabled ? face.TextColor : kDisabledText);
        DrawWide(dc, face.Caption, textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (face.Focused) {
        RECT focus = client;
        ::InflateRect(&focus, -5, -5);
        if (face.Pressed)
            ::OffsetRect(&focus, 1, 1);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
}

void PaintScrollBar(TSkinEngine& engine, HDC dc, HWND hwnd, LONG object, const RECT& window)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!::GetScrollBarInfo(hwnd, object, &info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE))
        return;
    RECT bar = info.rcScrollBar;
    ::OffsetRect(&bar, -window.left, -window.top);
    if (bar.right <= bar.left || bar.bottom <= bar.top)
        return;
    const bool vertical = object == OBJID_VSCROLL;
    FillSolid(dc, bar, engine.SkinColor(SkinColour::ScrollBarBackgroundColor));
    // A disabled bar reports no button size: the arrows keep their usual one.
    const int length = vertical ? bar.bottom - bar.top : bar.right - bar.left;
    int button = info.dxyLineButton;
    if (button <= 0)
        button = std::min(::GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL), length / 2);
    const bool disabled = (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0;
    // Parts 1-3: towards the start (left, up), 4-6: towards the end; normal, hover, pressed.
    const TSkinScrollBtnRes& pictures = engine.ScrollButtons();
    const int startPart = (info.rgstate[2] & STATE_SYSTEM_PRESSED) ? 3 : 1;
    const int endPart = (info.rgstate[4] & STATE_SYSTEM_PRESSED) ? 6 : 4;
    RECT first = bar, last = bar;
    if (vertical) {
        first.bottom = first.top + button;
        last.top = last.bottom - button;
        // Turned left, the end-pointing part points up, the start-pointing one down.
        const ui::Bitmap& up = pictures.Button(endPart, SkinTurn::Left);
        const ui::Bitmap& down = pictures.Button(startPart, SkinTurn::Left);
        DrawPictureRect(dc, first, up, RECT{0, 0, up.Width(), up.Height()}, false);
        DrawPictureRect(dc, last, down, RECT{0, 0, down.Width(), down.Height()}, false);
    } else {
        first.right = first.left + button;
        last.left = last.right - button;
        const ui::Bitmap& left = pictures.Button(startPart, SkinTurn::Stored);
        const ui::Bitmap& right = pictures.Button(endPart, SkinTurn::Stored);
        DrawPictureRect(dc, first, left, RECT{0, 0, left.Width(), left.Height()}, false);
        DrawPictureRect(dc, last, right, RECT{0, 0, right.Width(), right.Height()}, false);
    }
    if (disabled || info.xyThumbBottom <= info.xyThumbTop)
        return;
    RECT thumb = bar;
    if (vertical) {
        thumb.top = bar.top + info.xyThumbTop;
        thumb.bottom = bar.top + info.xyThumbBottom;
        DrawThreeSlicesVertical(dc, thumb, pictures.Slider(SkinTurn::Right), false);
    } else {
        thumb.left = bar.left + info.xyThumbTop;
        thumb.right = bar.left + info.xyThumbBottom;
        DrawThreeSlices(dc, thumb, pictures.Slider(SkinTurn::Stored), false);
    }
}

// Border of a bordered control, and its scroll bars when the engine draws them.
void PaintControlNonClient(TSkinEngine& engine, HWND hwnd, bool border, bool scroll)
{
    if (!hwnd || !::IsWindowVisible(hwnd))
        return;
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    const int W = window.right - window.left, H = window.bottom - window.top;
    POINT origin{0, 0};
    ::ClientToScreen(hwnd, &origin);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    ::OffsetRect(&client, origin.x - window.left, origin.y - window.top);
    const ui::FrameDC frameDc(hwnd);
    HDC dc = frameDc.Get();
    if (!dc)
        return;
    {
        OffscreenBuffer buffer(dc, W, H);
        HDC b = buffer.Dc();
        const RECT all{0, 0, W, H};
        FillSolid(b, all, engine.SkinColor(SkinColour::ControlBackgroundColor));
        if (border)
            FrameSolid(b, all, engine.SkinColor(SkinColour::ControlBorderColor));
        const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
        if (scroll && (style & WS_VSCROLL))
            PaintScrollBar(engine, b, hwnd, OBJID_VSCROLL, window);
        if (scroll && (style & WS_HSCROLL))
            PaintScrollBar(engine, b, hwnd, OBJID_HSCROLL, window);
        ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        if (!scroll) {
            // The system's scroll bars stay: only the border is ours.
            for (LONG object : {static_cast<LONG>(OBJID_VSCROLL), static_cast<LONG>(OBJID_HSCROLL)}) {
                if (!(style & (object == OBJID_VSCROLL ? WS_VSCROLL : WS_HSCROLL)))
                    continue;
                SCROLLBARINFO info{};
                info.cbSize = sizeof info;
                if (::GetScrollBarInfo(hwnd, object, &info)) {
                    RECT bar = info.rcScrollBar;
                    ::OffsetRect(&bar, -window.left, -window.top);
                    ::ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
                }
            }
        }
        buffer.CopyTo(dc, 0, 0);
    }
}

} // namespace korvane
