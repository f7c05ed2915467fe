// The frame of any other window of the process (message boxes, the system's
// dialogs): its window procedure replaced, its client size kept, its close
// button acting as the dialog's Cancel.
#include "skin/SkinWindow.h"

#include "skin/SkinControls.h"
#include "skin/SkinHooks.h"
#include "ui/Application.h"

#include <cstring>

namespace korvane {

namespace {

RECT WindowRectOf(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

bool IsDialogWindow(HWND hwnd)
{
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

} // namespace

TSkinWindowWnd::TSkinWindowWnd(HWND hwnd, TSkinEngine& engine, bool foundByHook)
    : TSkinWindow(engine, foundByHook), hwnd_(hwnd)
{
    subclass_ = std::make_unique<WindowSubclass>(hwnd, kSkinWindowKey, [this](UINT msg, WPARAM w, LPARAM l) {
        ui::Message m{msg, w, l, 0};
        if (msg == WM_NCDESTROY) {
            // The engine unskins a foreign window when it goes; this object
            // is freed once the message has been handled, and nothing of it
            // is touched here after that.
            TSkinEngine::DispatchScope scope(engine_);
            const LRESULT result = subclass_ ? subclass_->CallPrevious(msg, w, l) : 0;
            if (subclass_)
                subclass_->WindowGone();
            hwnd_ = nullptr;
            engine_.ReleaseWindow(this);
            return result;
        }
        Dispatch(m);
        return m.Result;
    });
    titleShown_ = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    borderShown_ = true;
    SkinControls();
    ApplyState();
}

TSkinWindowWnd::~TSkinWindowWnd()
{
    Release();
    Detach();
}

void TSkinWindowWnd::Release()
{
    if (released_)
        return;
    if (hwnd_ && ::IsWindow(hwnd_))
        ui::Guard([&] { SetSkin(false); });
    // The window procedure stays until this object is freed: messages on
    // their way pass through to the previous one.
    TSkinWindow::Release();
}

void TSkinWindowWnd::Detach()
{
    subclass_.reset();
}

void TSkinWindowWnd::CallPrevious(ui::Message& m)
{
    if (subclass_)
        m.Result = subclass_->CallPrevious(m.Msg, m.WParam, m.LParam);
}

void TSkinWindowWnd::TakeMetrics()
{
    TSkinWindow::TakeMetrics();
    const RECT wr = WindowRectOf(hwnd_);
    nonClientHeight_ = (wr.bottom - wr.top) - clientHeight_;
}

void TSkinWindowWnd::SkinControls()
{
    for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!(::GetWindowLongA(child, GWL_STYLE) & WS_CHILD))
            continue;
        if (::SendMessageA(child, WM_SKIN_QUERY, 0, 0) == 1)
            continue;
        const std::string key = WindowClassKey(child);
        if (key.empty())
            continue;
        const WindowClassRow* row = FindWindowClass(key);
        if (!row)
            continue;
        HWND target = child;
        if (key == "COMBOBOXEX32") {
            // The extended combo box is painted through its inner combo box.
            target = ::GetWindow(child, GW_CHILD);
            if (!target)
                continue;
        }
        ui::Guard([&] { AddSkinObject(row->Make(*this, target)); });
    }
}

void TSkinWindowWnd::SwitchControls(bool on)
{
    TSkinWindow::SwitchControls(on);
    HWND h = hwnd_;
    if (!h || !::IsWindow(h))
        return;
    if (on) {
        ::SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(savedStyle_ & ~WS_SYSMENU) |
                                           (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE));
        if (::GetMenu(h)) {
            menu_ = ::GetMenu(h);
            ::SetMenu(h, nullptr);
        }
    } else {
        ::SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(savedStyle_ & ~WS_VISIBLE) |
                                           (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE));
        if (menu_) {
            ::SetMenu(h, menu_);
            menu_ = nullptr;
        }
        ::SetWindowRgn(h, nullptr, TRUE);
    }
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // Its client area keeps its size.
    SetClientSizeTo(clientWidth_, clientHeight_);
    ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

bool TSkinWindowWnd::PreFilter(ui::Message& m)
{
    switch (m.Msg) {
    case WM_SYSCOMMAND:
        // Closing a dialog with the caption's close button acts as its Cancel,
        // once: the default closing of a dialog cancels it as well, and the
        // system's file dialog does not survive a second Cancel.
        if ((m.WParam & 0xFFF0) == SC_CLOSE && IsDialogWindow(hwnd_)) {
            ::PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(hwnd_, IDCANCEL)));
            m.Result = 0;
            return false;
        }
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
        m.Result = reinterpret_cast<LRESULT>(engine_.BackgroundBrush());
        return false;
    default:
        return true;
    }
}

void TSkinWindowWnd::AfterHandler(ui::Message& m)
{
    if (m.Msg == WM_SIZE && m.WParam != SIZE_MAXIMIZED && m.WParam != SIZE_MINIMIZED) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        if (!heightCorrected_ && client.bottom < clientHeight_ && client.right * 2 <= clientWidth_ * 3) {
            // Once: a dialog that laid itself out for the classic frame gets its client height back.
            heightCorrected_ = true;
            SetClientSizeTo(client.right, clientHeight_);
        }
    }
}

} // namespace korvane
