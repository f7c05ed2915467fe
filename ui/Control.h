#pragma once
// Controls: the visible components.
//
//   Control          position, size, visibility, enabled state, font, colour,
//                    caption, hint, cursor, mouse events, WindowProc chain
//   WinControl       a control with its own HWND; holds child controls
//   GraphicControl   a control without HWND, painted and hit-tested by its
//                    parent (labels, images, speed buttons)
//   CustomControl    a windowed control that paints itself (Paint(Canvas&))
//
// Events are public std::function slots, empty by default; assign a lambda or
// a member through ui::Handler:
//
//     sbtnOpen.OnClick = ui::Handler(this, &TMainForm::sbtnOpenClick);
//     // void TMainForm::sbtnOpenClick(ui::Component& sender);
//
//   NotifyEvent     void(Component& sender)               OnClick, OnDblClick,
//                                                         OnMouseEnter, OnMouseLeave,
//                                                         OnResize, OnEnter, OnExit, OnChange...
//   MouseEvent      void(Control& sender, MouseButton, ShiftState, int x, int y)
//                                                         OnMouseDown, OnMouseUp
//   MouseMoveEvent  void(Control& sender, ShiftState, int x, int y)   OnMouseMove
//   KeyEvent        void(Control& sender, WORD& key, ShiftState)       OnKeyDown, OnKeyUp
//                   (set key to 0 to swallow it)
//   KeyPressEvent   void(Control& sender, char& key)                  OnKeyPress
//   ConstrainedResizeEvent  void(Control& sender, int& minWidth, int& minHeight,
//                   int& maxWidth, int& maxHeight)   OnConstrainedResize
//                   (narrow or widen the limits of a resize; 0 = no limit)
//
// Mouse coordinates are client coordinates of the sender. A click is a
// left-button press and release inside the control; on the release OnClick
// fires first, then OnMouseUp. Push buttons, check boxes and radio buttons
// click through their native notification instead (mouse or Space key).
// Events of a control that is being destroyed are not fired.
//
// WindowProc. Each control has `std::function<void(Message&)> WindowProc`,
// which by default calls the virtual `WndProc(Message&)` (the control's own
// handling, which ends in the default window procedure). To sit in front of a
// control, keep the previous value and install your own:
//
//     auto previous = control.WindowProc;
//     control.WindowProc = [previous, this](ui::Message& m) {
//         if (m.Msg == WM_PAINT) { PaintSkin(m); return; }   // swallowed
//         previous(m);                                       // passed on
//     };
//
// Restore `previous` when you go. Derived classes override WndProc and call
// the base class's WndProc for everything they do not handle.
//
// Size limits. SetBounds keeps a new width and height within Constraints, as
// ConstrainedResize (OnConstrainedResize) leaves them; a move that keeps the
// size is not checked.
//
// Context menu. A windowed control with a PopupMenu whose AutoPopup is on
// shows it on WM_CONTEXTMENU at the message's screen point (from the keyboard:
// at the control's top-left corner) and answers the message with 1; without
// one, the message goes on to the default handling (and so to the parent).
//
// Coordinates: Left/Top are relative to the parent's client area (for forms:
// screen coordinates of the window); Width/Height are the outer size.
#include "ui/Component.h"
#include "ui/Graphics.h"
#include "ui/Message.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

class Control;
class WinControl;
class Form;
class PopupMenu;

enum MouseButton { mbLeft, mbRight, mbMiddle };

using ShiftState = unsigned;
enum : ShiftState {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};

enum Cursor { crDefault, crArrow, crHandPoint, crIBeam, crHourGlass, crCross, crSizeWE, crSizeNS, crNo };

using NotifyEvent = std::function<void(Component& sender)>;
using MouseEvent = std::function<void(Control& sender, MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(Control& sender, ShiftState shift, int x, int y)>;
using KeyEvent = std::function<void(Control& sender, WORD& key, ShiftState shift)>;
using KeyPressEvent = std::function<void(Control& sender, char& key)>;
using ConstrainedResizeEvent =
    std::function<void(Control& sender, int& minWidth, int& minHeight, int& maxWidth, int& maxHeight)>;

// Limits of a control's size; 0 leaves that side free.
struct SizeConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
};

// Binds a member function to an object for an event slot.
template <class T, class R, class... A>
auto Handler(T* object, R (T::*method)(A...))
{
    return [object, method](A... args) { return (object->*method)(std::forward<A>(args)...); };
}

// Shift state from the MK_ flags of a mouse message, plus Shift/Ctrl/Alt keys.
ShiftState ShiftFromMouseKeys(WPARAM keys);
ShiftState ShiftFromKeyboard();

class Control : public Component {
public:
    explicit Control(Component* owner);
    ~Control() override;
    const char* ClassName() const override { return "TControl"; }

    // --- parent --------------------------------------------------------------
    WinControl* Parent() const { return parent_; }
    virtual void SetParent(WinControl* parent);
    // The form this control is on (itself for a form), or null.
    Form* ParentForm() const;

