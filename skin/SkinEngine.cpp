#include "skin/SkinEngine.h"

#include "skin/SkinBitmap.h"
#include "skin/SkinControls.h"
#include "skin/SkinDraw.h"
#include "skin/SkinReader.h"
#include "skin/SkinWindow.h"
#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/Form.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

// Form classes skinned when they are activated.
const char* const kActivationClasses[] = {"TForm", "TSelectDirDlg"};
// Command ids of the system-menu popup (TrackPopupMenu returns them).
enum SysMenuCommand : UINT { kCmdMinimize = 1, kCmdMaximize = 2, kCmdSeparator = 3, kCmdClose = 4 };

std::string ClassNameOf(HWND hwnd)
{
    char name[256] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool SameText(const std::string& a, const char* b)
{
    return ::lstrcmpiA(a.c_str(), b) == 0;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string FileNamePart(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ui::GdiFont MenuFont(bool bold)
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        return ui::GdiFont();
    if (bold)
        ncm.lfMenuFont.lfWeight = FW_BOLD;
    return ui::GdiFont(::CreateFontIndirectW(&ncm.lfMenuFont));
}

// The menus of skinned forms, drawn as the engine draws its own.
class SkinMenuPainter : public ui::MenuPainter {
public:
    explicit SkinMenuPainter(TSkinEngine& engine) : engine_(engine) {}
    bool Paints() const override { return engine_.InForce(); }
    void MeasureItem(const ui::MenuItem& item, MEASUREITEMSTRUCT& measure) override
    {
        engine_.MeasureItem(SkinMenuItem{item.Caption(), "", false, item.Checked()}, measure);
    }
    void DrawItem(const ui::MenuItem& item, const DRAWITEMSTRUCT& draw) override
    {
        engine_.DrawItem(SkinMenuItem{item.Caption(), "", false, item.Checked()}, draw);
    }

private:
    TSkinEngine& engine_;
};

} // namespace

TSkinEngine::TSkinEngine(ui::Component* owner)
    : ui::Component(owner),
      reader_(std::make_unique<TSkinReader>()),
      scrollRes_(std::make_unique<TSkinScrollBtnRes>(*reader_)),
      tabRes_(std::make_unique<TSkinTabRes>(*reader_)),
      menuPainter_(std::make_unique<SkinMenuPainter>(*this))
{
    auto* form = dynamic_cast<ui::Form*>(owner);
    if (!form)
        throw ui::Error("Must be placed on a Form");
    for (ui::Component* c : form->Components())
        if (c != this && dynamic_cast<TSkinEngine*>(c))
            throw ui::Error("One form can only catch one TSkinEngine!");
    sysMenuItems_.reserve(4);
    sysMenuItems_.push_back(SkinMenuItem{"Mi&nimize", "", false, false});
    sysMenuItems_.push_back(SkinMenuItem{"Ma&ximize/Restore", "", false, false});
    sysMenuItems_.push_back(SkinMenuItem{"-", "", false, false});
    sysMenuItems_.push_back(SkinMenuItem{"&Close", "", false, false});
    BuildSystemMenu();
    ui::Bitmap check;
    try {
        check.LoadFromResource("SKIN_MENU_CHECKED");
        checkImages_.Add(check, RGB(255, 255, 255));
    } catch (...) {
        // A module without the check mark draws the system's.
    }
    reader_->OnLoaded = [this] { SkinApplied(); };
    cbtHandler_ = ui::App().AddCbtHandler([this](int code, WPARAM w, LPARAM l) { return CbtHook(code, w, l); });
}

TSkinEngine::~TSkinEngine()
{
    if (cbtHandler_)
        ui::App().RemoveCbtHandler(cbtHandler_);
    // Windows go last made first.
    while (!windows_.empty())
        ReleaseWindow(windows_.back().get());
    goneObjects_.clear();
    goneWindows_.clear();
    if (sysMenu_)
        ::DestroyMenu(sysMenu_);
}

// --- properties ----------------------------------------------------------------------------

void TSkinEngine::SetActive(bool active)
{
    active_ = active;
    for (TSkinWindow* w : SkinWindows())
        if (FindSkinWindow(w->Handle()) == w)
            ui::Guard([w] { w->ApplyState(); });
}

bool TSkinEngine::Ready() const
{
    return reader_->Ready();
}

bool TSkinEngine::InForce() const
{
    return active_ && reader_->Ready();
}

void TSkinEngine::SetSkinFile(const std::string& path)
{
    std::string found;
    if (FileExists(path)) {
        found = path;
    } else {
        const std::string name = FileNamePart(path);
        char folder[MAX_PATH] = {};
        std::vector<std::string> places;
        ::GetModuleFileNameA(nullptr, folder, MAX_PATH);
        std::string program = folder;
        program.erase(program.find_last_of('\\') == std::string::npos ? 0 : program.find_last_of('\\') + 1);
        places.push_back(WithBackslash(program));
        if (::GetWindowsDirectoryA(folder, MAX_PATH))
            places.push_back(WithBackslash(folder));
        if (::GetSystemDirectoryA(folder, MAX_PATH))
            places.push_back(WithBackslash(folder));
        for (const std::string& place : places)
            if (!name.empty() && FileExists(place + name)) {
                found = place + name;
                break;
            }
    }
    if (found.empty())
        return;
    if (ReadSkin(found))
        skinFile_ = found;
}

bool TSkinEngine::ReadSkin(const std::string& path)
{
    return TakeReader([&](TSkinReader& reader) { reader.ReadSkinFile(path); });
}

bool TSkinEngine::TakeReader(const std::function<void(TSkinReader&)>& read)
{
    auto fresh = std::make_unique<TSkinReader>();
    try {
        read(*fresh);
    } catch (...) {
        return false;
    }
    if (!fresh->Ready())
        return false;
    // The prepared pictures hold the reader they were made from.
    auto scroll = std::make_unique<TSkinScrollBtnRes>(*fresh);
    auto tabs = std::make_unique<TSkinTabRes>(*fresh);
    fresh->OnLoaded = [this] { SkinApplied(); };
    reader_.swap(fresh);
    scrollRes_.swap(scroll);
    tabRes_.swap(tabs);
    SkinApplied();
    return true;
}

void TSkinEngine::SetBuiltIn(bool builtIn)
{
    if (!loading_)
        throw ui::Error("BuiltIn property only can be specified at design time!");
    builtIn_ = builtIn;
}

void TSkinEngine::SetSkinAllForms(bool skin)
{
    skinAllForms_ = skin;
    if (loading_)
        return;
    if (skin) {
        SkinProgramForms();
        return;
    }
    for (TSkinWindow* w : SkinWindows()) {
        auto* own = dynamic_cast<TSkinWindowOwn*>(w);
        if (!own || &own->GetForm() != Owner())
            ReleaseWindow(w);
    }
}

void TSkinEngine::SetSkinData(std::span<const unsigned char> data)
{
    if (data.empty())
        return;
    // Read from memory; the stored path of the design machine stays the
    // skin file's name.
    // A damaged built-in skin leaves the program with the system look.
    TakeReader([&](TSkinReader& reader) { reader.ReadSkinData(data); });
}

void TSkinEngine::Loaded()
{
    loading_ = false;
    if (auto* form = dynamic_cast<ui::Form*>(Owner()))
        SkinForm(*form);
}

TSkinWindow* TSkinEngine::SkinForm(ui::Form& form)
{
    for (const auto& w : windows_)
        if (auto* own = dynamic_cast<TSkinWindowOwn*>(w.get()); own && &own->GetForm() == &form)
            return own;
    // A form whose window is not made yet is set up when it is.
    windows_.push_back(std::make_unique<TSkinWindowOwn>(form, *this, false));
    return windows_.back().get();
}

// --- look-ups -------------------------------------------------------------------------------

const ui::Bitmap* TSkinEngine::Picture(const std::string& name, int index, int count)
{
    if (!reader_->Ready())
        return nullptr;
    if (index == 0 || count == 0)
        index = count = 0;
    const auto key = std::make_tuple(name, index, count);
    auto it = pictures_.find(key);
    if (it == pictures_.end()) {
        auto picture = std::make_unique<ui::Bitmap>();
        const bool found = GetSkinBitmap(name, *picture, index, count);
        it = pictures_.emplace(key, found ? std::move(picture) : nullptr).first;
    }
    return it->second.get();
}

bool TSkinEngine::GetSkinBitmap(const std::string& name, ui::Bitmap& target, int index, int count)
{
    const bool found = index != 0 && count != 0 ? ::korvane::GetSkinBitmapPart(*reader_, name, target, index, count)
                                                : ::korvane::GetSkinBitmap(*reader_, name, target);
    if (found)
        target.SetTransparentColor(kSkinTransparentColor);
    return found;
}

int TSkinEngine::GetSkinInt(const std::string& name) const
{
    return reader_->GetSkinInt(name);
}

bool TSkinEngine::GetSkinBool(const std::string& name) const
{
    return reader_->GetSkinBool(name);
}

COLORREF TSkinEngine::SkinColor(const std::string& name, COLORREF fallback) const
{
    const int value = GetSkinInt(name);
    return value == -1 ? fallback : static_cast<COLORREF>(value) & 0xFFFFFF;
}

COLORREF TSkinEngine::SkinColor(SkinColour entry) const
{
    const SkinColourEntry& e = SkinColourOf(entry);
    const int value = GetSkinInt(e.Name);
    if (value != -1)
        return static_cast<COLORREF>(value) & 0xFFFFFF;
    if (e.FallbackEntry >= 0)
        return SkinColor(static_cast<SkinColour>(e.FallbackEntry));
    if (e.SystemColour >= 0)
        return ::GetSysColor(e.SystemColour);
    return e.Fallback;
}

COLORREF TSkinEngine::BackgroundColor() const
{
    return SkinColor(SkinColour::FormBackgroundColor);
}

COLORREF TSkinEngine::MenuBarColor() const
{
    const int bar = GetSkinInt("MenuMenuBarColor");
    if (bar != -1)
        return static_cast<COLORREF>(bar) & 0xFFFFFF;
    const int font = GetSkinInt("ControlFontColor");
    if (font == 0x20000 || font == 0x50000)
        return 0xAC5B3B;
    if (font == 0x30000)
        return 0x996733;
    return BackgroundColor();
}

void TSkinEngine::TakeMetrics()
{
    pictures_.clear();
    const ui::Bitmap* left = Picture("TitleBarLeftImage");
    titleBarHeight_ = left ? left->Height() : 0;
    const ui::Bitmap* border = Picture("FormLeftBorderImage");
    borderWidth_ = border ? border->Width() : std::max(0, GetSkinInt("FormBorderWidthInt"));
    rightBorder_.Clear();
    if (border) {
        GetSkinBitmap("FormLeftBorderImage", rightBorder_);
        RotateBitmapHalf(rightBorder_);
    }
    const ui::Bitmap* bottom = Picture("FormBottomBorderImage");
    bottomBorderHeight_ = bottom ? bottom->Height() : 0;
    const int caption = GetSkinInt("TitleBarFontColor");
    if (caption != -1) {
        captionColor_ = static_cast<COLORREF>(caption) & 0xFFFFFF;
    } else {
        const int font = GetSkinInt("ControlFontColor");
        const bool dark = font == 0x10000 || font == 0x30000 || font == 0x40000 || font == 0x50000;
        captionColor_ = dark ? RGB(0, 0, 0) : RGB(255, 255, 255);
    }
    backgroundBrush_.Reset(::CreateSolidBrush(BackgroundColor()));

    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    captionFont_.Reset(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)
                           ? ::CreateFontIndirectW(&ncm.lfCaptionFont)
                           : nullptr);
    FrameSkin f;
    f.titleBarHeight = titleBarHeight_;
    f.borderWidth = borderWidth_;
    f.fullWidthTitle = !rightBorder_.Empty();
    f.bottomBorderHeight = bottomBorderHeight_;
    if (const ui::Bitmap* button = Picture("TitleBarButtonImage", 1, 18)) {
        f.buttonWidth = button->Width();
        f.buttonHeight = button->Height();
    }
    f.buttonTop = GetSkinInt("TitleBarButtonTopInt");
    f.buttonRightOffset = GetSkinInt("TitleBarButtonRightOffsetInt");
    f.iconLeftOffset = GetSkinInt("TitleBarButtonLeftOffsetInt");
    f.topCorner = GetSkinInt("FormRoundCornerInt");
    f.bottomCorner = GetSkinInt("FormBottomRoundCornerInt");
    {
        ui::MemoryDC measure;
        ui::SelectObjectScope sel(measure.Get(), captionFont_.Get());
        SIZE letter{};
        ::GetTextExtentPoint32W(measure.Get(), L"H", 1, &letter);
        f.captionLetterHeight = letter.cy;
    }
    frameNumbers_ = f;
}

