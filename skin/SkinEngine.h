#pragma once
// TSkinEngine: one non-visual component on the main window (SkinEngine1) that
// gives every window of the program, and the system dialogs it opens, the
// look of one skin container instead of the system's.
//
// From the owner form's Loaded step on, the engine draws the owner's frame
// itself (TSkinWindow, SkinWindow.h) and puts a skin object in front of each
// of its controls (SkinControls.h). When the main form is first shown the
// program's other forms get the same; afterwards a WH_CBT hook of the GUI
// thread (owned by ui::Application) skins message boxes and the common
// dialogs (class "#32770") as they are activated.
//
// Skinning is in force only while Active is true and a skin has been read
// (Ready). With Active false every skinned window and control keeps its skin
// object but shows the system look; true brings the skin back.
//
// A form or control whose Tag equals DisabledTag (9999) keeps its own look:
// the main window's toolbar and preview speed buttons carry it.
//
// Creation fails with "Must be placed on a Form" when the owner is not a
// form, and with "One form can only catch one TSkinEngine!" for a second
// engine on the same form.
//
// The built-in skin travels with the form: the form hands its bytes to
// SetSkinData while it is being built (BuiltIn true); they are read when the
// engine is loaded. SkinFile names a container file instead (searched in the
// given place, then the program's, the Windows and the system folder).
#include "skin/FrameGeometry.h"
#include "skin/SkinCatalogue.h"
#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/Handles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace korvane {

class TSkinControl;
class TSkinReader;
class TSkinScrollBtnRes;
class TSkinTabRes;
class TSkinWindow;

// Private messages of the engine, answered by every skinned window and skin object.
enum : UINT {
    WM_SKIN_QUERY = 0x2AAA,          // 1 from a skinned window or control
    WM_SKIN_ACTIVESTATE = 0x2AAB,    // 1 when the skinned window is active, 2 when not
    WM_SKIN_REPAINT = 0x2AAC,        // a skin object repaints
    WM_SKIN_MENUBARHEIGHT = 0x83E9,  // the skinned menu bar's height
};

struct TSkinCollectionItem {
    std::string SkinFile;
};

// One item of a menu the engine draws (itemData of an owner-drawn item).
struct SkinMenuItem {
    std::string Caption;     // "-" for a separator
    std::string ShortCut;    // "Alt+F4"...
    bool Default = false;
    bool Checked = false;
};

class TSkinEngine : public ui::Component {
public:
    static constexpr int kDisabledTag = 9999;

    explicit TSkinEngine(ui::Component* owner);
    ~TSkinEngine() override;
    const char* ClassName() const override { return "TSkinEngine"; }

    // --- stored properties -------------------------------------------------------------
    bool Active() const { return active_; }
    void SetActive(bool active);
    // A skin has been read; assigning it does nothing.
    bool Ready() const;
    void SetReady(bool) {}
    const std::string& SkinFile() const { return skinFile_; }
    void SetSkinFile(const std::string& path);
    const std::string& ResSysMenuMin() const { return sysMenuItems_[0].Caption; }
    const std::string& ResSysMenuMax() const { return sysMenuItems_[1].Caption; }
    const std::string& ResSysMenuClose() const { return sysMenuItems_[3].Caption; }
    void SetResSysMenuMin(std::string caption) { RenameSysMenuItem(0, std::move(caption)); }
    void SetResSysMenuMax(std::string caption) { RenameSysMenuItem(1, std::move(caption)); }
    void SetResSysMenuClose(std::string caption) { RenameSysMenuItem(3, std::move(caption)); }
    int DisabledTag() const { return disabledTag_; }
    void SetDisabledTag(int tag) { disabledTag_ = tag; }
    bool DrawScrollBar() const { return drawScrollBar_; }
    void SetDrawScrollBar(bool draw) { drawScrollBar_ = draw; }
    std::string Version() const { return "3.4"; }
    void SetVersion(const std::string&) {}
    bool BuiltIn() const { return builtIn_; }
    // Accepted only while the form is being built; afterwards it fails with
    // "BuiltIn property only can be specified at design time!".
    void SetBuiltIn(bool builtIn);
    bool SkinDialogs() const { return skinDialogs_; }
    void SetSkinDialogs(bool skin) { skinDialogs_ = skin; }
    bool SkinAllForms() const { return skinAllForms_; }
    void SetSkinAllForms(bool skin);
    std::vector<TSkinCollectionItem> AdditionalBuiltInSkins;
    ui::NotifyEvent OnSkinChanged;

