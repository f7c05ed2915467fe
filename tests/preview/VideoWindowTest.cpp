// TVideoWindow on a real form with the platform's real DirectShow: the
// picture must land inside the control's rectangle and nowhere else.
#include "preview/VideoWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "PreviewMedia.h"
#include "preview/FilterGraph.h"
#include "preview/FilterList.h"
#include "preview/MediaErrors.h"
#include "preview/MediaUnits.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace korvane {
namespace {

using test::MediaFile;

constexpr COLORREF kPanelColor = RGB(0x40, 0x80, 0x40);

// The main window's arrangement in small: a panel holding the video window.
class TPreviewForm : public ui::Form {
public:
    TPreviewForm() : ui::Form("TPreviewTestForm")
    {
        SetBorderStyle(ui::bsSingle);
        SetBounds(20, 20, 10, 10);
        SetClientSize(480, 320);
        panLeft.Place(this, 10, 10, 440, 290);
        panLeft.SetColor(kPanelColor);
        VideoWindow.Place(&panLeft, 34, 6, 359, 232);
        VideoWindow.SetFilterGraph(&FilterGraph);
    }

    TFilterGraph& FilterGraph = MakeNamed<TFilterGraph>("FilterGraph");
    ui::Panel& panLeft = MakeNamed<ui::Panel>("panLeft");
    TVideoWindow& VideoWindow = MakeNamed<TVideoWindow>("VideoWindow");
};

// Screen pixels of a rectangle given in screen coordinates.
class ScreenPixels {
public:
    explicit ScreenPixels(RECT r) : rect_(r), width_(r.right - r.left), height_(r.bottom - r.top)
    {
        ui::WindowDC screen(nullptr);
        ui::MemoryDC memory(screen.Get());
        ui::GdiBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), width_, height_));
        {
            ui::SelectObjectScope select(memory.Get(), bitmap.Get());
            ::BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), r.left, r.top, SRCCOPY);
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels_.assign(static_cast<std::size_t>(width_) * height_, 0);
        ::GetDIBits(memory.Get(), bitmap.Get(), 0, height_, pixels_.data(), &info, DIB_RGB_COLORS);
    }

    // 0x00RRGGBB
    unsigned At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFFu; }
    int CountNot(unsigned rgb) const
    {
        int n = 0;
        for (unsigned p : pixels_)
            n += (p & 0xFFFFFFu) != rgb;
        return n;
    }
    int Count(unsigned rgb) const { return static_cast<int>(pixels_.size()) - CountNot(rgb); }
    int DistinctColours() const
    {
        std::set<unsigned> colours;
        for (unsigned p : pixels_)
            colours.insert(p & 0xFFFFFFu);
        return static_cast<int>(colours.size());
    }
    int Size() const { return static_cast<int>(pixels_.size()); }

private:
    RECT rect_;
    int width_;
    int height_;
    std::vector<unsigned> pixels_;
};

RECT ScreenRect(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// Where a 320 x 240 picture (the test clips') is shown over a control: its
// shape kept, centred, black bars in the rest.
RECT PictureOver(RECT control)
{
    const PictureFit fit = FitPicture(320, 240, control.right - control.left, control.bottom - control.top);
    return RECT{control.left + fit.left, control.top + fit.top, control.left + fit.left + fit.width,
                control.top + fit.top + fit.height};
}

std::string WindowCaption(HWND hwnd)
{
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

constexpr unsigned kPanelRgb = 0x408040;  // kPanelColor as 0x00RRGGBB

class VideoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::App().Initialize();
        ui::App().SetTitle("Korvane Test");
        form = &ui::App().CreateForm<TPreviewForm>();
        form->Show();
        // Other programs' windows on the same display must not cover the
        // pixels the tests read.
        ::SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ui::App().ProcessMessages();
    }
    void TearDown() override
    {
        ui::App().DestroyForms();
        ui::App().ProcessMessages();
        ui::App().ResetTerminated();
        EXPECT_TRUE(dialogs.MessageBoxes().empty()) << dialogs.MessageBoxes().front().Text;
    }

    // What LoadSource does with the preview.
    void Load(const char* file)
    {
        if (!form->FilterGraph.Active())
            form->FilterGraph.SetActive(true);
        form->FilterGraph.EmptyGraph();
        form->FilterGraph.RenderMediaFile(MediaFile(file));
        form->FilterGraph.Play();
        form->VideoWindow.Show();
    }

    RECT VideoRect() { return ScreenRect(form->VideoWindow.Handle()); }

    // Waits (bounded) until the control's rectangle shows the test pattern:
    // mostly non-black and many colours, which no plain background gives.
    bool PictureShown()
    {
        return test::PumpUntil(
            [&] {
                ScreenPixels shown(VideoRect());
                return shown.CountNot(0) > shown.Size() / 2 && shown.DistinctColours() > 16;
            },
            5000);
    }

    ui::ScriptedDialogs dialogs;
    TPreviewForm* form = nullptr;
};

