// Graphic controls over a panel with a picture: what the screen shows and
// where the mouse goes.
#include "UiTestSupport.h"

namespace {

using namespace uitest;

constexpr COLORREF kSky = RGB(0, 0, 160);
constexpr COLORREF kGrass = RGB(0, 160, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kRed = RGB(220, 0, 0);

// A form with one panel whose picture is 8 x 8: left half sky, right half
// grass, so the tiling and its alignment show in every pixel.
class PicturePanel : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        form = &ui::App().CreateForm<TestForm>();
        panel = &form->MakeNamed<ui::Panel>("panBackground");
        panel->Place(form, 10, 10, 300, 200);
        ui::Bitmap& pic = panel->Picture();
        FillBitmap(pic, 8, 8, kSky);
        ui::BitmapCanvas canvas(pic);
        canvas.FillRect(RECT{4, 0, 8, 8}, kGrass);
    }
    // The panel's own background at one of its points.
    static COLORREF Background(int x, int y)
    {
        (void)y;
        return (x % 8) < 4 ? kSky : kGrass;
    }

    TestForm* form = nullptr;
    ui::Panel* panel = nullptr;
};

TEST_F(PicturePanel, PictureIsTiledFromTheTopLeftCorner)
{
    form->Show();
    Snapshot shot(panel->Handle());
    for (int x : {0, 3, 4, 7, 8, 12, 299})
        EXPECT_EQ(shot.At(x, 5), Background(x, 5)) << "x = " << x;
    EXPECT_EQ(shot.At(13, 199), Background(13, 199));
}

TEST_F(PicturePanel, ImageWithTransparentCornerShowsThePictureThroughIt)
{
    auto& img = form->MakeNamed<ui::Image>("imgStart");
    img.Place(panel, 50, 40, 20, 10);
    img.SetTransparent(true);
    ui::Bitmap& p = img.Picture();
    FillBitmap(p, 20, 10, kRed);
    // The bottom-left pixel gives the transparent colour.
    SetBitmapPixel(p, 0, 9, kMagenta);
    SetBitmapPixel(p, 19, 0, kMagenta);
    form->Show();
    Snapshot shot(panel->Handle());
    EXPECT_EQ(shot.At(55, 45), kRed);
    EXPECT_EQ(shot.At(50, 49), Background(50, 49));
    EXPECT_EQ(shot.At(69, 40), Background(69, 40));
    EXPECT_EQ(shot.At(70, 45), Background(70, 45));
}

TEST_F(PicturePanel, LaterGraphicControlIsDrawnOnTopAndHiddenOneNotAtAll)
{
    auto& below = form->Make<ProbeGraphic>(kRed);
    below.Place(panel, 20, 20, 40, 40);
    auto& above = form->Make<ProbeGraphic>(RGB(250, 250, 0));
    above.Place(panel, 40, 40, 40, 40);
    auto& hidden = form->Make<ProbeGraphic>(RGB(0, 250, 250));
    hidden.Place(panel, 100, 100, 10, 10);
    hidden.Hide();
    form->Show();
    Snapshot shot(panel->Handle());
    EXPECT_EQ(shot.At(25, 25), kRed);
    EXPECT_EQ(shot.At(45, 45), RGB(250, 250, 0));
    EXPECT_EQ(shot.At(105, 105), Background(105, 105));
    // Bringing the lower one to the front repaints the overlap.
    below.BringToFront();
    Snapshot again(panel->Handle());
    EXPECT_EQ(again.At(45, 45), kRed);
}

TEST_F(PicturePanel, TransparentLabelDrawsItsTextOverThePicture)
{
    auto& lab = form->MakeNamed<ui::Label>("labSource");
    lab.Place(panel, 30, 30, 10, 10);
    lab.SetTransparent(true);
    ui::Font f = lab.GetFont();
    f.Color = RGB(255, 255, 255);
    f.Height = -20;
    f.Bold = true;
    lab.SetFont(f);
    lab.SetCaption("MMMM");
    EXPECT_GT(lab.Width(), 20);   // sized to its text
    EXPECT_GT(lab.Height(), 10);
    form->Show();
    Snapshot shot(panel->Handle());
    int white = 0, other = 0;
    for (int y = lab.Top(); y < lab.Top() + lab.Height(); ++y)
        for (int x = lab.Left(); x < lab.Left() + lab.Width(); ++x) {
            const COLORREF c = shot.At(x, y);
            if (c == RGB(255, 255, 255))
                ++white;
            else if (c != Background(x, y))
                ++other;
        }
    EXPECT_GT(white, 20);
    // Transparent: whatever is not text is the picture (anti-aliasing aside).
    EXPECT_LT(other, white);
    EXPECT_EQ(shot.At(lab.Left() - 1, lab.Top()), Background(lab.Left() - 1, lab.Top()));
}

