// The standard controls as the program's windows use them.
#include "UiTestSupport.h"

#include "ui/Error.h"

#include <commctrl.h>

namespace {

using namespace uitest;

class StandardControls : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        form = &ui::App().CreateForm<TestForm>();
    }
    TestForm* form = nullptr;
};

bool NativeChecked(ui::WinControl& c)
{
    return ::SendMessageA(c.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

TEST_F(StandardControls, CheckingARadioButtonUnchecksOnlyItsSiblings)
{
    auto& panLeft = form->MakeNamed<ui::Panel>("panLeft");
    panLeft.Place(form, 0, 0, 200, 200);
    auto& panRight = form->MakeNamed<ui::Panel>("panRight");
    panRight.Place(form, 200, 0, 200, 200);
    auto& rdbStartEnd = form->MakeNamed<ui::RadioButton>("rdbStartEnd");
    rdbStartEnd.Place(&panLeft, 10, 10, 150, 17);
    auto& rdbEqual = form->MakeNamed<ui::RadioButton>("rdbEqual");
    rdbEqual.Place(&panLeft, 10, 40, 150, 17);
    auto& other = form->MakeNamed<ui::RadioButton>("rdbOther");
    other.Place(&panRight, 10, 10, 150, 17);

    rdbStartEnd.SetChecked(true);
    other.SetChecked(true);
    rdbEqual.SetChecked(true);
    EXPECT_FALSE(rdbStartEnd.Checked());
    EXPECT_TRUE(rdbEqual.Checked());
    EXPECT_TRUE(other.Checked());
    EXPECT_FALSE(NativeChecked(rdbStartEnd));
    EXPECT_TRUE(NativeChecked(rdbEqual));
    // Only the checked one of a group is a tab stop.
    EXPECT_TRUE(rdbEqual.TabStop());
    EXPECT_FALSE(rdbStartEnd.TabStop());
}

TEST_F(StandardControls, UserClickOnARadioButtonChecksItAndFiresOnClick)
{
    auto& a = form->MakeNamed<ui::RadioButton>("rdbA");
    a.Place(form, 10, 10, 100, 17);
    auto& b = form->MakeNamed<ui::RadioButton>("rdbB");
    b.Place(form, 10, 40, 100, 17);
    a.SetChecked(true);
    int clicks = 0;
    b.OnClick = [&](ui::Component&) { ++clicks; };
    ::SendMessageA(b.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.Checked());
    EXPECT_FALSE(a.Checked());
    EXPECT_TRUE(NativeChecked(b));
}

TEST_F(StandardControls, CheckBoxTogglesOnUserClickButNotOnCodeChangeOfChecked)
{
    auto& chk = form->MakeNamed<ui::CheckBox>("chkOverwrite");
    chk.Place(form, 10, 10, 150, 17);
    int clicks = 0;
    chk.OnClick = [&](ui::Component&) { ++clicks; };
    chk.SetChecked(true);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(NativeChecked(chk));
    ::SendMessageA(chk.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(chk.Checked());
    EXPECT_FALSE(NativeChecked(chk));
}

TEST_F(StandardControls, ComboBoxFiresOnChangeForTheUsersChoiceOnly)
{
    auto& cmb = form->MakeNamed<ui::ComboBox>("cmbProfile");
    cmb.Place(form, 10, 10, 185, 21);
    cmb.Add("Alpha");
    cmb.Add("Beta");
    cmb.Add("Gamma");
    std::vector<std::string> changes;
    cmb.OnChange = [&](ui::Component&) { changes.push_back(cmb.Text()); };
    cmb.SetItemIndex(0);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(cmb.Text(), "Alpha");
    // The arrow key in a closed list moves the choice, as a user would.
    ::SendMessageA(cmb.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(changes, (std::vector<std::string>{"Beta"}));
    EXPECT_EQ(cmb.ItemIndex(), 1);
    cmb.SetText("gamma");   // matched without regard to case
    EXPECT_EQ(cmb.ItemIndex(), 2);
    cmb.Clear();
    EXPECT_EQ(cmb.ItemIndex(), -1);
    EXPECT_EQ(cmb.Text(), "");
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(StandardControls, ComboBoxKeepsItemsAndChoiceMadeBeforeItsWindow)
{
    auto& cmb = form->Make<ui::ComboBox>();
    cmb.Add("One");
    cmb.Add("Two");
    cmb.SetItemIndex(1);
    cmb.Place(form, 10, 10, 100, 21);   // the window is made here
    EXPECT_EQ(::SendMessageA(cmb.Handle(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(cmb.ItemIndex(), 1);
    EXPECT_EQ(cmb.Text(), "Two");
}

TEST_F(StandardControls, EditFiresOnChangeForTypingAndForCodeAndKeepsItsLimit)
{
    auto& edt = form->MakeNamed<ui::Edit>("edtSectionQty");
    edt.Place(form, 10, 10, 49, 21);
    edt.SetMaxLength(3);
    int changes = 0;
    edt.OnChange = [&](ui::Component&) { ++changes; };
    edt.SetText("12");
    EXPECT_EQ(changes, 1);
    edt.SetSelection(2, 0);
    for (char c : std::string("345"))
        ::SendMessageA(edt.Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(edt.Text(), "123");
    EXPECT_EQ(changes, 2);
}

TEST_F(StandardControls, EditClickFiresOnClick)
{
    auto& edt = form->MakeNamed<ui::Edit>("edtSectionQty");
    edt.Place(form, 10, 10, 49, 21);
    int clicks = 0;
    edt.OnClick = [&](ui::Component&) { ++clicks; };
    Click(edt.Handle(), 5, 5);
    EXPECT_EQ(clicks, 1);
}

TEST_F(StandardControls, TrackBarReportsUserMovesAndClampsPositionsFromCode)
{
    auto& tkb = form->MakeNamed<ui::TrackBar>("tkbProgress");
    tkb.Place(form, 39, 67, 296, 30);
    tkb.SetFrequency(60);
    tkb.SetThumbLength(8);
    tkb.SetRange(0, 100);
    tkb.SetSelStart(10);
    tkb.SetSelEnd(20);
    int changes = 0;
    tkb.OnChange = [&](ui::Component&) { ++changes; };
    tkb.SetPosition(150);
    EXPECT_EQ(tkb.Position(), 100);
    EXPECT_EQ(changes, 0);
    tkb.SetPosition(50);
    ::SendMessageA(tkb.Handle(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(tkb.Position(), 51);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(::SendMessageA(tkb.Handle(), TBM_GETSELSTART, 0, 0), 10);
    EXPECT_EQ(::SendMessageA(tkb.Handle(), TBM_GETSELEND, 0, 0), 20);
    const RECT thumb = tkb.ThumbRect();
    EXPECT_EQ(thumb.bottom - thumb.top, 8) << "thumb length across a horizontal bar";
}

TEST_F(StandardControls, TrackBarMouseUpReachesADerivedSeekBar)
{
    struct SeekBar : ui::TrackBar {
        using ui::TrackBar::TrackBar;
        std::vector<std::string> log;
        void MouseDown(ui::MouseButton b, ui::ShiftState s, int x, int y) override
        {
            log.push_back("down");
            ui::TrackBar::MouseDown(b, s, x, y);
        }
        void MouseUp(ui::MouseButton b, ui::ShiftState s, int x, int y) override
        {
            log.push_back("up at " + std::to_string(Position()));
            ui::TrackBar::MouseUp(b, s, x, y);
        }
    };
    auto& bar = form->Make<SeekBar>();
    bar.Place(form, 10, 10, 200, 30);
    bar.SetRange(0, 10);
    Click(bar.Handle(), 190, 15);
    ASSERT_EQ(bar.log.size(), 2u);
    EXPECT_EQ(bar.log[0], "down");
    EXPECT_EQ(bar.log[1].rfind("up at ", 0), 0u);
}

TEST_F(StandardControls, BitBtnDrawsItsGlyphAndClicks)
{
    auto& bbtn = form->MakeNamed<ui::BitBtn>("bbtnBrowse");
    bbtn.Place(form, 20, 20, 65, 30);
    ui::Bitmap& g = bbtn.Glyph();
    FillBitmap(g, 16, 16, RGB(200, 0, 0));
    SetBitmapPixel(g, 0, 15, RGB(255, 0, 255));
    int clicks = 0;
    bbtn.OnClick = [&](ui::Component&) { ++clicks; };
    form->Show();
    Snapshot shot(bbtn.Handle());
    // No caption: the glyph is centred; its transparent corner shows the face.
    const int gx = (shot.Width() - 16 + 1) / 2;
    const int gy = (shot.Height() - 16 + 1) / 2;
    EXPECT_EQ(shot.At(gx + 8, gy + 8), RGB(200, 0, 0));
    EXPECT_NE(shot.At(gx, gy + 15), RGB(255, 0, 255));
    ::SendMessageA(bbtn.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(StandardControls, ProgressBarClampsToItsRange)
{
    auto& pgb = form->MakeNamed<ui::ProgressBar>("pgbTotal");
    pgb.Place(form, 67, 81, 270, 17);
    pgb.SetPosition(150);
    EXPECT_EQ(pgb.Position(), 100);
    EXPECT_EQ(::SendMessageA(pgb.Handle(), PBM_GETPOS, 0, 0), 100);
    pgb.SetPosition(-5);
    EXPECT_EQ(::SendMessageA(pgb.Handle(), PBM_GETPOS, 0, 0), 0);
}

TEST_F(StandardControls, RightAlignedAutoSizeLabelKeepsItsRightEdge)
{
    auto& lab = form->MakeNamed<ui::Label>("labRight");
    lab.Place(form, 256, 249, 80, 13);
    lab.SetAlignment(ui::taRightJustify);
    lab.SetCaption("00:00:00");
    EXPECT_EQ(lab.Left() + lab.Width(), 336);
    lab.SetCaption("00:00:00 and more");
    EXPECT_EQ(lab.Left() + lab.Width(), 336);
    EXPECT_LT(lab.Left(), 256);
}

TEST_F(StandardControls, AutoSizeLabelFitsItsTextOnceTheFormIsLoaded)
{
    struct TLabelForm : TestForm {
        TLabelForm() : TestForm("TLabelForm")
        {
            labElapsed.SetCaption("00:00:00");
            labElapsed.Place(this, 67, 116, 100, 40);   // bounds given after the caption
        }
        ui::Label& labElapsed = MakeNamed<ui::Label>("labElapsed");
    };
    auto& f = ui::App().CreateForm<TLabelForm>();
    EXPECT_LT(f.labElapsed.Width(), 100);
    EXPECT_LT(f.labElapsed.Height(), 40);
    EXPECT_GT(f.labElapsed.Width(), 10);
}

TEST_F(StandardControls, HintShowsAfterThePauseAndGoesWithTheMouse)
{
    auto& img = form->MakeNamed<ui::Image>("imgStart");
    img.Place(form, 20, 20, 50, 30);
    img.SetHint("Start splitting");
    img.SetShowHint(true);
    auto& plain = form->MakeNamed<ui::Image>("imgPlain");
    plain.Place(form, 100, 20, 50, 30);
    form->Show();
    HWND h = form->Handle();
    MouseMove(h, 30, 30);
    EXPECT_EQ(ui::App().HintControl(), &img);
    ui::App().ShowPendingHint();
    ASSERT_NE(ui::App().HintWindow(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(ui::App().HintWindow()));
    char text[64] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = ui::App().HintWindow();
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageA(ui::App().HintWindow(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, "Start splitting");
    // Onto a control without a hint: the hint goes.
    MouseMove(h, 110, 30);
    EXPECT_EQ(ui::App().HintControl(), nullptr);
    EXPECT_FALSE(::IsWindowVisible(ui::App().HintWindow()));
}

TEST_F(StandardControls, DisablingTheFocusedControlGivesTheFocusToItsForm)
{
    auto& edt = form->MakeNamed<ui::Edit>("edtStart");
    edt.Place(form, 10, 10, 80, 21);
    form->Show();
    ::SetForegroundWindow(form->Handle());
    edt.SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edt.Focused(); }));
    edt.SetEnabled(false);
    EXPECT_EQ(::GetFocus(), form->Handle());
}

TEST_F(StandardControls, LabelShowsAmpersandUnlessAskedForAccelerators)
{
    auto& lab = form->MakeNamed<ui::Label>("labAmp");
    lab.SetCaption("A&&B");
    const int plain = lab.Width();
    lab.SetShowAccelChar(true);
    EXPECT_LT(lab.Width(), plain);   // "&&" becomes one "&"
}

TEST_F(StandardControls, ButtonClickSetsTheFormsModalResult)
{
    auto& btn = form->MakeNamed<ui::Button>("btnOK");
    btn.Place(form, 10, 10, 75, 25);
    btn.SetModalResult(ui::mrOk);
    ::PostMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(btn.Handle()));
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
    EXPECT_FALSE(form->Visible());
}

TEST_F(StandardControls, TimerFireRunsOnTimerAndAStaleTickIsIgnored)
{
    auto* tmr = &form->MakeNamed<ui::Timer>("tmrPreview");
    int ticks = 0;
    tmr->OnTimer = [&](ui::Component&) { ++ticks; };
    tmr->SetEnabled(false);
    tmr->Fire();
    EXPECT_EQ(ticks, 1);
    ::SendMessageA(ui::App().UtilityWindow(), WM_TIMER, reinterpret_cast<WPARAM>(tmr), 0);
    EXPECT_EQ(ticks, 2);   // a tick in flight still counts while the timer lives
    const WPARAM id = reinterpret_cast<WPARAM>(tmr);
    delete tmr;
    ::SendMessageA(ui::App().UtilityWindow(), WM_TIMER, id, 0);
    EXPECT_EQ(ticks, 2);
}

TEST_F(StandardControls, ImageListCutsAStripAndGivesBackEachPicture)
{
    auto& igl = form->MakeNamed<ui::ImageList>("iglStart");
    igl.SetSize(4, 2);
    ui::Bitmap strip;
    FillBitmap(strip, 12, 2, RGB(255, 0, 255));
    {
        ui::BitmapCanvas c(strip);
        c.FillRect(RECT{1, 0, 4, 1}, RGB(10, 0, 0));
        c.FillRect(RECT{5, 0, 8, 1}, RGB(20, 0, 0));
        c.FillRect(RECT{9, 0, 12, 1}, RGB(30, 0, 0));
    }
    EXPECT_EQ(igl.Add(strip), 0);
    ASSERT_EQ(igl.Count(), 3);
    ui::Bitmap one;
    igl.GetBitmap(1, one);
    EXPECT_EQ(one.Width(), 4);
    EXPECT_EQ(one.Height(), 2);
    EXPECT_EQ(one.Pixel(1, 0), RGB(20, 0, 0));
    EXPECT_EQ(one.TransparentColor(), RGB(255, 0, 255));
    EXPECT_THROW(igl.GetBitmap(3, one), ui::Error);

    // Drawn transparent: the magenta parts leave the target as it was.
    ui::Bitmap target;
    FillBitmap(target, 4, 2, RGB(0, 0, 99));
    {
        ui::BitmapCanvas c(target);
        igl.Draw(c, 0, 0, 2);
    }
    EXPECT_EQ(target.Pixel(0, 0), RGB(0, 0, 99));
    EXPECT_EQ(target.Pixel(2, 0), RGB(30, 0, 0));
    EXPECT_EQ(target.Pixel(2, 1), RGB(0, 0, 99));
}

// Pictures from files and resources keep their own format: 24-bit rows
// stored bottom-up here. A part drawn transparent takes the right pixels and
// leaves the target where the key colour is.
TEST_F(StandardControls, APartOfABottomUpPictureDrawsLeavingOutItsKey)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 3;
    bi.bmiHeader.biHeight = 2;   // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    ui::Bitmap picture;
    picture.Attach(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_NE(bits, nullptr);
    {
        ui::BitmapCanvas c(picture);
        c.FillRect(RECT{0, 0, 3, 2}, RGB(255, 0, 255));
        c.FillRect(RECT{1, 0, 2, 1}, RGB(10, 20, 30));
        c.FillRect(RECT{2, 1, 3, 2}, RGB(40, 50, 60));
    }
    picture.SetTransparentColor(RGB(255, 0, 255));
    ui::Bitmap target;
    FillBitmap(target, 4, 3, RGB(0, 0, 99));
    {
        ui::BitmapCanvas c(target);
        picture.DrawPart(c.Handle(), 1, 1, RECT{1, 0, 3, 2}, true);
    }
    EXPECT_EQ(target.Pixel(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(target.Pixel(2, 1), RGB(0, 0, 99));
    EXPECT_EQ(target.Pixel(1, 2), RGB(0, 0, 99));
    EXPECT_EQ(target.Pixel(2, 2), RGB(40, 50, 60));
    EXPECT_EQ(target.Pixel(0, 1), RGB(0, 0, 99));
    EXPECT_EQ(target.Pixel(3, 2), RGB(0, 0, 99));
}

TEST_F(StandardControls, DrawingOnAnImagesPictureRepaintsIt)
{
    auto& img = form->MakeNamed<ui::Image>("imgCancel");
    img.Place(form, 10, 10, 20, 20);
    FillBitmap(img.Picture(), 20, 20, RGB(0, 90, 0));
    form->Show();
    Snapshot before(form->Handle());
    EXPECT_EQ(before.At(15, 15), RGB(0, 90, 0));
    {
        ui::BitmapCanvas c(img.Picture());
        c.FillRect(RECT{0, 0, 20, 20}, RGB(90, 0, 0));
    }
    Snapshot after(form->Handle());
    EXPECT_EQ(after.At(15, 15), RGB(90, 0, 0));
}

} // namespace
