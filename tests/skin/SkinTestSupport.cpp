#include "SkinTestSupport.h"

#include "ui/Application.h"

#include <gtest/gtest.h>

namespace skintest {

COLORREF ScreenPixel(int x, int y)
{
    ui::WindowDC dc(nullptr);
    return ::GetPixel(dc.Get(), x, y);
}

COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return ScreenPixel(r.left + x, r.top + y);
}

bool ShowsPicture(HWND hwnd, const RECT& at, const ui::Bitmap& picture)
{
    if (picture.Empty() || at.right - at.left != picture.Width() || at.bottom - at.top != picture.Height())
        return false;
    RECT w{};
    ::GetWindowRect(hwnd, &w);
    ui::WindowDC screen(nullptr);
    ui::MemoryDC mem;
    ui::SelectObjectScope sel(mem.Get(), picture.Handle());
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (::GetPixel(screen.Get(), w.left + at.left + x, w.top + at.top + y) != ::GetPixel(mem.Get(), x, y))
                return false;
    return true;
}

bool InRegion(HWND hwnd, int x, int y)
{
    ui::GdiRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (::GetWindowRgn(hwnd, region.Get()) == ERROR)
        return false;
    return ::PtInRegion(region.Get(), x, y) != FALSE;
}

bool HasRoundedRegion(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    const int W = r.right - r.left, H = r.bottom - r.top;
    return !InRegion(hwnd, 0, 0) && !InRegion(hwnd, W - 1, 0) && !InRegion(hwnd, 0, H - 1) &&
        !InRegion(hwnd, W - 1, H - 1) && InRegion(hwnd, W / 2, H / 2) && InRegion(hwnd, W / 2, 0) &&
        InRegion(hwnd, W / 2, H - 1) && InRegion(hwnd, 0, H / 2) && InRegion(hwnd, W - 1, H / 2);
}

POINT PointAt(HWND hwnd, const RECT& windowRect)
{
    RECT w{};
    ::GetWindowRect(hwnd, &w);
    const POINT p{w.left + (windowRect.left + windowRect.right) / 2, w.top + (windowRect.top + windowRect.bottom) / 2};
    ::SetCursorPos(p.x, p.y);
    return p;
}

void NcMessage(HWND hwnd, UINT msg, WPARAM hit)
{
    POINT p{};
    ::GetCursorPos(&p);
    ::SendMessageA(hwnd, msg, hit, MAKELPARAM(p.x, p.y));
    Settle(2);
}

void RealMouse(POINT screen, DWORD buttonFlags)
{
    ::SetCursorPos(screen.x, screen.y);
    // A relative move of nothing: the event happens where the cursor was put.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | buttonFlags;
    ::SendInput(1, &input, sizeof input);
    Settle(3);
}

int ShownPart(HWND hwnd, korvane::TSkinEngine& engine, korvane::SkinHit element, int normalPart)
{
    korvane::TSkinWindow* frame = engine.FindSkinWindow(hwnd);
    if (!frame)
        return -1;
    const RECT at = frame->ButtonRect(element);
    for (int shown = 0; shown < 3; ++shown)
        if (const ui::Bitmap* part = engine.Picture("TitleBarButtonImage", normalPart + shown, 18);
            part && ShowsPicture(hwnd, at, *part))
            return shown;
    return -1;
}

