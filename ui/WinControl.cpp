#include "ui/Control.h"

#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/Form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace ui {

namespace {

// The object behind a window, for FromHandle (framework and native windows).
const char kSelfProp[] = "ui.Control";
// The component name as a global atom, for tests in other processes.
const char kNameProp[] = "Name";

bool IsMouseButtonMessage(UINT msg)
{
    switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

bool IsButtonDown(UINT msg)
{
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
        msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

bool IsButtonUp(UINT msg)
{
    return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
}

LPCSTR CursorId(Cursor c)
{
    switch (c) {
    case crArrow: return IDC_ARROW;
    case crHandPoint: return IDC_HAND;
    case crIBeam: return IDC_IBEAM;
    case crHourGlass: return IDC_WAIT;
    case crCross: return IDC_CROSS;
    case crSizeWE: return IDC_SIZEWE;
    case crSizeNS: return IDC_SIZENS;
    case crNo: return IDC_NO;
    case crDefault: break;
    }
    return nullptr;
}

// Whether a window has anything outside its client area to draw: a top-level
// window, scroll bars, or a child whose window is larger than its client area.
bool HasNonClientArea(HWND hwnd)
{
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    if (!(style & WS_CHILD) || (style & (WS_VSCROLL | WS_HSCROLL)))
        return true;
    RECT window{}, client{};
    ::GetWindowRect(hwnd, &window);
    ::GetClientRect(hwnd, &client);
    return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

} // namespace

// The two window procedures every framework window and subclassed native
// control goes through; both end in the control's WindowProc.
struct WindowProcs {
    static LRESULT Run(WinControl* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Message m{msg, wParam, lParam, 0};
        ++self->dispatchDepth_;
        try {
            if (self->WindowProc)
                self->WindowProc(m);
            else
                self->WndProc(m);
        } catch (...) {
            // An unpainted window would ask again at once.
            if (msg == WM_PAINT)
                ::ValidateRect(hwnd, nullptr);
            App().HandleCurrentException();
        }
        --self->dispatchDepth_;
        return m.Result;
    }

    static void Unbind(WinControl* self, HWND hwnd)
    {
        self->ReleaseName();
        ::RemovePropA(hwnd, kSelfProp);
        if (self->handle_ == hwnd)
            self->handle_ = nullptr;
        self->captureControl_ = nullptr;
        self->hoverControl_ = nullptr;
        self->mouseInControl_ = false;
    }

    static LRESULT CALLBACK Framework(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        WinControl* self = nullptr;
        if (msg == WM_NCCREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            self = static_cast<WinControl*>(cs->lpCreateParams);
            if (self) {
                self->handle_ = hwnd;
                ::SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
                ::SetPropA(hwnd, kSelfProp, self);
            }
        } else {
            self = reinterpret_cast<WinControl*>(::GetWindowLongPtrA(hwnd, 0));
        }
        if (!self)
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        const LRESULT r = Run(self, hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrA(hwnd, 0, 0);
            Unbind(self, hwnd);
        }
        return r;
    }

    // A native control's window procedure is replaced by this one, which
    // finds its object in the window's user data and hands on to the class's
    // procedure. Unicode, as the controls are: no text is converted on its
    // way through. The system's subclass list would do
    // the same, but looks itself up in a window property on every message,
    // which costs a server round trip per message under Wine.
    static LRESULT CALLBACK Native(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<WinControl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self || self->handle_ != hwnd) {
            // Left in place behind a later subclass after its object went.
            return ::CallWindowProcW(reinterpret_cast<WNDPROC>(::GetClassLongPtrW(hwnd, GCLP_WNDPROC)), hwnd, msg,
                                     wParam, lParam);
        }
        if (msg == WM_NCDESTROY) {
            const WNDPROC previous = self->nativeProc_;
            Unhook(self, hwnd);
            Unbind(self, hwnd);
            return ::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
        }
        return Run(self, hwnd, msg, wParam, lParam);
    }

    static void Hook(WinControl* self, HWND hwnd)
    {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->nativeProc_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcs::Native)));
    }

    static void Unhook(WinControl* self, HWND hwnd)
    {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProcs::Native))
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->nativeProc_));
        self->nativeProc_ = nullptr;
    }

    static void Register(const std::string& name, UINT style)
    {
        HINSTANCE inst = ::GetModuleHandleA(nullptr);
        WNDCLASSEXA existing{};
        existing.cbSize = sizeof existing;
        if (::GetClassInfoExA(inst, name.c_str(), &existing))
            return;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = &WindowProcs::Framework;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = inst;
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = name.c_str();
        if (!::RegisterClassExA(&wc))
            throw Error("Cannot register the window class " + name);
    }
};