TEST_F(PicturePanel, OpaqueLabelFillsWithItsColour)
{
    auto& lab = form->MakeNamed<ui::Label>("labLength");
    lab.Place(panel, 30, 30, 10, 10);
    lab.SetColor(RGB(250, 250, 250));
    lab.SetCaption("x");
    form->Show();
    Snapshot shot(panel->Handle());
    EXPECT_EQ(shot.At(lab.Left(), lab.Top()), RGB(250, 250, 250));
}

TEST_F(PicturePanel, CheckBoxOverThePictureShowsThePictureAlignedNotGrey)
{
    auto& chk = form->MakeNamed<ui::CheckBox>("chkPreview");
    chk.Place(panel, 101, 60, 150, 17);
    chk.SetCaption("");
    form->Show();
    Snapshot shot(chk.Handle());
    // Far right of the check box, past box and text: its background is the
    // panel's picture at the same spot of the panel.
    int matches = 0;
    for (int x = 100; x < 150; ++x)
        if (shot.At(x, 1) == Background(101 + x, 61))
            ++matches;
    EXPECT_EQ(matches, 50);
}

TEST_F(PicturePanel, SpeedButtonGlyphLeavesOutItsBottomLeftColour)
{
    auto& sbtn = form->MakeNamed<ui::SpeedButton>("sbtnOpen");
    sbtn.Place(panel, 40, 20, 60, 40);
    sbtn.SetFlat(true);
    ui::Bitmap& g = sbtn.Glyph();
    FillBitmap(g, 16, 16, kRed);
    SetBitmapPixel(g, 0, 15, kMagenta);
    SetBitmapPixel(g, 1, 15, kMagenta);
    form->Show();
    Snapshot shot(panel->Handle());
    // No caption: the glyph sits in the middle.
    const int gx = 40 + (60 - 16 + 1) / 2;
    const int gy = 20 + (40 - 16 + 1) / 2;
    EXPECT_EQ(shot.At(gx + 8, gy + 8), kRed);
    EXPECT_EQ(shot.At(gx + 1, gy + 15), Background(gx + 1, gy + 15));
    // Flat and not hovered: no frame, the picture shows at its edge.
    EXPECT_EQ(shot.At(40, 20), Background(40, 20));
}

// --- mouse routing ------------------------------------------------------------------

class MouseRouting : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        form = &ui::App().CreateForm<TestForm>();
        panel = &form->MakeNamed<ui::Panel>("panRight");
        panel->Place(form, 0, 0, 300, 200);
        panel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) {
            panelLog.push_back("down " + std::to_string(x) + "," + std::to_string(y));
        };
        below = &form->Make<ProbeGraphic>(kRed);
        below->Place(panel, 10, 10, 50, 50);
        above = &form->Make<ProbeGraphic>(kGrass);
        above->Place(panel, 30, 30, 50, 50);
        h = panel->Handle();
    }
    TestForm* form = nullptr;
    ui::Panel* panel = nullptr;
    ProbeGraphic* below = nullptr;
    ProbeGraphic* above = nullptr;
    std::vector<std::string> panelLog;
    HWND h = nullptr;
};

TEST_F(MouseRouting, PressAndReleaseFireDownClickUpWithControlCoordinates)
{
    Click(h, 15, 12);
    EXPECT_EQ(below->Log, (std::vector<std::string>{"down 0 5,2", "click", "up 0 5,2"}));
    EXPECT_TRUE(above->Log.empty());
    EXPECT_TRUE(panelLog.empty());
}

TEST_F(MouseRouting, TopmostControlWinsWhereTheyOverlap)
{
    Click(h, 40, 40);
    EXPECT_EQ(above->Log, (std::vector<std::string>{"down 0 10,10", "click", "up 0 10,10"}));
    EXPECT_TRUE(below->Log.empty());
}

TEST_F(MouseRouting, HiddenOrDisabledControlGetsNothing)
{
    above->Hide();
    Click(h, 40, 40);
    EXPECT_TRUE(above->Log.empty());
    EXPECT_EQ(below->Log, (std::vector<std::string>{"down 0 30,30", "click", "up 0 30,30"}));

    below->Log.clear();
    above->Show();
    above->SetEnabled(false);
    below->SetEnabled(false);
    Click(h, 40, 40);
    EXPECT_TRUE(above->Log.empty());
    EXPECT_TRUE(below->Log.empty());
    EXPECT_EQ(panelLog, (std::vector<std::string>{"down 40,40"}));
}

