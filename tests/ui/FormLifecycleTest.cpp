// Forms: creation order and steps, window class names, the "Name" property,
// closing (also from inside a running handler), keyboard navigation.
#include "UiTestSupport.h"

#include <cctype>

namespace {

using namespace uitest;

std::vector<std::string>* gLog = nullptr;   // the running test's log

class LoadProbe : public ui::Component {
public:
    explicit LoadProbe(ui::Component* owner) : ui::Component(owner) {}
    void Loaded() override
    {
        auto* form = dynamic_cast<ui::Form*>(Owner());
        gLog->push_back(std::string("loaded, sibling ") + (Owner()->FindComponent("edtLater") ? "exists" : "missing") +
                        ", window " + (form && form->HandleAllocated() ? "exists" : "missing"));
    }
};

class TMainForm : public TestForm {
public:
    TMainForm() : TestForm("TMainForm")
    {
        MakeNamed<LoadProbe>("probe");
        edtLater.Place(this, 10, 10, 100, 21);
        OnCreate = [this](ui::Component&) {
            gLog->push_back(std::string("main created, edit window ") +
                            (edtLater.HandleAllocated() ? "exists" : "missing") + ", visible " +
                            (::IsWindowVisible(Handle()) ? "yes" : "no"));
        };
    }
    ui::Edit& edtLater = MakeNamed<ui::Edit>("edtLater");
};

class TSettingForm : public TestForm {
public:
    TSettingForm() : TestForm("TSettingForm")
    {
        OnCreate = [](ui::Component&) { gLog->push_back("settings created"); };
    }
};

class Forms : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        gLog = &log;
    }
    void TearDown() override
    {
        UiTest::TearDown();
        gLog = nullptr;
    }
    std::vector<std::string> log;
};

TEST_F(Forms, CreateFormLoadsThenMakesTheWindowHiddenThenFiresOnCreate)
{
    auto& main = ui::App().CreateForm<TMainForm>();
    auto& settings = ui::App().CreateForm<TSettingForm>();
    EXPECT_EQ(log, (std::vector<std::string>{"loaded, sibling exists, window missing",
                                             "main created, edit window exists, visible no", "settings created"}));
    EXPECT_EQ(ui::App().MainForm(), &main);
    EXPECT_NE(ui::App().MainForm(), &settings);
}

