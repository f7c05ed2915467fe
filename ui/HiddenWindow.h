#pragma once
// A window nobody sees, for window timers and for notifications that other
// threads post: it hands each message to its handler, on the GUI thread. The
// handler returns true for a message it handled; exceptions go to the
// application's standard report. The object owns its window.
#include <windows.h>

#include <functional>

namespace ui {

class HiddenWindow {
public:
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;

    // A message-only window, unless a style and no parent are asked for.
    HiddenWindow(const char* className, Handler handler, DWORD style = 0, HWND parent = HWND_MESSAGE);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND hwnd_ = nullptr;
};

} // namespace ui