const TSkinScrollBtnRes& TSkinEngine::ScrollButtons()
{
    if (!scrollResReady_) {
        scrollRes_->Reload();
        scrollResReady_ = true;
    }
    return *scrollRes_;
}

const TSkinTabRes& TSkinEngine::Tabs()
{
    if (!tabResReady_) {
        tabRes_->Reload();
        tabResReady_ = true;
    }
    return *tabRes_;
}

void TSkinEngine::SkinApplied()
{
    TakeMetrics();
    scrollResReady_ = tabResReady_ = false;
    for (TSkinWindow* w : SkinWindows()) {
        if (FindSkinWindow(w->Handle()) != w)
            continue;   // let go of while another one changed
        ui::Guard([&] {
            HWND h = w->Handle();
            const bool visible = h && ::IsWindowVisible(h);
            const bool topLevel = h && !(::GetWindowLongA(h, GWL_STYLE) & WS_CHILD);
            if (visible && topLevel)
                ::ShowWindow(h, SW_HIDE);
            w->SetSkin(false);
            w->ApplyState();
            if (visible && topLevel)
                ::ShowWindow(h, SW_SHOWNA);
        });
    }
    if (!windows_.empty() && windows_.front()->Handle() && ::IsWindowVisible(windows_.front()->Handle()))
        ::SetActiveWindow(windows_.front()->Handle());
    if (OnSkinChanged && !Destroying())
        OnSkinChanged(*this);
}

