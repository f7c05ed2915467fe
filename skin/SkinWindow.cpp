#include "skin/SkinWindow.h"

#include "skin/SkinCatalogue.h"
#include "skin/SkinControls.h"
#include "skin/SkinDraw.h"
#include "skin/SkinHooks.h"
#include "ui/Application.h"

#include <windowsx.h>

#include <algorithm>

namespace korvane {

namespace {

// Framework control message after which a form's frame stops (as destroy,
// command and system command do): the framework has none, it is kept for
// forms that send it.
constexpr UINT kFrameStopMessage = 0xB021;

RECT WindowRectOf(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// Where the client area starts, relative to the window's top left.
POINT ClientOrigin(HWND hwnd)
{
    POINT p{0, 0};
    ::ClientToScreen(hwnd, &p);
    const RECT w = WindowRectOf(hwnd);
    return POINT{p.x - w.left, p.y - w.top};
}

// Hit codes the system gives to parts of a classic caption that the skinned
// frame draws (and hit-tests) itself.
bool IsClassicCaptionPart(LRESULT hit)
{
    return hit == HTSYSMENU || hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE || hit == HTHELP ||
        hit == HTMENU;
}

} // namespace

// --- TSkinWindow ---------------------------------------------------------------------------

TSkinWindow::TSkinWindow(TSkinEngine& engine, bool foundByHook)
    : ui::Component(nullptr), engine_(engine), foundByHook_(foundByHook)
{
}

TSkinWindow::~TSkinWindow() = default;

void TSkinWindow::Release()
{
    released_ = true;
    FreeSkinObjects();
}

void TSkinWindow::AddSkinObject(std::unique_ptr<TSkinControl> object)
{
    TSkinControl& o = *object;
    objects_.push_back(std::move(object));
    ui::Guard([&] { o.Start(); });
    if (skinOn_)
        ui::Guard([&] { o.ApplyState(true); });
}

void TSkinWindow::FreeSkinObjects()
{
    // Last made, first gone: hooks leave in the reverse order they came.
    while (!objects_.empty()) {
        std::unique_ptr<TSkinControl> object = std::move(objects_.back());
        objects_.pop_back();
        engine_.Discard(std::move(object));
    }
}

void TSkinWindow::ApplyState()
{
    SetSkin(engine_.InForce());
}

void TSkinWindow::SetSkin(bool on)
{
    HWND h = Handle();
    if (!setUp_) {
        if (!on)
            return;
        if (!h || (!SetupWhileHidden() && !::IsWindowVisible(h)))
            return;   // set up at its first paint or show
        TakeMetrics();
        setUp_ = true;
        active_ = ::GetActiveWindow() == h;
    }
    if (on == skinOn_)
        return;
    EndPress(false);
    skinOn_ = on;
    regionSize_ = SIZE{0, 0};
    SwitchControls(on);
    if (on)
        UpdateRegion();
}

void TSkinWindow::TakeMetrics()
{
    HWND h = Handle();
    RECT client{};
    ::GetClientRect(h, &client);
    clientWidth_ = client.right;
    clientHeight_ = client.bottom;
    captionHeight_ = titleShown_ ? ClientOrigin(h).y : 0;
    savedStyle_ = static_cast<DWORD>(::GetWindowLongA(h, GWL_STYLE));
}

void TSkinWindow::SwitchControls(bool on)
{
    for (auto& o : objects_) {
        TSkinControl* object = o.get();
        ui::Guard([&] { object->ApplyState(on); });
    }
}

const FrameGeometry& TSkinWindow::Geometry() const
{
    FrameWindow w;
    HWND h = Handle();
    if (h) {
        const RECT wr = WindowRectOf(h);
        w.width = wr.right - wr.left;
        w.height = wr.bottom - wr.top;
        w.minimized = ::IsIconic(h) != FALSE;
        w.maximized = ::IsZoomed(h) != FALSE;
    }
    w.titleShown = titleShown_;
    w.borderShown = borderShown_;
    w.captionHeight = captionHeight_;
    w.menuBarHeight = MenuBarHeight();
    w.hasIcon = HasIcon();
    w.hasClose = HasCloseButton();
    w.hasMaximize = HasMaximizeButton();
    w.hasMinimize = HasMinimizeButton();
    w.hasHelp = HasHelpButton();
    FrameSkin skin = engine_.FrameNumbers();
    skin.fixedTextLeft = engine_.CaptionTextLeft;
    skin.fixedTextTop = engine_.CaptionTextTop;
    // Once per size, style or skin change.
    if (!geometryValid_ || !(w == geometryWindow_) || !(skin == geometrySkin_)) {
        geometry_ = ComputeFrameGeometry(skin, w);
        geometryWindow_ = w;
        geometrySkin_ = skin;
        geometryValid_ = true;
    }
    return geometry_;
}

RECT TSkinWindow::FrameInsets() const
{
    const FrameBox& b = Geometry().insets;
    return RECT{b.left, b.top, b.right, b.bottom};
}

void TSkinWindow::SetClientSizeTo(int width, int height)
{
    HWND h = Handle();
    if (!h || ::IsIconic(h) || ::IsZoomed(h))
        return;
    RECT client{};
    ::GetClientRect(h, &client);
    const RECT w = WindowRectOf(h);
    const int newWidth = (w.right - w.left) + width - client.right;
    const int newHeight = (w.bottom - w.top) + height - client.bottom;
    if (newWidth == w.right - w.left && newHeight == w.bottom - w.top)
        return;
    ::SetWindowPos(h, nullptr, 0, 0, newWidth, newHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSkinWindow::UpdateRegion(bool showing)
{
    HWND h = Handle();
    if (!h || !HasRegion())
        return;
    // A hidden window gets its region when it is shown (a region costs the
    // display some work, and most of the program's windows start hidden).
    if (skinOn_ && !showing && !::IsWindowVisible(h))
        return;
    if (!skinOn_) {
        ::SetWindowRgn(h, nullptr, TRUE);
        regionSize_ = SIZE{0, 0};
        return;
    }
    const RECT wr = WindowRectOf(h);
    const int W = wr.right - wr.left;
    const int H = wr.bottom - wr.top;
    // Setting a region is costly (the display's shape changes): only when
    // the size or the skin changed.
    if (regionSize_.cx == W && regionSize_.cy == H)
        return;
    regionSize_ = SIZE{W, H};
    const FrameGeometry& g = Geometry();
    auto rect = [](const FrameBox& b) { return ui::GdiRegion(::CreateRectRgn(b.left, b.top, b.right, b.bottom)); };
    auto rounded = [](const FrameBox& b, int corner) {
        return ui::GdiRegion(::CreateRoundRectRgn(b.left, b.top, b.right, b.bottom, corner, corner));
    };
    ui::GdiRegion whole(::CreateRectRgn(0, 0, 0, 0));
    ui::GdiRegion upper = rounded(g.upper, g.topCorner);
    ui::GdiRegion lower = rounded(g.lower, g.bottomCorner);
    ::CombineRgn(whole.Get(), upper.Get(), lower.Get(), RGN_OR);
    for (const FrameBox& square : g.squares) {
        ui::GdiRegion r = rect(square);
        ::CombineRgn(whole.Get(), whole.Get(), r.Get(), RGN_OR);
    }
    // From here on the system owns the region.
    if (::SetWindowRgn(h, whole.Get(), TRUE))
        whole.Release();
}

RECT TSkinWindow::ButtonRect(SkinHit element) const
{
    if (element < shIcon || element > shHelp || !Handle())
        return RECT{0, 0, 0, 0};
    const FrameBox& b = Geometry().elements[static_cast<size_t>(element)];
    return b.Empty() ? RECT{0, 0, 0, 0} : RECT{b.left, b.top, b.right, b.bottom};
}

SkinHit TSkinWindow::HitElement() const
{
    HWND h = Handle();
    if (!h)
        return shNone;
    POINT p{};
    ::GetCursorPos(&p);
    const RECT wr = WindowRectOf(h);
    return static_cast<SkinHit>(Geometry().ElementAt(p.x - wr.left, p.y - wr.top));
}

void TSkinWindow::PaintFrame()
{
    HWND h = Handle();
    if (!h || !skinOn_ || !engine_.InForce() || !::IsWindowVisible(h))
        return;
    const FrameGeometry& g = Geometry();
    const RECT wr = WindowRectOf(h);
    const int W = wr.right - wr.left;
    const int H = wr.bottom - wr.top;
    if (W <= 0 || H <= 0)
        return;

    // Released on every way out: a picture that cannot be made throws.
    const ui::FrameDC frameDc(h);
    HDC windowDc = frameDc.Get();
    if (!windowDc)
        return;
    OffscreenBuffer frame(windowDc, W, H);
    HDC dc = frame.Dc();
    FillSolid(dc, RECT{0, 0, W, H}, engine_.BackgroundColor());

    hasClose_ = hasMaximize_ = hasMinimize_ = canMaximize_ = false;
    hover_ = shNone;
    // A minimized window whose skin has a picture for it shows that alone.
    bool skipBorders = false;
    if (!g.title.Empty())
        skipBorders = PaintTitleBar(windowDc, dc, g);
    if (borderShown_ && !skipBorders)
        PaintBorders(dc, g, W, H);

    // Everything but the client area, in one step.
    const POINT origin = ClientOrigin(h);
    RECT client{};
    ::GetClientRect(h, &client);
    ::OffsetRect(&client, origin.x, origin.y);
    ::ExcludeClipRect(windowDc, client.left, client.top, client.right, client.bottom);
    frame.CopyTo(windowDc, 0, 0);
    paintedActive_ = active_ ? 1 : 0;
}

bool TSkinWindow::PaintTitleBar(HDC windowDc, HDC dc, const FrameGeometry& g)
{
    HWND h = Handle();
    const bool minimized = ::IsIconic(h) != FALSE;
    const bool maximized = ::IsZoomed(h) != FALSE;
    const COLORREF background = engine_.BackgroundColor();
    bool minimizedPictureShown = false;
    const int titleWidth = g.title.Width();
    const int titleHeight = g.title.Height();
    const int originX = g.title.left;
    OffscreenBuffer title(windowDc, titleWidth, titleHeight);
    HDC t = title.Dc();
    FillSolid(t, RECT{0, 0, titleWidth, titleHeight}, background);
    const ui::Bitmap* minimizedPicture = minimized ? engine_.Picture("TitleBarMinimizedImage") : nullptr;
    if (minimizedPicture) {
        DrawPictureRect(t, RECT{0, 0, titleWidth, titleHeight}, *minimizedPicture,
                        RECT{0, 0, minimizedPicture->Width(), minimizedPicture->Height()}, false);
        minimizedPictureShown = true;
    } else {
        const ui::Bitmap* leftPic = engine_.Picture("TitleBarLeftImage");
        const ui::Bitmap* middlePic = engine_.Picture("TitleBarClientImage");
        const ui::Bitmap* rightPic = engine_.Picture("TitleBarRightImage");
        const int rightW = rightPic ? rightPic->Width() : 0;
        const int rightX = titleWidth - rightW;
        int leftW = leftPic ? leftPic->Width() : 0;
        if (rightPic)
            rightPic->Draw(t, rightX, 0);
        if (leftPic) {
            const bool shorten = (minimized || foundByHook_) && rightX < leftW && leftW > 50;
            if (shorten) {
                // The left end's first 25 pixels and its last 25.
                DrawPictureRect(t, RECT{0, 0, 25, leftPic->Height()}, *leftPic, RECT{0, 0, 25, leftPic->Height()}, false);
                DrawPictureRect(t, RECT{26, 0, 51, leftPic->Height()}, *leftPic,
                                RECT{leftW - 25, 0, leftW, leftPic->Height()}, false);
                leftW = 51;
            } else {
                leftPic->Draw(t, 0, 0);
            }
        }
        if (middlePic && rightX > leftW)
            DrawPictureRect(t, RECT{leftW, 0, rightX, middlePic->Height()}, *middlePic,
                            RECT{0, 0, middlePic->Width(), middlePic->Height()}, false);
    }

    // Caption buttons and the window icon.
    const bool transparent = engine_.GetSkinBool("TitleBarButtonTransparentBool");
    const SkinHit under = HitElement();
    auto drawButton = [&](SkinHit element, int normalPart) {
        const FrameBox& r = g.elements[static_cast<size_t>(element)];
        if (r.Empty())
            return;
        int part = normalPart;
        if (under == element) {
            hover_ = element;
            // While a button is held the others show no hover.
            if (pressed_ == element)
                part = normalPart + 2;
            else if (pressed_ == shNone)
                part = normalPart + 1;
        }
        if (const ui::Bitmap* pic = engine_.Picture("TitleBarButtonImage", part, 18))
            DrawPictureRect(t, RECT{r.left - originX, r.top, r.right - originX, r.bottom}, *pic,
                            RECT{0, 0, pic->Width(), pic->Height()}, transparent);
    };
    if (HasCloseButton()) {
        drawButton(shClose, 16);
        hasClose_ = true;
    }
    if (HasMaximizeButton()) {
        drawButton(shMaxRestore, maximized ? 10 : 7);
        hasMaximize_ = true;
        canMaximize_ = true;
    }
    if (HasMinimizeButton()) {
        drawButton(shMinimize, 13);
        hasMinimize_ = true;
    }
    if (HasHelpButton())
        drawButton(shHelp, 4);
    if (const FrameBox& r = g.elements[shIcon]; !r.Empty()) {
        HICON icon = WindowIcon();
        ui::Icon fallback;
        if (!icon) {
            fallback.LoadFromResource("MAINICON", 16);
            icon = fallback.Handle();
        }
        if (icon)
            ::DrawIconEx(t, r.left - originX, r.top, icon, 16, 16, 0, nullptr, DI_NORMAL);
        if (under == shIcon)
            hover_ = shIcon;
    }

    // Caption text, wide, shortened by whole characters before the buttons.
    wchar_t text[260] = {};
    ::GetWindowTextW(h, text, 260);
    ui::SelectObjectScope fontSel(t, engine_.CaptionFont());
    ::SetBkMode(t, TRANSPARENT);
    ::SetTextColor(t, active_ ? engine_.CaptionColor() : ::GetSysColor(COLOR_INACTIVECAPTION));
    paintedCaption_ = ShortenToWidth(t, text, std::max(0, g.textRight - g.textLeft));
    ::ExtTextOutW(t, g.textLeft - originX, g.textTop, ETO_CLIPPED, nullptr, paintedCaption_.data(),
                  static_cast<UINT>(paintedCaption_.size()), nullptr);
    title.CopyTo(dc, originX, 0);
    return minimizedPictureShown;
}

void TSkinWindow::PaintBorders(HDC dc, const FrameGeometry& g, int W, int H)
{
    const COLORREF background = engine_.BackgroundColor();
    const COLORREF borderColor = engine_.SkinColor(SkinColour::FormBorderColor);
    const int bw = engine_.BorderWidth();
    const int titleHeight = g.title.Height();
    const RECT leftR{g.leftBorder.left, g.leftBorder.top, g.leftBorder.right, g.leftBorder.bottom};
    const RECT rightR{g.rightBorder.left, g.rightBorder.top, g.rightBorder.right, g.rightBorder.bottom};
    const int bottomH = g.bottomBorder.Height();
    if (const ui::Bitmap* leftPic = engine_.Picture("FormLeftBorderImage")) {
        DrawPictureRect(dc, leftR, *leftPic, RECT{0, 0, leftPic->Width(), leftPic->Height()}, false);
        const ui::Bitmap& rightPic = engine_.RightBorder();
        DrawPictureRect(dc, rightR, rightPic, RECT{0, 0, rightPic.Width(), rightPic.Height()}, false);
    } else {
        FillSolid(dc, leftR, borderColor);
        FillSolid(dc, rightR, borderColor);
    }
    // The title bar's own sides when it is narrower than the window.
    if (g.title.left > 0) {
        FillSolid(dc, RECT{0, 0, bw, titleHeight}, borderColor);
        FillSolid(dc, RECT{W - bw, 0, W, titleHeight}, borderColor);
    }
    const RECT bottomR{g.bottomBorder.left, g.bottomBorder.top, g.bottomBorder.right, g.bottomBorder.bottom};
    if (const ui::Bitmap* bottomPic = engine_.Picture("FormBottomBorderImage"))
        DrawPictureRect(dc, bottomR, *bottomPic, RECT{0, 0, bottomPic->Width(), bottomPic->Height()}, false);
    else
        FillSolid(dc, bottomR, borderColor);
    if (bw < 4) {
        const FrameBox& insets = g.insets;
        const int menuTop = titleHeight;
        const int menuBottom = titleHeight + MenuBarHeight();
        const COLORREF menuColor = engine_.MenuBarColor();
        if (menuBottom > menuTop) {
            FillSolid(dc, RECT{bw, menuTop, insets.left, menuBottom}, menuColor);
            FillSolid(dc, RECT{W - insets.right, menuTop, W - bw, menuBottom}, menuColor);
        }
        FillSolid(dc, RECT{bw, menuBottom, insets.left, H - bottomH}, background);
        FillSolid(dc, RECT{W - insets.right, menuBottom, W - bw, H - bottomH}, background);
        FillSolid(dc, RECT{bw, H - insets.bottom, W - bw, H - bottomH}, background);
    }
}

bool TSkinWindow::NcCalcSize(ui::Message& m)
{
    if (foundByHook_ && !setUp_)
        return false;
    RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0]
                       : reinterpret_cast<RECT*>(m.LParam);
    return r != nullptr;
}

void TSkinWindow::NcLeftDown(ui::Message& m)
{
    if (m.WParam != HTCAPTION)
        return;   // borders: the system sizes the window
    const SkinHit under = HitElement();
    if (under == shNone) {
        if (::IsZoomed(Handle()))
            m.WParam = HTNOWHERE;   // a maximized window is not dragged
        return;   // stays a caption hit: the window can be dragged
    }
    // The window holds the mouse until the button goes up, wherever that
    // happens: otherwise a release outside the window never arrives and the
    // button keeps its pressed look.
    pressed_ = under;
    ::SetCapture(Handle());
    PaintFrame();
    m.WParam = HTNOWHERE;
}

bool TSkinWindow::NcLeftDouble(ui::Message& m)
{
    if (m.WParam != HTCAPTION)
        return false;
    const SkinHit under = HitElement();
    if (under == shNone) {
        MaximizeOrRestore();
        m.Result = 0;
        return true;
    }
    if (under == shIcon) {
        CloseWindow();
        m.Result = 0;
        return true;
    }
    // The second click on a button presses it again.
    NcLeftDown(m);
    return false;
}

void TSkinWindow::EndPress(bool act)
{
    const SkinHit pressed = pressed_;
    if (pressed == shNone)
        return;
    // Cleared first: giving the capture back comes back here through WM_CAPTURECHANGED.
    pressed_ = shNone;
    HWND h = Handle();
    if (h && ::GetCapture() == h)
        ::ReleaseCapture();
    PaintFrame();
    if (act && HitElement() == pressed)
        Act(pressed);
}

void TSkinWindow::Act(SkinHit element)
{
    switch (element) {
    case shIcon: ShowSystemMenu(); break;
    case shClose: CloseWindow(); break;
    case shMaxRestore: MaximizeOrRestore(); break;
    case shMinimize: MinimizeWindow(); break;
    case shHelp: ContextHelp(); break;
    case shNone: break;
    }
}

void TSkinWindow::SetWindowTextLocked(ui::Message& m)
{
    // The default handling repaints the classic caption while it stores the
    // text or icon; it does so only for shown windows with a full caption
    // style. A hidden window keeps its style: every change of a top-level
    // window's style is several server round trips under Wine.
    HWND h = Handle();
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    const bool lock = (style & WS_CAPTION) == WS_CAPTION && (style & WS_VISIBLE);
    if (lock)
        ::SetWindowLongA(h, GWL_STYLE, (style & ~WS_CAPTION) | WS_BORDER);
    CallPrevious(m);
    if (lock)
        ::SetWindowLongA(h, GWL_STYLE, style);
}

void TSkinWindow::Dispatch(ui::Message& m)
{
    // Nothing of the skin is freed before this message has been handled.
    TSkinEngine::DispatchScope scope(engine_);
    if (released_) {
        CallPrevious(m);
        return;
    }
    Route(m);
}

// The frame's own work before the window's previous handler; true when the
// message is done (the previous handler never sees it).
bool TSkinWindow::BeforePrevious(ui::Message& m)
{
    HWND h = Handle();
    switch (m.Msg) {
    case WM_NCPAINT:
        PaintFrame();
        m.Result = 0;
        return true;
    case WM_NCLBUTTONDOWN:
        NcLeftDown(m);
        break;
    case WM_SHOWWINDOW:
        // Shown, the whole frame is painted through WM_NCPAINT.
        paintedActive_ = -1;
        if (m.WParam)
            UpdateRegion(true);
        break;
    case WM_NCLBUTTONDBLCLK:
        if (NcLeftDouble(m))
            return true;
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        // The mouse is held for a caption button: its moves and release are the frame's.
        if (pressed_ == shNone)
            break;
        if (m.Msg == WM_LBUTTONUP)
            EndPress(true);
        else
            PaintFrame();
        m.Result = 0;
        return true;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a menu, a message box): the press ends without acting.
        if (reinterpret_cast<HWND>(m.LParam) != h)
            EndPress(false);
        break;
    case WM_CANCELMODE:
        EndPress(false);
        break;
    case WM_CTLCOLORDLG:
        m.Result = reinterpret_cast<LRESULT>(engine_.BackgroundBrush());
        return true;
    case WM_NCRBUTTONDOWN:
        // The engine's system menu, at the mouse, unless a button is under it.
        // Not passed on: the default handling would wait for the release and
        // open the classic system menu.
        if (m.WParam != HTCAPTION)
            break;
        if (HitElement() == shNone)
            ShowSystemMenuAt(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        m.Result = 0;
        return true;
    case WM_NCACTIVATE:
        // Tells the default handling not to paint the classic caption.
        active_ = m.WParam != 0;
        m.LParam = -1;
        break;
    case WM_SETTEXT:
    case WM_SETICON:
        if (!PreFilter(m))
            return true;
        SetWindowTextLocked(m);
        PaintFrame();
        return true;
    case WM_NCHITTEST: {
        CallPrevious(m);
        // The skinned title bar may be higher than the classic one, and its
        // buttons are the frame's own: all of it is caption.
        const RECT wr = WindowRectOf(h);
        const int y = GET_Y_LPARAM(m.LParam) - wr.top;
        const int x = GET_X_LPARAM(m.LParam) - wr.left;
        const RECT insets = FrameInsets();
        const bool inTitle = titleShown_ && y >= 0 && y < insets.top && x >= insets.left &&
            x < (wr.right - wr.left) - insets.right;
        if (IsClassicCaptionPart(m.Result) || (inTitle && (m.Result == HTNOWHERE || m.Result == HTBORDER)))
            m.Result = HTCAPTION;
        return true;
    }
    default:
        break;
    }
    return false;
}

// The frame's work after the window's previous handler and the after-handler.
void TSkinWindow::AfterPrevious(ui::Message& m, bool calc, const RECT& proposed)
{
    HWND h = Handle();
    switch (m.Msg) {
    case WM_ACTIVATE:
        active_ = LOWORD(m.WParam) != WA_INACTIVE;
        // WM_NCACTIVATE has mostly painted this state already; a window just
        // shown gets its whole frame from the WM_NCPAINT to come.
        if (paintedActive_ != -1 && paintedActive_ != (active_ ? 1 : 0))
            PaintFrame();
        break;
    case WM_NCACTIVATE:
        active_ = m.WParam != 0;
        m.Result = TRUE;
        if (paintedActive_ != -1)
            PaintFrame();
        break;
    case WM_NCCALCSIZE:
        if (calc) {
            const FrameBox c = Geometry().ClientFor(FrameBox{proposed.left, proposed.top, proposed.right, proposed.bottom});
            const RECT client{c.left, c.top, c.right, c.bottom};
            if (m.WParam) {
                auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
                p->rgrc[0] = client;
                p->rgrc[1] = client;
                p->rgrc[2] = client;
                m.Result = WVR_REDRAW;
            } else {
                *reinterpret_cast<RECT*>(m.LParam) = client;
                m.Result = 0;
            }
        }
        break;
    case WM_NCMOUSEMOVE:
        if (m.WParam == HTCAPTION) {
            PaintFrame();
            if (hover_ != shNone) {
                // Told when the mouse leaves, so that the button's hover look goes with it.
                TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_NONCLIENT, h, 0};
                ::TrackMouseEvent(&t);
            }
        } else if (hover_ != shNone) {
            PaintFrame();
        }
        break;
    case WM_NCMOUSELEAVE:
        if (hover_ != shNone)
            PaintFrame();
        break;
    case WM_NCLBUTTONUP:
        EndPress(true);
        break;
    case ui::CM_TEXTCHANGED:
        PaintFrame();
        break;
    case WM_SIZE:
        if (m.WParam != SIZE_MINIMIZED)
            UpdateRegion();
        PaintFrame();
        break;
    case WM_WINDOWPOSCHANGED:
        // Shown without a show message (a position change that shows it).
        if (reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags & SWP_SHOWWINDOW)
            UpdateRegion();
        break;
    case WM_SKIN_QUERY:
        m.Result = 1;
        break;
    case WM_SKIN_ACTIVESTATE:
        m.Result = active_ ? 1 : 2;
        break;
    case WM_SKIN_MENUBARHEIGHT:
        m.Result = MenuBarHeight();
        break;
    case WM_MEASUREITEM:
        if (m.LParam && reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->CtlType == ODT_MENU &&
            engine_.MeasureMenuItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)))
            m.Result = TRUE;
        break;
    case WM_DRAWITEM:
        if (m.LParam && reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)->CtlType == ODT_MENU &&
            engine_.DrawMenuItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)))
            m.Result = TRUE;
        break;
    default:
        break;
    }
}