// --- creation and destruction ---------------------------------------------------

WinControl::WinControl(Component* owner) : Control(owner) {}

WinControl::~WinControl()
{
    BeginDestroy();
    DestroyHandle();
    DestroyComponents();
    // Children owned by someone else stay, without a parent.
    for (Control* c : controls_)
        c->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
}

HWND WinControl::Handle()
{
    if (!handle_) {
        if (parent_ && !parent_->handle_) {
            // Making the parent's window makes ours too.
            parent_->Handle();
            if (handle_)
                return handle_;
        }
        CreateWnd();
        CreateChildHandles();
    }
    return handle_;
}

void WinControl::CreateParams(ui::CreateParams& params)
{
    params.ClassName = ClassName();
    params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (tabStop_)
        params.Style |= WS_TABSTOP;
    if (!enabled_)
        params.Style |= WS_DISABLED;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.ParentWindow = parent_ ? parent_->handle_ : nullptr;
}

void WinControl::CreateWnd()
{
    ui::CreateParams p;
    CreateParams(p);
    const bool child = (p.Style & WS_CHILD) != 0;
    if (child && !p.ParentWindow)
        throw Error("Control '" + Name() + "' has no parent window");
    if (child && visible_)
        p.Style |= WS_VISIBLE;
    native_ = p.NativeClass;
    if (!native_)
        WindowProcs::Register(p.ClassName, p.ClassStyle);
    // Child windows need a non-zero id: notifications that carry it (WM_DRAWITEM
    // with id 0 means a menu) would otherwise never reach the child.
    // Ids only need to differ among siblings: the position in the parent serves.
    HMENU id = nullptr;
    if (child && parent_) {
        const auto& siblings = parent_->controls_;
        const auto at = std::find(siblings.begin(), siblings.end(), static_cast<Control*>(this));
        id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1000 + (at - siblings.begin())));
    }
    HWND h = ::CreateWindowExA(p.ExStyle, p.ClassName.c_str(), text_.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                               p.ParentWindow, id, ::GetModuleHandleA(nullptr), native_ ? nullptr : this);
    if (!h)
        throw Error("Cannot create the window of '" + Name() + "'");
    if (native_) {
        handle_ = h;
        ::SetPropA(h, kSelfProp, this);
        WindowProcs::Hook(this, h);
    }
    style_ = p.Style;
    exStyle_ = p.ExStyle;
    // Later siblings lie in front, as in the controls list.
    if (child)
        ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    ApplyName();
    CreateWindowHandleDone();
}

void WinControl::CreateChildHandles()
{
    const std::vector<Control*> children = controls_;
    for (Control* c : children)
        if (auto* w = dynamic_cast<WinControl*>(c); w && !w->handle_)
            w->Handle();
}

void WinControl::DestroyHandle()
{
    if (!handle_)
        return;
    destroyingHandle_ = true;
    for (Control* c : controls_)
        if (auto* w = dynamic_cast<WinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
    HWND h = handle_;
    // Keep what the user typed for a window made again later.
    const int len = ::GetWindowTextLengthA(h);
    std::string text(static_cast<size_t>(len) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(h, text.data(), len + 1)));
    text_ = std::move(text);
    // Unbound before it goes, so no message of its end reaches the object.
    WindowProcs::Unbind(this, h);
    if (native_)
        WindowProcs::Unhook(this, h);
    else
        ::SetWindowLongPtrA(h, 0, 0);
    trackingLeave_ = false;
    ::DestroyWindow(h);
    destroyingHandle_ = false;
}

