#pragma once
// TSkinWindow: the painted frame of one skinned window.
//
// The window keeps its client area and its controls; its non-client area
// (title bar, borders, caption buttons, system menu) is drawn from the skin
// and its outline gets rounded corners (a window region). Hit testing of
// caption, borders and client stays with the system; the frame only tells
// which caption element (icon, close, maximize/restore, minimize, help) lies
// under the mouse, each time it paints.
//
//   TSkinWindowOwn  a form of the program; sits in front of the form's
//                   WindowProc. The engine owns it; a small link component
//                   on the form tells the engine when the form goes.
//   TSkinWindowWnd  any other window (message boxes, common dialogs); its
//                   window procedure is replaced and put back when the
//                   object goes, if the window still exists. Its frame keeps
//                   the window's client size; its caption's close button
//                   acts as the dialog's Cancel.
//
// Every message passes through Dispatch first. With the skin off (engine not
// in force, or Active false) messages go to the previous handler unchanged
// and the window shows the system frame.
#include "skin/FrameGeometry.h"
#include "skin/SkinEngine.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Message.h"

#include <memory>
#include <vector>

namespace korvane {

class TSkinControl;
class WindowSubclass;

// Caption elements, as the frame reports which one lies under the mouse.
enum SkinHit { shNone = -1, shIcon = 0, shClose = 1, shMaxRestore = 2, shMinimize = 3, shHelp = 4 };

class TSkinWindow : public ui::Component {
public:
    TSkinWindow(TSkinEngine& engine, bool foundByHook);
    ~TSkinWindow() override;
    const char* ClassName() const override { return "TSkinWindow"; }

    TSkinEngine& Engine() const { return engine_; }
    bool FoundByHook() const { return foundByHook_; }
    bool SetUp() const { return setUp_; }
    bool SkinOn() const { return skinOn_; }
    bool IsActive() const { return active_; }
    bool Pressed() const { return pressed_ != shNone; }
    // The caption element the left button went down on, while it is held.
    SkinHit PressedElement() const { return pressed_; }
    SkinHit HoverElement() const { return hover_; }
    bool ShowsTitle() const { return titleShown_; }
    bool ShowsBorder() const { return borderShown_; }
    // Filled while painting the buttons; read by the system menu.
    bool HasCloseShown() const { return hasClose_; }
    bool HasMaximizeShown() const { return hasMaximize_; }
    bool HasMinimizeShown() const { return hasMinimize_; }
    bool CanMaximize() const { return canMaximize_; }
    int CaptionHeight() const { return captionHeight_; }
    const std::vector<std::unique_ptr<TSkinControl>>& SkinObjects() const { return objects_; }

    // Follows the engine's state: on when it is in force and Active.
    void ApplyState();
    void SetSkin(bool on);
    // The frame's caption text as painted last (after shortening).
    std::string PaintedCaption() const { return ui::WideToProgramText(paintedCaption_); }
    // Where everything of the frame lies, for the window's present size and style.
    const FrameGeometry& Geometry() const;
    // Where a caption button lies, in window coordinates (empty when not shown).
    RECT ButtonRect(SkinHit element) const;

    // Window commands, posted as system commands.
    void CloseWindow();
    void MinimizeWindow();
    void MaximizeWindow();
    void RestoreWindow();
    void MaximizeOrRestore();
    void ContextHelp();
    // The engine's system menu at the client origin, or at a screen point.
    void ShowSystemMenu();
    void ShowSystemMenuAt(POINT screen);

    // Paints the frame now (skin on only).
    void PaintFrame();
    // Builds the rounded window region for the current size; a hidden
    // window gets it when it is being shown.
    void UpdateRegion(bool showing = false);

    // --- the frame's questions (overridden per kind of window) -------------------------
    virtual HWND Handle() const = 0;
    virtual bool HasRegion() const { return true; }
    virtual int MenuBarHeight() const { return 0; }
    virtual HICON WindowIcon() const { return nullptr; }
    virtual bool HasHelpButton() const { return false; }
    virtual bool IsDialog() const { return false; }
    virtual bool HasIcon() const { return false; }
    virtual bool HasCloseButton() const { return true; }
    virtual bool HasMaximizeButton() const { return false; }
    virtual bool HasMinimizeButton() const { return false; }
    virtual bool SetupWhileHidden() const { return false; }

    // Every message of the window (from the hooked handler).
    void Dispatch(ui::Message& m);
    // Let go of by the engine: switches off and lets go of the window's
    // controls and (where the window may go before this object is freed)
    // of the window itself. Messages still on their way pass through.
    virtual void Release();
    bool Released() const { return released_; }

protected:
    // Switches the controls' skin and adjusts the window (style, size).
    virtual void SwitchControls(bool on);
    virtual void CallPrevious(ui::Message& m) = 0;
    // Takes the window's metrics before the skin changes them.
    virtual void TakeMetrics();
    virtual void SkinControls() = 0;
    void FreeSkinObjects();
    virtual bool PreFilter(ui::Message&) { return true; }
    virtual void AfterHandler(ui::Message&) {}
    virtual void Detach() = 0;

    // Skin objects of this window's controls.
    void AddSkinObject(std::unique_ptr<TSkinControl> object);
    // Frame sizes for a window of the given size: left, top, right, bottom insets.
    RECT FrameInsets() const;
    // Sets the window size so that its client area is `width` x `height`.
    void SetClientSizeTo(int width, int height);

