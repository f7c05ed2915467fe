#include "ui/HiddenWindow.h"

#include "ui/Application.h"
#include "ui/Error.h"

#include <string>

namespace ui {

HiddenWindow::HiddenWindow(const char* className, Handler handler, DWORD style, HWND parent)
    : handler_(std::move(handler))
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!::GetClassInfoExA(instance, className, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WindowProc;
        wc.cbWndExtra = sizeof(HiddenWindow*);
        wc.hInstance = instance;
        wc.lpszClassName = className;
        ::RegisterClassExA(&wc);
    }
    hwnd_ = ::CreateWindowExA(0, className, "", style, 0, 0, 0, 0, parent, nullptr, instance, this);
    if (!hwnd_)
        throw Error(std::string("Cannot create the hidden window ") + className);
}

HiddenWindow::~HiddenWindow()
{
    if (hwnd_)
        ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK HiddenWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    } else if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, 0, 0);
    } else if (auto* self = reinterpret_cast<HiddenWindow*>(::GetWindowLongPtrA(hwnd, 0)); self && self->handler_) {
        bool handled = false;
        Guard([&] { handled = self->handler_(msg, wParam, lParam); });
        if (handled)
            return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace ui
