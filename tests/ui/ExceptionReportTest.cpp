// The standard exception report: an exception leaving any handler shows one
// error box captioned with the application title, and the program goes on.
#include "UiTestSupport.h"

#include "ui/Error.h"

namespace {

using namespace uitest;

class ExceptionReport : public UiTest {};

struct DotCase {
    const char* message;
    const char* shown;
};

class ExceptionReportText : public ExceptionReport, public testing::WithParamInterface<DotCase> {};

TEST_P(ExceptionReportText, AddsAFinalDotOnlyWhenMissing)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& btn = form.MakeNamed<ui::Button>("btnStart");
    btn.Place(&form, 10, 10, 75, 25);
    const std::string message = GetParam().message;
    btn.OnClick = [message](ui::Component&) { throw ui::Error(message); };
    ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(btn.Handle()));
    const auto boxes = dialogs.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, GetParam().shown);
    EXPECT_EQ(boxes[0].Caption, "Korvane Test");
    EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].Flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
}

INSTANTIATE_TEST_SUITE_P(Messages, ExceptionReportText,
                         testing::Values(DotCase{"Unable to write to C:\\x.ini", "Unable to write to C:\\x.ini."},
                                         DotCase{"Already ends in a dot.", "Already ends in a dot."},
                                         DotCase{"Exclaims!", "Exclaims!."}));

TEST_F(ExceptionReport, ProgramGoesOnWithTheNextMessage)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& probe = form.Make<ProbeGraphic>(RGB(1, 2, 3));
    probe.Place(&form, 0, 0, 50, 50);
    int clicks = 0;
    probe.OnClick = [&](ui::Component&) {
        if (++clicks == 1)
            throw std::runtime_error("First click fails");
    };
    HWND h = form.Handle();
    Click(h, 5, 5);
    Click(h, 5, 5);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Text, "First click fails.");
    // The failed press left no capture behind.
    EXPECT_NE(::GetCapture(), h);
}

TEST_F(ExceptionReport, TimerTickThatThrowsIsReportedOnce)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& tmr = form.MakeNamed<ui::Timer>("tmrProcess");
    tmr.SetEnabled(false);
    tmr.OnTimer = [](ui::Component&) { throw ui::Error("Tick failed"); };
    // A tick as the window timer delivers it.
    ::SendMessageA(ui::App().UtilityWindow(), WM_TIMER, reinterpret_cast<WPARAM>(&tmr), 0);
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Text, "Tick failed.");
}

TEST_F(ExceptionReport, FailingOnCreateIsReportedAndTheFormStillExists)
{
    struct TBadForm : TestForm {
        TBadForm() : TestForm("TBadForm")
        {
            OnCreate = [](ui::Component&) { throw ui::Error("A list file cannot be read"); };
        }
    };
    auto& form = ui::App().CreateForm<TBadForm>();
    EXPECT_TRUE(form.HandleAllocated());
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Text, "A list file cannot be read.");
}

TEST_F(ExceptionReport, PaintThatThrowsDoesNotLoopForever)
{
    struct Broken : ui::GraphicControl {
        using ui::GraphicControl::GraphicControl;
        int paints = 0;
        void Paint(ui::Canvas&) override
        {
            ++paints;
            throw std::runtime_error("Paint failed");
        }
    };
    auto& form = ui::App().CreateForm<TestForm>();
    auto& broken = form.Make<Broken>();
    broken.Place(&form, 0, 0, 10, 10);
    form.Show();
    ::UpdateWindow(form.Handle());
    ui::App().ProcessMessages();
    // Each failed paint is reported once and validates the window: the
    // queue runs dry instead of repainting forever.
    EXPECT_GE(broken.paints, 1);
    EXPECT_LE(broken.paints, 3);
    EXPECT_EQ(dialogs.MessageBoxes().size(), static_cast<size_t>(broken.paints));
}

} // namespace
