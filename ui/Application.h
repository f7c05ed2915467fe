#pragma once
// Application: the one global object of the program (ui::App()).
//
//     int WINAPI WinMain(...)
//     {
//         auto& app = ui::App();
//         app.Initialize();                       // OleInitialize, common controls
//         app.CreateForm<TMainForm>();            // the first form is the main form
//         app.CreateForm<TSettingForm>();
//         ...
//         app.Run();                              // shows the main form, loops
//         app.DestroyForms();                     // OnDestroy, then the objects go
//     }
//
// Run() returns once Terminate() was called (closing the main form does it);
// a handler that pumps messages with ProcessMessages sees Terminated() and
// returns on its own; nothing is destroyed before Run() returns.
//
// Exceptions. Every boundary where the system calls us (window procedures,
// timers, hooks, COM callbacks, graphic control routing) catches and hands the
// exception to HandleException, which shows the standard report: the message
// in a modal box captioned with Title(), with an error icon and OK, a final "."
// appended when the message does not end in one. The program then goes on.
// Guard(f) runs f with exactly that catch; use it in your own callbacks:
//
//     LRESULT CALLBACK HookProc(int code, WPARAM w, LPARAM l)
//     {
//         ui::Guard([&] { ... });
//         return CallNextHookEx(nullptr, code, w, l);
//     }
//
// Modal questions. Every message box and file/folder dialog goes through
// Dialogs() (ui/Dialogs.h); tests install ui::ScriptedDialogs.
//
// Window hooks. The application owns the one computer-based-training hook
// (WH_CBT) of the GUI thread, so that what watches window creation and
// activation (the skin engine) keeps no state of its own outside the
// application. AddCbtHandler installs the hook with the first handler and
// RemoveCbtHandler removes it with the last; every handler sees every call
// (guarded), and one answering true blocks the creation or activation:
//
//     int id = ui::App().AddCbtHandler([](int code, WPARAM w, LPARAM l) {
//         return code == HCBT_CREATEWND && IsUnwanted(w, l);
//     });
//     ...
//     ui::App().RemoveCbtHandler(id);
#include "ui/Form.h"

#include <exception>
#include <functional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class DialogService;
class Timer;

class Application {
public:
    static Application& Instance();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Starts COM for this thread (OleInitialize) and the common controls.
    void Initialize();

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string file) { helpFile_ = std::move(file); }
    HINSTANCE ModuleInstance() const;

    // Constructs the form, runs Loaded on its components, creates its window
    // hidden and fires OnCreate (an exception from OnCreate is reported and
    // the form lives on). The first form created is the main form.
    template <class T, class... A>
    T& CreateForm(A&&... args)
    {
        auto form = std::make_unique<T>(std::forward<A>(args)...);
        T& ref = *form;
        AddForm(std::move(form), true);
        return ref;
    }
    // The same for a form that stays hidden until it is asked for: Loaded
    // and OnCreate run now, the window (with its controls' windows) is made
    // when it is first needed: shown, or its Handle asked for.
    template <class T, class... A>
    T& CreateHiddenForm(A&&... args)
    {
        auto form = std::make_unique<T>(std::forward<A>(args)...);
        T& ref = *form;
        AddForm(std::move(form), false);
        return ref;
    }
    Form* MainForm() const { return mainForm_; }
    // All forms, the topmost window first (forms without a window last).
    std::vector<Form*> Forms() const;
    // The form whose window is active, or null.
    Form* ActiveForm() const;
    // Fires OnDestroy of every form, destroys their windows and deletes them.
    // Ends the application's run: the next CreateForm makes a new main form.
    void DestroyForms();

    // Handles every waiting message, then returns.
    void ProcessMessages();
    // Waits for one message and handles it.
    void HandleMessage();
    // Shows the main form and handles messages until Terminate.
    void Run();
    // Called by Run whenever it finds no message waiting, before it waits
    // for one: every window has been painted by then. It may replace or
    // clear itself.
    std::function<void()> OnIdle;
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Clears the terminated state (tests that run several loops).
    void ResetTerminated() { terminated_ = false; }

    // The standard exception report.
    void HandleException(const std::exception& e);
    // The same for the exception being handled now (inside a catch block).
    void HandleCurrentException() noexcept;
    // The text the report shows for a message: a final "." added when missing.
    static std::string ReportText(const std::string& message);

    // The modal-question seam; SetDialogs(nullptr) returns to the system one.
    DialogService& Dialogs();
    void SetDialogs(DialogService* dialogs) { dialogs_ = dialogs; }
    DialogService* InstalledDialogs() const { return dialogs_; }

    // The window that owns message boxes: the main form's, else the active
    // form's, else none.
    HWND DialogOwner() const;

    // A hidden message-only window of the framework (timers).
    HWND UtilityWindow();

    // Offers a message to the form dialog-key handling; true when consumed.
    bool PreTranslate(MSG& msg);

    // WH_CBT hook of the GUI thread (see above); ids are never 0.
    using CbtHandler = std::function<bool(int code, WPARAM wParam, LPARAM lParam)>;
    int AddCbtHandler(CbtHandler handler);
    void RemoveCbtHandler(int id);
    bool CbtHookInstalled() const { return cbtHook_ != nullptr; }

    // Hints: a control with ShowHint and a Hint shows it in a tooltip after
    // the mouse rested on it for HintPause ms; leaving or pressing hides it.
    void ActivateHint(Control& control);
    // Hides the hint (only when it belongs to `control`, if one is given).
    void CancelHint(const Control* control = nullptr);
    // Shows the pending hint now (what the pause's end does).
    void ShowPendingHint();
    Control* HintControl() const { return hintControl_; }
    HWND HintWindow() const { return hintWindow_; }
    unsigned HintPause = 500;

private:
    friend class Timer;
    Application();
    ~Application();
    void AddForm(std::unique_ptr<Form> form, bool makeWindow);
    void RegisterTimer(Timer* timer);
    void UnregisterTimer(Timer* timer);
    bool TimerAlive(Timer* timer) const;
    static LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);

    std::string title_;
    std::string helpFile_;
    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    bool initialized_ = false;
    bool oleStarted_ = false;
    DialogService* dialogs_ = nullptr;
    std::unique_ptr<DialogService> systemDialogs_;
    HWND utilityWindow_ = nullptr;
    std::vector<Timer*> timers_;
    Control* hintControl_ = nullptr;
    HWND hintWindow_ = nullptr;
    bool hintShown_ = false;
    std::string hintText_;
    HHOOK cbtHook_ = nullptr;
    std::vector<std::pair<int, CbtHandler>> cbtHandlers_;
    int nextCbtId_ = 1;
};

inline Application& App() { return Application::Instance(); }

// Runs f; any exception goes to the standard report. Never throws.
template <class F>
void Guard(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
        App().HandleCurrentException();
    }
}

} // namespace ui
