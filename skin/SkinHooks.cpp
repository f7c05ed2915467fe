#include "skin/SkinHooks.h"

#include "ui/Application.h"

#include <string>
#include <vector>

namespace korvane {

// --- ControlHook ---------------------------------------------------------------------------

struct ControlHook::Link {
    Handler handler;   // empty once the hook has gone
    std::function<void(ui::Message&)> previous;
};

struct ControlHook::Thunk {
    std::shared_ptr<Link> link;
    void operator()(ui::Message& m) const
    {
        // Held for the call: the hook may go while its handler runs.
        const std::shared_ptr<Link> keep = link;
        if (keep->handler)
            keep->handler(m);
        else if (keep->previous)
            keep->previous(m);
    }
};

ControlHook::ControlHook(ui::Control& control, Handler handler)
    : control_(&control), link_(std::make_shared<Link>())
{
    link_->handler = std::move(handler);
    link_->previous = control.WindowProc;
    control.WindowProc = Thunk{link_};
}

ControlHook::~ControlHook()
{
    if (control_) {
        const Thunk* current = control_->WindowProc.target<Thunk>();
        if (current && current->link == link_) {
            control_->WindowProc = link_->previous;
            return;
        }
    }
    link_->handler = nullptr;
}

void ControlHook::CallPrevious(ui::Message& m) const
{
    if (link_->previous)
        link_->previous(m);
}

void ControlHook::ControlGone()
{
    control_ = nullptr;
    link_->handler = nullptr;
}

// --- WindowSubclass -------------------------------------------------------------------------

namespace {

std::string PreviousKey(const char* key)
{
    return std::string(key) + ".previous";
}

} // namespace

WindowSubclass::WindowSubclass(HWND hwnd, const char* key, Handler handler)
    : hwnd_(hwnd), key_(key), handler_(std::move(handler)), unicode_(::IsWindowUnicode(hwnd) != FALSE)
{
    ::SetPropA(hwnd, key_, this);
    if (HANDLE kept = ::GetPropA(hwnd, PreviousKey(key_).c_str())) {
        // An earlier subclass of ours left its procedure in the chain (a
        // later subclass sat on top of it): take that place again rather
        // than putting a second copy of the procedure on top, which would
        // call itself through the later one without end.
        previous_ = reinterpret_cast<WNDPROC>(kept);
        unicode_ = ::GetPropA(hwnd, (PreviousKey(key_) + ".wide").c_str()) != nullptr;
        return;
    }
    if (unicode_)
        previous_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcW)));
    else
        previous_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcA)));
    ::SetPropA(hwnd, PreviousKey(key_).c_str(), reinterpret_cast<HANDLE>(previous_));
    if (unicode_)
        ::SetPropA(hwnd, (PreviousKey(key_) + ".wide").c_str(), reinterpret_cast<HANDLE>(1));
}

WindowSubclass::~WindowSubclass()
{
    if (!hwnd_ || !::IsWindow(hwnd_))
        return;
    ::RemovePropA(hwnd_, key_);
    const LONG_PTR ours = unicode_ ? reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcW)
                                   : reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcA);
    const LONG_PTR current = unicode_ ? ::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) : ::GetWindowLongPtrA(hwnd_, GWLP_WNDPROC);
    if (current == ours) {
        if (unicode_)
            ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        else
            ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        ::RemovePropA(hwnd_, PreviousKey(key_).c_str());
        ::RemovePropA(hwnd_, (PreviousKey(key_) + ".wide").c_str());
    }
    // Otherwise our procedure stays in the chain and passes through, reading
    // the previous procedure from the window.
}

void WindowSubclass::WindowGone()
{
    if (hwnd_ && ::IsWindow(hwnd_))
        ::RemovePropA(hwnd_, key_);
    hwnd_ = nullptr;
}

LRESULT WindowSubclass::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    if (!previous_ || !hwnd_)
        return 0;
    return unicode_ ? ::CallWindowProcW(previous_, hwnd_, msg, wParam, lParam)
                    : ::CallWindowProcA(previous_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::ProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Run(false, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::ProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Run(true, hwnd, msg, wParam, lParam);
}

LRESULT WindowSubclass::Run(bool unicode, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Both keys this module uses; a window carries at most one of them.
    static const char* const kKeys[] = {kSkinWindowKey, kSkinControlKey};
    for (const char* key : kKeys) {
        if (auto* self = static_cast<WindowSubclass*>(::GetPropA(hwnd, key))) {
            // The handler may free this subclass while it runs: it runs from a copy.
            const Handler handler = self->handler_;
            LRESULT result = 0;
            bool handled = false;
            ui::Guard([&] {
                result = handler(msg, wParam, lParam);
                handled = true;
            });
            if (!handled && msg != WM_NCDESTROY) {
                if (auto* still = static_cast<WindowSubclass*>(::GetPropA(hwnd, key)); still == self)
                    result = self->CallPrevious(msg, wParam, lParam);
            }
            return result;
        }
        if (HANDLE previous = ::GetPropA(hwnd, PreviousKey(key).c_str())) {
            auto proc = reinterpret_cast<WNDPROC>(previous);
            // Nobody of ours is left and the later subclass has gone: the
            // chain heals, the window gets its previous procedure back.
            const LONG_PTR ours = unicode ? reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcW)
                                          : reinterpret_cast<LONG_PTR>(&WindowSubclass::ProcA);
            const LONG_PTR current =
                unicode ? ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) : ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
            if (current == ours) {
                if (unicode)
                    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
                else
                    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
                ::RemovePropA(hwnd, PreviousKey(key).c_str());
                ::RemovePropA(hwnd, (PreviousKey(key) + ".wide").c_str());
            }
            return unicode ? ::CallWindowProcW(proc, hwnd, msg, wParam, lParam)
                           : ::CallWindowProcA(proc, hwnd, msg, wParam, lParam);
        }
    }
    return unicode ? ::DefWindowProcW(hwnd, msg, wParam, lParam) : ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace korvane
