// The engine on framework test forms: placement, the caption shortened
// before the buttons, the tag that keeps a control's own look, a progress
// bar's filled share and the push button's click rules.
#include "SkinTestSupport.h"

#include "skin/SkinControls.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Error.h"
#include "skin/SkinBitmap.h"

#include <commctrl.h>

#include <fstream>

using namespace korvane;
using namespace skintest;

namespace {

// A test form with an engine of its own, reading the program's built-in
// skin; `build` puts the controls on it before the engine is loaded.
class SkinnedForm : public uitest::TestForm {
public:
    explicit SkinnedForm(const std::function<void(SkinnedForm&)>& build = {})
        : uitest::TestForm("TSkinnedTestForm")
    {
        SetCaption("Skinned");
        engine.SetActive(true);
        engine.SetBuiltIn(true);
        engine.SetSkinData(BuiltInSkinData());
        if (build)
            build(*this);
    }
    TSkinEngine& engine = MakeNamed<TSkinEngine>("SkinEngine1");
    TSkinWindow& Frame() { return *engine.FindSkinWindow(Handle()); }
};

class SkinnedControls : public uitest::UiTest {
protected:
    SkinnedForm& MakeForm(const std::function<void(SkinnedForm&)>& build = {})
    {
        auto& form = ui::App().CreateForm<SkinnedForm>(build);
        form.Show();
        Settle();
        return form;
    }
};

bool SameArea(const uitest::Snapshot& a, const uitest::Snapshot& b, const RECT& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (a.At(x, y) != b.At(x, y))
                return false;
    return true;
}

} // namespace