std::vector<int> PartsWhenReleasedOutside(HWND hwnd, korvane::TSkinEngine& engine, korvane::SkinHit element,
                                          int normalPart)
{
    korvane::TSkinWindow* frame = engine.FindSkinWindow(hwnd);
    if (!frame)
        return {};
    RECT w{};
    ::GetWindowRect(hwnd, &w);
    const RECT button = frame->ButtonRect(element);
    const POINT over{w.left + (button.left + button.right) / 2, w.top + (button.top + button.bottom) / 2};
    // Beside the window at the caption's height, on whichever side the screen has room.
    const POINT outside{w.right + 30 < ::GetSystemMetrics(SM_CXSCREEN) ? w.right + 30 : w.left - 30, over.y};
    if (::WindowFromPoint(outside) == hwnd)
        return {};
    RECT caption = frame->ButtonRect(korvane::shIcon);
    ::OffsetRect(&caption, 200, 0);
    const POINT plain{w.left + (caption.left + caption.right) / 2, over.y};

    std::vector<int> parts;
    RealMouse(over);
    parts.push_back(ShownPart(hwnd, engine, element, normalPart));
    RealMouse(over, MOUSEEVENTF_LEFTDOWN);
    parts.push_back(ShownPart(hwnd, engine, element, normalPart));
    RealMouse(outside);
    RealMouse(outside, MOUSEEVENTF_LEFTUP);
    parts.push_back(ShownPart(hwnd, engine, element, normalPart));
    // One click: the caption's drag loop waits for the release.
    RealMouse(plain, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
    RealMouse(over);
    parts.push_back(ShownPart(hwnd, engine, element, normalPart));
    RealMouse(plain);
    parts.push_back(ShownPart(hwnd, engine, element, normalPart));
    return parts;
}

namespace {

struct ModalState {
    std::string windowClass;
    std::function<void(HWND)> inside;
    DWORD deadline = 0;
    bool done = false;
    bool overdue = false;
};

// How long a modal window may take to show up.
constexpr DWORD kModalDeadlineMs = 20000;
ModalState* g_modal = nullptr;   // only while WhileModal runs

BOOL CALLBACK FindWindowOfClass(HWND hwnd, LPARAM found)
{
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (g_modal && g_modal->windowClass == cls && ::IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ModalTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_modal || g_modal->done)
        return;
    HWND found = nullptr;
    // Menus' windows belong to no thread list in every system: look at the top level too.
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindWindowOfClass, reinterpret_cast<LPARAM>(&found));
    if (!found)
        ::EnumWindows(&FindWindowOfClass, reinterpret_cast<LPARAM>(&found));
    if (!found) {
        if (::GetTickCount() - g_modal->deadline < 0x80000000u) {
            // The loop runs, but not with the window asked for: end whatever
            // modal loop it is, so that the test reports instead of hanging.
            g_modal->done = true;
            g_modal->overdue = true;
            ::EndMenu();
            if (HWND active = ::GetActiveWindow()) {
                ::PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
                ::PostMessageA(active, WM_CLOSE, 0, 0);
            }
        }
        return;
    }
    g_modal->done = true;
    Settle(3);
    g_modal->inside(found);
}

} // namespace

void WhileModal(const std::function<void()>& open, const char* windowClass, const std::function<void(HWND)>& inside)
{
    ModalState state{windowClass, inside, ::GetTickCount() + kModalDeadlineMs};
    g_modal = &state;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &ModalTick);
    open();
    ::KillTimer(nullptr, timer);
    g_modal = nullptr;
    EXPECT_FALSE(state.overdue) << "no visible " << windowClass << " window came within " << kModalDeadlineMs / 1000
                                << " s of the modal loop's start";
    EXPECT_TRUE(state.done) << "the modal loop ended without a visible " << windowClass << " window";
}

void Settle(int quietLooks)
{
    // Timers tick on; everything else (input, posted and sent messages,
    // painting) must have stopped coming.
    constexpr UINT kScreenWork = QS_ALLINPUT & ~QS_TIMER;
    constexpr DWORD kDeadlineMs = 5000;
    const DWORD start = ::GetTickCount();
    for (int quiet = 0; quiet < quietLooks;) {
        ui::App().ProcessMessages();
        ::GdiFlush();
        const bool nothingCame = ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, kScreenWork) == WAIT_TIMEOUT;
        quiet = nothingCame ? quiet + 1 : 0;
        if (::GetTickCount() - start > kDeadlineMs) {
            ADD_FAILURE() << "the windows were still busy painting or taking input after " << kDeadlineMs << " ms";
            break;
        }
    }
    ui::App().ProcessMessages();
}

} // namespace skintest
