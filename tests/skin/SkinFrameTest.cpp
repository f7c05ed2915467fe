// The program's windows, a message box and the system's open dialog wearing
// the built-in skin: what a user sees of the painted frame and what its
// caption buttons, icon and system menu do.
#include "SkinTestSupport.h"

#include "app/AboutForm.h"
#include "prefs/CountDownForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "tests/app/KorvaneFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "skin/SkinBitmap.h"
#include "ui/Dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <fstream>
#include <set>
#include <utility>

using namespace korvane;
using namespace skintest;

namespace {

class SkinnedProgram : public korvane::testing::KorvaneTest {
protected:
    TSkinEngine& Engine() { return Main().SkinEngine1; }
    TSkinWindow& Frame(HWND hwnd)
    {
        TSkinWindow* frame = Engine().FindSkinWindow(hwnd);
        if (!frame)
            throw std::runtime_error("the window has no skinned frame");
        return *frame;
    }
    const ui::Bitmap& TitleButton(int part) { return *Engine().Picture("TitleBarButtonImage", part, 18); }
    SIZE ClientSize(HWND hwnd)
    {
        RECT r{};
        ::GetClientRect(hwnd, &r);
        return SIZE{r.right, r.bottom};
    }
};

} // namespace

TEST_F(SkinnedProgram, EveryWindowAnswersTheSkinQueryAndIsRounded)
{
    Start();
    ASSERT_TRUE(Engine().Ready());
    auto check = [](HWND hwnd, const char* what) {
        EXPECT_EQ(::SendMessageA(hwnd, WM_SKIN_QUERY, 0, 0), 1) << what;
        EXPECT_TRUE(HasRoundedRegion(hwnd)) << what;
    };
    check(Main().Handle(), "main window");
    auto shown = [&](ui::Form& form, const char* what, const std::function<void()>& show) {
        show();
        Settle();
        check(form.Handle(), what);
        form.Hide();
        Main().SetEnabled(true);
    };
    shown(*korvane.SettingForm, "settings", [&] { korvane.SettingForm->Show(); });
    shown(*korvane.AboutForm, "About", [&] { korvane.AboutForm->Show(); });
    shown(*korvane.opSettingForm, "profile editor", [&] { korvane.opSettingForm->ShowFor(0); });
    shown(*korvane.SizeForm, "size dialog", [&] { korvane.SizeForm->Show(); });
    shown(*korvane.CountDownForm, "countdown", [&] {
        korvane.CountDownForm->Start(TCountDownForm::caExit);
        korvane.CountDownForm->tmrCountdown.SetEnabled(false);
    });

    ui::SystemDialogs system;
    bool boxSeen = false;
    WhileModal([&] { system.MessageBox("Splitting is completed successfully.", "Korvane", MB_OK | MB_ICONINFORMATION); },
               "#32770", [&](HWND box) {
                   boxSeen = true;
                   check(box, "message box");
                   ::PostMessageA(box, WM_COMMAND, IDOK, 0);
               });
    EXPECT_TRUE(boxSeen);
}

