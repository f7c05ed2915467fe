#pragma once
// How skin objects sit in front of a message handler and leave again.
//
// ControlHook: in front of a framework control's WindowProc (the only way
// into a control of the program). When it goes it puts the previous
// handler back if nobody hooked in front of it since; otherwise it stays in
// the chain as a plain pass-through, so the later hook keeps working.
//
// WindowSubclass: the window procedure of a foreign window replaced; put
// back when it goes if the window still exists and nobody replaced it since
// (otherwise the replacement passes through to the previous procedure,
// which stays stored with the window). Unicode windows are served by a
// Unicode procedure, so that text messages are not translated on the way.
#include "ui/Control.h"

#include <functional>
#include <memory>

namespace korvane {

// Window properties that find a subclass from its window: foreign top-level
// windows and foreign child controls.
constexpr char kSkinWindowKey[] = "Korvane.SkinWindow";
constexpr char kSkinControlKey[] = "Korvane.SkinControl";

class ControlHook {
public:
    using Handler = std::function<void(ui::Message&)>;
    ControlHook(ui::Control& control, Handler handler);
    ~ControlHook();
    ControlHook(const ControlHook&) = delete;
    ControlHook& operator=(const ControlHook&) = delete;

    void CallPrevious(ui::Message& m) const;
    // The control went away on its own: nothing of it may be touched.
    void ControlGone();

private:
    struct Link;
    struct Thunk;
    ui::Control* control_;
    std::shared_ptr<Link> link_;
};

class WindowSubclass {
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;
    // `key`: kSkinWindowKey or kSkinControlKey.
    WindowSubclass(HWND hwnd, const char* key, Handler handler);
    ~WindowSubclass();
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;

    HWND Handle() const { return hwnd_; }
    LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const;
    // The window is being destroyed: let go of it without touching it again.
    void WindowGone();

private:
    static LRESULT CALLBACK ProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT Run(bool unicode, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_;
    const char* key_;
    Handler handler_;
    bool unicode_;
    WNDPROC previous_ = nullptr;
};

} // namespace korvane