// --- skinned windows --------------------------------------------------------------------------

TSkinWindow* TSkinEngine::FindSkinWindow(HWND hwnd) const
{
    if (!hwnd)
        return nullptr;
    for (const auto& w : windows_) {
        if (w->Handle() == hwnd)
            return w.get();
        if (auto* own = dynamic_cast<TSkinWindowOwn*>(w.get()); own && own->GetForm().HandleIfAllocated() == hwnd)
            return w.get();
    }
    return nullptr;
}

std::vector<TSkinWindow*> TSkinEngine::SkinWindows() const
{
    std::vector<TSkinWindow*> list;
    for (const auto& w : windows_)
        list.push_back(w.get());
    return list;
}

TSkinWindow* TSkinEngine::SkinWindowHandle(HWND hwnd, bool foundByHook)
{
    if (!hwnd)
        return nullptr;
    if (TSkinWindow* existing = FindSkinWindow(hwnd))
        return existing;
    std::unique_ptr<TSkinWindow> w;
    auto* control = ui::WinControl::FromHandle(hwnd);
    if (auto* form = dynamic_cast<ui::Form*>(control))
        w = std::make_unique<TSkinWindowOwn>(*form, *this, foundByHook);
    else
        w = std::make_unique<TSkinWindowWnd>(hwnd, *this, foundByHook);
    windows_.push_back(std::move(w));
    return windows_.back().get();
}

