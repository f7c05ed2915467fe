#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Error.h"
#include "ui/TextFit.h"

#include <algorithm>

namespace ui {

namespace {

void CollectTabStops(const WinControl* parent, std::vector<WinControl*>& out)
{
    // Tab order, not z-order: walk the windowed children by TabOrder.
    std::vector<WinControl*> ordered;
    for (Control* c : parent->ControlsList())
        if (auto* w = dynamic_cast<WinControl*>(c))
            ordered.push_back(w);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](WinControl* a, WinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (WinControl* w : ordered) {
        if (!w->Visible() || !w->Enabled())
            continue;
        if (w->TabStop() && w->HandleAllocated())
            out.push_back(w);
        CollectTabStops(w, out);
    }
}

Button* FindButton(const WinControl* parent, bool cancel)
{
    for (Control* c : parent->ControlsList()) {
        if (!c->Visible() || !c->Enabled())
            continue;
        if (auto* b = dynamic_cast<Button*>(c); b && (cancel ? b->Cancel() : b->Default()))
            return b;
        if (auto* w = dynamic_cast<WinControl*>(c))
            if (Button* found = FindButton(w, cancel))
                return found;
    }
    return nullptr;
}

} // namespace

Form::Form(std::string windowClassName) : WinControl(nullptr), className_(std::move(windowClassName))
{
    visible_ = false;
    SetColor(clBtnFace);
    UpdateBounds(0, 0, 320, 240);
}

Form::~Form()
{
    BeginDestroy();
    DestroyHandle();
    DestroyComponents();
}

void Form::FrameStyles(DWORD& style, DWORD& exStyle) const
{
    style = WS_CLIPCHILDREN;
    exStyle = 0;
    switch (borderStyle_) {
    case bsNone:
        style |= WS_POPUP;
        break;
    case bsSingle:
        style |= WS_CAPTION;
        break;
    case bsSizeable:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_CAPTION | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & biMinimize)
                style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize)
                style |= WS_MAXIMIZEBOX;
        }
    }
}

void Form::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = className_;
    FrameStyles(params.Style, params.ExStyle);
    if (!enabled_)
        params.Style |= WS_DISABLED;
    Form* main = App().MainForm();
    // Secondary forms stay above the main form and have no taskbar button.
    params.ParentWindow = main && main != this ? main->Handle() : nullptr;
    if (clientWidth_ >= 0 && clientHeight_ >= 0) {
        RECT r{0, 0, clientWidth_, clientHeight_};
        ::AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
        params.Width = r.right - r.left;
        params.Height = r.bottom - r.top;
        UpdateBounds(left_, top_, params.Width, params.Height);
    }
}

void Form::CreateWindowHandleDone()
{
    if (!icon_.Empty()) {
        ::SendMessageA(HandleIfAllocated(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Handle()));
        ::SendMessageA(HandleIfAllocated(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Handle()));
    }
    ApplyClientSize();
}

RECT Form::ClientRect() const
{
    if (HandleAllocated())
        return WinControl::ClientRect();
    if (clientWidth_ >= 0 && clientHeight_ >= 0)
        return RECT{0, 0, clientWidth_, clientHeight_};
    DWORD style = 0, exStyle = 0;
    FrameStyles(style, exStyle);
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return RECT{0, 0, std::max(0L, width_ - (frame.right - frame.left)), std::max(0L, height_ - (frame.bottom - frame.top))};
}

void Form::SetClientSize(int width, int height)
{
    clientWidth_ = width;
    clientHeight_ = height;
    ApplyClientSize();
}

void Form::SetClientWidth(int width)
{
    SetClientSize(width, ClientHeight());
}

void Form::SetClientHeight(int height)
{
    SetClientSize(ClientWidth(), height);
}

void Form::ApplyClientSize()
{
    if (clientWidth_ < 0 || clientHeight_ < 0)
        return;
    HWND h = HandleIfAllocated();
    if (!h) {
        DWORD style = 0, exStyle = 0;
        FrameStyles(style, exStyle);
        RECT r{0, 0, clientWidth_, clientHeight_};
        ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
        UpdateBounds(left_, top_, r.right - r.left, r.bottom - r.top);
        return;
    }
    // Measured on the real window: the frame is whatever the system drew.
    RECT window{}, client{};
    ::GetWindowRect(h, &window);
    ::GetClientRect(h, &client);
    const int w = clientWidth_ + (window.right - window.left) - client.right;
    const int hgt = clientHeight_ + (window.bottom - window.top) - client.bottom;
    if (w != width_ || hgt != height_)
        SetBounds(left_, top_, w, hgt);
}

void Form::SetBorderStyle(BorderStyle style)
{
    if (style == borderStyle_)
        return;
    borderStyle_ = style;
    UpdateFrameStyles();
}

void Form::SetBorderIcons(unsigned icons)
{
    if (icons == borderIcons_)
        return;
    borderIcons_ = icons;
    UpdateFrameStyles();
}

