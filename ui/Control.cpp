#include "ui/Control.h"

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Form.h"

#include <windowsx.h>

#include <algorithm>

namespace ui {

ShiftState ShiftFromMouseKeys(WPARAM keys)
{
    ShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

ShiftState ShiftFromKeyboard()
{
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

Control::Control(Component* owner) : Component(owner)
{
    WindowProc = [this](Message& m) { WndProc(m); };
}

Control::~Control()
{
    App().CancelHint(this);
    if (parent_)
        parent_->RemoveControl(this);
}

void Control::SetParent(WinControl* parent)
{
    if (parent == parent_)
        return;
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = parent;
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_ && font_ != parent_->font_) {
            font_ = parent_->font_;
            FontChanged();
        }
    }
}

Form* Control::ParentForm() const
{
    const Control* c = this;
    while (c->parent_)
        c = c->parent_;
    return dynamic_cast<Form*>(const_cast<Control*>(c));
}

void Control::SetBounds(int left, int top, int width, int height)
{
    if (width != width_ || height != height_)
        ApplyConstraints(width, height);
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    const bool resized = width != width_ || height != height_;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    if (resized)
        Resize();
}

void Control::SetConstraints(const SizeConstraints& constraints)
{
    constraints_ = constraints;
    // The present size must obey the new limits at once.
    int width = width_, height = height_;
    ApplyConstraints(width, height);
    if (width != width_ || height != height_)
        SetBounds(left_, top_, width, height);
}

void Control::ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight)
{
    if (OnConstrainedResize && !Destroying())
        OnConstrainedResize(*this, minWidth, minHeight, maxWidth, maxHeight);
}

void Control::ApplyConstraints(int& width, int& height)
{
    int minWidth = constraints_.MinWidth, minHeight = constraints_.MinHeight;
    int maxWidth = constraints_.MaxWidth, maxHeight = constraints_.MaxHeight;
    ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
    if (maxWidth > 0 && width > maxWidth)
        width = maxWidth;
    if (minWidth > 0 && width < minWidth)
        width = minWidth;
    if (maxHeight > 0 && height > maxHeight)
        height = maxHeight;
    if (minHeight > 0 && height < minHeight)
        height = minHeight;
}

// The removal link is shared with the menu's own on this control (it
// remembers the control it was shown for), so it is never cut here; it goes
// with either of the two.
void Control::SetPopupMenu(ui::PopupMenu* menu)
{
    popupMenu_ = menu;
    if (menu)
        menu->FreeNotification(this);
}

void Control::Notification(Component* component, Operation operation)
{
    Component::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == popupMenu_)
        popupMenu_ = nullptr;
}

bool Control::ShowPopupMenu(POINT screen)
{
    if (!popupMenu_ || !popupMenu_->AutoPopup() || Destroying())
        return false;
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(screen.x, screen.y);
    return true;
}

void Control::UpdateBounds(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

RECT Control::ClientRect() const
{
    return RECT{0, 0, width_, height_};
}

int Control::ClientWidth() const
{
    const RECT r = ClientRect();
    return r.right - r.left;
}

int Control::ClientHeight() const
{
    const RECT r = ClientRect();
    return r.bottom - r.top;
}

POINT Control::ClientToScreen(POINT p) const
{
    if (auto* w = dynamic_cast<const WinControl*>(this); w && w->HandleIfAllocated()) {
        ::ClientToScreen(w->HandleIfAllocated(), &p);
        return p;
    }
    if (!parent_)
        return p;
    return parent_->ClientToScreen(POINT{p.x + left_, p.y + top_});
}

POINT Control::ScreenToClient(POINT p) const
{
    if (auto* w = dynamic_cast<const WinControl*>(this); w && w->HandleIfAllocated()) {
        ::ScreenToClient(w->HandleIfAllocated(), &p);
        return p;
    }
    if (!parent_)
        return p;
    const POINT q = parent_->ScreenToClient(p);
    return POINT{q.x - left_, q.y - top_};
}

void Control::Place(WinControl* parent, int left, int top, int width, int height)
{
    SetBounds(left, top, width, height);
    SetParent(parent);
}

void Control::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    if (!visible)
        Invalidate();
    visible_ = visible;
    if (visible)
        Invalidate();
    else if (parent_) {
        // A hidden control neither holds the mouse nor stays hovered.
        if (parent_->captureControl_ == this) {
            parent_->captureControl_ = nullptr;
            if (parent_->handle_ && ::GetCapture() == parent_->handle_)
                ::ReleaseCapture();
        }
        if (parent_->hoverControl_ == this) {
            parent_->hoverControl_ = nullptr;
            Perform(CM_MOUSELEAVE);
        }
    }
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

bool Control::Showing() const
{
    if (!visible_)
        return false;
    return parent_ ? parent_->Showing() : true;
}

void Control::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled && parent_ && parent_->hoverControl_ == this) {
        parent_->hoverControl_ = nullptr;
        Perform(CM_MOUSELEAVE);
    }
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void Control::SetFont(const Font& font)
{
    parentFont_ = false;
    if (font == font_)
        return;
    font_ = font;
    FontChanged();
}