TEST_F(Forms, WindowClassIsTheFormsClassName)
{
    auto& main = ui::App().CreateForm<TMainForm>();
    auto& settings = ui::App().CreateForm<TSettingForm>();
    auto& second = ui::App().CreateForm<TSettingForm>();   // same class registered once
    char name[64] = {};
    ::GetClassNameA(main.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TMainForm");
    ::GetClassNameA(settings.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TSettingForm");
    ::GetClassNameA(second.Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TSettingForm");
    EXPECT_EQ(ui::WinControl::FromHandle(settings.Handle()), &settings);
    // Secondary forms are owned by the main form's window.
    EXPECT_EQ(::GetWindow(settings.Handle(), GW_OWNER), main.Handle());
}

TEST_F(Forms, ClientSizeIsWhatWasAskedFor)
{
    auto& form = ui::App().CreateForm<TestForm>();
    form.SetBorderStyle(ui::bsDialog);
    form.SetClientSize(476, 330);
    RECT r{};
    ::GetClientRect(form.Handle(), &r);
    EXPECT_EQ(r.right, 476);
    EXPECT_EQ(r.bottom, 330);
    EXPECT_EQ(form.ClientWidth(), 476);
}

TEST_F(Forms, WindowedControlsCarryTheirNameAsAGlobalAtom)
{
    // Global atoms are shared by every process of the session: names no
    // running program uses, so their release can be seen.
    auto& main = ui::App().CreateForm<TMainForm>();
    auto& panel = main.MakeNamed<ui::Panel>("panAtomProbe");
    panel.Place(&main, 0, 0, 100, 50);
    auto& combo = main.MakeNamed<ui::ComboBox>("cmbAtomProbe");
    combo.Place(&panel, 5, 5, 80, 21);
    EXPECT_EQ(AtomName(main.edtLater.Handle(), "Name"), "edtLater");
    EXPECT_EQ(AtomName(panel.Handle(), "Name"), "panAtomProbe");
    EXPECT_EQ(AtomName(combo.Handle(), "Name"), "cmbAtomProbe");

    combo.SetName("cmbAtomProbeRenamed");
    EXPECT_EQ(AtomName(combo.Handle(), "Name"), "cmbAtomProbeRenamed");
    EXPECT_EQ(::GlobalFindAtomA("cmbAtomProbe"), 0);
    combo.DestroyHandle();
    EXPECT_EQ(::GlobalFindAtomA("cmbAtomProbeRenamed"), 0);
}

TEST_F(Forms, DestroyFormsFiresOnDestroyWhileEveryControlIsAlive)
{
    auto& main = ui::App().CreateForm<TMainForm>();
    main.OnDestroy = [&main](ui::Component&) {
        gLog->push_back("destroy, edit " + std::string(main.edtLater.HandleAllocated() ? "alive" : "gone"));
    };
    HWND h = main.Handle();
    log.clear();
    ui::App().DestroyForms();
    EXPECT_EQ(log, (std::vector<std::string>{"destroy, edit alive"}));
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(ui::App().MainForm(), nullptr);
}

// --- closing --------------------------------------------------------------------

class TJobForm : public TestForm {
public:
    TJobForm() : TestForm("TJobForm")
    {
        btnStart.Place(this, 10, 10, 75, 25);
        btnStart.OnClick = [this](ui::Component&) { StartClick(); };
        OnClose = [this](ui::Form&, ui::CloseAction&) { ++closes; };
    }
    // Like a job: pumps messages until the application ends, then goes on
    // using its form.
    void StartClick()
    {
        const HWND window = HandleIfAllocated();
        const HWND button = btnStart.HandleIfAllocated();
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        int rounds = 0;
        while (!ui::App().Terminated() && rounds++ < 1000) {
            ui::App().ProcessMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        // The very windows the job started with are still there.
        jobSawWindow = ::IsWindow(window) && ::IsWindow(button) && HandleIfAllocated() == window &&
            btnStart.HandleIfAllocated() == button;
        SetCaption("job ended");
        jobReturned = true;
    }
    ui::Button& btnStart = MakeNamed<ui::Button>("btnStart");
    int closes = 0;
    bool jobSawWindow = false;
    bool jobReturned = false;
};

TEST_F(Forms, ClosingTheMainFormInsideARunningHandlerEndsTheRunAfterItReturns)
{
    auto& form = ui::App().CreateForm<TJobForm>();
    // The click arrives as the button's real notification, once the loop runs.
    ::PostMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(form.btnStart.Handle()));
    ui::App().Run();
    EXPECT_TRUE(form.jobReturned);
    EXPECT_TRUE(form.jobSawWindow);
    EXPECT_EQ(form.Caption(), "job ended");
    EXPECT_EQ(form.closes, 1);
    EXPECT_TRUE(ui::App().Terminated());
    EXPECT_FALSE(::IsWindowVisible(form.Handle()));
}

TEST_F(Forms, RunIsIdleOnlyOnceTheShownFormAndItsControlsArePainted)
{
    auto& form = ui::App().CreateForm<TJobForm>();
    int calls = 0;
    bool painted = false;
    ui::App().OnIdle = [&] {
        ++calls;
        RECT r{};
        painted = ::IsWindowVisible(form.Handle()) && !::GetUpdateRect(form.Handle(), &r, FALSE) &&
            !::GetUpdateRect(form.btnStart.Handle(), &r, FALSE);
        // It may clear itself while it runs.
        ui::App().OnIdle = nullptr;
        form.Close();
    };
    ui::App().Run();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(painted);
}

TEST_F(Forms, RefusedCloseQueryKeepsTheFormOpenAndSkipsOnClose)
{
    auto& form = ui::App().CreateForm<TJobForm>();
    form.OnCloseQuery = [](ui::Form&, bool& canClose) { canClose = false; };
    form.Show();
    ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindowVisible(form.Handle()));
    EXPECT_EQ(form.closes, 0);
    EXPECT_FALSE(ui::App().Terminated());
}

TEST_F(Forms, OnCloseWithNoneKeepsTheFormOpen)
{
    auto& form = ui::App().CreateForm<TestForm>();
    form.OnClose = [](ui::Form&, ui::CloseAction& action) { action = ui::caNone; };
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_FALSE(ui::App().Terminated());
}

TEST_F(Forms, ClosingASecondaryFormOnlyHidesIt)
{
    auto& main = ui::App().CreateForm<TestForm>("TMainForm");
    auto& about = ui::App().CreateForm<TestForm>("TAboutForm");
    std::vector<std::string> events;
    about.OnShow = [&](ui::Component&) { events.push_back("show"); };
    about.OnHide = [&](ui::Component&) { events.push_back("hide"); };
    main.Show();
    about.Show();
    EXPECT_TRUE(::IsWindowVisible(about.Handle()));
    ::SendMessageA(about.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(about.Handle()));
    EXPECT_TRUE(::IsWindow(about.Handle()));
    EXPECT_FALSE(ui::App().Terminated());
    EXPECT_EQ(events, (std::vector<std::string>{"show", "hide"}));
    // It comes back as it was.
    about.Show();
    EXPECT_TRUE(::IsWindowVisible(about.Handle()));
}

TEST_F(Forms, MainFormCenteredDialogSitsOverTheMainForm)
{
    auto& main = ui::App().CreateForm<TestForm>("TMainForm");
    main.SetBounds(100, 100, 600, 400);
    auto& dlg = ui::App().CreateForm<TestForm>("TSizeForm");
    dlg.SetClientSize(200, 100);
    dlg.SetPosition(ui::poMainFormCenter);
    main.Show();
    dlg.Show();
    RECT m{}, d{};
    ::GetWindowRect(main.Handle(), &m);
    ::GetWindowRect(dlg.Handle(), &d);
    EXPECT_NEAR((d.left + d.right) / 2, (m.left + m.right) / 2, 1);
    EXPECT_NEAR((d.top + d.bottom) / 2, (m.top + m.bottom) / 2, 1);
}

TEST_F(Forms, FormsListsEveryFormTopmostFirst)
{
    auto& main = ui::App().CreateForm<TestForm>("TMainForm");
    auto& other = ui::App().CreateForm<TestForm>("TAboutForm");
    main.Show();
    other.Show();
    auto forms = ui::App().Forms();
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(forms[0], &other);   // owned windows lie above their owner
    EXPECT_EQ(forms[1], &main);
}

// --- keyboard -------------------------------------------------------------------

class Keyboard : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        form = &ui::App().CreateForm<TestForm>();
        first = &form->MakeNamed<ui::Edit>("edtStart");
        first->Place(form, 10, 10, 80, 21);
        second = &form->MakeNamed<ui::Edit>("edtEnd");
        second->Place(form, 10, 40, 80, 21);
        ok = &form->MakeNamed<ui::Button>("btnOK");
        ok->Place(form, 10, 80, 75, 25);
        ok->SetDefault(true);
        cancel = &form->MakeNamed<ui::Button>("btnCancel");
        cancel->Place(form, 100, 80, 75, 25);
        cancel->SetCancel(true);
        for (ui::WinControl* c : {static_cast<ui::WinControl*>(first), static_cast<ui::WinControl*>(second)}) {
            c->OnEnter = [this](ui::Component& s) { events.push_back("enter " + s.Name()); };
            c->OnExit = [this](ui::Component& s) { events.push_back("exit " + s.Name()); };
        }
        ok->OnClick = [this](ui::Component&) { events.push_back("ok"); };
        cancel->OnClick = [this](ui::Component&) { events.push_back("cancel"); };
        form->Show();
        ::SetForegroundWindow(form->Handle());
        first->SetFocus();
        EXPECT_TRUE(PumpUntil([this] { return first->Focused(); })) << "the first edit never took the focus";
    }
    void Press(WORD key)
    {
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 1);
        ::PostMessageA(::GetFocus(), WM_KEYUP, key, 0xC0000001);
        ui::App().ProcessMessages();
    }
    TestForm* form = nullptr;
    ui::Edit* first = nullptr;
    ui::Edit* second = nullptr;
    ui::Button* ok = nullptr;
    ui::Button* cancel = nullptr;
    std::vector<std::string> events;
};