void TSkinWindow::Route(ui::Message& m)
{
    HWND h = Handle();
    // A form is set up as soon as its window exists.
    if (m.Msg == WM_CREATE && !setUp_ && SetupWhileHidden()) {
        CallPrevious(m);
        ApplyState();
        return;
    }
    // A window that waits for its first paint or show to be set up.
    if (!setUp_ && h && engine_.InForce()) {
        const bool showing = (m.Msg == WM_SHOWWINDOW && m.WParam) ||
            (m.Msg == WM_WINDOWPOSCHANGING && (reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags & SWP_SHOWWINDOW));
        if (m.Msg == WM_PAINT || m.Msg == WM_NCPAINT || showing) {
            if (!SetupWhileHidden()) {
                // Set up now, as if it were visible.
                TakeMetrics();
                setUp_ = true;
                active_ = ::GetActiveWindow() == h;
            }
            ApplyState();
        }
    }
    // The active state is followed also while the frame is the system's.
    if (m.Msg == WM_NCACTIVATE)
        active_ = m.WParam != 0;
    else if (m.Msg == WM_ACTIVATE)
        active_ = LOWORD(m.WParam) != WA_INACTIVE;
    if (!engine_.InForce() || !skinOn_) {
        CallPrevious(m);
        return;
    }

    if (BeforePrevious(m))
        return;

    if (!PreFilter(m))
        return;
    RECT proposed{};
    const bool calc = m.Msg == WM_NCCALCSIZE && NcCalcSize(m);
    if (calc)
        proposed = m.WParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0]
                            : *reinterpret_cast<RECT*>(m.LParam);
    CallPrevious(m);
    if (released_)
        return;   // let go of while the window handled it
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_ACTIVATEAPP:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case kFrameStopMessage:
        return;
    default:
        break;
    }
    AfterHandler(m);
    AfterPrevious(m, calc, proposed);
}

// --- window commands ----------------------------------------------------------------------

void TSkinWindow::CloseWindow()
{
    ::PostMessageA(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TSkinWindow::MinimizeWindow()
{
    ::PostMessageA(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TSkinWindow::MaximizeWindow()
{
    ::PostMessageA(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void TSkinWindow::RestoreWindow()
{
    ::PostMessageA(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TSkinWindow::MaximizeOrRestore()
{
    HWND h = Handle();
    if (::IsZoomed(h) || ::IsIconic(h))
        RestoreWindow();
    else if (HasMaximizeButton())
        MaximizeWindow();
}

void TSkinWindow::ContextHelp()
{
    ::PostMessageA(Handle(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
}

void TSkinWindow::ShowSystemMenu()
{
    HWND h = Handle();
    POINT p{0, 0};
    ::ClientToScreen(h, &p);
    p.x = std::max(0L, p.x);
    ShowSystemMenuAt(p);
}

void TSkinWindow::ShowSystemMenuAt(POINT screen)
{
    engine_.ShowSystemMenu(*this, screen);
}

} // namespace korvane
