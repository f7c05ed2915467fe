// The main window's keys and marks to the frame, through the real window, the
// real preview and the real converter: a source whose every frame is one
// flat grey of its own tells by its picture which frame is shown or cut.
#include "tests/app/KorvaneFixture.h"

#include "app/TimeText.h"
#include "app/TimeTextLocale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace korvane::testing {
namespace {

constexpr double kFrameTime = 10000000.0 / 30;   // 100 ns units

std::string FramesVideo()
{
    return WinePath(std::string(KORVANE_APP_MEDIA_DIR) + "/frames30.avi");
}

// The grey of frame n as the engine gives it in full range: the source's
// levels are 16 + 7n in video range.
int FrameGrey(int n)
{
    return static_cast<int>((n * 7 % 224) * 255.0 / 219 + 0.5);
}


// Screen pixels of a window, 0x00RRGGBB.
class WindowPixels {
public:
    explicit WindowPixels(HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, r.left, r.top, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info = ui::Dib32(width_, height_);
        pixels_.assign(static_cast<std::size_t>(width_) * height_, 0);
        GetDIBits(memory, bitmap, 0, height_, pixels_.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    bool operator==(const WindowPixels& other) const { return pixels_ == other.pixels_; }
    unsigned At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFFu; }
    int Green(int x, int y) const { return (At(x, y) >> 8) & 0xFF; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned> pixels_;
};

class PreviewKeys : public KorvaneTest {
protected:
    // With KORVANE_SHOTS_DIR set (bench/preview-screens.sh), the window holds
    // still here while the screen is taken: a file "<name>.ready" says so,
    // and its removal lets the test go on.
    void HoldForPicture(const std::string& name)
    {
        const char* shots = std::getenv("KORVANE_SHOTS_DIR");
        if (!shots || !*shots)
            return;
        const std::string marker = std::string(shots) + "\\" + name + ".ready";
        HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        PumpUntil([&] { return GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000);
    }

    void LoadPaused()
    {
        Main().LoadSource(FramesVideo());
        ui::App().ProcessMessages();
        Press(VK_SPACE);
        ASSERT_EQ(State(), State_Paused);
        Press(VK_HOME);
        ASSERT_EQ(Frame(), 0);
    }

    // A key pressed on the window that has the focus, with Shift and Ctrl as
    // given, through the program's own message loop.
    void Press(WORD key, bool shift = false, bool ctrl = false)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        HWND target = GetFocus() ? GetFocus() : Main().Handle();
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16;
        PostMessageA(target, WM_KEYDOWN, key, scan | 1);
        PostMessageA(target, WM_KEYUP, key, scan | 0xC0000001);
        ui::App().ProcessMessages();
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }

    OAFilterState State()
    {
        OAFilterState state = -1;
        if (auto control = Main().FilterGraph.Query<IMediaControl>(IID_IMediaControl))
            control->GetState(2000, &state);
        return state;
    }
    LONGLONG Position() { return Main().FilterGraph.CurrentPosition(); }
    // The frame the position stands on, and the source's last one.
    int Frame() { return static_cast<int>(Position() / kFrameTime + 1e-6); }
    int LastFrame() { return static_cast<int>((Main().FilterGraph.Duration() - 1) / kFrameTime); }

    // The preview's picture as the screen shows it.
    WindowPixels Picture() { return WindowPixels(Main().VideoWindow.VideoHandle()); }
    // Its brightness in the middle (its pixels are one grey).
    static int Grey(const WindowPixels& picture) { return picture.Green(picture.Width() / 2, picture.Height() / 2); }
};

TEST_F(PreviewKeys, EachKeyDoesWhatItSaysAndNoneIsTakenFromAnEditBeingTypedIn)
{
    Start();
    LoadPaused();
    TMainForm& main = Main();

    Press(VK_SPACE);
    EXPECT_EQ(State(), State_Running) << "Space plays";
    Press(VK_SPACE);
    EXPECT_EQ(State(), State_Paused) << "and pauses";
    Press(VK_SPACE);
    Press(VK_RIGHT);
    EXPECT_EQ(State(), State_Paused) << "a step pauses first";
    Press(VK_HOME);
    Press(VK_RIGHT);
    EXPECT_EQ(Frame(), 1);
    Press(VK_RIGHT, true);
    EXPECT_EQ(Frame(), 31) << "Shift: one second on";
    Press(VK_LEFT);
    EXPECT_EQ(Frame(), 30);
    Press(VK_LEFT, true);
    EXPECT_EQ(Frame(), 0) << "Shift: one second back";
    ASSERT_GE(LastFrame(), 119);
    // At the last frame a graph may report its position as the source's end.
    Press(VK_RIGHT, false, true);
    EXPECT_GE(Frame(), LastFrame()) << "Ctrl: ten seconds on, held at the last frame";
    Press(VK_LEFT, false, true);
    EXPECT_EQ(Frame(), 0);
    Press(VK_END);
    EXPECT_GE(Frame(), LastFrame());
    EXPECT_EQ(main.labCurrent.Caption(), SecondsToTimeText(Position() / 1e7)) << "the position shown follows the keys";

    // I and O mark where the preview stands, on the frame's start.
    Press(VK_HOME);
    for (int i = 0; i < 5; ++i)
        Press(VK_RIGHT);
    Press('I');
    Press(VK_RIGHT, true);
    Press('O');
    const char sep = UserDecimalSeparator();
    EXPECT_EQ(main.edtStart.Text(), std::string("00:00:00") + sep + "166");
    EXPECT_EQ(main.edtEnd.Text(), std::string("00:00:01") + sep + "166");
    EXPECT_EQ(main.labStart.Caption(), "[ " + main.edtStart.Text());
    EXPECT_EQ(main.labLength.Caption(), "The length of the marked rang is 00:00:01");

    main.VideoWindow.SetFullScreen(true);
    Press(VK_ESCAPE);
    EXPECT_FALSE(main.VideoWindow.FullScreen()) << "Esc leaves full screen";

    Press(VK_F1);
    EXPECT_EQ(opened, std::vector<std::string>{korvane.HelpFile});
    dialogs.QueueFileCancel();
    Press('O', false, true);
    ASSERT_EQ(dialogs.Calls().size(), 1u) << "Ctrl+O opens the open dialog";
    EXPECT_EQ(dialogs.Calls()[0].What, ui::ScriptedDialogs::Kind::OpenFile);

    // Typed into an edit, the same keys edit the text and nothing else.
    const LONGLONG before = Position();
    main.edtSectionQty.SetFocus();
    main.edtSectionQty.SetText("");
    for (WORD key : {WORD('I'), WORD('O'), WORD(VK_SPACE), WORD(VK_HOME), WORD(VK_RIGHT), WORD(VK_LEFT)})
        Press(key);
    EXPECT_EQ(main.edtSectionQty.Text(), "io ");
    EXPECT_EQ(Position(), before);
    EXPECT_EQ(State(), State_Paused);
    EXPECT_EQ(main.edtStart.Text(), std::string("00:00:00") + sep + "166");
    EXPECT_EQ(main.edtEnd.Text(), std::string("00:00:01") + sep + "166");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PreviewKeys, TenFramesOnAndTenBackShowTheSameFrameAgain)
{
    Start();
    LoadPaused();
    for (int i = 0; i < 3; ++i)
        Press(VK_RIGHT);
    const WindowPixels first = Picture();
    EXPECT_NEAR(Grey(first), FrameGrey(3), 3);

    for (int i = 0; i < 10; ++i)
        Press(VK_RIGHT);
    EXPECT_EQ(Frame(), 13);
    EXPECT_NEAR(Grey(Picture()), FrameGrey(13), 3) << "the picture is the frame stepped to";
    for (int i = 0; i < 10; ++i)
        Press(VK_LEFT);
    EXPECT_EQ(Frame(), 3);
    EXPECT_TRUE(Picture() == first);
}

// The clip made from a start marked on a stepped frame begins with that
// frame, not the one before (which a start of one decimal, 0.2 s, gave).
TEST_F(PreviewKeys, AStartMarkedOnASteppedFrameMakesAClipThatBeginsWithIt)
{
    WriteProfile("AVI video", "avi");
    Start();
    SelectProfile("AVI video");
    LoadPaused();
    for (int i = 0; i < 7; ++i)
        Press(VK_RIGHT);
    EXPECT_NEAR(Grey(Picture()), FrameGrey(7), 3);
    Press('I');
    Press(VK_RIGHT, true);
    Press('O');
    ASSERT_EQ(Main().edtStart.Text(), std::string("00:00:00") + UserDecimalSeparator() + "233");
    // The pictures of the range's ends: the marked frame, and the frame
    // before the end mark (37), the clip's last.
    ASSERT_TRUE(PumpUntil([&] { return !Main().TakingEndPictures(); }, 20000));
    ASSERT_TRUE(Main().imgFirstFrame.Visible());
    ASSERT_TRUE(Main().imgLastFrame.Visible());
    auto middleGrey = [](ui::Image& image) { return GetGValue(image.Picture().Pixel(48, 30)); };
    EXPECT_NEAR(middleGrey(Main().imgFirstFrame), FrameGrey(7), 3);
    EXPECT_NEAR(middleGrey(Main().imgLastFrame), FrameGrey(36), 3);
    HoldForPicture("range-end-pictures");

    Main().imgStartClick(Main().imgStart);
    ASSERT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    const std::string clip = OutputDir() + "frames30_Clip1.avi";
    const std::string first = RunAndCapture(
        EngineExe(), " -loglevel quiet -nostats -i \"" + clip + "\" -frames:v 1 -vf format=gray,scale=1:1 -f rawvideo -");
    ASSERT_EQ(first.size(), 1u) << first;
    EXPECT_NEAR(static_cast<unsigned char>(first[0]), FrameGrey(7), 3);
    EXPECT_NEAR(VideoFrames(clip), 30, 1);
}

// A portrait video stored sideways with a turn in its header: the preview
// shows it as the engine cuts it, upright, and fits it into the video area
// with black bars beside it instead of stretching it.
TEST_F(PreviewKeys, APhoneVideoIsShownUprightAndLetterBoxed)
{
    Start();
    const std::string phone = WinePath(std::string(KORVANE_APP_MEDIA_DIR) + "/phone.mov");
    Main().LoadSource(phone);
    ui::App().ProcessMessages();
    Press(VK_SPACE);
    ASSERT_EQ(State(), State_Paused);

    // The engine's own upright picture in four bands, top first.
    const std::string bands = RunAndCapture(
        EngineExe(), " -loglevel quiet -nostats -i \"" + phone + "\" -frames:v 1 -vf format=gray,scale=1:4 -f rawvideo -");
    ASSERT_EQ(bands.size(), 4u) << bands;
    // On the screen: 232 high, so 130 wide, with bars of 114 at both sides.
    // The video area: the control, and the renderer's window over its middle.
    HWND video = Main().VideoWindow.Handle();
    ASSERT_TRUE(PumpUntil([&] { return WindowPixels(video).Green(179, 20) > 200; }, 5000))
        << "the white top in the middle of the area";
    const WindowPixels shown(video);
    ASSERT_EQ(shown.Width(), 359);
    for (int y : {5, 116, 226}) {
        EXPECT_EQ(shown.At(5, y), 0u) << "left bar at " << y;
        EXPECT_EQ(shown.At(353, y), 0u) << "right bar at " << y;
        EXPECT_EQ(shown.At(110, y), 0u) << "left bar's inner edge at " << y;
    }
    // Top to bottom as the engine shows it: the white top above the dark.
    for (int band = 0; band < 4; ++band)
        EXPECT_NEAR(shown.Green(179, band * 58 + 29), static_cast<unsigned char>(bands[band]), 40) << "band " << band;
    EXPECT_GT(shown.Green(120, 20), 200) << "the picture's left edge";
    EXPECT_GT(shown.Green(238, 20), 200) << "the picture's right edge";
    HoldForPicture("phone-upright");
}

} // namespace
} // namespace korvane::testing