TEST_F(VideoWindowTest, BeforeAnySourceOnlyTheBlackBackgroundShows)
{
    TVideoWindow& video = form->VideoWindow;
    EXPECT_EQ(video.FilterGraph(), &form->FilterGraph);
    EXPECT_EQ(video.Renderer(), nullptr) << "no renderer while the graph is inactive";
    EXPECT_EQ(video.VideoHandle(), video.Handle());
    ::UpdateWindow(form->Handle());
    ScreenPixels shown(VideoRect());
    EXPECT_EQ(shown.Count(0), shown.Size());
}

TEST_F(VideoWindowTest, ActivationAddsTheClassicRendererUnderTheControlsName)
{
    form->FilterGraph.SetActive(true);
    TVideoWindow& video = form->VideoWindow;
    ASSERT_NE(video.Renderer(), nullptr);
    EXPECT_NE(video.VideoWindowInterface(), nullptr);
    CLSID classId{};
    ASSERT_EQ(video.Renderer()->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, CLSID_VideoRenderer));

    TFilterList filters(form->FilterGraph.Graph());
    ASSERT_EQ(filters.Count(), 1u);
    FILTER_INFO info{};
    ASSERT_EQ(filters.Items(0)->QueryFilterInfo(&info), S_OK);
    if (info.pGraph)
        info.pGraph->Release();
    EXPECT_STREQ(info.achName, L"VideoWindow");
    EXPECT_FALSE(video.RendererConnected());
}

