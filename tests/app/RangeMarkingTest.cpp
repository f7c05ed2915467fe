// The marked range and the preview controls of the main window, driven
// through its real windows with the real preview: marks from the seek bar's
// position, typed times, the labels over the bar, the length line, Clear, the
// source-loaded gate and the busy state.
#include "tests/app/KorvaneFixture.h"

#include "app/TimeText.h"
#include "app/TimeTextLocale.h"
#include "split/Rounding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace korvane::testing {
namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;
constexpr char kOrderWarning[] = "The End Time should be later than the Start Time.";

std::string LengthLine(const std::string& time)
{
    return "The length of the marked rang is " + time;
}

// Sources made by the build, of exact odd lengths.
std::string RangeVideo(const char* seconds)
{
    return WinePath(std::string(KORVANE_APP_MEDIA_DIR) + "/range" + seconds + ".avi");
}


class RangeMarking : public KorvaneTest {
protected:
    // Loads the source, pauses it and lets the seek bar take its range, as
    // its first tick does one second after playing starts. The graph's events
    // of the start (its new clock among them) are handled before.
    void LoadPaused(const std::string& path)
    {
        Main().LoadSource(path);
        ui::App().ProcessMessages();
        ClickOn(Main().sbtnPausePreview);
        // At the start, so that a mark at 0 is 0 and not the frame it paused on.
        SeekPreviewTo(0);
        Main().tkbProgress.TimerTick();
    }