void TSkinEngine::UnskinWindowHandle(HWND hwnd)
{
    if (TSkinWindow* w = FindSkinWindow(hwnd))
        ReleaseWindow(w);
}

void TSkinEngine::ReleaseWindow(TSkinWindow* window)
{
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w.get() == window; });
    if (it == windows_.end())
        return;
    std::unique_ptr<TSkinWindow> gone = std::move(*it);
    windows_.erase(it);
    // Switches off, lets go of its controls and of its window now.
    gone->Release();
    goneWindows_.push_back(std::move(gone));
    if (dispatchDepth_ == 0)
        Collect();
}

void TSkinEngine::Discard(std::unique_ptr<TSkinControl> object)
{
    if (!object)
        return;
    object->Retire();
    goneObjects_.push_back(std::move(object));
    if (dispatchDepth_ == 0)
        Collect();
}

void TSkinEngine::Collect()
{
    // Freeing one may let go of others (a window's skin objects).
    while (!goneObjects_.empty() || !goneWindows_.empty()) {
        auto objects = std::move(goneObjects_);
        goneObjects_.clear();
        objects.clear();
        auto windows = std::move(goneWindows_);
        goneWindows_.clear();
        windows.clear();
    }
}

TSkinEngine::DispatchScope::~DispatchScope()
{
    if (--engine_.dispatchDepth_ == 0 && (!engine_.goneObjects_.empty() || !engine_.goneWindows_.empty()))
        engine_.Collect();
}