TEST_F(VideoWindowTest, PlayingShowsThePictureOverTheControlInItsOwnShape)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    ASSERT_TRUE(video.RendererConnected());

    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle()) << "the renderer's window is found by its caption";
    EXPECT_EQ(::GetParent(renderer), form->panLeft.Handle()) << "a sibling of the control";
    EXPECT_EQ(WindowCaption(renderer), "VideoWindow");
    EXPECT_TRUE(::GetWindowLongA(renderer, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(::IsWindowVisible(renderer));
    const RECT control = VideoRect();
    const RECT shownAt = ScreenRect(renderer);
    const RECT fitted = PictureOver(control);
    EXPECT_EQ(shownAt.left, fitted.left);
    EXPECT_EQ(shownAt.top, control.top);
    EXPECT_EQ(shownAt.right, fitted.right);
    EXPECT_EQ(shownAt.bottom, control.bottom);
    EXPECT_GT(fitted.left, control.left) << "bars beside the 4:3 picture";

    ASSERT_TRUE(PictureShown()) << "the control's rectangle stayed black";
    // The panel around the control keeps its own colour: nothing spills out.
    RECT around = control;
    ::InflateRect(&around, 6, 6);
    ScreenPixels frame(around);
    const int w = around.right - around.left;
    const int h = around.bottom - around.top;
    for (int i = 0; i < w; i += 7) {
        EXPECT_EQ(frame.At(i, 0), kPanelRgb) << "top edge at " << i;
        EXPECT_EQ(frame.At(i, h - 1), kPanelRgb) << "bottom edge at " << i;
    }
    for (int j = 0; j < h; j += 7) {
        EXPECT_EQ(frame.At(0, j), kPanelRgb) << "left edge at " << j;
        EXPECT_EQ(frame.At(w - 1, j), kPanelRgb) << "right edge at " << j;
    }
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, ResizingOrMovingWhilePlayingTakesTheRendererAlong)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());

    struct Case {
        int left, top, width, height;
    } cases[] = {{20, 10, 200, 150}, {40, 30, 200, 150}, {0, 0, 440, 290}};
    for (const Case& c : cases) {
        video.SetBounds(c.left, c.top, c.width, c.height);
        const RECT fitted = PictureOver(VideoRect());
        const RECT shownAt = ScreenRect(renderer);
        EXPECT_EQ(shownAt.left, fitted.left) << c.left << "," << c.top << " " << c.width << "x" << c.height;
        EXPECT_EQ(shownAt.top, fitted.top);
        EXPECT_EQ(shownAt.right, fitted.right);
        EXPECT_EQ(shownAt.bottom, fitted.bottom);
    }
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, ASecondFileIsShownByTheSameRenderer)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    IBaseFilter* const first = video.Renderer();
    ASSERT_NE(first, nullptr);
    Load("clip.mpg");
    EXPECT_EQ(video.Renderer(), first);
    EXPECT_TRUE(video.RendererConnected());
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());
    const RECT fitted = PictureOver(VideoRect());
    const RECT shownAt = ScreenRect(renderer);
    EXPECT_EQ(shownAt.left, fitted.left);
    EXPECT_EQ(shownAt.bottom, fitted.bottom);
    EXPECT_TRUE(PictureShown());
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, FullScreenCoversTheScreenAndComesBackOverTheControl)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());

    video.SetFullScreen(true);
    EXPECT_TRUE(video.FullScreenActive());
    const RECT full = ScreenRect(renderer);
    EXPECT_EQ(full.left, 0);
    EXPECT_EQ(full.top, 0);
    EXPECT_EQ(full.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(full.bottom, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_FALSE(::GetWindowLongA(renderer, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));

    video.SetFullScreen(false);
    EXPECT_FALSE(video.FullScreenActive());
    EXPECT_EQ(::GetParent(renderer), form->panLeft.Handle());
    const RECT back = ScreenRect(renderer);
    const RECT fitted = PictureOver(VideoRect());
    EXPECT_EQ(back.left, fitted.left);
    EXPECT_EQ(back.top, fitted.top);
    EXPECT_EQ(back.right, fitted.right);
    EXPECT_EQ(back.bottom, fitted.bottom);
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, VisibilityOfTheControlIsThatOfTheRenderersWindow)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());
    video.Hide();
    EXPECT_FALSE(::IsWindowVisible(renderer));
    EXPECT_FALSE(::IsWindowVisible(video.Handle()));
    video.Show();
    EXPECT_TRUE(::IsWindowVisible(renderer));
    EXPECT_TRUE(::IsWindowVisible(video.Handle()));
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, ChangingTheModeWhileActiveReplacesTheRenderer)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    ComPtr<IBaseFilter> first = ComPtr<IBaseFilter>::Share(video.Renderer());
    ASSERT_TRUE(first);
    video.SetMode(vmNormal);
    ASSERT_NE(video.Renderer(), nullptr);
    EXPECT_NE(video.Renderer(), first.Get()) << "a new renderer";
    EXPECT_FALSE(TPinList(first.Get()).AnyConnected()) << "the old one was let go";
    TFilterList filters(form->FilterGraph.Graph());
    EXPECT_FALSE(filters.Remove(first.Get())) << "the old renderer left the graph";
    EXPECT_TRUE(filters.Remove(video.Renderer())) << "the new one is in it";
}

TEST_F(VideoWindowTest, OnPaintFollowsTheControlsOwnPainting)
{
    TVideoWindow& video = form->VideoWindow;
    int painted = 0;
    video.OnPaint = [&](ui::Component& sender) {
        EXPECT_EQ(&sender, &video);
        ++painted;
    };
    video.Invalidate();
    ::UpdateWindow(video.Handle());
    EXPECT_GE(painted, 1);
}

TEST_F(VideoWindowTest, AnAudioOnlySourceMovesNoWindowAndRaisesNothing)
{
    try {
        Load("tone.wav");
    } catch (const korvane::EDirectShowException& e) {
        // Without a sound server a sound-only file has nothing to render to.
        if (static_cast<HRESULT>(e.FailureCode) == VFW_E_CANNOT_RENDER && !test::SoundServerRunning())
            GTEST_SKIP() << "no sound server on this bench: " << e.what();
        throw;
    }
    EXPECT_TRUE(test::HasAudioRenderer(form->FilterGraph.Graph()));
    TVideoWindow& video = form->VideoWindow;
    EXPECT_NE(video.Renderer(), nullptr);
    EXPECT_FALSE(video.RendererConnected());
    EXPECT_EQ(video.VideoHandle(), video.Handle());
    video.Hide();
    video.Show();
    ::UpdateWindow(form->Handle());
    ScreenPixels shown(VideoRect());
    EXPECT_EQ(shown.Count(0), shown.Size());
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, DeactivationReleasesTheRendererAndItsWindow)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());
    form->FilterGraph.SetActive(false);
    EXPECT_EQ(video.Renderer(), nullptr);
    EXPECT_EQ(video.VideoWindowInterface(), nullptr);
    EXPECT_EQ(video.VideoHandle(), video.Handle());
    EXPECT_TRUE(!::IsWindow(renderer) || ::GetParent(renderer) != form->panLeft.Handle())
        << "the renderer's window no longer sits in the panel";

    // Activated again, the control gives a fresh renderer.
    form->FilterGraph.SetActive(true);
    EXPECT_NE(video.Renderer(), nullptr);
}