    // A left click in the middle of a control without a window, through its
    // parent's window as the mouse gives it.
    void ClickOn(ui::Control& control)
    {
        const int x = control.Left() + control.Width() / 2;
        const int y = control.Top() + control.Height() / 2;
        HWND parent = control.Parent()->Handle();
        SendMessageA(parent, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        SendMessageA(parent, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(parent, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    // Marks the start or end at a seek bar position, as if the thumb had been
    // moved there with the keyboard.
    void MarkStartAt(int seconds)
    {
        Main().tkbProgress.SetPosition(seconds);
        ClickOn(Main().sbtnSelStart);
    }
    void MarkEndAt(int seconds)
    {
        Main().tkbProgress.SetPosition(seconds);
        ClickOn(Main().sbtnSelEnd);
    }

    // Typed into the edit and committed with the Enter key.
    void TypeWithEnter(ui::Edit& edit, const std::string& text)
    {
        edit.SetText(text);
        edit.SetFocus();
        PostMessageA(edit.Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(edit.Handle(), WM_KEYUP, VK_RETURN, 0xC01C0001);
        ui::App().ProcessMessages();
    }
    // Typed into the edit, which then loses the focus.
    void TypeAndLeave(ui::Edit& edit, const std::string& text)
    {
        edit.SetFocus();
        edit.SetText(text);
        Main().edtOutputDir.SetFocus();
        ui::App().ProcessMessages();
    }

    IMediaSeeking* Seeking() { return Main().tkbProgress.Seeking(); }
    LONGLONG PreviewPosition()
    {
        LONGLONG p = -1;
        Seeking()->GetCurrentPosition(&p);
        return p;
    }
    void SeekPreviewTo(LONGLONG position)
    {
        LONGLONG stop = 0;
        Seeking()->GetStopPosition(&stop);
        Main().FilterGraph.SetPositions(&position, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
    }

    // Both labels, the selection, the edits and the length line as one text.
    std::string RangeShown()
    {
        TMainForm& m = Main();
        auto label = [](ui::Label& l) { return l.Visible() ? l.Caption() : std::string("-"); };
        return std::to_string(m.tkbProgress.SelStart()) + ".." + std::to_string(m.tkbProgress.SelEnd()) + " " +
               m.edtStart.Text() + " " + m.edtEnd.Text() + " <" + label(m.labStart) + "> <" + label(m.labEnd) +
               "> <" + label(m.labLength) + ">";
    }
};

// --- the source-loaded gate -----------------------------------------------------------

TEST_F(RangeMarking, WithoutASourceNothingIsMarkedAndThePreviewButtonsAreSilent)
{
    Start();
    TMainForm& main = Main();
    ClickOn(main.sbtnSelStart);
    ClickOn(main.sbtnSelEnd);
    TypeWithEnter(main.edtStart, "00:00:05");
    TypeAndLeave(main.edtEnd, "00:00:09");
    ClickOn(main.sbtnErase);
    ClickOn(main.sbtnPlayPreview);
    ClickOn(main.sbtnPausePreview);
    ClickOn(main.sbtnStopPreview);

    // The edits keep what was typed; nothing else moved.
    EXPECT_EQ(RangeShown(), "0..0 00:00:05 00:00:09 <-> <-> <->");
    EXPECT_FALSE(main.FilterGraph.Active());
    EXPECT_FALSE(main.tkbProgress.TimerRunning());
    EXPECT_EQ(main.labCurrent.Caption(), "00:00:00");
    EXPECT_TRUE(Boxes().empty());
}

// --- marking from the preview position ---------------------------------------------------

TEST_F(RangeMarking, MarksFromThePreviewPositionShowLabelsAtTheEndsOfTheSelection)
{
    Start();
    LoadPaused(RangeVideo("125.7"));
    TMainForm& main = Main();
    ASSERT_EQ(main.tkbProgress.Max(), 125);

    // The start first, while the end is still 0: marked as it is, with the warning.
    MarkStartAt(30);
    EXPECT_EQ(RangeShown(), "30..0 00:00:30 00:00:00 <[ 00:00:30> <-> <" + std::string(kOrderWarning) + ">");
    // 30 of 125 along a bar 296 wide that begins at 39: 110.04.
    EXPECT_EQ(main.labStart.Left(), 110);
    EXPECT_EQ(main.labStart.Top(), 289);

    MarkStartAt(0);
    MarkEndAt(90);
    EXPECT_EQ(RangeShown(),
              "0..90 00:00:00 00:01:30 <[ 00:00:00> <00:01:30 ]> <" + LengthLine("00:01:30") + ">");
    EXPECT_EQ(main.labStart.Left(), 39);
    // The end label ends at 90 of 125: 252.12.
    EXPECT_EQ(main.labEnd.Left() + main.labEnd.Width(), 252);
    EXPECT_EQ(main.labEnd.Top(), 289);

    // Start and end independent: the start moves past the end, the end stays.
    MarkStartAt(100);
    EXPECT_EQ(RangeShown(),
              "100..90 00:01:40 00:01:30 <[ 00:01:40> <00:01:30 ]> <" + std::string(kOrderWarning) + ">");
    MarkStartAt(90);
    EXPECT_EQ(main.labLength.Caption(), kOrderWarning) << "equal start and end are no range";
    MarkEndAt(125);
    EXPECT_EQ(main.labLength.Caption(), LengthLine("00:00:35"));
    EXPECT_EQ(main.labEnd.Left() + main.labEnd.Width(), 335);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(RangeMarking, TheMarksLookLightOnTheDarkPanel)
{
    Start();
    TMainForm& main = Main();
    for (ui::Label* label : {&main.labStart, &main.labEnd}) {
        EXPECT_EQ(label->Parent(), &main.panLeft) << label->Name();
        EXPECT_TRUE(label->Transparent()) << label->Name();
        EXPECT_TRUE(label->AutoSize()) << label->Name();
        EXPECT_EQ(label->GetFont().Color, RGB(0xEB, 0xEB, 0xEB)) << label->Name();
        EXPECT_FALSE(label->Visible()) << label->Name();
    }
    EXPECT_EQ(main.labStart.Left(), 32);
    EXPECT_EQ(main.labEnd.Left(), 349);
    EXPECT_EQ(main.labLength.Caption(), "length of the Marked Rang");
    EXPECT_FALSE(main.labLength.Visible());
    for (ui::SpeedButton* b : {&main.sbtnPlayPreview, &main.sbtnPausePreview, &main.sbtnStopPreview,
                               &main.sbtnSelStart, &main.sbtnSelEnd, &main.sbtnErase})
        EXPECT_EQ(b->Tag(), 9999) << b->Caption();
}

TEST_F(RangeMarking, LabelsThatTouchOrOverlapTakeTwoLines)
{
    Start();
    LoadPaused(RangeVideo("125.7"));
    TMainForm& main = Main();
    MarkStartAt(60);
    MarkEndAt(62);
    EXPECT_EQ(main.labStart.Top(), 289);
    EXPECT_EQ(main.labEnd.Top(), 299) << "close marks: the end label one line lower";
    MarkEndAt(120);
    EXPECT_EQ(main.labEnd.Top(), 289) << "apart again: one line";
    // Moving the start label next to the end label moves the end label down.
    MarkStartAt(118);
    EXPECT_EQ(main.labStart.Top(), 289) << "the start label never moves down";
    EXPECT_EQ(main.labEnd.Top(), 299);

    // Touching is overlapping; one pixel between them is apart. The widths
    // of the two labels do not change with the digits, so marks that make
    // them touch can be found on the bar's scale. Which ones exist depends on
    // the font, so the bar's width is chosen along with them.
    const int startWidth = main.labStart.Width();
    const int endWidth = main.labEnd.Width();
    struct Marks {
        int width = 0, start = -1, end = -1;
    };
    auto find = [&](int gap, bool endOnTheRight) {
        for (int width = 100; width < 600; ++width) {
            for (int s = 0; s <= 125; ++s) {
                for (int e = 0; e <= 125; ++e) {
                    const auto startLeft = RoundHalfEven(s / 125.0 * width + 39);
                    const auto endLeft = RoundHalfEven(e / 125.0 * width + 39 - endWidth);
                    const auto between =
                        endOnTheRight ? endLeft - (startLeft + startWidth) : startLeft - (endLeft + endWidth);
                    if (between == gap)
                        return Marks{width, s, e};
                }
            }
        }
        return Marks{};
    };
    struct Case {
        const char* what;
        Marks marks;
        int endTop;
    } cases[] = {
        {"touching", find(0, true), 299},
        {"one pixel apart", find(1, true), 289},
        {"touching on the left", find(0, false), 299},
        {"one pixel apart on the left", find(1, false), 289},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(c.marks.start, 0) << "no such marks";
        main.tkbProgress.SetWidth(c.marks.width);
        MarkStartAt(c.marks.start);
        MarkEndAt(c.marks.end);
        ASSERT_EQ(main.labStart.Width(), startWidth);
        ASSERT_EQ(main.labEnd.Width(), endWidth);
        EXPECT_EQ(main.labEnd.Top(), c.endTop)
            << c.marks.start << " to " << c.marks.end << " on a bar " << c.marks.width << " wide";
    }
    main.tkbProgress.SetWidth(296);
}

// --- typed times ------------------------------------------------------------------------

struct TypedCase {
    const char* name;
    bool end;           // the end edit, else the start edit
    bool withEnter;     // Enter, else leaving the edit
    std::string typed;
    std::string shown;  // RangeShown() afterwards
};

std::string Fraction(const char* whole, const char* fraction)
{
    return std::string(whole) + UserDecimalSeparator() + fraction;
}

void PrintTo(const TypedCase& c, std::ostream* os) { *os << c.name; }

class TypedTimes : public RangeMarking, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedTimes, AreCommittedByEnterOrByLeavingTheEdit)
{
    Start();
    // 60.4 seconds; the start is marked at 4 and the end at 50 first.
    LoadPaused(RangeVideo("60.4"));
    MarkStartAt(4);
    MarkEndAt(50);
    const TypedCase& c = GetParam();
    ui::Edit& edit = c.end ? Main().edtEnd : Main().edtStart;
    if (c.withEnter)
        TypeWithEnter(edit, c.typed);
    else
        TypeAndLeave(edit, c.typed);
    EXPECT_EQ(RangeShown(), c.shown);
    EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypedTimes,
    ::testing::Values(
        TypedCase{"StartWithEnter", false, true, "00:00:20",
                  "20..50 00:00:20 00:00:50 <[ 00:00:20> <00:00:50 ]> <The length of the marked rang is 00:00:30>"},
        TypedCase{"StartLeavingTheEdit", false, false, "0:0:7",
                  "7..50 00:00:07 00:00:50 <[ 00:00:07> <00:00:50 ]> <The length of the marked rang is 00:00:43>"},
        // Halves go to the even second on the bar; the edit, the label and
        // the length keep the fraction to the millisecond.
        TypedCase{"StartTwoAndAHalf", false, true, Fraction("00:00:02", "5"),
                  "2..50 " + Fraction("00:00:02", "500") + " 00:00:50 <[ " + Fraction("00:00:02", "500") +
                      "> <00:00:50 ]> <The length of the marked rang is " + Fraction("00:00:47", "500") + ">"},
        TypedCase{"StartThreeAndAHalf", false, true, Fraction("00:00:03", "5"),
                  "4..50 " + Fraction("00:00:03", "500") + " 00:00:50 <[ " + Fraction("00:00:03", "500") +
                      "> <00:00:50 ]> <The length of the marked rang is " + Fraction("00:00:46", "500") + ">"},
        // Not a time: the edit keeps it, nothing else changes.
        TypedCase{"StartNotATimeWithEnter", false, true, "abc",
                  "4..50 abc 00:00:50 <[ 00:00:04> <00:00:50 ]> <The length of the marked rang is 00:00:46>"},
        TypedCase{"StartNotATimeLeaving", false, false, "00:00",
                  "4..50 00:00 00:00:50 <[ 00:00:04> <00:00:50 ]> <The length of the marked rang is 00:00:46>"},
        // Past the source's end: the selection stops at the duration, the
        // edit keeps the time typed.
        TypedCase{"StartPastTheEnd", false, true, "00:05:00",
                  "60..50 00:05:00 00:00:50 <[ 00:05:00> <00:00:50 ]> <The End Time should be later than the Start "
                  "Time.>"},
        // A time before zero (a negative hour field) is held at the bar's start.
        TypedCase{"StartBeforeZero", false, true, "-1:00:00",
                  "0..50 -1:00:00 00:00:50 <[ -1:00:00> <00:00:50 ]> <The length of the marked rang is 00:00:50>"},
        TypedCase{"EndWithEnter", true, true, "00:00:45",
                  "4..45 00:00:04 00:00:45 <[ 00:00:04> <00:00:45 ]> <The length of the marked rang is 00:00:41>"},
        TypedCase{"EndLeavingTheEdit", true, false, "0:1:0",
                  "4..60 00:00:04 00:01:00 <[ 00:00:04> <00:01:00 ]> <The length of the marked rang is 00:00:56>"},
        // The length runs to the source's end of 60.4 s.
        TypedCase{"EndPastTheEnd", true, true, "00:02:00",
                  "4..60 00:00:04 00:02:00 <[ 00:00:04> <00:02:00 ]> <The length of the marked rang is " +
                      Fraction("00:00:56", "400") + ">"},
        TypedCase{"EndWithAFraction", true, true, Fraction("00:00:10", "6"),
                  "4..11 00:00:04 " + Fraction("00:00:10", "600") + " <[ 00:00:04> <" + Fraction("00:00:10", "600") +
                      " ]> <The length of the marked rang is " + Fraction("00:00:06", "600") + ">"},
        TypedCase{"EndBeforeTheStart", true, false, "00:00:03",
                  "4..3 00:00:04 00:00:03 <[ 00:00:04> <00:00:03 ]> <The End Time should be later than the Start "
                  "Time.>"},
        TypedCase{"EndNotATime", true, true, "1:2",
                  "4..50 00:00:04 1:2 <[ 00:00:04> <00:00:50 ]> <The length of the marked rang is 00:00:46>"}),
    [](const ::testing::TestParamInfo<TypedCase>& param) { return std::string(param.param.name); });

TEST_F(RangeMarking, ATypedEndPastTheSourceGivesTheLengthUpToItsEnd)
{
    Start();
    LoadPaused(RangeVideo("60.4"));
    TypeWithEnter(Main().edtEnd, "00:10:00");
    // From 0 to the duration of 60.4 s.
    EXPECT_EQ(RangeShown(),
              "0..60 00:00:00 00:10:00 <-> <00:10:00 ]> <" + LengthLine(Fraction("00:01:00", "400")) + ">");
    // The end label ends at the bar's end.
    EXPECT_EQ(Main().labEnd.Left() + Main().labEnd.Width(), 335);
}

TEST_F(RangeMarking, OtherKeysAreLeftToTheEdit)
{
    Start();
    LoadPaused(RangeVideo("60.4"));
    Main().edtStart.SetText("00:00:1");
    Main().edtStart.SetFocus();
    Main().edtStart.SetSelection(7, 0);
    SendMessageA(Main().edtStart.Handle(), WM_CHAR, '5', 0);
    EXPECT_EQ(Main().edtStart.Text(), "00:00:15");
    EXPECT_EQ(Main().tkbProgress.SelStart(), 0) << "typing alone commits nothing";
    EXPECT_FALSE(Main().labStart.Visible());
}

// --- clearing ------------------------------------------------------------------------------

TEST_F(RangeMarking, ClearAndANewSourceDropTheRange)
{
    Start();
    LoadPaused(RangeVideo("125.7"));
    const std::string cleared = "0..0 00:00:00 00:00:00 <-> <-> <->";
    MarkStartAt(10);
    MarkEndAt(70);
    ASSERT_NE(RangeShown(), cleared);
    ClickOn(Main().sbtnErase);
    EXPECT_EQ(RangeShown(), cleared);

    MarkStartAt(10);
    TypeWithEnter(Main().edtEnd, "00:01:00");
    ASSERT_NE(RangeShown(), cleared);
    Main().LoadSource(RangeVideo("60.4"));
    EXPECT_EQ(RangeShown(), cleared);
}

// --- the section count ----------------------------------------------------------------------

TEST_F(RangeMarking, AMouseClickInTheSectionCountChoosesEqualSections)
{
    Start();
    TMainForm& main = Main();
    ASSERT_TRUE(main.rdbStartEnd.Checked());
    // Reaching the edit with the keyboard leaves the mode alone.
    main.edtSectionQty.SetFocus();
    ui::App().ProcessMessages();
    EXPECT_TRUE(main.rdbStartEnd.Checked());
    EXPECT_FALSE(main.rdbEqual.Checked());

    SendMessageA(main.edtSectionQty.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(main.edtSectionQty.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(main.rdbEqual.Checked());
    EXPECT_FALSE(main.rdbStartEnd.Checked());
}

// --- the preview controls ----------------------------------------------------------------------

TEST_F(RangeMarking, TheScaleShowsTheSourceAndTheBarKeepsItsRangeUntilItsFirstTick)
{
    Start();
    TMainForm& main = Main();
    EXPECT_EQ(main.tkbProgress.Max(), 10);
    main.LoadSource(RangeVideo("125.7"));
    EXPECT_EQ(main.labLeft.Caption(), "00:00:00");
    EXPECT_EQ(main.labMiddle.Caption(), "00:01:02");
    EXPECT_EQ(main.labRight.Caption(), "00:02:05");
    EXPECT_TRUE(main.tkbProgress.TimerRunning());
    EXPECT_EQ(main.tkbProgress.Max(), 10) << "the old range until the first tick";
    // A position set before the first tick is held in the old range.
    main.tkbProgress.SetPosition(30);
    EXPECT_EQ(main.tkbProgress.Position(), 10);
    main.tkbProgress.TimerTick();
    EXPECT_EQ(main.tkbProgress.Max(), 125);
}

TEST_F(RangeMarking, TheBarFollowsPlaybackIntoTheCurrentLabel)
{
    Start();
    TMainForm& main = Main();
    main.LoadSource(SampleVideo());
    // The bar's own one-second timer, for real.
    ASSERT_TRUE(PumpUntil([&] { return main.labCurrent.Caption() != "00:00:00"; }, 5000));
    EXPECT_EQ(main.tkbProgress.Max(), 20);
    EXPECT_EQ(main.labCurrent.Caption(), SecondsToTimeText(main.tkbProgress.Position()));

    // Paused, the label and the thumb keep their last values.
    ClickOn(main.sbtnPausePreview);
    EXPECT_FALSE(main.tkbProgress.TimerRunning());
    // A tick of the bar while paused reads the same position again.
    const std::string frozen = main.labCurrent.Caption();
    main.tkbProgress.TimerTick();
    EXPECT_EQ(main.labCurrent.Caption(), frozen);
    ClickOn(main.sbtnPlayPreview);
    EXPECT_TRUE(main.tkbProgress.TimerRunning());
    ClickOn(main.sbtnStopPreview);
    EXPECT_FALSE(main.tkbProgress.TimerRunning());
}

TEST_F(RangeMarking, StopAndPauseDoNotRewind)
{
    Start();
    TMainForm& main = Main();
    LoadPaused(RangeVideo("125.7"));
    SeekPreviewTo(30 * kUnitsPerSecond);
    for (ui::SpeedButton* halt : {&main.sbtnStopPreview, &main.sbtnPausePreview}) {
        ClickOn(*halt);
        ClickOn(main.sbtnPlayPreview);
        main.tkbProgress.TimerTick();
        EXPECT_GE(main.tkbProgress.Position(), 30) << halt->Caption();
        EXPECT_LE(main.tkbProgress.Position(), 31) << halt->Caption();
        EXPECT_EQ(main.labCurrent.Caption(), SecondsToTimeText(main.tkbProgress.Position()));
    }
}

TEST_F(RangeMarking, PlayingToTheEndLeavesTheLastWholeSecond)
{
    Start();
    TMainForm& main = Main();
    LoadPaused(RangeVideo("60.4"));
    SeekPreviewTo(59 * kUnitsPerSecond + 9000000);
    ClickOn(main.sbtnPlayPreview);
    // The end of the stream reaches the bar at its next tick.
    ASSERT_TRUE(PumpUntil(
        [&] {
            main.tkbProgress.TimerTick();
            return main.labCurrent.Caption() == "00:01:00";
        },
        5000))
        << PreviewPosition() << " " << main.labCurrent.Caption();
    EXPECT_EQ(main.tkbProgress.Position(), 60);
    EXPECT_TRUE(main.tkbProgress.TimerRunning());
    main.tkbProgress.TimerTick();
    EXPECT_EQ(main.labCurrent.Caption(), "00:01:00");
}

TEST_F(RangeMarking, LettingGoOfTheBarSeeksThePreview)
{
    Start();
    TMainForm& main = Main();
    LoadPaused(RangeVideo("60.4"));
    ASSERT_EQ(main.tkbProgress.Max(), 60);
    main.tkbProgress.SetPosition(30);
    const RECT thumb = main.tkbProgress.ThumbRect();
    const LPARAM at = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    SendMessageA(main.tkbProgress.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(main.tkbProgress.Handle(), WM_LBUTTONUP, 0, at);
    // Half of the stop position of 60.4 s.
    EXPECT_EQ(PreviewPosition(), 302000000);
    main.tkbProgress.TimerTick();
    EXPECT_EQ(main.tkbProgress.Position(), 30);
    EXPECT_EQ(main.labCurrent.Caption(), "00:00:30");
}

// --- the busy state ----------------------------------------------------------------------------

TEST_F(RangeMarking, AJobLocksTheMarksButNotTheEditsAndShowsTheWholeSource)
{
    Start();
    TMainForm& main = Main();
    main.LoadSource(RangeVideo("125.7"));
    ui::App().ProcessMessages();
    main.tkbProgress.TimerTick();
    SeekPreviewTo(40 * kUnitsPerSecond);
    main.tkbProgress.TimerTick();
    MarkStartAt(10);
    MarkEndAt(20);
    const std::string marked = RangeShown();

    main.EnterBusyState();
    EXPECT_FALSE(main.tkbProgress.TimerRunning()) << "the job stops the preview first";
    for (ui::Control* c : std::initializer_list<ui::Control*>{&main.tkbProgress, &main.sbtnSelStart, &main.sbtnSelEnd,
                                                              &main.sbtnErase, &main.sbtnPlayPreview,
                                                              &main.sbtnPausePreview, &main.sbtnStopPreview})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_TRUE(main.edtStart.Enabled());
    EXPECT_TRUE(main.edtEnd.Enabled());
    // Disabled buttons take no mouse clicks.
    MarkStartAt(50);
    ClickOn(main.sbtnErase);
    EXPECT_EQ(RangeShown(), marked);

    main.tmrPreview.Fire();
    EXPECT_EQ(main.labCurrent.Caption(), "00:02:05");
    EXPECT_EQ(main.tkbProgress.Position(), 125) << "126 held at the bar's end";

    main.LeaveBusyState();
    EXPECT_TRUE(main.tkbProgress.Enabled());
    EXPECT_FALSE(main.tkbProgress.TimerRunning()) << "leaving the job starts nothing";
    EXPECT_EQ(main.labCurrent.Caption(), "00:02:05");
    // Play goes on where the job stopped the preview; the first tick shows it.
    ClickOn(main.sbtnPlayPreview);
    EXPECT_TRUE(main.tkbProgress.TimerRunning());
    main.tkbProgress.TimerTick();
    EXPECT_GE(main.tkbProgress.Position(), 40);
    EXPECT_LE(main.tkbProgress.Position(), 41);
    EXPECT_EQ(main.labCurrent.Caption(), SecondsToTimeText(main.tkbProgress.Position()));
}

} // namespace
} // namespace korvane::testing