    TSkinEngine& engine_;
    bool foundByHook_;
    bool titleShown_ = true;
    bool borderShown_ = true;
    bool setUp_ = false;
    bool skinOn_ = false;
    bool active_ = false;
    // The active state the frame was last painted in; -1 until its first
    // paint after the window was shown.
    int paintedActive_ = -1;
    SkinHit pressed_ = shNone;
    SkinHit hover_ = shNone;
    bool hasClose_ = false, hasMaximize_ = false, hasMinimize_ = false, canMaximize_ = false;
    int captionHeight_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    DWORD savedStyle_ = 0;
    std::vector<std::unique_ptr<TSkinControl>> objects_;
    std::wstring paintedCaption_;
    SIZE regionSize_{0, 0};
    mutable FrameGeometry geometry_;
    mutable FrameWindow geometryWindow_;
    mutable FrameSkin geometrySkin_;
    mutable bool geometryValid_ = false;
    bool released_ = false;

private:
    void Route(ui::Message& m);
    bool BeforePrevious(ui::Message& m);
    void AfterPrevious(ui::Message& m, bool calc, const RECT& proposed);
    // The title bar into `dc` (the frame's picture); true when a minimized
    // window showed its own picture, which leaves out the borders.
    bool PaintTitleBar(HDC windowDc, HDC dc, const FrameGeometry& g);
    void PaintBorders(HDC dc, const FrameGeometry& g, int W, int H);
    bool NcCalcSize(ui::Message& m);
    void NcLeftDown(ui::Message& m);
    // True when the double click was acted on (it goes no further).
    bool NcLeftDouble(ui::Message& m);
    // Ends a press on a caption element; it acts when `act` and the mouse is still over it.
    void EndPress(bool act);
    void Act(SkinHit element);
    SkinHit HitElement() const;
    void SetWindowTextLocked(ui::Message& m);
};

// A form of the program.
class TSkinWindowOwn : public TSkinWindow {
public:
    TSkinWindowOwn(ui::Form& form, TSkinEngine& engine, bool foundByHook);
    ~TSkinWindowOwn() override;
    const char* ClassName() const override { return "TSkinWindowOwn"; }

    ui::Form& GetForm() const { return form_; }
    HWND Handle() const override { return form_.HandleIfAllocated(); }
    HICON WindowIcon() const override { return form_.IconHandle(); }
    bool HasIcon() const override;
    bool HasCloseButton() const override;
    bool HasMaximizeButton() const override;
    bool HasMinimizeButton() const override;
    bool HasHelpButton() const override { return false; }
    bool IsDialog() const override { return form_.GetBorderStyle() == ui::bsDialog; }
    bool SetupWhileHidden() const override { return true; }
    void Release() override;
    // The form's link to the engine (a component the form owns).
    bool IsLink(const ui::Component* component) const { return component && component == formLink_; }
    // The form is being destroyed: its window is gone already.
    void FormGoing();

protected:
    void SwitchControls(bool on) override;
    void CallPrevious(ui::Message& m) override;
    void TakeMetrics() override;
    void SkinControls() override;
    bool PreFilter(ui::Message& m) override;
    void AfterHandler(ui::Message& m) override;
    void Detach() override;
    void Notification(ui::Component* component, ui::Operation operation) override;

private:
    struct Link;
    ui::Component* formLink_ = nullptr;
    bool formGoing_ = false;
    void SkinControlsOf(ui::Component& owner);
    void ComputeFlags();
    // Sets the minimum size the skinned frame needs where the form has none,
    // or takes back what it set.
    void SetMinimumSize(bool on);
    // A maximized form covers its monitor's work area with its frame's sides outside it.
    void FillWorkArea();

    ui::Form& form_;
    std::shared_ptr<Link> link_;
    std::vector<ui::PopupMenu*> menus_;
    bool firstShowSeen_ = false;
    COLORREF savedColor_ = 0;
    bool colorChanged_ = false;
    bool minWidthSet_ = false;
    bool minHeightSet_ = false;
};

// Any other window of the process (system dialogs, message boxes).
class TSkinWindowWnd : public TSkinWindow {
public:
    TSkinWindowWnd(HWND hwnd, TSkinEngine& engine, bool foundByHook);
    ~TSkinWindowWnd() override;
    const char* ClassName() const override { return "TSkinWindowWnd"; }

    HWND Handle() const override { return hwnd_; }
    bool IsDialog() const override { return true; }
    // The client size the window had before its frame was skinned.
    SIZE UnskinnedClientSize() const { return SIZE{clientWidth_, clientHeight_}; }
    void Release() override;

protected:
    void SwitchControls(bool on) override;
    void CallPrevious(ui::Message& m) override;
    void TakeMetrics() override;
    void SkinControls() override;
    bool PreFilter(ui::Message& m) override;
    void AfterHandler(ui::Message& m) override;
    void Detach() override;

private:
    HWND hwnd_;
    std::unique_ptr<WindowSubclass> subclass_;
    HMENU menu_ = nullptr;
    int nonClientHeight_ = 0;
    bool heightCorrected_ = false;
};

} // namespace korvane