TEST_F(VideoWindowTest, InputOnTheRenderersWindowReachesTheControl)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    std::vector<std::string> log;
    video.OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) {
        log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());
    ::SendMessageA(renderer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
    ::SendMessageA(renderer, WM_LBUTTONUP, 0, MAKELPARAM(12, 34));
    test::PumpUntil([&] { return !log.empty(); }, 1000);
    EXPECT_EQ(log, std::vector<std::string>{"down 12,34"});
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, GraphGoingFirstIsDroppedAndControlGoingFirstDetaches)
{
    TVideoWindow& video = form->VideoWindow;
    form->FilterGraph.SetActive(true);
    delete &video;
    EXPECT_EQ(TFilterList(form->FilterGraph.Graph()).Count(), 0u) << "the control took its renderer along";
    form->FilterGraph.SetActive(false);
    form->FilterGraph.SetActive(true);
    EXPECT_EQ(TFilterList(form->FilterGraph.Graph()).Count(), 0u) << "and is no provider any more";

    auto& graph = form->Make<TFilterGraph>();
    auto& other = form->MakeNamed<TVideoWindow>("OtherVideo");
    other.Place(&form->panLeft, 0, 0, 100, 80);
    other.SetFilterGraph(&graph);
    graph.SetActive(true);
    EXPECT_NE(other.Renderer(), nullptr);
    delete &graph;
    EXPECT_EQ(other.FilterGraph(), nullptr);
    EXPECT_EQ(other.Renderer(), nullptr) << "released when the graph went";
}

// A control whose renderer cannot be let go of, as when it refuses to stop,
// and that counts what the graph tells it.
class TStubbornVideoWindow : public TVideoWindow {
public:
    using TVideoWindow::TVideoWindow;
    void FilterOperation(TFilterOperation operation, int param) override
    {
        if (operation == FilterRemoving && refuse)
            throw EDirectShowException("The renderer refused to stop. ($80004005).", E_FAIL);
        TVideoWindow::FilterOperation(operation, param);
    }
    void ControlEventArrived(TControlEvent code, int param) override
    {
        ++heard;
        TVideoWindow::ControlEventArrived(code, param);
    }
    bool refuse = true;
    int heard = 0;
};

TEST_F(VideoWindowTest, AFailedChangeOfGraphLeavesNoListenerBehind)
{
    auto& graph = form->Make<TFilterGraph>();
    auto& video = form->MakeNamed<TStubbornVideoWindow>("Stubborn");
    video.Place(&form->panLeft, 0, 0, 100, 80);
    video.SetFilterGraph(&graph);
    graph.SetActive(true);
    EXPECT_THROW(video.SetFilterGraph(nullptr), EDirectShowException);
    EXPECT_EQ(video.FilterGraph(), nullptr);
    video.heard = 0;
    // Were the control still listening, this would reach it after it is gone.
    graph.NotifyControlEvent(ControlStop, 0);
    EXPECT_EQ(video.heard, 0);
    EXPECT_EQ(TFilterList(graph.Graph()).Count(), 0u) << "its renderer left the graph all the same";
}