    // --- position ------------------------------------------------------------
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    // (0, 0, client width, client height).
    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    // Parent and bounds in one step.
    void Place(WinControl* parent, int left, int top, int width, int height);
    const SizeConstraints& Constraints() const { return constraints_; }
    void SetConstraints(const SizeConstraints& constraints);

    // --- state ---------------------------------------------------------------
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible (and the form shown).
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    // --- look ----------------------------------------------------------------
    const Font& GetFont() const { return font_; }
    void SetFont(const Font& font);   // also clears ParentFont
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    // A GDI font for the current Font, made on demand and kept.
    HFONT FontHandle() const;
    COLORREF Color() const { return color_; }
    void SetColor(COLORREF color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    // The colour actually used: Color, or the parent's when clDefault/ParentColor.
    COLORREF EffectiveColor() const;

    // Caption and Text are one string.
    virtual std::string Text() const { return text_; }
    virtual void SetText(std::string text);
    std::string Caption() const { return Text(); }
    void SetCaption(std::string caption) { SetText(std::move(caption)); }

    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }
    ui::Cursor GetCursor() const { return cursor_; }
    void SetCursor(ui::Cursor cursor) { cursor_ = cursor; }

    // The menu shown on a right click (see the header comment), or null.
    ui::PopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(ui::PopupMenu* menu);

    // --- painting and order ---------------------------------------------------
    virtual void Invalidate();
    // Invalidate and paint now.
    virtual void Repaint();
    virtual void BringToFront();
    virtual void SendToBack();

    // --- messages ------------------------------------------------------------
    std::function<void(Message&)> WindowProc;
    // Sends a message through WindowProc and returns its Result.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Simulates a user click: fires OnClick (buttons: their click action).
    virtual void Click();

    // --- events --------------------------------------------------------------
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    MouseEvent OnMouseDown;
    MouseMoveEvent OnMouseMove;
    MouseEvent OnMouseUp;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;
    NotifyEvent OnResize;
    ConstrainedResizeEvent OnConstrainedResize;

    void Notification(Component* component, Operation operation) override;

    // True while the mouse is over the control (between CM_MOUSEENTER and CM_MOUSELEAVE).
    bool MouseInControl() const { return mouseInControl_; }

protected:
    // The control's own message handling; ends in DefaultHandler.
    virtual void WndProc(Message& message);
    // What happens to a message nobody handled (windowed: the default window
    // procedure; graphic: nothing).
    virtual void DefaultHandler(Message& message);

    // Called by WndProc; fire the events.
    virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseMove(ShiftState shift, int x, int y);
    virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    // The limits for a new size, from Constraints: narrow or widen them
    // here. Default: OnConstrainedResize.
    virtual void ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight);
    // Width and height brought within the limits ConstrainedResize gives.
    void ApplyConstraints(int& width, int& height);
    // WM_CONTEXTMENU: the PopupMenu, if any, at `screen`; true when shown.
    bool ShowPopupMenu(POINT screen);
    // The Font or Color changed (own or inherited); windowed controls pass it on.
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void TextChanged();

    // Helpers for events: fire only when assigned and the control is alive.
    void Fire(const NotifyEvent& event);

    // Bounds stored without any side effect (used when the window moved itself).
    void UpdateBounds(int left, int top, int width, int height);

    WinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    // A left press and release inside clicks (off for controls whose click
    // comes from a native notification).
    bool mouseClicks_ = true;
    // Take the mouse capture while a button is held (framework windows).
    bool captureMouse_ = false;

private:
    friend class WinControl;
    friend struct WindowProcs;
    void HandleMouseMessage(Message& message);

    Font font_;
    bool parentFont_ = true;
    mutable GdiFont fontHandle_;
    mutable bool fontHandleValid_ = false;
    COLORREF color_ = clDefault;
    bool parentColor_ = false;
    std::string text_;
    std::string hint_;
    bool showHint_ = false;
    ui::Cursor cursor_ = crDefault;
    bool mouseInControl_ = false;
    bool clickPending_ = false;   // left button went down inside
    SizeConstraints constraints_;
    ui::PopupMenu* popupMenu_ = nullptr;
};

// --- windowed controls -------------------------------------------------------

// Window creation parameters, filled by CreateParams overrides.
struct CreateParams {
    std::string ClassName;     // window class to create
    bool NativeClass = false;  // a system class (EDIT, BUTTON...) to subclass
    DWORD Style = 0;
    DWORD ExStyle = 0;
    UINT ClassStyle = CS_DBLCLKS;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND ParentWindow = nullptr;
};

class WinControl : public Control {
public:
    explicit WinControl(Component* owner);
    ~WinControl() override;
    const char* ClassName() const override { return "TWinControl"; }

    // The HWND, created (with the parents' and all child windows) on demand.
    HWND Handle();
    HWND HandleIfAllocated() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Destroys the window and those of all windowed children (the objects stay).
    void DestroyHandle();
    // The object behind a window of the framework, or null.
    static WinControl* FromHandle(HWND hwnd);

