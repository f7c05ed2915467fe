// Another object in front of a control's message handling: it sees the
// messages first, can swallow them or pass them on, and can step back out.
#include "UiTestSupport.h"

namespace {

using namespace uitest;

class WindowProcChain : public UiTest {};

TEST_F(WindowProcChain, FrontHandlerSeesAWindowedControlsMessagesBeforeItsEvents)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& panel = form.MakeNamed<ui::Panel>("panel");
    panel.Place(&form, 0, 0, 200, 100);
    std::vector<std::string> seen;
    panel.OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { seen.push_back("event down"); };
    auto previous = panel.WindowProc;
    panel.WindowProc = [&, previous](ui::Message& m) {
        if (m.Msg == WM_LBUTTONDOWN)
            seen.push_back("front down");
        previous(m);
    };
    MouseDown(panel.Handle(), 5, 5);
    MouseUp(panel.Handle(), 5, 5);
    EXPECT_EQ(seen, (std::vector<std::string>{"front down", "event down"}));
}

TEST_F(WindowProcChain, SwallowedMessageNeverReachesTheNativeControl)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& edit = form.MakeNamed<ui::Edit>("edit");
    edit.Place(&form, 10, 10, 100, 21);
    auto previous = edit.WindowProc;
    edit.WindowProc = [previous](ui::Message& m) {
        if (m.Msg == WM_CHAR && m.WParam == 'x')
            return;   // swallowed: the edit never types it
        previous(m);
    };
    HWND h = edit.Handle();
    ::SendMessageA(h, WM_CHAR, 'x', 0);
    ::SendMessageA(h, WM_CHAR, 'y', 0);
    ::SendMessageA(h, WM_CHAR, 'x', 0);
    EXPECT_EQ(edit.Text(), "y");
}

// The framework sits in front of every native control: what the user types
// in any script passes it whole, also after the control's window was made
// again, and the object hears the messages of its new window.
TEST_F(WindowProcChain, TypedTextOutsideTheCodePageReachesTheNativeControlWhole)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& edit = form.MakeNamed<ui::Edit>("edit");
    edit.Place(&form, 10, 10, 100, 21);
    int chars = 0;
    auto previous = edit.WindowProc;
    edit.WindowProc = [&chars, previous](ui::Message& m) {
        if (m.Msg == WM_CHAR)
            ++chars;
        previous(m);
    };
    const std::wstring typed = L"\u0424\u043e\u0442\u043e \u5199\u771f";
    for (int round = 0; round < 2; ++round) {
        HWND h = edit.Handle();
        ::SetWindowTextW(h, L"");
        for (wchar_t c : typed)
            ::SendMessageW(h, WM_CHAR, c, 1);
        wchar_t text[32] = {};
        ::GetWindowTextW(h, text, 32);
        EXPECT_EQ(std::wstring(text), typed) << "round " << round;
        edit.DestroyHandle();
    }
    EXPECT_EQ(chars, 2 * static_cast<int>(typed.size()));
}

TEST_F(WindowProcChain, FrontHandlerCanAnswerInsteadOfTheControl)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& button = form.MakeNamed<ui::Button>("button");
    button.Place(&form, 10, 10, 75, 25);
    constexpr UINT kQuery = 0x2AAA;
    EXPECT_EQ(::SendMessageA(button.Handle(), kQuery, 0, 0), 0);
    auto previous = button.WindowProc;
    button.WindowProc = [previous](ui::Message& m) {
        if (m.Msg == kQuery) {
            m.Result = 1;
            return;
        }
        previous(m);
    };
    EXPECT_EQ(::SendMessageA(button.Handle(), kQuery, 0, 0), 1);
    // Stepping back out restores the plain behaviour.
    button.WindowProc = previous;
    EXPECT_EQ(::SendMessageA(button.Handle(), kQuery, 0, 0), 0);
}

TEST_F(WindowProcChain, GraphicControlMessagesPassThroughItsWindowProc)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& probe = form.Make<ProbeGraphic>(RGB(0, 200, 0));
    probe.Place(&form, 20, 20, 40, 30);
    std::vector<UINT> seen;
    bool swallowDown = true;
    auto previous = probe.WindowProc;
    probe.WindowProc = [&, previous](ui::Message& m) {
        seen.push_back(m.Msg);
        if (swallowDown && m.Msg == WM_LBUTTONDOWN)
            return;
        previous(m);
    };
    HWND h = form.Handle();
    Click(h, 25, 25);
    // Swallowing the press swallows the click as well.
    EXPECT_EQ(probe.Log, (std::vector<std::string>{"up 0 5,5"}));
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_LBUTTONDOWN)), seen.end());
    swallowDown = false;
    probe.Log.clear();
    Click(h, 30, 21);
    EXPECT_EQ(probe.Log, (std::vector<std::string>{"down 0 10,1", "click", "up 0 10,1"}));
}

TEST_F(WindowProcChain, FrontHandlerCanPaintAGraphicControlItself)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& probe = form.Make<ProbeGraphic>(RGB(0, 200, 0));
    probe.Place(&form, 20, 20, 40, 30);
    auto previous = probe.WindowProc;
    probe.WindowProc = [previous](ui::Message& m) {
        if (m.Msg == WM_PAINT) {
            // The HDC comes with the control's own origin and clipping.
            ui::Canvas canvas(reinterpret_cast<HDC>(m.WParam));
            canvas.FillRect(RECT{-100, -100, 1000, 1000}, RGB(200, 0, 0));
            return;
        }
        previous(m);
    };
    form.Show();
    Snapshot shot(form.Handle());
    EXPECT_EQ(shot.At(20, 20), RGB(200, 0, 0));
    EXPECT_EQ(shot.At(59, 49), RGB(200, 0, 0));
    // Clipped to the control: the form around it keeps its own colour.
    EXPECT_EQ(shot.At(19, 20), ui::ColorToRGB(ui::clBtnFace));
    EXPECT_EQ(shot.At(60, 49), ui::ColorToRGB(ui::clBtnFace));
}

} // namespace