TEST_F(SkinnedProgram, OpenDialogKeepsItsClientSizeAndItsCloseButtonCancels)
{
    Start();
    ui::SystemDialogs system;
    auto open = [&] {
        ui::FileDialogRequest request;
        request.Owner = Main().Handle();
        request.Filter = Main().OpenFilter();
        request.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_FILEMUSTEXIST;
        return system.FileDialog(request);
    };

    SIZE plain{};
    Engine().SetSkinDialogs(false);
    WhileModal(open, "#32770", [&](HWND dialog) {
        plain = ClientSize(dialog);
        EXPECT_EQ(::SendMessageA(dialog, WM_SKIN_QUERY, 0, 0), 0);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Engine().SetSkinDialogs(true);

    bool confirmed = true;
    bool seen = false;
    WhileModal([&] { confirmed = open(); }, "#32770", [&](HWND dialog) {
        seen = true;
        EXPECT_EQ(::SendMessageA(dialog, WM_SKIN_QUERY, 0, 0), 1);
        EXPECT_TRUE(HasRoundedRegion(dialog));
        const SIZE skinned = ClientSize(dialog);
        EXPECT_EQ(skinned.cx, plain.cx);
        EXPECT_EQ(skinned.cy, plain.cy);
        // The caption's close button, pressed and released.
        PointAt(dialog, Frame(dialog).ButtonRect(shClose));
        NcMessage(dialog, WM_NCMOUSEMOVE);
        NcMessage(dialog, WM_NCLBUTTONDOWN);
        NcMessage(dialog, WM_NCLBUTTONUP);
    });
    EXPECT_TRUE(seen);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(::CommDlgExtendedError(), 0u);   // cancelled, not failed
}

TEST_F(SkinnedProgram, MainWindowShowsIconMinimizeAndCloseButNoMaximize)
{
    Start();
    HWND h = Main().Handle();
    Settle();
    TSkinWindow& frame = Frame(h);
    const RECT close = frame.ButtonRect(shClose);
    const RECT minimize = frame.ButtonRect(shMinimize);
    // Parked away from the caption, so that no button shows its hover look.
    ::SetCursorPos(0, 0);
    ::RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Settle();
    EXPECT_TRUE(ShowsPicture(h, close, TitleButton(16)));
    // The minimize button sits in the slot next to close: no maximize between.
    EXPECT_EQ(minimize.right + 2, close.left);
    EXPECT_TRUE(ShowsPicture(h, minimize, TitleButton(13)));
    const RECT nextSlot{minimize.left - (close.right - close.left) - 2, minimize.top, minimize.left - 2, minimize.bottom};
    EXPECT_FALSE(ShowsPicture(h, nextSlot, TitleButton(7)));
    EXPECT_FALSE(ShowsPicture(h, nextSlot, TitleButton(13)));

    // The window's icon, drawn where the frame says.
    const RECT icon = frame.ButtonRect(shIcon);
    // Its opaque pixels: the same over two backgrounds.
    ui::Bitmap overMagenta(16, 16), overGreen(16, 16);
    for (auto [bitmap, colour] : {std::pair{&overMagenta, RGB(255, 0, 255)}, std::pair{&overGreen, RGB(0, 255, 0)}}) {
        ui::BitmapCanvas canvas(*bitmap);
        canvas.FillRect(RECT{0, 0, 16, 16}, colour);
        ::DrawIconEx(canvas.Handle(), 0, 0, Main().IconHandle(), 16, 16, 0, nullptr, DI_NORMAL);
    }
    int iconPixels = 0, matching = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF want = overMagenta.Pixel(x, y);
            if (want != overGreen.Pixel(x, y))
                continue;
            ++iconPixels;
            matching += WindowPixel(h, icon.left + x, icon.top + y) == want;
        }
    EXPECT_GT(iconPixels, 50);
    EXPECT_EQ(matching, iconPixels);
}

TEST_F(SkinnedProgram, SystemMenuOpensAtTheMouseWithMaximizeDisabled)
{
    Start();
    HWND h = Main().Handle();
    TSkinWindow& frame = Frame(h);
    RECT caption = frame.ButtonRect(shIcon);
    ::OffsetRect(&caption, 200, 0);   // plain caption, right of the text
    const POINT mouse = PointAt(h, caption);
    std::vector<UINT> states;
    std::vector<std::string> captions;
    RECT popup{};
    WhileModal([&] { ::SendMessageA(h, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(mouse.x, mouse.y)); },
               "#32768", [&](HWND menu) {
                   ::GetWindowRect(menu, &popup);
                   HMENU m = Engine().SystemMenu();
                   for (int i = 0; i < ::GetMenuItemCount(m); ++i) {
                       states.push_back(::GetMenuState(m, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED);
                       MENUITEMINFOA info{};
                       info.cbSize = sizeof info;
                       info.fMask = MIIM_DATA;
                       ::GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &info);
                       captions.push_back(reinterpret_cast<const SkinMenuItem*>(info.dwItemData)->Caption);
                   }
                   ::EndMenu();
               });
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(captions, (std::vector<std::string>{"Mi&nimize", "Ma&ximize/Restore", "-", "&Close"}));
    EXPECT_EQ(states[0], 0u);
    EXPECT_NE(states[1], 0u);   // no maximize button: "Ma&ximize/Restore" disabled
    EXPECT_EQ(states[3], 0u);
    EXPECT_NEAR(popup.left, mouse.x, 2);
    EXPECT_NEAR(popup.top, mouse.y, 2);
}

TEST_F(SkinnedProgram, CaptionButtonsActOnlyWhenReleasedOverThem)
{
    Start();
    HWND h = Main().Handle();
    TSkinWindow& frame = Frame(h);
    const RECT close = frame.ButtonRect(shClose);

    // Hover, then pressed look.
    PointAt(h, close);
    NcMessage(h, WM_NCMOUSEMOVE);
    EXPECT_TRUE(ShowsPicture(h, close, TitleButton(17)));
    NcMessage(h, WM_NCLBUTTONDOWN);
    EXPECT_TRUE(ShowsPicture(h, close, TitleButton(18)));

    // Released elsewhere on the caption: nothing happens.
    RECT elsewhere = frame.ButtonRect(shIcon);
    ::OffsetRect(&elsewhere, 200, 0);
    PointAt(h, elsewhere);
    NcMessage(h, WM_NCMOUSEMOVE);
    NcMessage(h, WM_NCLBUTTONUP);
    Settle();
    EXPECT_TRUE(ShowsPicture(h, close, TitleButton(16)));
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_FALSE(ui::App().Terminated());

    // With the real mouse, let go outside the window: the press ends there,
    // and the buttons go back to their hover and normal looks.
    for (auto [element, normalPart] : {std::pair{shClose, 16}, std::pair{shMinimize, 13}}) {
        EXPECT_EQ(PartsWhenReleasedOutside(h, Engine(), element, normalPart), (std::vector<int>{1, 2, 0, 1, 0}))
            << "button " << element;
        EXPECT_TRUE(::IsWindowVisible(h));
        EXPECT_FALSE(::IsIconic(h));
        EXPECT_FALSE(ui::App().Terminated());
    }
    // A press on one button released over another does neither's work.
    PointAt(h, frame.ButtonRect(shMinimize));
    NcMessage(h, WM_NCLBUTTONDOWN);
    PointAt(h, close);
    NcMessage(h, WM_NCLBUTTONUP);
    Settle();
    EXPECT_FALSE(::IsIconic(h));
    EXPECT_FALSE(ui::App().Terminated());

    // Pressed and released over it with the real mouse: the window closes.
    const POINT overClose = PointAt(h, close);
    RealMouse(overClose, MOUSEEVENTF_LEFTDOWN);
    RealMouse(overClose, MOUSEEVENTF_LEFTUP);
    Settle();
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_TRUE(ui::App().Terminated());
}

TEST_F(SkinnedProgram, DoubleClickOnTheIconCloses)
{
    Start();
    HWND h = Main().Handle();
    TSkinWindow& frame = Frame(h);
    // On the plain caption a double click changes nothing: the window cannot maximize.
    RECT caption = frame.ButtonRect(shIcon);
    ::OffsetRect(&caption, 200, 0);
    PointAt(h, caption);
    NcMessage(h, WM_NCLBUTTONDBLCLK);
    Settle();
    EXPECT_FALSE(::IsZoomed(h));
    EXPECT_TRUE(::IsWindowVisible(h));

    PointAt(h, frame.ButtonRect(shIcon));
    NcMessage(h, WM_NCLBUTTONDBLCLK);
    Settle();
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_TRUE(ui::App().Terminated());
}

TEST_F(SkinnedProgram, TitleTextTakesTheInactiveColourWhileAnotherWindowIsActiveAndBack)
{
    Start();
    HWND h = Main().Handle();
    const COLORREF activeText = Engine().CaptionColor();
    const COLORREF inactiveText = ::GetSysColor(COLOR_INACTIVECAPTION);
    ASSERT_NE(activeText, inactiveText);
    // Pixels of each colour in the title bar as the screen shows it.
    auto titleCounts = [&] {
        Settle();
        RECT w{};
        ::GetWindowRect(h, &w);
        POINT client{0, 0};
        ::ClientToScreen(h, &client);
        ui::Bitmap title(w.right - w.left, client.y - w.top);
        {
            ui::BitmapCanvas canvas(title);
            ui::WindowDC screen(nullptr);
            ::BitBlt(canvas.Handle(), 0, 0, title.Width(), title.Height(), screen.Get(), w.left, w.top, SRCCOPY);
        }
        std::pair<int, int> counts{0, 0};
        for (int y = 0; y < title.Height(); ++y)
            for (int x = 0; x < title.Width(); ++x) {
                const COLORREF c = title.Pixel(x, y);
                counts.first += c == activeText;
                counts.second += c == inactiveText;
            }
        return counts;
    };
    ::SetActiveWindow(h);
    const auto active = titleCounts();
    HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 120, 60, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    ::SetActiveWindow(other);
    const auto inactive = titleCounts();
    EXPECT_LT(inactive.first, active.first);
    EXPECT_GT(inactive.second, active.second);
    ::SetActiveWindow(h);
    const auto again = titleCounts();
    EXPECT_EQ(again, active);
    ::DestroyWindow(other);
}

TEST_F(SkinnedProgram, ActiveOffGivesTheSystemFrameBackAndOnTheSkinnedOne)
{
    Start();
    HWND h = Main().Handle();
    const SIZE client = ClientSize(h);
    EXPECT_EQ(client.cx, 783);
    EXPECT_EQ(client.cy, 431);
    EXPECT_EQ(::GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU, 0);
    const COLORREF ownColor = Main().Color();
    EXPECT_EQ(ownColor, Engine().BackgroundColor());
    EXPECT_GT(Main().Constraints().MinWidth, 0);

    Engine().SetActive(false);
    Settle();
    // Every adjustment of the form taken back.
    EXPECT_EQ(Main().Color(), ui::clBtnFace);
    EXPECT_EQ(Main().Constraints().MinWidth, 0);
    EXPECT_EQ(Main().Constraints().MinHeight, 0);
    EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_FALSE(HasRoundedRegion(h));
    EXPECT_NE(::GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_EQ(ClientSize(h).cx, 783);
    EXPECT_EQ(ClientSize(h).cy, 431);

    Engine().SetActive(true);
    Settle();
    EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_TRUE(HasRoundedRegion(h));
    EXPECT_EQ(ClientSize(h).cx, 783);
    EXPECT_EQ(ClientSize(h).cy, 431);
}

TEST_F(SkinnedProgram, CornersOutsideTheRegionShowWhatLiesBehind)
{
    // A backdrop over the whole screen, there before the program starts:
    // the program's windows come above it.
    HWND backdrop = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | SS_BLACKRECT, 0, 0,
                                      ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr,
                                      nullptr, nullptr, nullptr);
    ASSERT_TRUE(backdrop);
    ::SetWindowPos(backdrop, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Start();
    HWND h = Main().Handle();
    RECT r{};
    ::GetWindowRect(h, &r);
    Settle(10);
    const COLORREF behind = ScreenPixel(r.left - 5, r.top - 5);
    const int W = r.right - r.left, H = r.bottom - r.top;
    EXPECT_EQ(WindowPixel(h, 0, 0), behind);
    EXPECT_EQ(WindowPixel(h, W - 1, 0), behind);
    EXPECT_EQ(WindowPixel(h, 0, H - 1), behind);
    EXPECT_EQ(WindowPixel(h, W - 1, H - 1), behind);
    EXPECT_NE(WindowPixel(h, W / 2, 1), behind);
    ::DestroyWindow(backdrop);
}

TEST_F(SkinnedProgram, SeekBarShowsChannelThumbAndTicksButNoSelection)
{
    Start();
    TDSTrackBar& bar = Main().tkbProgress;
    bar.SetRange(0, 600);
    bar.SetPosition(300);
    Settle();
    uitest::Snapshot plain(bar.Handle());
    bar.SetSelStart(120);
    bar.SetSelEnd(480);
    Settle();
    uitest::Snapshot selected(bar.Handle());
    int differing = 0;
    for (int y = 0; y < plain.Height(); ++y)
        for (int x = 0; x < plain.Width(); ++x)
            differing += plain.At(x, y) != selected.At(x, y);
    EXPECT_EQ(differing, 0);

    // The thumb and the channel show their pictures (stretched: some of their colours).
    auto showsColoursOf = [&](const RECT& area, const ui::Bitmap& picture) {
        std::set<COLORREF> colours;
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                colours.insert(picture.Pixel(x, y));
        colours.erase(RGB(255, 0, 255));
        int found = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                found += colours.count(selected.At(x, y)) != 0;
        return found > 0;
    };
    const RECT thumb = bar.ThumbRect();
    EXPECT_TRUE(showsColoursOf(thumb, *Engine().Picture("TrackBarSliderImage")));
    const RECT channel = bar.ChannelRect();
    EXPECT_TRUE(showsColoursOf(RECT{channel.left + 40, channel.top, channel.left + 60, channel.bottom},
                               *Engine().Picture("TrackBarBarImage")));
    // Ticks under the thumb's band.
    const COLORREF tick = Engine().SkinColor("ControlBorderColor", 0);
    const int firstTick = static_cast<int>(::SendMessageA(bar.Handle(), TBM_GETTICPOS, 0, 0));
    ASSERT_GT(firstTick, 0);
    EXPECT_EQ(selected.At(firstTick, thumb.bottom + 2), tick);
}

TEST_F(SkinnedProgram, DamagedSkinSetAtRunTimeLeavesEveryWindowSkinnedWithAWorkingClose)
{
    // Parked away from the captions: a test before may have left the mouse
    // over a close button, which then shows its hover look.
    ::SetCursorPos(0, 0);
    Start();
    ui::Form& about = *korvane.AboutForm;
    about.Show();
    Settle();
    const auto good = BuiltInSkinData();
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    std::vector<unsigned char> badMagic(good.begin(), good.end());
    badMagic[0] = 'X';
    int changes = 0;
    Engine().OnSkinChanged = [&](ui::Component&) { ++changes; };
    const std::string skinFile = Engine().SkinFile();
    for (const auto* damaged : {&cut, &badMagic}) {
        const std::string path = folder / "damaged.kvskin";
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(damaged->data()), static_cast<std::streamsize>(damaged->size()));
        }
        Engine().SetSkinFile(path);
        Settle();
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(Engine().SkinFile(), skinFile);
        ASSERT_TRUE(Engine().InForce());
        for (HWND h : {Main().Handle(), about.Handle()}) {
            EXPECT_EQ(::SendMessageA(h, WM_SKIN_QUERY, 0, 0), 1);
            EXPECT_TRUE(HasRoundedRegion(h));
            EXPECT_EQ(::GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU, 0);
            ::RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
            Settle();
            EXPECT_TRUE(ShowsPicture(h, Frame(h).ButtonRect(shClose), TitleButton(16)));
        }
    }
    // Its close button still closes the window.
    HWND h = about.Handle();
    const POINT overClose = PointAt(h, Frame(h).ButtonRect(shClose));
    RealMouse(overClose, MOUSEEVENTF_LEFTDOWN);
    RealMouse(overClose, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !::IsWindowVisible(h); }));
}
