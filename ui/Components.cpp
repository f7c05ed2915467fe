#include "ui/Controls.h"

#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/HiddenWindow.h"

namespace ui {

// --- ImageList -------------------------------------------------------------------------

ImageList::ImageList(Component* owner) : Component(owner) {}

void ImageList::SetSize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    Clear();
}

int ImageList::Add(const Bitmap& strip, COLORREF transparentColor)
{
    const int first = Count();
    if (strip.Empty() || width_ <= 0 || height_ <= 0)
        return first;
    const COLORREF key = transparentColor == clDefault ? strip.TransparentColor() : transparentColor;
    MemoryDC src;
    SelectObjectScope s(src.Get(), strip.Handle());
    for (int y = 0; y + height_ <= strip.Height(); y += height_) {
        for (int x = 0; x + width_ <= strip.Width(); x += width_) {
            auto picture = std::make_unique<Bitmap>(width_, height_);
            {
                MemoryDC dst;
                SelectObjectScope d(dst.Get(), picture->Handle());
                ::BitBlt(dst.Get(), 0, 0, width_, height_, src.Get(), x, y, SRCCOPY);
            }
            picture->SetTransparentColor(key);
            images_.push_back(Entry{std::move(picture), key});
        }
    }
    return first;
}

void ImageList::Clear()
{
    images_.clear();
}

void ImageList::Draw(Canvas& canvas, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= Count())
        return;
    const Bitmap& picture = *images_[static_cast<size_t>(index)].Picture;
    if (enabled) {
        picture.DrawTransparent(canvas.Handle(), x, y);
        return;
    }
    Bitmap grey;
    grey.AssignDisabled(picture);
    grey.DrawTransparent(canvas.Handle(), x, y);
}

void ImageList::GetBitmap(int index, Bitmap& bitmap) const
{
    if (index < 0 || index >= Count())
        throw Error("List index out of bounds (" + std::to_string(index) + ")");
    const Entry& e = images_[static_cast<size_t>(index)];
    bitmap.Assign(*e.Picture);
    bitmap.SetTransparentColor(e.Transparent == clNone ? clDefault : e.Transparent);
}

// --- Timer -------------------------------------------------------------------------------

Timer::Timer(Component* owner) : Component(owner)
{
    App().RegisterTimer(this);
    Update();
}

Timer::~Timer()
{
    enabled_ = false;
    Update();
    App().UnregisterTimer(this);
}

void Timer::SetInterval(unsigned ms)
{
    if (ms == interval_)
        return;
    interval_ = ms;
    Update();
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void Timer::Update()
{
    Application& app = App();
    HWND w = app.UtilityWindow();
    if (running_) {
        ::KillTimer(w, reinterpret_cast<UINT_PTR>(this));
        running_ = false;
    }
    if (enabled_ && interval_ > 0 && !Destroying()) {
        if (!::SetTimer(w, reinterpret_cast<UINT_PTR>(this), interval_, nullptr))
            throw Error("Not enough timers available");
        running_ = true;
    }
}

void Timer::Fire()
{
    if (OnTimer && !Destroying())
        OnTimer(*this);
}

// --- PopupMenu ---------------------------------------------------------------------------

PopupMenu::PopupMenu(Component* owner) : Component(owner) {}

MenuItem& PopupMenu::Add(std::string caption, NotifyEvent onClick)
{
    items_.push_back(std::make_unique<MenuItem>(std::move(caption)));
    items_.back()->OnClick = std::move(onClick);
    return *items_.back();
}

// The removal link may also be the control's own on this menu (its
// PopupMenu): it is never cut here, only added.
void PopupMenu::SetPopupComponent(Control* control)
{
    popupComponent_ = control;
    if (control)
        control->FreeNotification(this);
}

void PopupMenu::Notification(Component* component, Operation operation)
{
    Component::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == popupComponent_)
        popupComponent_ = nullptr;
}

void PopupMenu::Popup(int x, int y)
{
    popupPoint_ = POINT{x, y};
    if (OnPopup && !Destroying())
        OnPopup(*this);
    if (Destroying() || items_.empty())
        return;
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        throw Error("Out of system resources");
    struct MenuHandle {
        HMENU h;
        ~MenuHandle() { ::DestroyMenu(h); }
    } owned{menu};
    MenuPainter* painter = painter_ && painter_->Paints() ? painter_ : nullptr;
    // Command ids are item indexes plus one: 0 is "nothing chosen".
    for (size_t i = 0; i < items_.size(); ++i) {
        const MenuItem& item = *items_[i];
        if (painter) {
            // Separators too are the painter's; the item is its data.
            UINT flags = MF_OWNERDRAW | (item.IsSeparator() || !item.Enabled() ? MF_GRAYED : 0);
            if (item.Checked())
                flags |= MF_CHECKED;
            ::AppendMenuA(menu, flags, item.IsSeparator() ? 0 : i + 1, reinterpret_cast<LPCSTR>(&item));
            continue;
        }
        if (item.IsSeparator()) {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (!item.Enabled())
            flags |= MF_GRAYED;
        if (item.Checked())
            flags |= MF_CHECKED;
        ::AppendMenuA(menu, flags, i + 1, item.Caption().c_str());
    }
    // The menu needs a window of this thread to report to; the control it is
    // for when it has one. A painted menu reports to a window of its own,
    // which hands the painter the items to measure and draw.
    HWND owner = App().UtilityWindow();
    if (auto* w = dynamic_cast<WinControl*>(popupComponent_); w && w->HandleAllocated())
        owner = w->HandleIfAllocated();
    std::unique_ptr<HiddenWindow> paintedOwner;
    if (painter) {
        paintedOwner = std::make_unique<HiddenWindow>(
            "TPopupMenuOwner",
            [painter](UINT msg, WPARAM, LPARAM lParam) {
                if (msg == WM_MEASUREITEM) {
                    auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                    if (measure.CtlType != ODT_MENU || !measure.itemData)
                        return false;
                    Guard([&] { painter->MeasureItem(*reinterpret_cast<const MenuItem*>(measure.itemData), measure); });
                    return true;
                }
                if (msg == WM_DRAWITEM) {
                    const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                    if (draw.CtlType != ODT_MENU || !draw.itemData)
                        return false;
                    Guard([&] { painter->DrawItem(*reinterpret_cast<const MenuItem*>(draw.itemData), draw); });
                    return true;
                }
                return false;
            },
            WS_POPUP, nullptr);
        owner = paintedOwner->Handle();
    }
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                         owner, nullptr));
    if (chosen == 0 || chosen > items_.size() || Destroying())
        return;
    MenuItem& item = *items_[chosen - 1];
    if (item.OnClick)
        item.OnClick(*this);
}

} // namespace ui
