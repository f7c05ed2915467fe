#pragma once
// Skin objects: one in front of each control of a skinned window, painting
// the control from the skin.
//
//   TSkinControlOwn   a control of the program: sits in front of the
//                     control's WindowProc (never a second raw subclass) and
//                     puts the previous handler back when it goes.
//   TSkinControlWnd   a child window of a foreign window: its window
//                     procedure is replaced, and put back when the object
//                     goes if the window still exists.
//
// While skinning is in force and the control's tag is not the engine's
// DisabledTag, a message goes to the object's PreFilter (false: the control
// never sees it), then to the control's previous handler, then to the
// object's AfterHandler; otherwise straight to the previous handler. The
// base AfterHandler repaints after the messages that change the look, follows
// the mouse (hover, pressed) and Space/Enter, and answers WM_SKIN_QUERY.
//
// Paint protocol, the same for every skin object:
//   1. Dispatch clears painted_ before each message.
//   2. An object that paints the whole control answers WM_ERASEBKGND and
//      WM_PAINT in its PreFilter through FilterPaint (PaintTo into an
//      off-screen picture, copied in one step); one that paints over the
//      control's own painting lets those messages through.
//   3. A PreFilter that repaints for a message of its own calls RepaintOnce.
//   4. Both set painted_, so the base AfterHandler does not paint the same
//      message again; AfterHandler repaints after the messages that change
//      every control's look, and RepaintAfter after each object's own list.
//   5. Paint() repaints now, outside any WM_PAINT (PaintNow for the objects
//      that paint the whole control).
//
// Which skin object a control gets: ControlClassTable (the program's control
// classes) and WindowClassTable (window class names of foreign children),
// in SkinClassTables.cpp. The shared painters are in SkinPainters.h.
#include "skin/SkinEngine.h"
#include "ui/Controls.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

class TSkinWindow;
class ControlHook;
class WindowSubclass;

class TSkinControl {
public:
    explicit TSkinControl(TSkinWindow& window);
    virtual ~TSkinControl();
    TSkinControl(const TSkinControl&) = delete;
    TSkinControl& operator=(const TSkinControl&) = delete;

    TSkinEngine& Engine() const;
    TSkinWindow& Window() const { return window_; }
    bool Hover() const { return hover_; }
    bool IsPressed() const { return pressed_; }
    bool On() const { return on_; }

    // Skin switched on (prepare pictures) or off (free them, system look back).
    virtual void ApplyState(bool on);
    // Right after the object is made.
    virtual void Start() {}
    // The window handle to paint on (graphic controls: none).
    virtual HWND Handle() const = 0;
    virtual bool IsEnabled() const;
    virtual int Tag() const { return 0; }
    virtual RECT ClientRectangle() const;
    // For the engine's list: the control or window this object serves.
    virtual const void* Target() const = 0;
    // Called when the target went away on its own: nothing may touch it.
    virtual void TargetGone() = 0;
    // Let go of by its window: switches off and lets go of the control now;
    // the object itself is freed once no message of the skin is being
    // handled, and passes on what still reaches it.
    virtual void Retire() { gone_ = true; }
    bool Retired() const { return gone_; }

    void Dispatch(ui::Message& m);

protected:
    virtual bool PreFilter(ui::Message&) { return true; }
    virtual void AfterHandler(ui::Message& m);
    virtual void CallPrevious(ui::Message& m) = 0;
    // Repaints the skinned look now.
    virtual void Paint() {}
    // Draws the skinned look on `dc`, whose origin is the control's top-left
    // corner (for the objects that paint the whole control themselves).
    virtual void PaintTo(HDC) {}
    virtual void HoverEnter() {}
    virtual void HoverLeave() {}
    virtual void MouseDown() {}
    virtual void MouseUp() {}
    virtual void KeyDown(WORD) {}
    virtual void KeyUp(WORD) {}
    // Fills `rect` (in the control's client coordinates) with what lies
    // under the control: the skinned form's background, or the panel's.
    virtual void PaintBackground(HDC dc, const RECT& rect);