TEST_F(VideoWindowTest, TheContextMenuShowsAtTheMessagesPointOrFullScreenAtTheMouse)
{
    TVideoWindow& video = form->VideoWindow;
    auto& menu = form->Make<ui::PopupMenu>();
    std::vector<std::string> log;
    menu.Add("Normal size", [&](ui::Component& sender) {
        EXPECT_EQ(&sender, &menu);
        log.push_back("chosen");
    });
    menu.OnPopup = [&](ui::Component&) {
        EXPECT_EQ(menu.PopupComponent(), &video);
        log.push_back("menu at " + std::to_string(menu.PopupPoint().x) + "," + std::to_string(menu.PopupPoint().y));
        // The menu's own loop takes these keys: the first item, chosen.
        ::PostMessageA(video.Handle(), WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(video.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    };
    auto previous = form->panLeft.WindowProc;
    form->panLeft.WindowProc = [&](ui::Message& m) {
        if (m.Msg == WM_CONTEXTMENU)
            log.push_back("parent asked");
        previous(m);
    };
    ASSERT_TRUE(::SetCursorPos(300, 200));
    struct Case {
        bool fullScreen;
        bool menu;
        bool autoPopup;
        LRESULT result;
        std::vector<std::string> log;
    } cases[] = {
        {false, true, true, 1, {"menu at 10,20", "chosen"}},
        {true, true, true, 1, {"menu at 300,200", "chosen"}},
        // Full screen the parent lies hidden behind the picture: not asked.
        {true, true, false, 0, {}},
        {true, false, true, 0, {}},
        {false, true, false, 0, {"parent asked"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fullScreen ? "full screen" : "in the window") + (c.menu ? " with menu" : "") +
                     (c.autoPopup ? "" : " no auto pop-up"));
        video.SetFullScreen(c.fullScreen);
        video.SetPopupMenu(c.menu ? &menu : nullptr);
        menu.SetAutoPopup(c.autoPopup);
        log.clear();
        EXPECT_EQ(::SendMessageA(video.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(video.Handle()),
                                 MAKELPARAM(10, 20)),
                  c.result);
        EXPECT_EQ(log, c.log);
    }
    form->panLeft.WindowProc = previous;
    video.SetFullScreen(false);
    delete &menu;
    EXPECT_EQ(video.PopupMenu(), nullptr) << "a menu that goes is dropped";
}

TEST_F(VideoWindowTest, ALimitedResizeKeepsTheRendererOverTheControl)
{
    Load("clip.avi");
    TVideoWindow& video = form->VideoWindow;
    HWND renderer = video.VideoHandle();
    ASSERT_NE(renderer, video.Handle());
    video.SetConstraints(ui::SizeConstraints{0, 0, 0, 200});
    video.OnConstrainedResize = [](ui::Control&, int&, int& minHeight, int& maxWidth, int&) {
        maxWidth = 250;
        minHeight = 150;
    };
    struct Case {
        int width, height, gotWidth, gotHeight;
    } cases[] = {{300, 100, 250, 150}, {200, 300, 200, 200}, {220, 170, 220, 170}};
    for (const Case& c : cases) {
        video.SetBounds(10, 10, c.width, c.height);
        EXPECT_EQ(video.Width(), c.gotWidth) << c.width << "x" << c.height;
        EXPECT_EQ(video.Height(), c.gotHeight) << c.width << "x" << c.height;
        const RECT fitted = PictureOver(VideoRect());
        const RECT shownAt = ScreenRect(renderer);
        EXPECT_EQ(shownAt.left, fitted.left);
        EXPECT_EQ(shownAt.top, fitted.top);
        EXPECT_EQ(shownAt.right, fitted.right);
        EXPECT_EQ(shownAt.bottom, fitted.bottom);
    }
    form->FilterGraph.Stop();
}

TEST_F(VideoWindowTest, TheFormGoesWhilePlayingWithoutReportOrHang)
{
    Load("clip.avi");
    ASSERT_TRUE(PictureShown());
    ui::App().DestroyForms();
    form = nullptr;
    ui::App().ProcessMessages();
    EXPECT_TRUE(dialogs.MessageBoxes().empty());
}

TEST_F(VideoWindowTest, MixingRendererOptions)
{
    TVideoWindow& video = form->VideoWindow;
    TVMROptions& options = video.VMROptions();
    EXPECT_EQ(options.Streams(), 4u);
    EXPECT_EQ(options.Preferences(), vpForceMixer);
    EXPECT_EQ(options.Mode(), vmrWindowed);
    EXPECT_TRUE(options.KeepAspectRatio());
    struct Case {
        std::uint32_t in, stored;
    } cases[] = {{0, 1}, {17, 1}, {16, 16}, {1, 1}, {5, 5}};
    for (const Case& c : cases) {
        options.SetStreams(c.in);
        EXPECT_EQ(options.Streams(), c.stored) << c.in;
    }

    video.SetMode(vmVMR);
    const bool available = TVideoWindow::VMR9Available();
    std::printf("mixing renderer 9 available: %s\n", available ? "yes" : "no");
    EXPECT_EQ(video.Mode(), available ? vmVMR : vmNormal);
    video.SetMode(vmNormal);
}

} // namespace
} // namespace korvane
