#include "skin/SkinControls.h"

#include "skin/SkinDraw.h"
#include "skin/SkinPainters.h"
#include "skin/SkinHooks.h"
#include "skin/SkinBitmap.h"
#include "skin/SkinWindow.h"
#include "ui/Application.h"
#include "ui/ValueListEditor.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

namespace korvane {

// --- TSkinControl ---------------------------------------------------------------------------------

TSkinControl::TSkinControl(TSkinWindow& window) : window_(window) {}

TSkinControl::~TSkinControl() = default;

TSkinEngine& TSkinControl::Engine() const
{
    return window_.Engine();
}

void TSkinControl::ApplyState(bool on)
{
    on_ = on;
    hover_ = false;
    pressed_ = false;
    // A hidden control paints its new look when it is shown.
    if (HWND h = Handle(); h && ::IsWindowVisible(h))
        ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool TSkinControl::IsEnabled() const
{
    HWND h = Handle();
    return h && ::IsWindowEnabled(h);
}

RECT TSkinControl::ClientRectangle() const
{
    RECT r{};
    if (HWND h = Handle())
        ::GetClientRect(h, &r);
    return r;
}

void TSkinControl::PaintBackground(HDC dc, const RECT& rect)
{
    FillSolid(dc, rect, Engine().BackgroundColor());
}

void TSkinControl::PaintNow()
{
    PaintClient(Handle(), [this](HDC dc, const RECT&) { PaintTo(dc); });
}

bool TSkinControl::FilterPaint(ui::Message& m)
{
    switch (m.Msg) {
    case WM_ERASEBKGND:
        m.Result = 1;
        painted_ = true;
        return false;
    case WM_PAINT: {
        HWND h = Handle();
        ui::PaintDC pdc(h);
        RECT client{};
        ::GetClientRect(h, &client);
        if (client.right > 0 && client.bottom > 0) {
            OffscreenBuffer buffer(pdc.Get(), client.right, client.bottom);
            PaintTo(buffer.Dc());
            buffer.CopyTo(pdc.Get(), 0, 0);
        }
        painted_ = true;
        m.Result = 0;
        return false;
    }
    default:
        return true;
    }
}

bool TSkinControl::HasPendingPaint() const
{
    HWND h = Handle();
    return h && ::GetUpdateRect(h, nullptr, FALSE);
}

void TSkinControl::RepaintOnce()
{
    Paint();
    painted_ = true;
}

void TSkinControl::RepaintAfter(const ui::Message& m, std::initializer_list<UINT> messages)
{
    if (std::find(messages.begin(), messages.end(), m.Msg) != messages.end())
        Paint();
}

void TSkinControl::Dispatch(ui::Message& m)
{
    // Nothing of the skin is freed before this message has been handled.
    TSkinEngine::DispatchScope scope(Engine());
    if (gone_ || !on_ || !Engine().InForce() || Tag() == Engine().DisabledTag()) {
        CallPrevious(m);
        return;
    }
    painted_ = false;
    if (PreFilter(m))
        CallPrevious(m);
    // The control may have gone, or been unskinned, while it handled the message.
    if (!gone_)
        AfterHandler(m);
}

void TSkinControl::AfterHandler(ui::Message& m)
{
    switch (m.Msg) {
    case WM_ERASEBKGND:
        // A control that still has to paint gets the skin's drawing after
        // that paint: drawn now, it would be painted over and drawn again.
        if (!painted_ && !HasPendingPaint())
            Paint();
        break;
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_PAINT:
    case WM_SKIN_REPAINT:
    case ui::CM_ENABLEDCHANGED:
    case ui::CM_TEXTCHANGED:
        if (!painted_)
            Paint();
        break;
    case WM_KEYDOWN:
        if (m.WParam == VK_SPACE || m.WParam == VK_RETURN) {
            pressed_ = true;
            Paint();
        }
        KeyDown(static_cast<WORD>(m.WParam));
        break;
    case WM_KEYUP:
        if (m.WParam == VK_SPACE || m.WParam == VK_RETURN) {
            pressed_ = false;
            Paint();
        }
        KeyUp(static_cast<WORD>(m.WParam));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        if (!painted_)
            Paint();
        MouseDown();
        break;
    case WM_LBUTTONUP:
        pressed_ = false;
        Paint();
        MouseUp();
        break;
    case ui::CM_MOUSEENTER:
        hover_ = true;
        Paint();
        HoverEnter();
        break;
    case ui::CM_MOUSELEAVE:
        hover_ = false;
        pressed_ = false;
        Paint();
        HoverLeave();
        break;
    case WM_SKIN_QUERY:
        m.Result = 1;
        break;
    default:
        break;
    }
}

// --- TSkinControlOwn ------------------------------------------------------------------------------

TSkinControlOwn::TSkinControlOwn(TSkinWindow& window, ui::Control& control)
    : TSkinControl(window), control_(control)
{
    hook_ = std::make_unique<ControlHook>(control, [this](ui::Message& m) { Dispatch(m); });
}

TSkinControlOwn::~TSkinControlOwn()
{
    Retire();
}

void TSkinControlOwn::Retire()
{
    if (hook_ && on_)
        ui::Guard([&] { ApplyState(false); });
    hook_.reset();
    gone_ = true;
}

void TSkinControlOwn::TargetGone()
{
    if (hook_)
        hook_->ControlGone();
    on_ = false;
    colorTaken_ = false;
    hook_.reset();
    gone_ = true;
}

HWND TSkinControlOwn::Handle() const
{
    auto* w = dynamic_cast<ui::WinControl*>(&control_);
    return w ? w->HandleIfAllocated() : nullptr;
}

bool TSkinControlOwn::IsEnabled() const
{
    return control_.Enabled();
}

RECT TSkinControlOwn::ClientRectangle() const
{
    return control_.ClientRect();
}

void TSkinControlOwn::CallPrevious(ui::Message& m)
{
    if (hook_)
        hook_->CallPrevious(m);
}

void TSkinControlOwn::ApplyState(bool on)
{
    // Only a control that shows the system's face colour takes the skinned
    // form's: a colour of its own (a dark header, a picture panel's) is
    // content, and its text is chosen for it.
    const COLORREF own = control_.Color();
    const bool systemFace = control_.ParentColor() || own == ui::clDefault || own == ui::clBtnFace;
    if (AsksParentColor() && (colorTaken_ || systemFace)) {
        if (on && !colorTaken_) {
            savedParentColor_ = control_.ParentColor();
            savedColor_ = control_.Color();
            colorTaken_ = true;
            control_.SetParentColor(true);
        } else if (!on && colorTaken_) {
            colorTaken_ = false;
            if (savedParentColor_)
                control_.SetParentColor(true);
            else
                control_.SetColor(savedColor_);
        }
    }
    TSkinControl::ApplyState(on);
    if (!Handle())
        control_.Invalidate();
}

void TSkinControlOwn::PaintBackground(HDC dc, const RECT& rect)
{
    // What lies under the control: on a skinned form that is the skin's
    // background colour; on a panel with a picture, the picture.
    if (ui::WinControl* parent = control_.Parent()) {
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        parent->PaintBackgroundFor(dc, control_);
        ::RestoreDC(dc, saved);
        return;
    }
    TSkinControl::PaintBackground(dc, rect);
}

// --- push buttons ---------------------------------------------------------------------------------

void TSkinButton::ApplyState(bool on)
{
    armed_ = false;
    TSkinControlOwn::ApplyState(on);
}

bool TSkinButton::PreFilter(ui::Message& m)
{
    switch (m.Msg) {
    case WM_KEYDOWN:
        return m.WParam != VK_RETURN && m.WParam != VK_SPACE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        RepaintOnce();
        return false;
    case WM_KILLFOCUS:
    case ui::CM_ENTER:
    case ui::CM_EXIT:
        RepaintOnce();
        return false;
    default:
        return FilterPaint(m);
    }
}

void TSkinButton::AfterHandler(ui::Message& m)
{
    TSkinControlOwn::AfterHandler(m);
    RepaintAfter(m, {WM_SETFOCUS, BM_SETSTATE, BM_SETSTYLE});
    if (m.Msg == WM_CHAR && (m.WParam == 0 || m.WParam == 13)) {
        pressed_ = false;
        Paint();
        control_.Click();
    }
}

void TSkinButton::Paint()
{
    PaintNow();
}

void TSkinButton::PaintTo(HDC dc)
{
    const RECT client = ClientRectangle();
    PaintBackground(dc, client);
    ButtonFace face;
    face.Pressed = pressed_;
    face.Hover = hover_;
    face.Focused = Handle() && ::GetFocus() == Handle();
    face.Enabled = control_.Enabled();
    face.Caption = ui::ProgramTextToWide(control_.Caption());
    face.Font = control_.FontHandle();
    face.Glyphs = dynamic_cast<const ui::BitBtn*>(&control_);
    // A bitmap button writes in its font's colour, a push button in the
    // system's button text colour, as they do unskinned.
    face.TextColor = face.Glyphs ? ui::ColorToRGB(control_.GetFont().Color) : ::GetSysColor(COLOR_BTNTEXT);
    PaintButtonFace(Engine(), dc, client, face);
}

void TSkinButton::MouseDown()
{
    auto* button = dynamic_cast<ui::WinControl*>(&control_);
    ui::Form* form = control_.ParentForm();
    if (button && form && form->Active() && button->CanFocus() && control_.Enabled() && button->TabStop())
        button->SetFocus();
    armed_ = true;
}

void TSkinButton::MouseUp()
{
    const bool click = armed_;
    armed_ = false;
    if (click)
        control_.Click();
}

void TSkinButton::KeyUp(WORD key)
{
    if (key != VK_SPACE || !Handle() || ::GetFocus() != Handle() || !control_.Enabled() || !Engine().InForce())
        return;
    pressed_ = false;
    Paint();
    control_.Click();
}

void TSkinButton::HoverLeave()
{
    // A press that left the button is no longer a click.
    armed_ = false;
}

// --- check boxes and radio buttons -----------------------------------------------------------------

void TSkinCheckBox::AfterHandler(ui::Message& m)
{
    TSkinControlOwn::AfterHandler(m);
    RepaintAfter(m, {BM_SETCHECK, BM_SETSTATE, ui::CM_CHECKEDCHANGED, WM_SETFOCUS, WM_KILLFOCUS, WM_LBUTTONDBLCLK});
}

void TSkinCheckBox::Paint()
{
    HWND h = Handle();
    if (!h)
        return;
    const COLORREF background = ui::ColorToRGB(control_.EffectiveColor());
    PaintCheckBox(Engine(), h, Radio(), background);
}

bool TSkinRadioButton::PreFilter(ui::Message& m)
{
    if (m.Msg == WM_LBUTTONDBLCLK) {
        if (control_.OnDblClick && !control_.Destroying())
            control_.OnDblClick(control_);
        m.Result = 0;
        return false;
    }
    if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1;
        return false;
    }
    return true;
}

// --- speed buttons ---------------------------------------------------------------------------------

bool TSkinSpeedButton::PreFilter(ui::Message& m)
{
    switch (m.Msg) {
    case WM_ERASEBKGND:
        m.Result = 1;
        return false;
    case WM_PAINT:
        if (m.WParam) {
            PaintTo(reinterpret_cast<HDC>(m.WParam));
            painted_ = true;
            m.Result = 0;
            return false;
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        RepaintOnce();
        return true;
    default:
        return true;
    }
}

void TSkinSpeedButton::Paint()
{
    control_.Invalidate();
}

void TSkinSpeedButton::PaintTo(HDC dc)
{
    auto& button = static_cast<ui::SpeedButton&>(control_);
    const RECT client{0, 0, button.Width(), button.Height()};
    const bool enabled = button.Enabled();
    const COLORREF border = Engine().SkinColor(SkinColour::ControlBorderColor);
    const bool down = (pressed_ && enabled) || button.Down();
    const bool spin = std::string(button.ClassName()) == "TTimerSpeedButton" ||
        std::string(button.ClassName()) == "TAdvTimerSpeedButton";
    if (down || (hover_ && enabled) || spin) {
        FillSolid(dc, client, down ? Engine().SkinColor(SkinColour::ToolBarButtonDownBackgroundColor)
                                   : Engine().BackgroundColor());
        FrameSolid(dc, client, border);
    } else {
        FillSolid(dc, client, Engine().BackgroundColor());
    }
    const ui::Bitmap& glyph = button.Glyph();
    const std::wstring caption = ui::ProgramTextToWide(button.Caption());
    ui::SelectObjectScope font(dc, button.FontHandle());
    SIZE textSize{0, 0};
    if (!caption.empty()) {
        RECT calc{0, 0, 0, 0};
        DrawWide(dc, caption, calc, DT_CALCRECT | DT_SINGLELINE);
        textSize = SIZE{calc.right, calc.bottom};
    }
    const int count = std::max(1, button.NumGlyphs());
    const int partW = glyph.Empty() ? 0 : glyph.Width() / count;
    ui::GlyphLayout layout = ui::LayoutGlyphAndText(client, SIZE{partW, glyph.Height()}, textSize, button.Layout(),
                                                    button.Margin(), button.Spacing());
    if (down) {
        ::OffsetRect(&layout.GlyphRect, 1, 1);
        ::OffsetRect(&layout.TextRect, 1, 1);
    }
    if (partW > 0) {
        int index = 0;
        if (!enabled && count > 1)
            index = 1;
        else if (down && count > 2)
            index = 2;
        if (!enabled && count == 1) {
            ui::Bitmap grey;
            grey.AssignDisabled(glyph);
            grey.DrawPart(dc, layout.GlyphRect.left, layout.GlyphRect.top, RECT{0, 0, partW, glyph.Height()}, true);
        } else {
            glyph.DrawPart(dc, layout.GlyphRect.left, layout.GlyphRect.top,
                           RECT{index * partW, 0, (index + 1) * partW, glyph.Height()}, true);
        }
    }
    if (!caption.empty()) {
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, enabled ? ui::ColorToRGB(button.GetFont().Color) : kDisabledText);
        DrawWide(dc, caption, layout.TextRect,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (spin && std::string(button.Name()).find("Down") != std::string::npos)
        FillSolid(dc, RECT{1, 0, client.right - 1, 1}, RGB(255, 255, 255));
}

// --- bordered and scrolling controls ---------------------------------------------------------------

bool TSkinBorderWinControl::HasBorder() const
{
    HWND h = Handle();
    if (!h)
        return false;
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongA(h, GWL_EXSTYLE);
    return (style & WS_BORDER) || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
}

bool TSkinBorderWinControl::PreFilter(ui::Message& m)
{
    if (m.Msg != WM_NCPAINT)
        return true;
    const LONG style = Handle() ? ::GetWindowLongA(Handle(), GWL_STYLE) : 0;
    const bool scrolls = DrawsScrollBars() && (style & (WS_VSCROLL | WS_HSCROLL));
    if (!HasBorder() && !scrolls)
        return true;
    // The system's scroll bars, our border over its own; without scroll bars
    // ours covers all the system would draw.
    if (!DrawsScrollBars() && (style & (WS_VSCROLL | WS_HSCROLL)))
        CallPrevious(m);
    PaintNonClient();
    painted_ = true;
    m.Result = 0;
    return false;
}

void TSkinBorderWinControl::AfterHandler(ui::Message& m)
{
    TSkinControlOwn::AfterHandler(m);
    RepaintAfter(m, {WM_SETFOCUS, WM_KILLFOCUS, WM_SIZE, WM_STYLECHANGED});
}

void TSkinBorderWinControl::Paint()
{
    HWND h = Handle();
    if (!h)
        return;
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    if (HasBorder() || (DrawsScrollBars() && (style & (WS_VSCROLL | WS_HSCROLL))))
        PaintNonClient();
}

void TSkinBorderWinControl::PaintNonClient()
{
    PaintControlNonClient(Engine(), Handle(), HasBorder(), DrawsScrollBars());
}

bool TSkinScrollWinControl::DrawsScrollBars() const
{
    return Engine().DrawScrollBar();
}

void TSkinScrollWinControl::AfterHandler(ui::Message& m)
{
    TSkinBorderWinControl::AfterHandler(m);
    RepaintAfter(m, {WM_VSCROLL, WM_HSCROLL, WM_MOUSEWHEEL, WM_CHAR, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCMOUSEMOVE,
                     WM_CAPTURECHANGED, ui::CN_VSCROLL, ui::CN_HSCROLL});
}

// --- combo boxes -----------------------------------------------------------------------------------

void TSkinExtComboboxLikeControl::AfterHandler(ui::Message& m)
{
    TSkinControlOwn::AfterHandler(m);
    RepaintAfter(m, {WM_SETFOCUS, WM_KILLFOCUS, WM_MOUSEMOVE, CB_SETCURSEL, WM_CTLCOLORLISTBOX, WM_SIZE,
                     ui::CN_COMMAND});
    if (m.Msg == ui::CN_COMMAND && HIWORD(m.WParam) == CBN_DROPDOWN && Handle())
        ::PostMessageA(Handle(), WM_SKIN_REPAINT, 0, 0);
}

void TSkinExtComboboxLikeControl::Paint()
{
    PaintComboBox(Engine(), Handle());
}

// --- group boxes -----------------------------------------------------------------------------------

bool TSkinGroupBox::PreFilter(ui::Message&)
{
    return true;
}

void TSkinGroupBox::Paint()
{
    PaintNow();
}

void TSkinGroupBox::PaintTo(HDC dc)
{
    auto* box = dynamic_cast<ui::GroupBox*>(&control_);
    const RECT client = ClientRectangle();
    PaintBackground(dc, client);
    if (!box)
        return;
    FrameSolid(dc, box->FrameRect(), Engine().SkinColor(SkinColour::ControlBorderColor));
    const std::wstring caption = ui::ProgramTextToWide(box->Caption());
    if (caption.empty())
        return;
    RECT c = box->CaptionRect();
    PaintBackground(dc, c);
    ui::SelectObjectScope font(dc, box->FontHandle());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, box->Enabled() ? ui::ColorToRGB(box->GetFont().Color) : kDisabledText);
    c.left += 2;
    DrawWide(dc, caption, c, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

// --- progress bars -------------------------------------------------------------------------------

void TSkinProgressBar::ApplyState(bool on)
{
    picture_.Clear();
    if (on && Engine().GetSkinBitmap("ProgressBarImage", picture_) && Handle() &&
        (::GetWindowLongA(Handle(), GWL_STYLE) & PBS_VERTICAL))
        RotateBitmapLeft(picture_);
    TSkinControlOwn::ApplyState(on);
}

bool TSkinProgressBar::PreFilter(ui::Message& m)
{
    return picture_.Empty() || FilterPaint(m);
}

void TSkinProgressBar::Paint()
{
    if (!picture_.Empty())
        PaintNow();
}

void TSkinProgressBar::PaintTo(HDC dc)
{
    HWND h = Handle();
    RECT client{};
    ::GetClientRect(h, &client);
    FillSolid(dc, client, Engine().BackgroundColor());
    const int low = static_cast<int>(::SendMessageA(h, PBM_GETRANGE, TRUE, 0));
    const int high = static_cast<int>(::SendMessageA(h, PBM_GETRANGE, FALSE, 0));
    const int position = static_cast<int>(::SendMessageA(h, PBM_GETPOS, 0, 0));
    if (high <= low)
        return;
    const bool vertical = (::GetWindowLongA(h, GWL_STYLE) & PBS_VERTICAL) != 0;
    const long long share = static_cast<long long>(std::clamp(position, low, high) - low);
    RECT filled = client;
    if (vertical)
        filled.top = client.bottom - static_cast<int>(share * client.bottom / (high - low));
    else
        filled.right = static_cast<int>(share * client.right / (high - low));
    DrawPictureRect(dc, filled, picture_, RECT{0, 0, picture_.Width(), picture_.Height()}, false);
}

// --- track bars ----------------------------------------------------------------------------------

void TSkinTrackBar::ApplyState(bool on)
{
    bar_.Clear();
    if (on && Engine().GetSkinBitmap("TrackBarBarImage", bar_) && Handle() &&
        (::GetWindowLongA(Handle(), GWL_STYLE) & TBS_VERT))
        RotateBitmapLeft(bar_);
    TSkinControlOwn::ApplyState(on);
}

bool TSkinTrackBar::PreFilter(ui::Message& m)
{
    if (bar_.Empty())
        return true;
    switch (m.Msg) {
    case WM_KILLFOCUS:
    case ui::CM_ENTER:
        RepaintOnce();
        return false;
    default:
        return FilterPaint(m);
    }
}

void TSkinTrackBar::Paint()
{
    if (!bar_.Empty())
        PaintNow();
}

void TSkinTrackBar::PaintTo(HDC dc)
{
    HWND h = Handle();
    RECT client{};
    ::GetClientRect(h, &client);
    FillSolid(dc, client, Engine().BackgroundColor());
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    const bool vertical = (style & TBS_VERT) != 0;
    RECT channel{};
    ::SendMessageA(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    RECT thumb{};
    ::SendMessageA(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    // Across the bar the channel runs through the thumb's middle: some
    // systems report a channel below a short fixed-length thumb.
    if (!(style & TBS_NOTHUMB) && thumb.bottom > thumb.top) {
        if (vertical) {
            const int w = channel.bottom - channel.top;
            channel.top = (thumb.left + thumb.right) / 2 - w / 2;
            channel.bottom = channel.top + w;
        } else {
            const int hgt = channel.bottom - channel.top;
            channel.top = (thumb.top + thumb.bottom) / 2 - hgt / 2;
            channel.bottom = channel.top + hgt;
        }
    }
    if (vertical) {
        // The channel rectangle comes as if the bar were horizontal.
        RECT turned{channel.top, channel.left, channel.bottom, channel.right};
        const int w = bar_.Width();
        turned.left += (turned.right - turned.left - w) / 2 + 2;
        turned.right = turned.left + w;
        DrawThreeSlicesVertical(dc, turned, bar_, false);
    } else {
        const int ph = bar_.Height();
        channel.top += (channel.bottom - channel.top - ph) / 2;
        channel.bottom = channel.top + ph;
        DrawThreeSlices(dc, channel, bar_, false);
    }
    if (!(style & TBS_NOTHUMB)) {
        if (const ui::Bitmap* slider = Engine().Picture(vertical ? "TrackBarSliderVImage" : "TrackBarSliderImage"))
            DrawPictureRect(dc, thumb, *slider, RECT{0, 0, slider->Width(), slider->Height()}, true);
    }
    if ((style & TBS_AUTOTICKS) && !(style & TBS_NOTICKS)) {
        const COLORREF tick = Engine().SkinColor(SkinColour::ControlBorderColor);
        const bool both = (style & TBS_BOTH) != 0;
        const bool topLeft = both || (style & TBS_TOP) != 0;
        const bool bottomRight = both || !(style & TBS_TOP);
        auto mark = [&](int at) {
            if (vertical) {
                if (topLeft)
                    FillSolid(dc, RECT{thumb.left - 4, at, thumb.left - 1, at + 1}, tick);
                if (bottomRight)
                    FillSolid(dc, RECT{thumb.right + 1, at, thumb.right + 4, at + 1}, tick);
            } else {
                if (topLeft)
                    FillSolid(dc, RECT{at, thumb.top - 4, at + 1, thumb.top - 1}, tick);
                if (bottomRight)
                    FillSolid(dc, RECT{at, thumb.bottom + 1, at + 1, thumb.bottom + 4}, tick);
            }
        };
        const int count = static_cast<int>(::SendMessageA(h, TBM_GETNUMTICS, 0, 0));
        // The first and last ticks are the band's ends, marked 8 pixels in.
        for (int i = 0; i + 2 < count; ++i) {
            const int at = static_cast<int>(::SendMessageA(h, TBM_GETTICPOS, static_cast<WPARAM>(i), 0));
            if (at >= 0)
                mark(at);
        }
        const int length = vertical ? client.bottom : client.right;
        mark(8);
        mark(length - 9);
    }
    if (::GetFocus() == h) {
        RECT band = vertical ? RECT{thumb.left - 1, 0, thumb.right + 1, client.bottom}
                             : RECT{0, thumb.top - 1, client.right, thumb.bottom + 1};
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &band);
    }
}

// --- child windows of foreign windows ---------------------------------------------------------------

TSkinControlWnd::TSkinControlWnd(TSkinWindow& window, HWND hwnd) : TSkinControl(window), hwnd_(hwnd)
{
    subclass_ = std::make_unique<WindowSubclass>(hwnd, kSkinControlKey, [this](UINT msg, WPARAM w, LPARAM l) {
        // Held over both steps below: this object stays until the message is done.
        TSkinEngine::DispatchScope scope(Engine());
        ui::Message m{msg, w, l, 0};
        if (msg == WM_NCDESTROY) {
            m.Result = subclass_ ? subclass_->CallPrevious(msg, w, l) : 0;
            TargetGone();
            return m.Result;
        }
        if (msg == WM_MOUSEMOVE && !tracking_) {
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
            tracking_ = ::TrackMouseEvent(&t) != FALSE;
            ui::Message enter{ui::CM_MOUSEENTER, 0, 0, 0};
            Dispatch(enter);
        }
        if (msg == WM_MOUSELEAVE) {
            tracking_ = false;
            ui::Message leave{ui::CM_MOUSELEAVE, 0, 0, 0};
            Dispatch(leave);
        }
        Dispatch(m);
        return m.Result;
    });
}

TSkinControlWnd::~TSkinControlWnd()
{
    Retire();
}

void TSkinControlWnd::Retire()
{
    if (hwnd_ && ::IsWindow(hwnd_) && on_)
        ui::Guard([&] { ApplyState(false); });
    subclass_.reset();
    gone_ = true;
}

void TSkinControlWnd::TargetGone()
{
    if (subclass_)
        subclass_->WindowGone();
    on_ = false;
    hwnd_ = nullptr;
    gone_ = true;
}

bool TSkinControlWnd::IsEnabled() const
{
    return hwnd_ && ::IsWindowEnabled(hwnd_);
}

void TSkinControlWnd::CallPrevious(ui::Message& m)
{
    // Framework notifications of our own never reach the window.
    if (m.Msg >= ui::CM_BASE && m.Msg < ui::CN_BASE)
        return;
    if (subclass_ && hwnd_)
        m.Result = subclass_->CallPrevious(m.Msg, m.WParam, m.LParam);
}

namespace {

bool IsPushButton(HWND hwnd)
{
    const LONG type = ::GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

} // namespace

bool TSkinWndButton::PreFilter(ui::Message& m)
{
    // Other button styles keep painting themselves.
    return !IsPushButton(hwnd_) || FilterPaint(m);
}

void TSkinWndButton::AfterHandler(ui::Message& m)
{
    TSkinControlWnd::AfterHandler(m);
    RepaintAfter(m, {BM_SETSTATE, BM_SETSTYLE, WM_SETFOCUS, WM_KILLFOCUS, WM_MOUSEMOVE, WM_CAPTURECHANGED});
}

void TSkinWndButton::Paint()
{
    if (IsPushButton(hwnd_))
        PaintNow();
}

void TSkinWndButton::PaintTo(HDC dc)
{
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    PaintBackground(dc, client);
    ButtonFace face;
    face.Pressed = (::SendMessageA(hwnd_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    face.Hover = hover_;
    face.Focused = ::GetFocus() == hwnd_;
    face.Enabled = ::IsWindowEnabled(hwnd_) != FALSE;
    face.Caption = WindowText(hwnd_);
    face.Font = WindowFont(hwnd_);
    face.TextColor = ::GetSysColor(COLOR_BTNTEXT);
    PaintButtonFace(Engine(), dc, client, face);
}

void TSkinWndCheckBox::AfterHandler(ui::Message& m)
{
    TSkinControlWnd::AfterHandler(m);
    RepaintAfter(m, {BM_SETCHECK, BM_SETSTATE, WM_SETFOCUS, WM_KILLFOCUS, WM_LBUTTONDBLCLK});
}

void TSkinWndCheckBox::Paint()
{
    PaintCheckBox(Engine(), hwnd_, Radio(), Engine().BackgroundColor());
}

void TSkinWndComboBox::AfterHandler(ui::Message& m)
{
    TSkinControlWnd::AfterHandler(m);
    RepaintAfter(m, {WM_SETFOCUS, WM_KILLFOCUS, WM_MOUSEMOVE, CB_SETCURSEL, WM_CTLCOLORLISTBOX, WM_SIZE, WM_COMMAND});
}

void TSkinWndComboBox::Paint()
{
    PaintComboBox(Engine(), hwnd_);
}

bool TSkinBorderWndControl::PreFilter(ui::Message&)
{
    return true;
}

bool TSkinWndToolbarWindow32::PreFilter(ui::Message& m)
{
    if (m.Msg == WM_ERASEBKGND && m.WParam) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        FillSolid(reinterpret_cast<HDC>(m.WParam), client, Engine().BackgroundColor());
        m.Result = 1;
        painted_ = true;
        return false;
    }
    return true;
}

} // namespace korvane