void TSkinEngine::Notification(ui::Component* component, ui::Operation operation)
{
    ui::Component::Notification(component, operation);
    if (operation != ui::opRemove)
        return;
    // A form's link goes with the form's components, while the form itself
    // still exists: its frame lets go of it.
    for (const auto& w : windows_)
        if (auto* own = dynamic_cast<TSkinWindowOwn*>(w.get()); own && own->IsLink(component)) {
            own->FormGoing();
            ReleaseWindow(own);
            return;
        }
}

void TSkinEngine::SkinProgramForms()
{
    if (!InForce())
        return;
    for (ui::Form* form : ui::App().Forms()) {
        if (form->Tag() == disabledTag_ || std::strcmp(form->ClassName(), "TfrmPopNotifyForm") == 0)
            continue;
        if (HWND h = form->HandleIfAllocated(); h && ::SendMessageA(h, WM_SKIN_QUERY, 0, 0) != 0)
            continue;
        SkinForm(*form);
    }
}

bool TSkinEngine::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (!InForce())
        return false;
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (!create || !create->lpcs)
            return false;
        // Size grips of system dialogs: the skinned frame has none.
        const std::string cls = ClassNameOf(reinterpret_cast<HWND>(wParam));
        return SameText(cls, "SCROLLBAR") && (create->lpcs->style & 0x10) && create->lpcs->dwExStyle != 4;
    }
    if (code != HCBT_ACTIVATE)
        return false;
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    const std::string cls = ClassNameOf(hwnd);
    const bool skinned = FindSkinWindow(hwnd) != nullptr || ::SendMessageA(hwnd, WM_SKIN_QUERY, 0, 0) == 1;
    if (cls == "TTabDockHost" || cls == "TConjoinDockHost") {
        if (!skinned)
            SkinWindowHandle(hwnd, true);
        return false;
    }
    if (cls != "TMessageForm" && cls != "#32770") {
        for (const char* activation : kActivationClasses)
            if (cls == activation && !skinned)
                SkinWindowHandle(hwnd, false);
        return false;
    }
    if (skinDialogs_ && !skinned)
        SkinWindowHandle(hwnd, true);
    return false;
}

// --- menus ----------------------------------------------------------------------------------

void TSkinEngine::BuildSystemMenu()
{
    sysMenu_ = ::CreatePopupMenu();
    const UINT ids[] = {kCmdMinimize, kCmdMaximize, kCmdSeparator, kCmdClose};
    for (size_t i = 0; i < sysMenuItems_.size(); ++i)
        ::AppendMenuA(sysMenu_, MF_OWNERDRAW | (sysMenuItems_[i].Caption == "-" ? MF_DISABLED : 0), ids[i],
                      reinterpret_cast<LPCSTR>(&sysMenuItems_[i]));
}

void TSkinEngine::RenameSysMenuItem(int index, std::string caption)
{
    sysMenuItems_[static_cast<size_t>(index)].Caption = std::move(caption);
}

bool TSkinEngine::OwnMenuItem(ULONG_PTR data) const
{
    for (const SkinMenuItem& item : sysMenuItems_)
        if (reinterpret_cast<ULONG_PTR>(&item) == data)
            return true;
    return false;
}

