#pragma once
// The skin's shared painters: what several skin objects draw alike, for the
// program's controls and for the child windows of system dialogs.
//
//   PaintButtonFace        a push button's face from "ButtonImage" (nine
//                          slices), its glyph and caption, the focus frame
//   PaintCheckBox          the box of a check box or radio button, over
//                          what the control painted itself
//   PaintComboBox          border, drop button and arrow of a combo box
//   PaintScrollBar         one engine-drawn scroll bar of a scrolling control
//   PaintControlNonClient  the flat border (and scroll bars) of a bordered control
//
// Every painter draws text wide, so a caption in any script shows as it is.
#include "skin/SkinEngine.h"
#include "skin/SkinDraw.h"
#include "ui/Controls.h"

#include <string>

namespace korvane {

constexpr COLORREF kDisabledText = RGB(0x80, 0x80, 0x80);

HFONT WindowFont(HWND hwnd);
// Wide: a foreign window's text in any language, whatever the code page.
std::wstring WindowText(HWND hwnd);
int DrawWide(HDC dc, const std::wstring& text, RECT& rect, UINT format);

// Paints on a window's client area through an off-screen picture.
template <class F>
void PaintClient(HWND hwnd, F&& paint)
{
    if (!hwnd || !::IsWindowVisible(hwnd))
        return;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    ui::WindowDC dc(hwnd);
    OffscreenBuffer buffer(dc.Get(), client.right, client.bottom);
    paint(buffer.Dc(), client);
    buffer.CopyTo(dc.Get(), 0, 0);
}

// A push button's face from "ButtonImage", with glyph and caption.
struct ButtonFace {
    bool Pressed = false;
    bool Hover = false;
    bool Focused = false;
    bool Enabled = true;
    std::wstring Caption;
    HFONT Font = nullptr;
    COLORREF TextColor = RGB(0, 0, 0);
    const ui::BitBtn* Glyphs = nullptr;
};

void PaintButtonFace(TSkinEngine& engine, HDC dc, const RECT& client, const ButtonFace& face);
void PaintCheckBox(TSkinEngine& engine, HWND hwnd, bool radio, COLORREF boxBackground);
void PaintComboBox(TSkinEngine& engine, HWND hwnd);
// `object` is OBJID_VSCROLL or OBJID_HSCROLL; `window` the control's window rectangle.
void PaintScrollBar(TSkinEngine& engine, HDC dc, HWND hwnd, LONG object, const RECT& window);
void PaintControlNonClient(TSkinEngine& engine, HWND hwnd, bool border, bool scroll);

} // namespace korvane