    // Paints the whole client area now with PaintTo, through an off-screen
    // picture so the control never shows half a face.
    void PaintNow();
    // The pre-filter step of the objects that paint the whole control:
    // answers WM_ERASEBKGND (the paint covers every pixel anyway) and
    // WM_PAINT (PaintTo through an off-screen picture). Returns the
    // pre-filter's answer: false when it answered, so the control never sees it.
    bool FilterPaint(ui::Message& m);
    // Repaints now, so AfterHandler does not paint the same message again.
    void RepaintOnce();
    // The control's window waits for a WM_PAINT.
    bool HasPendingPaint() const;
    // Repaints when `m` is one of the messages that change this control's look.
    void RepaintAfter(const ui::Message& m, std::initializer_list<UINT> messages);

    TSkinWindow& window_;
    bool hover_ = false;
    bool pressed_ = false;
    bool on_ = false;
    bool painted_ = false;   // the pre-filter painted this message already
    bool gone_ = false;      // retired, or its target went
};

// --- controls of the program ------------------------------------------------------------

class TSkinControlOwn : public TSkinControl {
public:
    TSkinControlOwn(TSkinWindow& window, ui::Control& control);
    ~TSkinControlOwn() override;

    ui::Control& GetControl() const { return control_; }
    HWND Handle() const override;
    bool IsEnabled() const override;
    int Tag() const override { return control_.Tag(); }
    RECT ClientRectangle() const override;
    const void* Target() const override { return &control_; }
    void TargetGone() override;
    void Retire() override;
    // Whether the skin object asks its control to take the parent's colour.
    virtual bool AsksParentColor() const { return false; }
    void ApplyState(bool on) override;

protected:
    void CallPrevious(ui::Message& m) override;
    void PaintBackground(HDC dc, const RECT& rect) override;

    ui::Control& control_;

private:
    std::unique_ptr<ControlHook> hook_;
    bool savedParentColor_ = false;
    COLORREF savedColor_ = 0;
    bool colorTaken_ = false;
};

// Push buttons and bitmap buttons.
class TSkinButton : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;
    void ApplyState(bool on) override;
    bool Armed() const { return armed_; }

protected:
    bool PreFilter(ui::Message& m) override;
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;
    void MouseDown() override;
    void MouseUp() override;
    void KeyUp(WORD key) override;
    void HoverLeave() override;

private:
    bool armed_ = false;
};

// Check boxes; the control paints itself and the object paints the box over it.
class TSkinCheckBox : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;

protected:
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
    virtual bool Radio() const { return false; }
};

class TSkinRadioButton : public TSkinCheckBox {
public:
    using TSkinCheckBox::TSkinCheckBox;

protected:
    bool PreFilter(ui::Message& m) override;
    bool Radio() const override { return true; }
};

// Speed buttons (graphic controls, painted by their parent).
class TSkinSpeedButton : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;

protected:
    bool PreFilter(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;
};

// Controls with a flat one-pixel border in the skin's colours.
class TSkinBorderWinControl : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;

protected:
    bool PreFilter(ui::Message& m) override;
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
    bool HasBorder() const;
    // Paints the non-client area: border, and the scroll bars when drawn by the engine.
    virtual void PaintNonClient();
    virtual bool DrawsScrollBars() const { return false; }
};

// Bordered controls whose scroll bars the engine draws (edits, memos, grids,
// scroll boxes, custom controls).
class TSkinScrollWinControl : public TSkinBorderWinControl {
public:
    using TSkinBorderWinControl::TSkinBorderWinControl;

protected:
    void AfterHandler(ui::Message& m) override;
    bool DrawsScrollBars() const override;
};

class TSkinGrid : public TSkinScrollWinControl {
public:
    using TSkinScrollWinControl::TSkinScrollWinControl;
};

class TSkinFrame : public TSkinScrollWinControl {
public:
    using TSkinScrollWinControl::TSkinScrollWinControl;
};

// Combo boxes: border, drop button and arrow drawn over the control's own painting.
class TSkinExtComboboxLikeControl : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;