TEST_F(MouseRouting, ReleaseOutsideGoesToThePressedControlWithoutAClick)
{
    MouseDown(h, 15, 15);
    MouseMove(h, 200, 150, MK_LBUTTON);
    MouseUp(h, 200, 150);
    EXPECT_EQ(below->Log, (std::vector<std::string>{"down 0 5,5", "up 0 190,140"}));
    EXPECT_TRUE(panelLog.empty());
    // The next press goes by position again.
    Click(h, 250, 150);
    EXPECT_EQ(panelLog, (std::vector<std::string>{"down 250,150"}));
}

TEST_F(MouseRouting, RightButtonPressReachesTheControlButDoesNotClick)
{
    ::SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(15, 15));
    ::SendMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(15, 15));
    EXPECT_EQ(below->Log, (std::vector<std::string>{"down 1 5,5", "up 1 5,5"}));
}

TEST_F(MouseRouting, EnterAndLeaveFollowTheMouseAcrossControls)
{
    MouseMove(h, 15, 15);
    MouseMove(h, 16, 15);
    MouseMove(h, 40, 40);
    MouseMove(h, 250, 150);
    EXPECT_EQ(below->Log, (std::vector<std::string>{"enter", "leave"}));
    EXPECT_EQ(above->Log, (std::vector<std::string>{"enter", "leave"}));
    MouseMove(h, 40, 40);
    ::SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(above->Log, (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
}

TEST_F(MouseRouting, MoveOverAControlGoesToItNotToThePanel)
{
    std::vector<std::string> moves;
    panel->OnMouseMove = [&](ui::Control&, ui::ShiftState, int x, int y) {
        moves.push_back("panel " + std::to_string(x) + "," + std::to_string(y));
    };
    below->OnMouseMove = [&](ui::Control&, ui::ShiftState, int x, int y) {
        moves.push_back("below " + std::to_string(x) + "," + std::to_string(y));
    };
    MouseMove(h, 12, 13);
    MouseMove(h, 5, 5);
    EXPECT_EQ(moves, (std::vector<std::string>{"below 2,3", "panel 5,5"}));
}

TEST_F(MouseRouting, FlatSpeedButtonLooksFollowHoverPressAndState)
{
    auto& sbtn = form->MakeNamed<ui::SpeedButton>("sbtnPlayPreview");
    sbtn.Place(panel, 150, 100, 56, 22);
    sbtn.SetFlat(true);
    int clicks = 0;
    sbtn.OnClick = [&](ui::Component&) { ++clicks; };
    EXPECT_EQ(sbtn.State(), 0);
    MouseMove(h, 160, 110);
    EXPECT_EQ(sbtn.State(), 1);   // hovered
    MouseDown(h, 160, 110);
    EXPECT_EQ(sbtn.State(), 2);   // pressed
    MouseMove(h, 250, 190, MK_LBUTTON);
    EXPECT_EQ(sbtn.State(), 0);   // dragged off: neither pressed nor hovered
    MouseMove(h, 160, 110, MK_LBUTTON);
    EXPECT_EQ(sbtn.State(), 2);
    MouseUp(h, 160, 110);
    EXPECT_EQ(sbtn.State(), 1);
    EXPECT_EQ(clicks, 1);
    ::SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(sbtn.State(), 0);
    sbtn.SetEnabled(false);
    EXPECT_EQ(sbtn.State(), 3);
    Click(h, 160, 110);
    EXPECT_EQ(clicks, 1);

    // Sticky buttons of one group release each other.
    sbtn.SetEnabled(true);
    auto& other = form->Make<ui::SpeedButton>();
    other.Place(panel, 210, 100, 56, 22);
    sbtn.SetGroupIndex(1);
    other.SetGroupIndex(1);
    Click(h, 160, 110);
    EXPECT_TRUE(sbtn.Down());
    Click(h, 220, 110);
    EXPECT_TRUE(other.Down());
    EXPECT_FALSE(sbtn.Down());
}

TEST_F(MouseRouting, ClickHandlerRunsWithTheMouseCaptureAlreadyReleased)
{
    HWND captureDuringClick = reinterpret_cast<HWND>(1);
    below->OnClick = [&](ui::Component&) { captureDuringClick = ::GetCapture(); };
    MouseDown(h, 15, 15);
    EXPECT_EQ(::GetCapture(), h);
    MouseUp(h, 15, 15);
    EXPECT_EQ(captureDuringClick, nullptr);
}

} // namespace