void Control::SetParentFont(bool parentFont)
{
    parentFont_ = parentFont;
    if (parentFont && parent_ && font_ != parent_->font_) {
        font_ = parent_->font_;
        FontChanged();
    }
}

HFONT Control::FontHandle() const
{
    if (!fontHandleValid_) {
        fontHandle_ = font_.Create();
        fontHandleValid_ = true;
    }
    return fontHandle_.Get();
}

void Control::SetColor(COLORREF color)
{
    parentColor_ = false;
    if (color == color_)
        return;
    color_ = color;
    ColorChanged();
}

void Control::SetParentColor(bool parentColor)
{
    if (parentColor == parentColor_)
        return;
    parentColor_ = parentColor;
    ColorChanged();
}

COLORREF Control::EffectiveColor() const
{
    if ((parentColor_ || color_ == clDefault) && parent_)
        return parent_->EffectiveColor();
    if (color_ == clDefault)
        return clBtnFace;
    return color_;
}

void Control::SetText(std::string text)
{
    if (text == text_)
        return;
    text_ = std::move(text);
    Perform(CM_TEXTCHANGED);
    TextChanged();
}

void Control::Invalidate()
{
    if (!parent_ || !visible_)
        return;
    if (HWND h = parent_->handle_) {
        const RECT r = BoundsRect();
        ::InvalidateRect(h, &r, FALSE);
    }
}

void Control::Repaint()
{
    Invalidate();
    if (parent_ && parent_->handle_)
        ::UpdateWindow(parent_->handle_);
}

void Control::BringToFront()
{
    if (!parent_)
        return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    Invalidate();
}

void Control::SendToBack()
{
    if (!parent_)
        return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    Invalidate();
}

LRESULT Control::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    Message m{msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void Control::Click()
{
    Fire(OnClick);
}

void Control::WndProc(Message& message)
{
    switch (message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        HandleMouseMessage(message);
        return;
    case CM_MOUSEENTER:
        mouseInControl_ = true;
        if (showHint_ && !hint_.empty())
            App().ActivateHint(*this);
        MouseEnter();
        return;
    case CM_MOUSELEAVE:
        mouseInControl_ = false;
        App().CancelHint(this);
        MouseLeave();
        return;
    default:
        DefaultHandler(message);
    }
}

void Control::HandleMouseMessage(Message& message)
{
    const int x = GET_X_LPARAM(message.LParam);
    const int y = GET_Y_LPARAM(message.LParam);
    const ShiftState shift = ShiftFromMouseKeys(message.WParam);
    // The default handling (native controls) comes first, as the window
    // itself would see it; our events follow.
    DefaultHandler(message);
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        App().CancelHint(this);
        if (mouseClicks_)
            clickPending_ = true;
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (mouseClicks_)
            DblClick();
        MouseDown(mbLeft, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift | ssDouble, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift | ssDouble, x, y);
        break;
    case WM_LBUTTONUP: {
        const bool click = clickPending_;
        clickPending_ = false;
        const RECT r = ClientRect();
        if (click && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            Click();
        MouseUp(mbLeft, shift, x, y);
        break;
    }
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    default:
        break;
    }
}

void Control::DefaultHandler(Message&) {}

void Control::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    if (OnMouseDown && !Destroying())
        OnMouseDown(*this, button, shift, x, y);
}

void Control::MouseMove(ShiftState shift, int x, int y)
{
    if (OnMouseMove && !Destroying())
        OnMouseMove(*this, shift, x, y);
}

void Control::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    if (OnMouseUp && !Destroying())
        OnMouseUp(*this, button, shift, x, y);
}

void Control::DblClick()
{
    Fire(OnDblClick);
}

void Control::MouseEnter()
{
    Fire(OnMouseEnter);
}

void Control::MouseLeave()
{
    Fire(OnMouseLeave);
}

void Control::Resize()
{
    Fire(OnResize);
}

void Control::FontChanged()
{
    fontHandleValid_ = false;
    fontHandle_.Reset();
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void Control::ColorChanged()
{
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void Control::TextChanged()
{
    Invalidate();
}

void Control::Fire(const NotifyEvent& event)
{
    if (event && !Destroying())
        event(*this);
}

// --- graphic controls ------------------------------------------------------------

GraphicControl::GraphicControl(Component* owner) : Control(owner) {}

void GraphicControl::Paint(Canvas&) {}

void GraphicControl::WndProc(Message& message)
{
    if (message.Msg == WM_PAINT && message.WParam) {
        Canvas canvas(reinterpret_cast<HDC>(message.WParam));
        canvas.SetFont(GetFont());
        Paint(canvas);
        message.Result = 0;
        return;
    }
    Control::WndProc(message);
}

} // namespace ui