    // --- children -------------------------------------------------------------
    // Child controls in z-order: first is at the back, last in front.
    const std::vector<Control*>& ControlsList() const { return controls_; }
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    Control* Controls(int index) const { return controls_.at(index); }
    // The topmost visible child at a client point (graphic and windowed); with
    // allowDisabled false disabled ones are skipped.
    Control* ControlAtPos(POINT p, bool allowDisabled = false, bool graphicOnly = false) const;
    bool ContainsControl(const Control* control) const;

    // --- focus ---------------------------------------------------------------
    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // Position among the windowed siblings in Tab order.
    int TabOrder() const;
    void SetTabOrder(int order);

    // --- overrides ----------------------------------------------------------
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetParent(WinControl* parent) override;
    std::string Text() const override;
    void SetText(std::string text) override;
    void SetName(std::string name) override;
    RECT ClientRect() const override;
    void Invalidate() override;
    void Repaint() override;
    void BringToFront() override;
    void SendToBack() override;

    // --- events --------------------------------------------------------------
    KeyEvent OnKeyDown;
    KeyPressEvent OnKeyPress;
    KeyEvent OnKeyUp;
    NotifyEvent OnEnter;   // became the form's active control
    NotifyEvent OnExit;    // stopped being the form's active control

    // The brush and colours a native child gets in WM_CTLCOLOR*: the solid
    // colour of this control or, over a picture, a pattern brush of that
    // picture aligned to `child`.
    virtual HBRUSH ChildBackgroundBrush(HDC dc, Control& child);
    // Paints this control's background (colour or picture) for the client
    // area of `child` (whose coordinates are relative to this control).
    virtual void PaintBackgroundFor(HDC dc, const Control& child);

protected:
    virtual void CreateParams(ui::CreateParams& params);
    // Creates the window from CreateParams; then the child windows.
    virtual void CreateWnd();
    // Called after the HWND exists (before the child windows are made).
    virtual void CreateWindowHandleDone() {}
    // Called before the HWND is destroyed.
    virtual void DestroyWnd() {}
    // Changes window styles of an existing window (and remembers them).
    void ChangeStyle(DWORD add, DWORD remove, bool extended = false);

    void WndProc(Message& message) override;
    void DefaultHandler(Message& message) override;

    // Framework windows: erase and paint (double-buffered) the background,
    // this control's own Paint, then the graphic children in z-order.
    virtual void PaintBackground(Canvas& canvas);
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, const RECT& clip);

    virtual void KeyDown(WORD& key, ShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, ShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    // The control wants this key instead of the form's navigation
    // (Tab, Enter, Esc, arrows): default asks WM_GETDLGCODE.
    virtual bool WantsKey(WORD key);

    // True for windows that use a native class (subclassed).
    bool IsNative() const { return native_; }
    // Moves the keyboard focus to the form when it lies in this control.
    void RemoveFocus();
    // A solid brush in this control's colour, kept until the colour changes.
    HBRUSH ColorBrush();

    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class Control;
    friend class Form;
    friend class Application;
    friend struct WindowProcs;

    void InsertControl(Control* c);
    void RemoveControl(Control* c);
    void CreateChildHandles();
    void ApplyName();
    void ReleaseName();
    void RouteMouseToGraphic(Message& message, bool& handled);
    void HandleGraphicHover(Control* target);
    void MainDispatch(Message& message);
    bool ReflectToChild(Message& message);

    HWND handle_ = nullptr;
    bool native_ = false;
    // The class's procedure a native control's messages go on to.
    WNDPROC nativeProc_ = nullptr;
    bool tabStop_ = false;
    ATOM nameAtom_ = 0;
    DWORD style_ = 0, exStyle_ = 0;
    std::vector<Control*> controls_;
    std::vector<WinControl*> tabList_;
    Control* captureControl_ = nullptr;   // graphic child holding the mouse
    Control* hoverControl_ = nullptr;     // graphic child under the mouse
    bool trackingLeave_ = false;
    bool destroyingHandle_ = false;
    GdiBrush colorBrush_;
    COLORREF colorBrushColor_ = clNone;
    int dispatchDepth_ = 0;   // > 0 while inside our subclass procedure
};

// Where a WM_VSCROLL or WM_HSCROLL of a control's own scroll bar asks to go,
// from `current`, with the given line and page steps and the last position;
// the caller clamps and applies it.
int ScrollRequest(HWND window, int bar, WPARAM wParam, int current, int line, int page, int last);

// --- graphic controls ---------------------------------------------------------

class GraphicControl : public Control {
public:
    explicit GraphicControl(Component* owner);
    const char* ClassName() const override { return "TGraphicControl"; }

protected:
    // Draws the control; the canvas origin is the control's top-left corner
    // and it is clipped to the control.
    virtual void Paint(Canvas& canvas);
    void WndProc(Message& message) override;
};

// --- custom controls ------------------------------------------------------------

// A framework window that paints itself: background in Color, then Paint.
class CustomControl : public WinControl {
public:
    explicit CustomControl(Component* owner);
    const char* ClassName() const override { return "TCustomControl"; }

protected:
    virtual void Paint(Canvas& canvas);
    void PaintWindow(HDC dc) override;
};

} // namespace ui