TEST_F(Keyboard, TabMovesTheFocusInTabOrderWithExitThenEnter)
{
    ASSERT_TRUE(first->Focused());
    events.clear();
    Press(VK_TAB);
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(form->ActiveControl(), second);
    EXPECT_EQ(events, (std::vector<std::string>{"exit edtStart", "enter edtEnd"}));

    // Tab order, not creation order, decides.
    second->SetTabOrder(0);
    first->SetFocus();
    Press(VK_TAB);
    EXPECT_TRUE(ok->Focused());
}

TEST_F(Keyboard, EnterClicksTheDefaultButtonAndEscapeTheCancelButton)
{
    ASSERT_TRUE(first->Focused());
    events.clear();
    Press(VK_RETURN);
    Press(VK_ESCAPE);
    EXPECT_EQ(events, (std::vector<std::string>{"ok", "cancel"}));
    EXPECT_EQ(first->Text(), "");   // the edit got neither key
}

TEST_F(Keyboard, KeyPressHandlerCanSwallowOrChangeAKey)
{
    first->OnKeyPress = [](ui::Control&, char& key) {
        if (key == 'a')
            key = 0;
        else
            key = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
    };
    for (char c : std::string("abc"))
        ::SendMessageA(first->Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(first->Text(), "BC");
}

} // namespace