WinControl* WinControl::FromHandle(HWND hwnd)
{
    if (!hwnd || !::IsWindow(hwnd))
        return nullptr;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ::GetCurrentProcessId())
        return nullptr;
    // The window's own words first: read in the process, where the property
    // is a server round trip under Wine.
    if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProcs::Native))
        return reinterpret_cast<WinControl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (static_cast<LONG_PTR>(::GetClassLongPtrA(hwnd, GCLP_WNDPROC)) == reinterpret_cast<LONG_PTR>(&WindowProcs::Framework))
        return reinterpret_cast<WinControl*>(::GetWindowLongPtrA(hwnd, 0));
    return static_cast<WinControl*>(::GetPropA(hwnd, kSelfProp));
}

void WinControl::ApplyName()
{
    if (!handle_ || Name().empty())
        return;
    nameAtom_ = ::GlobalAddAtomA(Name().c_str());
    if (nameAtom_)
        ::SetPropA(handle_, kNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_)));
}

void WinControl::ReleaseName()
{
    if (!nameAtom_)
        return;
    if (handle_)
        ::RemovePropA(handle_, kNameProp);
    ::GlobalDeleteAtom(nameAtom_);
    nameAtom_ = 0;
}

void WinControl::SetName(std::string name)
{
    ReleaseName();
    Component::SetName(std::move(name));
    ApplyName();
}

void WinControl::ChangeStyle(DWORD add, DWORD remove, bool extended)
{
    DWORD& s = extended ? exStyle_ : style_;
    s = (s & ~remove) | add;
    if (!handle_)
        return;
    const int index = extended ? GWL_EXSTYLE : GWL_STYLE;
    const DWORD current = static_cast<DWORD>(::GetWindowLongA(handle_, index));
    ::SetWindowLongA(handle_, index, static_cast<LONG>((current & ~remove) | add));
    ::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::InvalidateRect(handle_, nullptr, TRUE);
}

// --- children ------------------------------------------------------------------------

void WinControl::InsertControl(Control* c)
{
    controls_.push_back(c);
    if (auto* w = dynamic_cast<WinControl*>(c)) {
        tabList_.push_back(w);
        if (handle_)
            w->Handle();
    } else {
        c->Invalidate();
    }
}

void WinControl::RemoveControl(Control* c)
{
    if (Form* f = ParentForm())
        f->ControlGoing(c);
    if (captureControl_ == c) {
        captureControl_ = nullptr;
        if (handle_ && ::GetCapture() == handle_)
            ::ReleaseCapture();
    }
    if (hoverControl_ == c)
        hoverControl_ = nullptr;
    if (auto* w = dynamic_cast<WinControl*>(c))
        w->DestroyHandle();
    else
        c->Invalidate();
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    tabList_.erase(std::remove_if(tabList_.begin(), tabList_.end(),
                                  [c](WinControl* w) { return static_cast<Control*>(w) == c; }),
                   tabList_.end());
}

Control* WinControl::ControlAtPos(POINT p, bool allowDisabled, bool graphicOnly) const
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        Control* c = *it;
        if (!c->visible_ || (!c->enabled_ && !allowDisabled))
            continue;
        if (graphicOnly && dynamic_cast<WinControl*>(c))
            continue;
        const RECT r = c->BoundsRect();
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
            return c;
    }
    return nullptr;
}

bool WinControl::ContainsControl(const Control* control) const
{
    for (const Control* c = control; c; c = c->parent_)
        if (c == this)
            return true;
    return false;
}

// --- focus -----------------------------------------------------------------------

void WinControl::SetFocus()
{
    Form* f = ParentForm();
    if (f && f != this && !f->Showing()) {
        f->SetActiveControl(this);
        return;
    }
    if (!CanFocus())
        return;
    ::SetFocus(Handle());
}