    // The built-in skin as stored with the form: read from memory at once
    // (a damaged one leaves the system look); SkinFile keeps its stored path.
    void SetSkinData(std::span<const unsigned char> data);
    void Loaded() override;

    // --- skin look-ups ------------------------------------------------------------------
    // Active, a skin read (and never at design time: the program has no designer).
    bool InForce() const;
    // A picture of the skin, or part `index` (from 1) of `count` equal parts
    // when both are non-zero; null when the skin has none. Kept until the
    // next skin is read.
    const ui::Bitmap* Picture(const std::string& name, int index = 0, int count = 0);
    // The same into a bitmap of the caller's; false (target untouched) when absent.
    bool GetSkinBitmap(const std::string& name, ui::Bitmap& target, int index = 0, int count = 0);
    int GetSkinInt(const std::string& name) const;
    bool GetSkinBool(const std::string& name) const;
    // An integer entry as a colour (stored 0x00BBGGRR); `fallback` when absent.
    COLORREF SkinColor(const std::string& name, COLORREF fallback) const;
    // A colour of the catalogue, with its fallback when the skin lacks it.
    COLORREF SkinColor(SkinColour entry) const;
    COLORREF BackgroundColor() const;
    TSkinReader& Reader() { return *reader_; }
    // Pictures prepared once per skin, when first asked for: the scroll bars'
    // and the tabs' (the main window has neither).
    const TSkinScrollBtnRes& ScrollButtons();
    const TSkinTabRes& Tabs();
    // The menu check mark (16 x 16, white transparent).
    const ui::ImageList& MenuCheckImages() const { return checkImages_; }

    // --- metrics, taken after each read --------------------------------------------------
    int TitleBarHeight() const { return titleBarHeight_; }
    int BorderWidth() const { return borderWidth_; }
    // "FormLeftBorderImage" turned by half a turn; empty without one.
    const ui::Bitmap& RightBorder() const { return rightBorder_; }
    int BottomBorderHeight() const { return bottomBorderHeight_; }
    COLORREF CaptionColor() const { return captionColor_; }
    // The system's caption font, made once per skin.
    HFONT CaptionFont() const { return captionFont_.Get(); }
    // The skin's numbers that shape a window frame.
    const FrameSkin& FrameNumbers() const { return frameNumbers_; }
    HBRUSH BackgroundBrush() const { return backgroundBrush_.Get(); }
    COLORREF MenuBarColor() const;
    // A fixed caption-text position (-1: computed).
    int CaptionTextLeft = -1;
    int CaptionTextTop = -1;

    // --- skinned windows -----------------------------------------------------------------
    // The engine owns every skinned window and, through them, every skin
    // object. Nothing is freed while one of their messages is being handled:
    // a window or skin object let go during a message lets go of its window
    // or control at once and is freed when the outermost message handled by
    // any of them returns.
    //
    // Skins a window (once): TSkinWindowOwn for the program's forms, else TSkinWindowWnd.
    TSkinWindow* SkinWindowHandle(HWND hwnd, bool foundByHook);
    // Skins one of the program's forms (once), with or without its window.
    TSkinWindow* SkinForm(ui::Form& form);
    void UnskinWindowHandle(HWND hwnd);
    TSkinWindow* FindSkinWindow(HWND hwnd) const;
    std::vector<TSkinWindow*> SkinWindows() const;
    // Lets go of a skinned window (it leaves the list now, is freed when no
    // message of the skin is being handled).
    void ReleaseWindow(TSkinWindow* window);
    // A skin object its window no longer needs, freed the same way.
    void Discard(std::unique_ptr<TSkinControl> object);
    // Held while a skinned window or skin object handles a message.
    class DispatchScope {
    public:
        explicit DispatchScope(TSkinEngine& engine) : engine_(engine) { ++engine_.dispatchDepth_; }
        ~DispatchScope();
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;

