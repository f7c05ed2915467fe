#pragma once
// One window message as it travels through a control's WindowProc chain.
//
// Every message of a control goes through `Control::WindowProc`:
//  - windowed controls: the real window messages of their HWND (framework
//    windows and subclassed native controls alike);
//  - graphic controls (no HWND): what the parent routes to them, in the same
//    form, with coordinates relative to the graphic control:
//      WM_MOUSEMOVE, WM_xBUTTONDOWN/UP/DBLCLK   LParam = MAKELPARAM(x, y)
//      WM_PAINT                                 WParam = HDC, origin at the
//                                               control's top left, clipped to it
//      CM_MOUSEENTER, CM_MOUSELEAVE
//  - framework notifications below (CM_*) for both kinds;
//  - notifications of native controls reflected by their parent (CN_*): the
//    parent's WM_COMMAND from a child edit arrives at the edit as CN_COMMAND
//    with the same WParam and LParam, and so on.
//
// A handler that consumes a message sets Result and does not call the
// previous handler; one that passes it on calls the previous WindowProc.
#include <windows.h>

namespace ui {

struct Message {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// Framework notifications, sent through the control's WindowProc.
enum : UINT {
    CM_BASE = 0xB000,
    CM_ACTIVATE = CM_BASE + 0,        // reserved
    CM_MOUSEENTER = CM_BASE + 1,      // the mouse came over the control
    CM_MOUSELEAVE = CM_BASE + 2,      // the mouse left the control
    CM_ENABLEDCHANGED = CM_BASE + 3,  // Enabled changed
    CM_TEXTCHANGED = CM_BASE + 4,     // Caption/Text changed
    CM_VISIBLECHANGED = CM_BASE + 5,  // Visible changed; WParam = new value
    CM_COLORCHANGED = CM_BASE + 6,    // Color changed
    CM_FONTCHANGED = CM_BASE + 7,     // font changed
    CM_PARENTCOLORCHANGED = CM_BASE + 8,
    CM_PARENTFONTCHANGED = CM_BASE + 9,
    CM_FOCUSCHANGED = CM_BASE + 10,   // sent to a form; LParam = new active control
    CM_ENTER = CM_BASE + 11,          // the control became the form's active control
    CM_EXIT = CM_BASE + 12,           // the control stopped being the active control
    CM_BUTTONPRESSED = CM_BASE + 13,  // reserved
    CM_CHECKEDCHANGED = CM_BASE + 14, // Checked changed (check box, radio button)
    CM_BORDERCHANGED = CM_BASE + 15,  // a form's border style or icons changed (window exists)

    // Reflected notifications: CN_BASE + the parent's message number.
    CN_BASE = 0xBC00,
    CN_COMMAND = CN_BASE + WM_COMMAND,
    CN_NOTIFY = CN_BASE + WM_NOTIFY,
    CN_HSCROLL = CN_BASE + WM_HSCROLL,
    CN_VSCROLL = CN_BASE + WM_VSCROLL,
    CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
    CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM,
    CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN,
    CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
    CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX,
    CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
    CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR,
};

} // namespace ui