bool WinControl::Focused() const
{
    return handle_ && ::GetFocus() == handle_;
}

bool WinControl::CanFocus() const
{
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_)
            return false;
    return true;
}

void WinControl::RemoveFocus()
{
    HWND focus = ::GetFocus();
    if (!handle_ || !focus || (focus != handle_ && !::IsChild(handle_, focus)))
        return;
    // A disabled or hidden window would keep the keyboard and ignore it.
    Form* f = ParentForm();
    if (f && f != this && f->HandleAllocated())
        ::SetFocus(f->HandleIfAllocated());
}

void WinControl::SetTabStop(bool tabStop)
{
    if (tabStop == tabStop_)
        return;
    tabStop_ = tabStop;
    if (handle_)
        ChangeStyle(tabStop ? WS_TABSTOP : 0, tabStop ? 0 : WS_TABSTOP);
}

int WinControl::TabOrder() const
{
    if (!parent_)
        return -1;
    const auto& list = parent_->tabList_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void WinControl::SetTabOrder(int order)
{
    if (!parent_)
        return;
    auto& list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

// --- properties ----------------------------------------------------------------------

void WinControl::SetBounds(int left, int top, int width, int height)
{
    if (width != width_ || height != height_)
        ApplyConstraints(width, height);
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    if (handle_) {
        // WM_WINDOWPOSCHANGED stores what the window really got.
        ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        UpdateBounds(left, top, width, height);
    }
}

void WinControl::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    if (!visible)
        RemoveFocus();
    visible_ = visible;
    if (handle_)
        ::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                           (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

void WinControl::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    if (!enabled)
        RemoveFocus();
    enabled_ = enabled;
    if (handle_)
        ::EnableWindow(handle_, enabled ? TRUE : FALSE);
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void WinControl::SetParent(WinControl* parent)
{
    Control::SetParent(parent);
}

std::string WinControl::Text() const
{
    if (!handle_)
        return Control::Text();
    const int len = ::GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(len) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(handle_, text.data(), len + 1)));
    return text;
}

void WinControl::SetText(std::string text)
{
    if (!handle_) {
        Control::SetText(std::move(text));
        return;
    }
    if (text == Text())
        return;
    text_ = std::move(text);
    ::SetWindowTextA(handle_, text_.c_str());
    Perform(CM_TEXTCHANGED);
    TextChanged();
}

RECT WinControl::ClientRect() const
{
    if (handle_) {
        RECT r{};
        ::GetClientRect(handle_, &r);
        return r;
    }
    return Control::ClientRect();
}

void WinControl::Invalidate()
{
    if (handle_)
        ::InvalidateRect(handle_, nullptr, TRUE);
}

void WinControl::Repaint()
{
    if (handle_) {
        ::InvalidateRect(handle_, nullptr, TRUE);
        ::UpdateWindow(handle_);
    }
}

void WinControl::BringToFront()
{
    Control::BringToFront();
    if (handle_)
        ::SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinControl::SendToBack()
{
    Control::SendToBack();
    if (handle_)
        ::SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinControl::FontChanged()
{
    Control::FontChanged();
    if (handle_)
        ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    for (Control* c : controls_) {
        if (c->parentFont_ && c->font_ != GetFont()) {
            c->font_ = GetFont();
            c->FontChanged();
        }
    }
}

void WinControl::ColorChanged()
{
    colorBrush_.Reset();
    Control::ColorChanged();
    for (Control* c : controls_) {
        if (c->parentColor_ || c->color_ == clDefault) {
            c->Perform(CM_PARENTCOLORCHANGED);
            c->ColorChanged();
        }
    }
}

HBRUSH WinControl::ColorBrush()
{
    const COLORREF c = ColorToRGB(EffectiveColor());
    if (!colorBrush_ || c != colorBrushColor_) {
        colorBrush_.Reset(::CreateSolidBrush(c));
        colorBrushColor_ = c;
    }
    return colorBrush_.Get();
}

HBRUSH WinControl::ChildBackgroundBrush(HDC dc, Control&)
{
    ::SetBkMode(dc, TRANSPARENT);
    ::SetBkColor(dc, ColorToRGB(EffectiveColor()));
    return ColorBrush();
}

void WinControl::PaintBackgroundFor(HDC dc, const Control& child)
{
    const RECT r{0, 0, child.Width(), child.Height()};
    ::FillRect(dc, &r, ColorBrush());
}

// --- painting ------------------------------------------------------------------------

void WinControl::PaintBackground(Canvas& canvas)
{
    canvas.FillRect(ClientRect(), EffectiveColor());
}

void WinControl::PaintWindow(HDC dc)
{
    {
        Canvas canvas(dc);
        canvas.SetFont(GetFont());
        PaintBackground(canvas);
    }
    RECT clip{};
    ::GetClipBox(dc, &clip);
    PaintControls(dc, clip);
}

void WinControl::PaintControls(HDC dc, const RECT& clip)
{
    const std::vector<Control*> children = controls_;
    for (Control* c : children) {
        if (!c->visible_ || dynamic_cast<WinControl*>(c))
            continue;
        const RECT b = c->BoundsRect();
        RECT x{};
        if (!::IntersectRect(&x, &b, &clip))
            continue;
        const int saved = ::SaveDC(dc);
        ::OffsetViewportOrgEx(dc, b.left, b.top, nullptr);
        ::IntersectClipRect(dc, 0, 0, b.right - b.left, b.bottom - b.top);
        Guard([&] { c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0); });
        ::RestoreDC(dc, saved);
    }
}

// --- messages ------------------------------------------------------------------------

void WinControl::DefaultHandler(Message& message)
{
    if (!handle_ || (message.Msg >= CM_BASE && message.Msg < 0xC000))
        return;
    if (message.Msg == WM_NCPAINT && !HasNonClientArea(handle_)) {
        // Nothing to draw; the system's handling would still ask for the
        // window's whole DC, which costs server round trips under Wine.
        message.Result = 0;
        return;
    }
    if (native_)
        message.Result = ::CallWindowProcW(nativeProc_, handle_, message.Msg, message.WParam, message.LParam);
    else
        message.Result = ::DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

bool WinControl::ReflectToChild(Message& m)
{
    HWND child = nullptr;
    switch (m.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(m.LParam);
        break;
    case WM_NOTIFY:
        if (m.LParam)
            child = reinterpret_cast<const NMHDR*>(m.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        // Menus come with CtlType ODT_MENU; every control names its window.
        if (m.LParam && reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->CtlType != ODT_MENU)
            child = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->hwndItem;
        break;
    default:
        return false;
    }
    if (!child || child == handle_)
        return false;
    WinControl* c = FromHandle(child);
    if (!c)
        return false;
    const LRESULT r = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
    const bool ctlColor = m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC;
    if (ctlColor && r == 0)
        return false;
    m.Result = r;
    return true;
}

void WinControl::HandleGraphicHover(Control* target)
{
    if (target == hoverControl_)
        return;
    Control* old = hoverControl_;
    hoverControl_ = target;
    if (old)
        Guard([&] { old->Perform(CM_MOUSELEAVE); });
    if (target)
        Guard([&] { target->Perform(CM_MOUSEENTER); });
}

void WinControl::RouteMouseToGraphic(Message& m, bool& handled)
{
    handled = false;
    const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    Control* under = ControlAtPos(p, false, true);
    if (m.Msg == WM_MOUSEMOVE)
        HandleGraphicHover(under);
    Control* target = captureControl_ ? captureControl_ : under;
    if (!target)
        return;
    if (IsButtonDown(m.Msg)) {
        captureControl_ = target;
        if (::GetCapture() != handle_)
            ::SetCapture(handle_);
    } else if (IsButtonUp(m.Msg) && (m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
        // Released before the control reacts: a click handler may run long.
        captureControl_ = nullptr;
        if (::GetCapture() == handle_)
            ::ReleaseCapture();
    }
    const LPARAM local = MAKELPARAM(static_cast<short>(p.x - target->left_), static_cast<short>(p.y - target->top_));
    Guard([&] { target->Perform(m.Msg, m.WParam, local); });
    m.Result = 0;
    handled = true;
}

void WinControl::MainDispatch(Message& m)
{
    // Mouse messages of framework windows: enter/leave of the window itself,
    // then the graphic children, then the window's own handling.
    if (m.Msg == WM_MOUSEMOVE && !MouseInControl() && handle_) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, handle_, 0};
        trackingLeave_ = ::TrackMouseEvent(&t) != FALSE;
        Perform(CM_MOUSEENTER);
    }
    if (!native_ && (m.Msg == WM_MOUSEMOVE || IsMouseButtonMessage(m.Msg))) {
        bool handled = false;
        RouteMouseToGraphic(m, handled);
        if (handled)
            return;
        if (captureMouse_ && handle_) {
            if (IsButtonDown(m.Msg) && ::GetCapture() != handle_)
                ::SetCapture(handle_);
            else if (IsButtonUp(m.Msg) && (m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 &&
                     ::GetCapture() == handle_)
                ::ReleaseCapture();
        }
    }
    Control::WndProc(m);
}

void WinControl::WndProc(Message& m)
{
    switch (m.Msg) {
    case WM_SETFOCUS:
        DefaultHandler(m);
        if (Form* f = ParentForm(); f && f != this)
            f->FocusChanged(this);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(m.WParam);
        if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN)
            KeyDown(key, ShiftFromKeyboard());
        else
            KeyUp(key, ShiftFromKeyboard());
        if (key == 0) {
            m.Result = 0;
            return;
        }
        m.WParam = key;
        DefaultHandler(m);
        return;
    }
    case WM_CHAR: {
        // A native control hears its characters in UTF-16. One that does not
        // fit a byte reaches the handlers as '?' and goes on whole unless
        // they drop or replace it: cut to its low byte it became another
        // character (U+0424, a Cyrillic letter, came out as "$").
        const bool wide = m.WParam > 0xFF;
        char ch = wide ? '?' : static_cast<char>(m.WParam);
        KeyPress(ch);
        if (ch == 0) {
            m.Result = 0;
            return;
        }
        if (!wide || ch != '?')
            m.WParam = static_cast<unsigned char>(ch);
        DefaultHandler(m);
        return;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
        MainDispatch(m);
        return;
    case WM_MOUSELEAVE:
        trackingLeave_ = false;
        HandleGraphicHover(nullptr);
        if (MouseInControl())
            Perform(CM_MOUSELEAVE);
        DefaultHandler(m);
        return;
    case WM_CAPTURECHANGED:
        captureControl_ = nullptr;
        DefaultHandler(m);
        return;
    case WM_PAINT:
        if (!native_ && handle_) {
            PaintDC pdc(handle_);
            const RECT rc = pdc.PaintRect();
            RECT client{};
            ::GetClientRect(handle_, &client);
            if (rc.right <= rc.left || rc.bottom <= rc.top || client.right <= 0 || client.bottom <= 0)
                return;
            // Drawn off-screen, then copied in one step: no flicker.
            MemoryDC mem(pdc.Get());
            GdiBitmap buffer(CreateDib(client.right, client.bottom));
            SelectObjectScope sel(mem.Get(), buffer.Get());
            ::IntersectClipRect(mem.Get(), rc.left, rc.top, rc.right, rc.bottom);
            PaintWindow(mem.Get());
            ::BitBlt(pdc.Get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem.Get(), rc.left, rc.top,
                     SRCCOPY);
            m.Result = 0;
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (!native_) {
            m.Result = 1;   // WM_PAINT paints everything
            return;
        }
        break;
    case WM_PRINTCLIENT:
        if (!native_) {
            PaintWindow(reinterpret_cast<HDC>(m.WParam));
            m.Result = 0;
            return;
        }
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
    case WM_DRAWITEM:
        if (ReflectToChild(m))
            return;
        break;
    case CN_CTLCOLORBTN:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        ::SetTextColor(dc, ColorToRGB(enabled_ ? GetFont().Color : clGrayText));
        if ((ParentColor() || Color() == clDefault) && parent_) {
            m.Result = reinterpret_cast<LRESULT>(parent_->ChildBackgroundBrush(dc, *this));
        } else {
            ::SetBkColor(dc, ColorToRGB(EffectiveColor()));
            m.Result = reinterpret_cast<LRESULT>(ColorBrush());
        }
        return;
    }
    case WM_WINDOWPOSCHANGED:
        if (handle_) {
            RECT r{};
            ::GetWindowRect(handle_, &r);
            if (style_ & WS_CHILD) {
                HWND parentWnd = ::GetParent(handle_);
                ::MapWindowPoints(nullptr, parentWnd, reinterpret_cast<POINT*>(&r), 2);
            }
            UpdateBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
        break;
    case WM_SIZE:
        DefaultHandler(m);
        Resize();
        return;
    case WM_CONTEXTMENU: {
        POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (at.x == -1 && at.y == -1)   // from the keyboard
            at = ClientToScreen(POINT{0, 0});
        if (ShowPopupMenu(at)) {
            m.Result = 1;
            return;
        }
        break;
    }
    case WM_SETCURSOR:
        if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == handle_) {
            Control* c = this;
            if (!native_) {
                POINT p{};
                ::GetCursorPos(&p);
                ::ScreenToClient(handle_, &p);
                if (Control* g = ControlAtPos(p, false, true))
                    c = g;
            }
            if (LPCSTR id = CursorId(c->GetCursor())) {
                ::SetCursor(::LoadCursorA(nullptr, id));
                m.Result = TRUE;
                return;
            }
        }
        break;
    default:
        break;
    }
    Control::WndProc(m);
}

void WinControl::KeyDown(WORD& key, ShiftState shift)
{
    if (OnKeyDown && !Destroying())
        OnKeyDown(*this, key, shift);
}

void WinControl::KeyPress(char& key)
{
    if (OnKeyPress && !Destroying())
        OnKeyPress(*this, key);
}

void WinControl::KeyUp(WORD& key, ShiftState shift)
{
    if (OnKeyUp && !Destroying())
        OnKeyUp(*this, key, shift);
}

void WinControl::DoEnter()
{
    Perform(CM_ENTER);
    Fire(OnEnter);
}

void WinControl::DoExit()
{
    Perform(CM_EXIT);
    Fire(OnExit);
}

bool WinControl::WantsKey(WORD key)
{
    if (!handle_)
        return false;
    MSG msg{handle_, WM_KEYDOWN, key, 0, 0, {0, 0}};
    const LRESULT code = ::SendMessageA(handle_, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))
        return true;
    return key == VK_TAB && (code & DLGC_WANTTAB);
}

// --- custom controls ----------------------------------------------------------------

CustomControl::CustomControl(Component* owner) : WinControl(owner)
{
    captureMouse_ = true;
}

void CustomControl::Paint(Canvas&) {}

void CustomControl::PaintWindow(HDC dc)
{
    {
        Canvas canvas(dc);
        canvas.SetFont(GetFont());
        PaintBackground(canvas);
        Paint(canvas);
    }
    RECT clip{};
    ::GetClipBox(dc, &clip);
    PaintControls(dc, clip);
}

} // namespace ui

namespace ui {

int ScrollRequest(HWND window, int bar, WPARAM wParam, int current, int line, int page, int last)
{
    switch (LOWORD(wParam)) {
    case SB_LINEUP: return current - line;
    case SB_LINEDOWN: return current + line;
    case SB_PAGEUP: return current - page;
    case SB_PAGEDOWN: return current + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return last;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        ::GetScrollInfo(window, bar, &si);
        return si.nTrackPos;
    }
    default: return current;
    }
}

} // namespace ui