    private:
        TSkinEngine& engine_;
    };
    // Skin objects and windows let go of and not yet freed (for tests).
    size_t PendingFrees() const { return goneWindows_.size() + goneObjects_.size(); }
    // The SkinAllForms pass: every form of the program, in screen order.
    void SkinProgramForms();
    // The system-menu popup for a window, at a screen point; posts the chosen command.
    void ShowSystemMenu(TSkinWindow& window, POINT screen);
    HMENU SystemMenu() const { return sysMenu_; }
    // The window the popup was last opened for.
    HWND SystemMenuWindow() const { return sysMenuWindow_; }
    // Owner-drawn items of the system-menu popup (WM_MEASUREITEM /
    // WM_DRAWITEM): true when the item is one of the engine's.
    bool MeasureMenuItem(MEASUREITEMSTRUCT& item);
    bool DrawMenuItem(const DRAWITEMSTRUCT& item);
    // Any menu item the engine draws: 21 pixels high (5 for "-"), as wide as
    // its caption and shortcut and 66 more.
    void MeasureItem(const SkinMenuItem& item, MEASUREITEMSTRUCT& measure);
    void DrawItem(const SkinMenuItem& item, const DRAWITEMSTRUCT& draw);
    // The painter the menus of skinned forms get.
    ui::MenuPainter& MenuPainter() { return *menuPainter_; }

protected:
    void Notification(ui::Component* component, ui::Operation operation) override;

private:
    friend class DispatchScope;
    void Collect();
    // Reads a container into a fresh reader and takes it only when the read
    // succeeds: a damaged container leaves every window with the skin it has.
    bool TakeReader(const std::function<void(TSkinReader&)>& read);
    void RenameSysMenuItem(int index, std::string caption);
    void BuildSystemMenu();
    bool ReadSkin(const std::string& path);
    void SkinApplied();
    void TakeMetrics();
    bool CbtHook(int code, WPARAM wParam, LPARAM lParam);
    bool OwnMenuItem(ULONG_PTR data) const;

    std::unique_ptr<TSkinReader> reader_;
    std::unique_ptr<TSkinScrollBtnRes> scrollRes_;
    std::unique_ptr<TSkinTabRes> tabRes_;
    bool scrollResReady_ = false;
    bool tabResReady_ = false;
    ui::ImageList checkImages_{nullptr};
    bool active_ = false;
    bool loading_ = true;
    std::string skinFile_;
    int disabledTag_ = kDisabledTag;
    bool drawScrollBar_ = true;
    bool builtIn_ = false;
    bool skinDialogs_ = true;
    bool skinAllForms_ = true;

    int titleBarHeight_ = 0;
    int borderWidth_ = 0;
    ui::Bitmap rightBorder_;
    int bottomBorderHeight_ = 0;
    COLORREF captionColor_ = RGB(0, 0, 0);
    ui::GdiBrush backgroundBrush_;
    ui::GdiFont captionFont_;
    FrameSkin frameNumbers_;
    std::map<std::tuple<std::string, int, int>, std::unique_ptr<ui::Bitmap>> pictures_;

    std::vector<std::unique_ptr<TSkinWindow>> windows_;
    std::vector<std::unique_ptr<TSkinWindow>> goneWindows_;
    std::vector<std::unique_ptr<TSkinControl>> goneObjects_;
    int dispatchDepth_ = 0;
    int cbtHandler_ = 0;

    std::vector<SkinMenuItem> sysMenuItems_;
    std::unique_ptr<ui::MenuPainter> menuPainter_;
    HMENU sysMenu_ = nullptr;
    HWND sysMenuWindow_ = nullptr;
    ui::GdiFont menuFont_;
    ui::GdiFont menuBoldFont_;
};

} // namespace korvane