TEST_F(SkinnedControls, EngineBelongsOnAFormAndOnlyOnce)
{
    ui::Component plain;
    try {
        plain.Make<TSkinEngine>();
        FAIL() << "an engine outside a form was made";
    } catch (const ui::Error& e) {
        EXPECT_STREQ(e.what(), "Must be placed on a Form");
    }
    SkinnedForm& form = MakeForm();
    try {
        form.Make<TSkinEngine>();
        FAIL() << "a second engine was made";
    } catch (const ui::Error& e) {
        EXPECT_STREQ(e.what(), "One form can only catch one TSkinEngine!");
    }
    try {
        form.engine.SetBuiltIn(false);
        FAIL() << "BuiltIn changed at run time";
    } catch (const ui::Error& e) {
        EXPECT_STREQ(e.what(), "BuiltIn property only can be specified at design time!");
    }
    EXPECT_EQ(::SendMessageA(form.Handle(), WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(SkinnedControls, LongCaptionEndsInDotsBeforeTheButtons)
{
    SkinnedForm& form = MakeForm();
    HWND h = form.Handle();
    ::SetCursorPos(0, 0);
    const RECT close = form.Frame().ButtonRect(shClose);
    // The strip between the caption's space and the close button.
    const RECT strip{close.left - (close.right - close.left) - 2, close.top, close.left, close.bottom};
    form.SetCaption("");
    Settle();
    std::vector<COLORREF> empty;
    for (int x = strip.left; x < strip.right; ++x)
        empty.push_back(WindowPixel(h, x, (strip.top + strip.bottom) / 2));

    const std::string longCaption(200, 'W');
    form.SetCaption(longCaption);
    Settle();
    const std::string painted = form.Frame().PaintedCaption();
    ASSERT_GT(painted.size(), 3u);
    EXPECT_EQ(painted.substr(painted.size() - 3), "...");
    EXPECT_EQ(longCaption.compare(0, painted.size() - 3, painted, 0, painted.size() - 3), 0);
    for (int x = strip.left; x < strip.right; ++x)
        EXPECT_EQ(WindowPixel(h, x, (strip.top + strip.bottom) / 2), empty[static_cast<size_t>(x - strip.left)])
            << "caption text under the buttons at x = " << x;
}

TEST_F(SkinnedControls, SpeedButtonWithTheDisabledTagKeepsItsOwnLook)
{
    ui::SpeedButton* own = nullptr;
    ui::SpeedButton* skinned = nullptr;
    SkinnedForm& form = MakeForm([&](SkinnedForm& f) {
        own = &f.MakeNamed<ui::SpeedButton>("sbtnOwn");
        skinned = &f.MakeNamed<ui::SpeedButton>("sbtnSkinned");
        own->SetTag(9999);
        own->Place(&f, 10, 10, 70, 22);
        skinned->Place(&f, 100, 10, 70, 22);
        for (ui::SpeedButton* b : {own, skinned})
            b->SetCaption("Play");
    });
    const RECT ownArea{10, 10, 80, 32}, skinnedArea{100, 10, 170, 32};
    uitest::Snapshot on(form.Handle());
    form.engine.SetActive(false);
    Settle();
    uitest::Snapshot off(form.Handle());
    EXPECT_TRUE(SameArea(on, off, ownArea));
    EXPECT_FALSE(SameArea(on, off, skinnedArea));

    // Given the tag after skinning, a button shows its own look again.
    form.engine.SetActive(true);
    Settle();
    skinned->SetTag(9999);
    skinned->Invalidate();
    Settle();
    uitest::Snapshot tagged(form.Handle());
    EXPECT_TRUE(SameArea(tagged, off, skinnedArea));
}

TEST_F(SkinnedControls, ProgressBarAtHalfFillsHalfItsWidth)
{
    ui::ProgressBar* bar = nullptr;
    SkinnedForm& form = MakeForm([&](SkinnedForm& f) {
        bar = &f.MakeNamed<ui::ProgressBar>("pgbTest");
        bar->Place(&f, 20, 20, 270, 17);
        bar->SetRange(0, 100);
        bar->SetPosition(50);
    });
    uitest::Snapshot shot(bar->Handle());
    ASSERT_EQ(shot.Width(), 270);
    const COLORREF background = form.engine.BackgroundColor();
    const int y = shot.Height() / 2;
    EXPECT_NE(shot.At(0, y), background);
    EXPECT_NE(shot.At(134, y), background);
    EXPECT_EQ(shot.At(135, y), background);
    EXPECT_EQ(shot.At(269, y), background);
}

TEST_F(SkinnedControls, PushButtonClicksOnReleaseOverItAndOnSpace)
{
    ui::Button* button = nullptr;
    int clicks = 0;
    MakeForm([&](SkinnedForm& f) {
        button = &f.MakeNamed<ui::Button>("btnTest");
        button->Place(&f, 20, 20, 75, 25);
        button->SetCaption("&OK");
        button->OnClick = [&](ui::Component&) { ++clicks; };
    });
    HWND h = button->Handle();

    uitest::MouseDown(h, 10, 10);
    uitest::MouseUp(h, 10, 10);
    EXPECT_EQ(clicks, 1);

    // Pressed, then the mouse left the button before the release.
    uitest::MouseDown(h, 10, 10);
    button->Perform(ui::CM_MOUSELEAVE);
    uitest::MouseUp(h, 10, 10);
    EXPECT_EQ(clicks, 1);

    button->SetFocus();
    ::SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(clicks, 1);
    ::SendMessageA(h, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(SkinnedControls, SkinFileIsLookedForByNameAndAppliedToTheWindows)
{
    SkinnedForm& form = MakeForm();
    int changes = 0;
    form.engine.OnSkinChanged = [&](ui::Component&) { ++changes; };
    form.engine.SetSkinFile("C:\\nowhere\\missing.kvskin");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(form.engine.SkinFile(), "");
    EXPECT_TRUE(form.engine.Ready());

    // A container beside the program is found by its name alone.
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder = exe;
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string path = folder + "korvane-test-skin.kvskin";
    const auto data = BuiltInSkinData();
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    form.engine.SetSkinFile("D:\\design\\korvane-test-skin.kvskin");
    ::DeleteFileA(path.c_str());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.engine.SkinFile(), path);
    Settle();
    EXPECT_EQ(::SendMessageA(form.Handle(), WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_TRUE(HasRoundedRegion(form.Handle()));
    EXPECT_TRUE(::IsWindowVisible(form.Handle()));
}

TEST_F(SkinnedControls, MenusOfASkinnedFormAreDrawnByTheEngine)
{
    ui::PopupMenu* menu = nullptr;
    SkinnedForm& form = MakeForm([&](SkinnedForm& f) {
        menu = &f.Make<ui::PopupMenu>();
        menu->Add("Play");
        menu->Add("-");
        menu->Add("Full Screen").SetChecked(true);
    });
    RECT r{};
    ::GetWindowRect(form.Handle(), &r);
    RECT play{}, separator{};
    COLORREF band = 0, beside = 0;
    WhileModal([&] { menu->Popup(r.left + 40, r.top + 60); }, "#32768", [&](HWND window) {
        const auto hmenu = reinterpret_cast<HMENU>(::SendMessageA(window, MN_GETHMENU, 0, 0));
        ::GetMenuItemRect(nullptr, hmenu, 0, &play);
        ::GetMenuItemRect(nullptr, hmenu, 1, &separator);
        band = ScreenPixel(play.left + 5, (play.top + play.bottom) / 2);
        beside = ScreenPixel(play.left + 28, (play.top + play.bottom) / 2);
        ::EndMenu();
    });
    EXPECT_EQ(play.bottom - play.top, 21);
    EXPECT_EQ(separator.bottom - separator.top, 5);
    EXPECT_EQ(band, form.engine.SkinColor("MenuBarColor", 0));
    EXPECT_EQ(beside, form.engine.SkinColor("MenuBackgroundColor", 0));
}

TEST_F(SkinnedControls, DoubleClickOnTheCaptionMaximizesOverTheWorkArea)
{
    SkinnedForm& form = MakeForm();
    HWND h = form.Handle();
    // The maximize button let go outside the window: no maximize, and no pressed look left behind.
    EXPECT_EQ(PartsWhenReleasedOutside(h, form.engine, shMaxRestore, 7), (std::vector<int>{1, 2, 0, 1, 0}));
    EXPECT_FALSE(::IsZoomed(h));

    RECT caption = form.Frame().ButtonRect(shIcon);
    ::OffsetRect(&caption, 150, 0);
    PointAt(h, caption);
    NcMessage(h, WM_NCLBUTTONDBLCLK);
    Settle();
    ASSERT_TRUE(::IsZoomed(h));

    // The frame's sides lie outside the work area, one pixel at the bottom stays free.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT window{};
    ::GetWindowRect(h, &window);
    EXPECT_EQ(window.left, monitor.rcWork.left - 4);
    EXPECT_EQ(window.top, monitor.rcWork.top - 4);
    EXPECT_EQ(window.right, monitor.rcWork.right + 4);
    EXPECT_EQ(window.bottom, monitor.rcWork.bottom - 1 + 4);
    EXPECT_TRUE(HasRoundedRegion(h));

    ::SetCursorPos(monitor.rcWork.left + 300, monitor.rcWork.bottom - 2);
    form.Frame().PaintFrame();
    EXPECT_TRUE(ShowsPicture(h, form.Frame().ButtonRect(shMaxRestore), *form.engine.Picture("TitleBarButtonImage", 10, 18)))
        << "the restore button";
}

namespace {

WNDPROC gLaterPrevious = nullptr;
int gLaterCalls = 0;

// Someone else's subclass, put on top of the skin's.
LRESULT CALLBACK LaterSubclass(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_SKIN_QUERY)
        ++gLaterCalls;
    return ::CallWindowProcA(gLaterPrevious, hwnd, msg, w, l);
}

HWND ForeignWindow()
{
    HWND h = ::CreateWindowExA(0, "STATIC", "Foreign", WS_POPUP | WS_CAPTION | WS_SYSMENU, 60, 60, 200, 120,
                               nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::ShowWindow(h, SW_SHOWNA);
    return h;
}

} // namespace

TEST_F(SkinnedControls, SkinObjectsOutliveTheMessagesThatFreeWhatTheyServe)
{
    // A button freed by its own click, a foreign window destroyed inside one
    // of its own messages: the skin's objects are freed once the message is done.
    ui::Button* button = nullptr;
    SkinnedForm& form = MakeForm([&](SkinnedForm& f) {
        button = &f.MakeNamed<ui::Button>("btnGone");
        button->Place(&f, 20, 20, 75, 25);
        button->OnClick = [&](ui::Component&) { delete button; };
    });
    const size_t before = form.Frame().SkinObjects().size();
    HWND h = button->Handle();
    uitest::MouseDown(h, 10, 10);
    uitest::MouseUp(h, 10, 10);
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(form.Frame().SkinObjects().size(), before - 1);
    EXPECT_EQ(form.engine.PendingFrees(), 0u);

    HWND foreign = ForeignWindow();
    ASSERT_NE(form.engine.SkinWindowHandle(foreign, true), nullptr);
    Settle();
    ::SendMessageA(foreign, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(foreign));
    EXPECT_EQ(form.engine.FindSkinWindow(foreign), nullptr);
    EXPECT_EQ(form.engine.PendingFrees(), 0u);
    EXPECT_EQ(::SendMessageA(form.Handle(), WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(SkinnedControls, SkinnedAgainAfterAnotherSubclassEachHandlerRunsOnce)
{
    SkinnedForm& form = MakeForm();
    HWND h = ForeignWindow();
    form.engine.SkinWindowHandle(h, true);
    gLaterCalls = 0;
    gLaterPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterSubclass)));
    form.engine.UnskinWindowHandle(h);
    EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 0);
    form.engine.SkinWindowHandle(h, true);
    EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(gLaterCalls, 2);
    // The later subclass leaves; the skin's goes with the window.
    ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gLaterPrevious));
    EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 1);
    ::DestroyWindow(h);
    EXPECT_EQ(form.engine.FindSkinWindow(h), nullptr);
}