protected:
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
};

class TSkinComboBox : public TSkinExtComboboxLikeControl {
public:
    using TSkinExtComboboxLikeControl::TSkinExtComboboxLikeControl;
};

// Panels and group boxes take the skinned form's colour.
class TSkinPanel : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;
    bool AsksParentColor() const override { return true; }
};

class TSkinGroupBox : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;
    bool AsksParentColor() const override { return true; }

protected:
    bool PreFilter(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;
};

class TSkinProgressBar : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;
    void ApplyState(bool on) override;

protected:
    bool PreFilter(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;

private:
    ui::Bitmap picture_;
};

class TSkinTrackBar : public TSkinControlOwn {
public:
    using TSkinControlOwn::TSkinControlOwn;
    void ApplyState(bool on) override;

protected:
    bool PreFilter(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;

private:
    ui::Bitmap bar_;
};

// --- child windows of foreign windows -------------------------------------------------

class TSkinControlWnd : public TSkinControl {
public:
    TSkinControlWnd(TSkinWindow& window, HWND hwnd);
    ~TSkinControlWnd() override;

    HWND Handle() const override { return hwnd_; }
    bool IsEnabled() const override;
    const void* Target() const override { return hwnd_; }
    void TargetGone() override;
    void Retire() override;

protected:
    void CallPrevious(ui::Message& m) override;

    HWND hwnd_;

private:
    std::unique_ptr<WindowSubclass> subclass_;
    bool tracking_ = false;
};

class TSkinWndButton : public TSkinControlWnd {
public:
    using TSkinControlWnd::TSkinControlWnd;

protected:
    bool PreFilter(ui::Message& m) override;
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
    void PaintTo(HDC dc) override;
};

class TSkinWndCheckBox : public TSkinControlWnd {
public:
    using TSkinControlWnd::TSkinControlWnd;

protected:
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
    virtual bool Radio() const { return false; }
};

class TSkinWndRadioButton : public TSkinWndCheckBox {
public:
    using TSkinWndCheckBox::TSkinWndCheckBox;

protected:
    bool Radio() const override { return true; }
};

class TSkinWndComboBox : public TSkinControlWnd {
public:
    using TSkinControlWnd::TSkinControlWnd;

protected:
    void AfterHandler(ui::Message& m) override;
    void Paint() override;
};

class TSkinBorderWndControl : public TSkinControlWnd {
public:
    using TSkinControlWnd::TSkinControlWnd;

protected:
    bool PreFilter(ui::Message& m) override;
};

class TSkinWndTabControl : public TSkinBorderWndControl {
public:
    using TSkinBorderWndControl::TSkinBorderWndControl;
};

class TSkinWndToolbarWindow32 : public TSkinControlWnd {
public:
    using TSkinControlWnd::TSkinControlWnd;

protected:
    bool PreFilter(ui::Message& m) override;
};

// --- class tables ---------------------------------------------------------------------------

using OwnSkinFactory = std::function<std::unique_ptr<TSkinControlOwn>(TSkinWindow&, ui::Control&)>;
using WndSkinFactory = std::function<std::unique_ptr<TSkinControlWnd>(TSkinWindow&, HWND)>;

struct ControlClassRow {
    const char* ControlClass;   // the class it stands for ("TButton"...)
    bool (*Matches)(const ui::Control&);
    OwnSkinFactory Make;
};

struct WindowClassRow {
    const char* Key;   // upper-case window class, with _CHECKBOX / _RADIOBUTTON
    WndSkinFactory Make;
};

// Looked up from the last row to the first; the first row that matches wins.
const std::vector<ControlClassRow>& ControlClassTable();
const std::vector<WindowClassRow>& WindowClassTable();
// The row for a control, or null.
const ControlClassRow* FindControlClass(const ui::Control& control);
// The table key of a foreign child window ("" when it is not skinned).
std::string WindowClassKey(HWND hwnd);
const WindowClassRow* FindWindowClass(const std::string& key);

} // namespace korvane