void TSkinEngine::ShowSystemMenu(TSkinWindow& window, POINT screen)
{
    HWND h = window.Handle();
    if (!h)
        return;
    sysMenuWindow_ = h;
    window.PaintFrame();   // the button flags follow what the frame shows
    auto enable = [this](UINT id, bool on) { ::EnableMenuItem(sysMenu_, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(kCmdMinimize, window.HasMinimizeButton());
    enable(kCmdMaximize, window.HasMaximizeButton());
    enable(kCmdClose, window.HasCloseButton());
    const UINT command = static_cast<UINT>(::TrackPopupMenuEx(
        sysMenu_, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RIGHTBUTTON, screen.x,
        screen.y, h, nullptr));
    if (!::IsWindow(h))
        return;
    switch (command) {
    case kCmdMinimize:
        ::PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    case kCmdMaximize:
        if (::IsZoomed(h) || ::IsIconic(h))
            ::PostMessageA(h, WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (window.HasMaximizeButton())
            ::PostMessageA(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        break;
    case kCmdClose:
        ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    default:
        break;
    }
}

bool TSkinEngine::MeasureMenuItem(MEASUREITEMSTRUCT& item)
{
    if (!OwnMenuItem(item.itemData))
        return false;
    MeasureItem(*reinterpret_cast<const SkinMenuItem*>(item.itemData), item);
    return true;
}

bool TSkinEngine::DrawMenuItem(const DRAWITEMSTRUCT& item)
{
    if (!OwnMenuItem(item.itemData))
        return false;
    DrawItem(*reinterpret_cast<const SkinMenuItem*>(item.itemData), item);
    return true;
}

void TSkinEngine::MeasureItem(const SkinMenuItem& data, MEASUREITEMSTRUCT& item)
{
    if (data.Caption == "-") {
        item.itemHeight = 5;
        item.itemWidth = 66;
        return;
    }
    if (!menuFont_)
        menuFont_ = MenuFont(false);
    ui::MemoryDC measure;
    ui::SelectObjectScope sel(measure.Get(), menuFont_.Get());
    auto width = [&](const std::string& text) {
        RECT r{0, 0, 0, 0};
        ui::DrawProgramText(measure.Get(), text, r, DT_CALCRECT | DT_SINGLELINE);
        return static_cast<int>(r.right - r.left);
    };
    item.itemHeight = 21;
    item.itemWidth = static_cast<UINT>(width(data.Caption) + width(data.ShortCut) + 66);
}

void TSkinEngine::DrawItem(const SkinMenuItem& data, const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const bool rightToLeft = false;
    const bool disabled = (item.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    const bool highlighted = (item.itemState & ODS_SELECTED) != 0 && !disabled;
    const COLORREF menuBackground = SkinColor(SkinColour::MenuBackgroundColor);
    const COLORREF band = SkinColor(SkinColour::MenuBarColor);
    auto fillBand = [&] {
        RECT b = r;
        if (rightToLeft)
            b.left = b.right - 26;
        else
            b.right = b.left + 26;
        FillSolid(dc, b, band);
        RECT rest = r;
        if (rightToLeft)
            rest.right -= 26;
        else
            rest.left += 26;
        FillSolid(dc, rest, menuBackground);
    };
    if (data.Caption == "-") {
        fillBand();
        const int y = r.top + 2;
        FillSolid(dc, RECT{r.left + 30, y, r.right - 2, y + 1}, RGB(0x84, 0x82, 0x84));
        return;
    }
    if (highlighted) {
        FillSolid(dc, r, SkinColor(SkinColour::MenuSelectedBackgroundColor));
        FrameSolid(dc, r, SkinColor(SkinColour::MenuSelectedBorderColor));
    } else {
        fillBand();
    }
    if (data.Checked) {
        // The engine's check mark, 4 pixels in and 3 down.
        if (checkImages_.Count() > 0) {
            ui::Canvas canvas(dc);
            checkImages_.Draw(canvas, r.left + 4, r.top + 3, 0);
        } else {
            RECT mark{r.left + 4, r.top + 3, r.left + 20, r.top + 19};
            ::DrawFrameControl(dc, &mark, DFC_MENU, DFCS_MENUCHECK);
        }
    }
    if (!menuFont_)
        menuFont_ = MenuFont(false);
    if (!menuBoldFont_)
        menuBoldFont_ = MenuFont(true);
    ui::SelectObjectScope sel(dc, data.Default ? menuBoldFont_.Get() : menuFont_.Get());
    ::SetBkMode(dc, TRANSPARENT);
    COLORREF text = SkinColor(SkinColour::MenuFontColor);
    if (disabled)
        text = RGB(0x80, 0x80, 0x80);
    else if (highlighted)
        text = SkinColor(SkinColour::MenuSelectedFontColor);
    ::SetTextColor(dc, text);
    RECT captionRect{r.left + 30, r.top + 4, r.right, r.bottom};
    ui::DrawProgramText(dc, data.Caption, captionRect, DT_LEFT | DT_SINGLELINE);
    if (!data.ShortCut.empty()) {
        RECT shortcutRect{r.left, r.top + 4, r.right - 16, r.bottom};
        ui::DrawProgramText(dc, data.ShortCut, shortcutRect, DT_RIGHT | DT_SINGLELINE);
    }
}

} // namespace korvane
