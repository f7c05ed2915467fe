// The frame of the program's own forms: sits in front of the form's
// WindowProc, adjusts the form (style, colour, minimum size) while skinned,
// and skins the form's controls and menus.
#include "skin/SkinWindow.h"

#include "skin/SkinControls.h"
#include "skin/SkinHooks.h"
#include "ui/Application.h"

#include <algorithm>
#include <utility>

namespace korvane {

namespace {

RECT WindowRectOf(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

} // namespace

namespace {

// Owned by a skinned form: when the form frees its components (its window
// is gone by then, the form itself not yet) the engine hears of it and lets
// go of the form's frame.
class TSkinFormLink : public ui::Component {
public:
    explicit TSkinFormLink(ui::Component* owner) : ui::Component(owner) {}
    const char* ClassName() const override { return "TSkinFormLink"; }
};

} // namespace

struct TSkinWindowOwn::Link {
    std::unique_ptr<ControlHook> hook;
};

TSkinWindowOwn::TSkinWindowOwn(ui::Form& form, TSkinEngine& engine, bool foundByHook)
    : TSkinWindow(engine, foundByHook), form_(form), link_(std::make_shared<Link>())
{
    formLink_ = &form_.Make<TSkinFormLink>();
    formLink_->FreeNotification(&engine_);
    ComputeFlags();
    link_->hook = std::make_unique<ControlHook>(form_, [this](ui::Message& m) { Dispatch(m); });
    SkinControls();
    if (form_.HandleAllocated())
        ApplyState();
}

TSkinWindowOwn::~TSkinWindowOwn()
{
    if (!released_)
        Release();
}

void TSkinWindowOwn::FormGoing()
{
    formGoing_ = true;
    formLink_ = nullptr;   // freed with the form's components
}

void TSkinWindowOwn::Release()
{
    if (released_)
        return;
    // Everything of the form is let go of now: the form may be gone before
    // this object is freed.
    ui::Guard([&] { SetSkin(false); });
    for (ui::PopupMenu* menu : menus_)
        if (menu->Painter() == &engine_.MenuPainter())
            menu->SetPainter(nullptr);
    menus_.clear();
    TSkinWindow::Release();
    Detach();
    if (formLink_ && !formGoing_) {
        ui::Component* link = std::exchange(formLink_, nullptr);
        link->RemoveFreeNotification(&engine_);
        delete link;
    }
}

void TSkinWindowOwn::Detach()
{
    link_->hook.reset();
}

void TSkinWindowOwn::CallPrevious(ui::Message& m)
{
    if (link_->hook)
        link_->hook->CallPrevious(m);
}

void TSkinWindowOwn::ComputeFlags()
{
    const bool hasBorder = form_.GetBorderStyle() != ui::bsNone;
    titleShown_ = form_.Parent() == nullptr && hasBorder;
    borderShown_ = hasBorder;
}

bool TSkinWindowOwn::HasIcon() const
{
    const auto style = form_.GetBorderStyle();
    return (style == ui::bsSingle || style == ui::bsSizeable) && (form_.BorderIcons() & ui::biSystemMenu);
}

bool TSkinWindowOwn::HasCloseButton() const
{
    return (form_.BorderIcons() & ui::biSystemMenu) != 0;
}

bool TSkinWindowOwn::HasMaximizeButton() const
{
    const unsigned icons = form_.BorderIcons();
    return (icons & ui::biMaximize) && (icons & ui::biSystemMenu) && form_.GetBorderStyle() != ui::bsDialog;
}

bool TSkinWindowOwn::HasMinimizeButton() const
{
    const unsigned icons = form_.BorderIcons();
    return (icons & ui::biMinimize) && (icons & ui::biSystemMenu) && form_.GetBorderStyle() != ui::bsDialog;
}

void TSkinWindowOwn::TakeMetrics()
{
    TSkinWindow::TakeMetrics();
    if (titleShown_)
        captionHeight_ = std::max(captionHeight_, 23);
}

void TSkinWindowOwn::SkinControlsOf(ui::Component& owner)
{
    const std::vector<ui::Component*> owned = owner.Components();
    for (ui::Component* c : owned) {
        if (auto* menu = dynamic_cast<ui::PopupMenu*>(c)) {
            // The form's menus are drawn by the engine (while it is in force).
            if (menu->Tag() != engine_.DisabledTag() && !menu->Painter()) {
                menu->SetPainter(&engine_.MenuPainter());
                menu->FreeNotification(this);
                menus_.push_back(menu);
            }
            continue;
        }
        auto* control = dynamic_cast<ui::Control*>(c);
        if (!control)
            continue;
        if (control->Tag() == engine_.DisabledTag())
            continue;
        if (auto* w = dynamic_cast<ui::WinControl*>(control);
            w && w->HandleAllocated() && ::SendMessageA(w->HandleIfAllocated(), WM_SKIN_QUERY, 0, 0) == 1)
            continue;
        const std::string className = control->ClassName();
        if (className.rfind("TSkin", 0) == 0 && className != "TSkinInternalUpDown")
            continue;
        if (!control->Parent())
            continue;
        if (auto* embedded = dynamic_cast<ui::Form*>(control)) {
            if (!embedded->Name().empty()) {
                embedded->SetColor(engine_.BackgroundColor());
                SkinControlsOf(*embedded);
            }
            continue;
        }
        if (const ControlClassRow* row = FindControlClass(*control)) {
            ui::Guard([&] {
                std::unique_ptr<TSkinControlOwn> object = row->Make(*this, *control);
                control->FreeNotification(this);
                AddSkinObject(std::move(object));
            });
        }
        SkinControlsOf(*control);
    }
}

void TSkinWindowOwn::SkinControls()
{
    SkinControlsOf(form_);
}

void TSkinWindowOwn::Notification(ui::Component* component, ui::Operation operation)
{
    TSkinWindow::Notification(component, operation);
    if (operation != ui::opRemove)
        return;
    menus_.erase(std::remove(menus_.begin(), menus_.end(), component), menus_.end());
    // A control that goes before its form (perhaps inside one of its own
    // messages): its skin object lets go of it now and is freed later.
    for (auto it = objects_.begin(); it != objects_.end(); ++it) {
        if ((*it)->Target() == component) {
            (*it)->TargetGone();
            std::unique_ptr<TSkinControl> object = std::move(*it);
            objects_.erase(it);
            engine_.Discard(std::move(object));
            return;
        }
    }
}

void TSkinWindowOwn::SetMinimumSize(bool on)
{
    ui::SizeConstraints c = form_.Constraints();
    if (on && titleShown_) {
        // A form without limits of its own stays large enough for the frame.
        if (c.MinWidth == 0 && engine_.GetSkinInt("FormMinWidthInt") > 0) {
            c.MinWidth = engine_.GetSkinInt("FormMinWidthInt");
            minWidthSet_ = true;
        }
        if (c.MinHeight == 0) {
            c.MinHeight = MenuBarHeight() + 6;
            if (engine_.GetSkinInt("FormRoundCornerInt") > 0)
                c.MinHeight = std::max(c.MinHeight, 66);
            minHeightSet_ = true;
        }
    } else {
        if (minWidthSet_)
            c.MinWidth = 0;
        if (minHeightSet_)
            c.MinHeight = 0;
        minWidthSet_ = minHeightSet_ = false;
    }
    form_.SetConstraints(c);
}

void TSkinWindowOwn::SwitchControls(bool on)
{
    HWND h = Handle();
    if (on) {
        if (!colorChanged_) {
            savedColor_ = form_.Color();
            colorChanged_ = true;
        }
        form_.SetColor(engine_.BackgroundColor());
    }
    SetMinimumSize(on);
    TSkinWindow::SwitchControls(on);
    if (!on && colorChanged_) {
        form_.SetColor(savedColor_);
        colorChanged_ = false;
    }
    if (!h)
        return;
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    // The frame draws its own system menu.
    if (on)
        ::SetWindowLongA(h, GWL_STYLE, style & ~WS_SYSMENU);
    else if (form_.GetBorderStyle() != ui::bsNone && (form_.BorderIcons() & ui::biSystemMenu))
        ::SetWindowLongA(h, GWL_STYLE, style | WS_SYSMENU);
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetClientSizeTo(clientWidth_, clientHeight_);
    if (!on)
        ::SetWindowRgn(h, nullptr, TRUE);
    if (::IsWindowVisible(h))
        ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

bool TSkinWindowOwn::PreFilter(ui::Message& m)
{
    if (m.Msg == ui::CM_BORDERCHANGED) {
        // The form changed its frame styles: take the frame's flags again.
        const bool title = titleShown_, border = borderShown_;
        ComputeFlags();
        HWND h = Handle();
        if (h)
            ::SetWindowLongA(h, GWL_STYLE, ::GetWindowLongA(h, GWL_STYLE) & ~WS_SYSMENU);
        if (h && (title != titleShown_ || border != borderShown_)) {
            SetMinimumSize(false);
            SetMinimumSize(skinOn_);
            ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        PaintFrame();
    }
    return true;
}

void TSkinWindowOwn::AfterHandler(ui::Message& m)
{
    if (m.Msg == WM_SHOWWINDOW && m.WParam && !firstShowSeen_) {
        firstShowSeen_ = true;
        if (&form_ == ui::App().MainForm() && engine_.SkinAllForms())
            engine_.SkinProgramForms();
    }
    if (m.Msg == WM_SIZE && m.WParam == SIZE_MAXIMIZED)
        FillWorkArea();
}

void TSkinWindowOwn::FillWorkArea()
{
    // The system sizes a maximized window for the classic frame; the skinned
    // frame's sides lie 4 pixels outside the work area instead, and the
    // bottom keeps one pixel free for a taskbar that hides itself.
    HWND h = Handle();
    ui::Form* main = ui::App().MainForm();
    HWND monitorOf = main && main->HandleAllocated() ? main->HandleIfAllocated() : h;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!h || !::GetMonitorInfoA(::MonitorFromWindow(monitorOf, MONITOR_DEFAULTTONEAREST), &info))
        return;
    RECT target = info.rcWork;
    target.bottom -= 1;
    ::InflateRect(&target, 4, 4);
    const RECT now = WindowRectOf(h);
    if (now.right - now.left >= target.right - target.left && now.bottom - now.top >= target.bottom - target.top)
        return;
    ::SetWindowPos(h, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace korvane