void Form::UpdateFrameStyles()
{
    HWND h = HandleIfAllocated();
    if (!h) {
        ApplyClientSize();
        return;
    }
    DWORD style = 0, exStyle = 0;
    FrameStyles(style, exStyle);
    const DWORD frameBits = WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
        WS_MAXIMIZEBOX;
    const DWORD exFrameBits = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    ChangeStyle(style & frameBits, frameBits & ~style, false);
    ChangeStyle(exStyle & exFrameBits, exFrameBits & ~exStyle, true);
    // Whoever draws the frame (the skin) adjusts to the new styles first.
    Perform(CM_BORDERCHANGED);
    ApplyClientSize();
}

void Form::SetIcon(const std::string& resourceName)
{
    icon_.LoadFromResource(resourceName);
    if (HWND h = HandleIfAllocated()) {
        ::SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Handle()));
        ::SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Handle()));
    }
}

void Form::SetIcon(HICON icon)
{
    icon_.Assign(icon);
    if (HWND h = HandleIfAllocated()) {
        ::SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Handle()));
        ::SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Handle()));
    }
}

HICON Form::IconHandle() const
{
    return icon_.Handle();
}

void Form::SetWindowState(WindowState state)
{
    HWND h = Handle();
    ::ShowWindow(h, state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

WindowState Form::GetWindowState() const
{
    HWND h = HandleIfAllocated();
    if (h && ::IsIconic(h))
        return wsMinimized;
    if (h && ::IsZoomed(h))
        return wsMaximized;
    return wsNormal;
}

// --- showing ---------------------------------------------------------------------

void Form::ApplyPosition()
{
    if (position_ == poDesigned)
        return;
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    Form* main = App().MainForm();
    if (position_ == poMainFormCenter && main && main != this && main->HandleAllocated())
        ::GetWindowRect(main->HandleIfAllocated(), &area);
    const int x = area.left + ((area.right - area.left) - width_) / 2;
    const int y = area.top + ((area.bottom - area.top) - height_) / 2;
    SetBounds(std::max(0, x), std::max(0, y), width_, height_);
}

void Form::Show()
{
    SetVisible(true);
    if (HWND h = HandleIfAllocated())
        ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Form::Hide()
{
    SetVisible(false);
}

void Form::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    if (!visible && !HandleAllocated()) {
        visible_ = false;
        return;
    }
    HWND h = Handle();
    if (visible) {
        ApplyPosition();
        visible_ = true;
        try {
            Fire(OnShow);
            if (!textsFitted_) {
                // In the font the system really gives, before anyone sees it.
                textsFitted_ = true;
                textsShrunk_ = FitTexts(*this);
            }
        } catch (...) {
            ::ShowWindow(h, SW_SHOW);
            throw;
        }
        ::ShowWindow(h, SW_SHOW);
    } else {
        visible_ = false;
        ::ShowWindow(h, SW_HIDE);
        Fire(OnHide);
    }
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

bool Form::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery && !Destroying())
        OnCloseQuery(*this, canClose);
    return canClose;
}

void Form::Close()
{
    if (!CloseQuery())
        return;
    CloseAction action = caHide;
    if (OnClose && !Destroying())
        OnClose(*this, action);
    if (action == caNone)
        return;
    if (modal_) {
        closedInModal_ = true;
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
        return;
    }
    if (this == App().MainForm()) {
        // Nothing is destroyed here: a handler below may still be running.
        Hide();
        App().Terminate();
        return;
    }
    if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Hide();
}

int Form::ShowModal()
{
    if (visible_ || modal_)
        throw Error("Cannot make a visible window modal");
    std::vector<HWND> disabled;
    for (Form* f : App().Forms()) {
        HWND h = f->HandleIfAllocated();
        if (f != this && h && ::IsWindowVisible(h) && ::IsWindowEnabled(h)) {
            ::EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    }
    modal_ = true;
    closedInModal_ = false;
    modalResult_ = mrNone;
    try {
        Show();
        for (;;) {
            App().HandleMessage();
            if (App().Terminated() && modalResult_ == mrNone)
                modalResult_ = mrCancel;
            if (modalResult_ == mrNone)
                continue;
            if (closedInModal_ || App().Terminated())
                break;
            // A button set the result: the form may still refuse to close.
            CloseAction action = caHide;
            if (CloseQuery()) {
                if (OnClose && !Destroying())
                    OnClose(*this, action);
                if (action != caNone)
                    break;
            }
            modalResult_ = mrNone;
        }
    } catch (...) {
        modal_ = false;
        for (HWND h : disabled)
            ::EnableWindow(h, TRUE);
        throw;
    }
    modal_ = false;
    for (HWND h : disabled)
        ::EnableWindow(h, TRUE);
    Hide();
    return modalResult_;
}

void Form::DragAcceptFiles(bool accept)
{
    // What the shell's DragAcceptFiles does, without loading the shell at start-up.
    HWND h = Handle();
    const LONG exStyle = ::GetWindowLongA(h, GWL_EXSTYLE);
    ::SetWindowLongA(h, GWL_EXSTYLE, accept ? exStyle | WS_EX_ACCEPTFILES : exStyle & ~WS_EX_ACCEPTFILES);
}

// --- focus -----------------------------------------------------------------------

void Form::SetActiveControl(WinControl* control)
{
    if (control && Showing() && control->CanFocus() && control->HandleAllocated()) {
        ::SetFocus(control->HandleIfAllocated());
        return;
    }
    activeControl_ = control;
}

void Form::FocusChanged(WinControl* control)
{
    if (control == this || control == activeControl_)
        return;
    WinControl* old = activeControl_;
    activeControl_ = control;
    if (old && !old->Destroying())
        old->DoExit();
    if (activeControl_ != control)
        return;   // the exit handler moved the focus elsewhere
    if (!control->Destroying())
        control->DoEnter();
}

void Form::ControlGoing(Control* control)
{
    if (activeControl_) {
        for (const Control* c = activeControl_; c; c = c->Parent()) {
            if (c == control) {
                activeControl_ = nullptr;
                break;
            }
        }
    }
}

void Form::SelectNext(WinControl* current, bool forward)
{
    std::vector<WinControl*> stops;
    CollectTabStops(this, stops);
    if (stops.empty())
        return;
    int index = -1;
    for (const Control* c = current; c && index < 0; c = c->Parent()) {
        const auto it = std::find(stops.begin(), stops.end(), c);
        if (it != stops.end())
            index = static_cast<int>(it - stops.begin());
    }
    const int n = static_cast<int>(stops.size());
    int next = 0;
    if (index < 0)
        next = forward ? 0 : n - 1;
    else
        next = forward ? (index + 1) % n : (index - 1 + n) % n;
    WinControl* target = stops[static_cast<size_t>(next)];
    target->SetFocus();
    if (auto* edit = dynamic_cast<Edit*>(target); edit && !dynamic_cast<Memo*>(target))
        edit->SelectAll();
}

Button* Form::DefaultButton() const
{
    return FindButton(this, false);
}

Button* Form::CancelButton() const
{
    return FindButton(this, true);
}

bool Form::DialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    const WORD key = static_cast<WORD>(msg.wParam);
    if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE)
        return false;
    WinControl* focused = nullptr;
    for (HWND h = ::GetFocus(); h && !focused; h = ::GetParent(h)) {
        focused = FromHandle(h);
        if (h == HandleIfAllocated())
            break;
    }
    if (focused && focused != this && focused->WantsKey(key))
        return false;
    const bool ctrlOrAlt = ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0;
    if (ctrlOrAlt)
        return false;
    switch (key) {
    case VK_TAB:
        SelectNext(focused == this ? nullptr : focused, ::GetKeyState(VK_SHIFT) >= 0);
        return true;
    case VK_RETURN: {
        Button* b = dynamic_cast<Button*>(focused);
        if (!b)
            b = DefaultButton();
        if (!b)
            return false;
        b->Click();
        return true;
    }
    case VK_ESCAPE:
        if (Button* b = CancelButton()) {
            b->Click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// --- messages ------------------------------------------------------------------------

bool Form::HandleActivate(Message& m)
{
    if (LOWORD(m.WParam) == WA_INACTIVE) {
        active_ = false;
        Fire(OnDeactivate);
        return false;
    }
    active_ = true;
    Fire(OnActivate);
    if (HIWORD(m.WParam))   // minimised
        return false;
    // Focus back to the control that had it, else the first tab stop.
    if (activeControl_ && activeControl_->CanFocus() && activeControl_->HandleAllocated()) {
        ::SetFocus(activeControl_->HandleIfAllocated());
        m.Result = 0;
        return true;
    }
    std::vector<WinControl*> stops;
    CollectTabStops(this, stops);
    if (!stops.empty()) {
        ::SetFocus(stops.front()->HandleIfAllocated());
        m.Result = 0;
        return true;
    }
    return false;
}

void Form::WndProc(Message& m)
{
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        m.Result = 0;
        return;
    case WM_ACTIVATE:
        if (HandleActivate(m))
            return;
        break;
    default:
        break;
    }
    WinControl::WndProc(m);
}

void Form::PaintWindow(HDC dc)
{
    {
        Canvas canvas(dc);
        canvas.SetFont(GetFont());
        PaintBackground(canvas);
        if (OnPaint && !Destroying())
            OnPaint(*this, canvas);
    }
    RECT clip{};
    ::GetClipBox(dc, &clip);
    PaintControls(dc, clip);
}

void Form::DoCreate()
{
    created_ = true;
    Fire(OnCreate);
}

void Form::DoDestroy()
{
    Fire(OnDestroy);
}

} // namespace ui
