#include "ui/Application.h"

#include "ui/Controls.h"
#include "ui/Dialogs.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>

namespace ui {

namespace {
const char kUtilityClass[] = "TApplicationUtilityWindow";
// Timer ids of the utility window are Timer addresses; 1 is never one.
constexpr UINT_PTR kHintTimerId = 1;
}

Application& Application::Instance()
{
    static Application app;
    return app;
}

Application::Application() = default;

Application::~Application()
{
    DestroyForms();
    if (cbtHook_)
        ::UnhookWindowsHookEx(cbtHook_);
    if (hintWindow_)
        ::DestroyWindow(hintWindow_);
    if (utilityWindow_)
        ::DestroyWindow(utilityWindow_);
    if (oleStarted_)
        ::OleUninitialize();
}

void Application::Initialize()
{
    if (initialized_)
        return;
    initialized_ = true;
    oleStarted_ = SUCCEEDED(::OleInitialize(nullptr));
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
}

void Application::SetTitle(std::string title)
{
    title_ = std::move(title);
}

HINSTANCE Application::ModuleInstance() const
{
    return ::GetModuleHandleA(nullptr);
}

void Application::AddForm(std::unique_ptr<Form> form, bool makeWindow)
{
    Initialize();
    Form* f = form.get();
    if (!mainForm_)
        mainForm_ = f;
    forms_.push_back(std::move(form));
    f->LoadedAll();
    if (makeWindow || f == mainForm_)
        f->Handle();
    // A failing creation step is reported; the form lives on.
    Guard([f] { f->DoCreate(); });
}

std::vector<Form*> Application::Forms() const
{
    std::vector<Form*> ordered;
    for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT))
        for (const auto& f : forms_)
            if (f->HandleIfAllocated() == h)
                ordered.push_back(f.get());
    for (const auto& f : forms_)
        if (std::find(ordered.begin(), ordered.end(), f.get()) == ordered.end())
            ordered.push_back(f.get());
    return ordered;
}

Form* Application::ActiveForm() const
{
    HWND active = ::GetActiveWindow();
    for (const auto& f : forms_)
        if (active && f->HandleIfAllocated() == active)
            return f.get();
    return nullptr;
}

void Application::DestroyForms()
{
    // Every form hears OnDestroy while all of them still exist.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
        Form* f = it->get();
        Guard([f] { f->DoDestroy(); });
    }
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
        (*it)->BeginDestroy();
        (*it)->DestroyHandle();
    }
    while (!forms_.empty())
        forms_.pop_back();
    mainForm_ = nullptr;
    terminated_ = false;
}

bool Application::PreTranslate(MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    WinControl* control = nullptr;
    HWND desktop = ::GetDesktopWindow();
    for (HWND h = msg.hwnd; h && h != desktop && !control; h = ::GetAncestor(h, GA_PARENT))
        control = WinControl::FromHandle(h);
    if (!control)
        return false;
    Form* form = control->ParentForm();
    if (!form)
        return false;
    bool handled = false;
    Guard([&] { handled = form->DialogKey(msg); });
    return handled;
}

void Application::ProcessMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        if (!PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

void Application::HandleMessage()
{
    MSG msg;
    const BOOL r = ::GetMessageA(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
        terminated_ = true;
        return;
    }
    if (!PreTranslate(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void Application::Run()
{
    if (!mainForm_)
        return;
    Guard([this] { mainForm_->Show(); });
    while (!terminated_) {
        MSG waiting;
        if (OnIdle && !::PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
            const std::function<void()> idle = OnIdle;
            Guard(idle);
        }
        HandleMessage();
    }
}

void Application::Terminate()
{
    terminated_ = true;
    // Wakes a loop waiting in GetMessage; no WM_QUIT, which would also end
    // any message box open at the time.
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

std::string Application::ReportText(const std::string& message)
{
    if (!message.empty() && message.back() != '.')
        return message + ".";
    return message;
}

void Application::HandleException(const std::exception& e)
{
    std::string title = title_;
    if (title.empty()) {
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string p = path;
        const size_t slash = p.find_last_of("\\/");
        if (slash != std::string::npos)
            p.erase(0, slash + 1);
        const size_t dot = p.rfind('.');
        if (dot != std::string::npos)
            p.erase(dot);
        title = p;
    }
    try {
        Dialogs().MessageBox(ReportText(e.what()), title, MB_OK | MB_ICONERROR);
    } catch (...) {
        // The report itself failed; nothing is left to tell.
    }
}

void Application::HandleCurrentException() noexcept
{
    try {
        throw;
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(std::runtime_error("Unknown error"));
    }
}

DialogService& Application::Dialogs()
{
    if (dialogs_)
        return *dialogs_;
    if (!systemDialogs_)
        systemDialogs_ = std::make_unique<SystemDialogs>();
    return *systemDialogs_;
}

HWND Application::DialogOwner() const
{
    if (mainForm_ && mainForm_->HandleAllocated())
        return mainForm_->HandleIfAllocated();
    if (Form* f = ActiveForm())
        return f->HandleIfAllocated();
    return nullptr;
}

LRESULT CALLBACK Application::UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER && wParam == kHintTimerId) {
        ::KillTimer(hwnd, kHintTimerId);
        Guard([] { Instance().ShowPendingHint(); });
        return 0;
    }
    if (msg == WM_TIMER) {
        auto* timer = reinterpret_cast<Timer*>(wParam);
        Application& app = Instance();
        if (app.TimerAlive(timer))
            Guard([timer] { timer->Fire(); });
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Application::UtilityWindow()
{
    if (utilityWindow_)
        return utilityWindow_;
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExA(inst, kUtilityClass, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Application::UtilityProc;
        wc.hInstance = inst;
        wc.lpszClassName = kUtilityClass;
        ::RegisterClassExA(&wc);
    }
    utilityWindow_ = ::CreateWindowExA(0, kUtilityClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    return utilityWindow_;
}

void Application::ActivateHint(Control& control)
{
    CancelHint();
    hintControl_ = &control;
    ::SetTimer(UtilityWindow(), kHintTimerId, HintPause, nullptr);
}

void Application::CancelHint(const Control* control)
{
    if (control && control != hintControl_)
        return;
    hintControl_ = nullptr;
    if (utilityWindow_)
        ::KillTimer(utilityWindow_, kHintTimerId);
    if (hintWindow_ && hintShown_) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = hintWindow_;
        ti.uId = 1;
        ::SendMessageA(hintWindow_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
        hintShown_ = false;
    }
}

void Application::ShowPendingHint()
{
    Control* c = hintControl_;
    if (!c || !c->ShowHint() || c->Hint().empty() || !c->Showing())
        return;
    if (!hintWindow_) {
        hintWindow_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ModuleInstance(), nullptr);
        if (!hintWindow_)
            return;
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        ti.hwnd = hintWindow_;
        ti.uId = 1;
        ti.lpszText = const_cast<char*>("");
        ::SendMessageA(hintWindow_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    hintText_ = c->Hint();
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = hintWindow_;
    ti.uId = 1;
    ti.lpszText = hintText_.data();
    ::SendMessageA(hintWindow_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    POINT p{};
    ::GetCursorPos(&p);
    ::SendMessageA(hintWindow_, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y + 20));
    ::SendMessageA(hintWindow_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    hintShown_ = true;
}

int Application::AddCbtHandler(CbtHandler handler)
{
    if (!cbtHook_) {
        cbtHook_ = ::SetWindowsHookExA(WH_CBT, &Application::CbtProc, nullptr, ::GetCurrentThreadId());
        if (!cbtHook_)
            return 0;
    }
    const int id = nextCbtId_++;
    cbtHandlers_.emplace_back(id, std::move(handler));
    return id;
}

void Application::RemoveCbtHandler(int id)
{
    cbtHandlers_.erase(std::remove_if(cbtHandlers_.begin(), cbtHandlers_.end(),
                                      [id](const auto& h) { return h.first == id; }),
                       cbtHandlers_.end());
    if (cbtHandlers_.empty() && cbtHook_) {
        ::UnhookWindowsHookEx(cbtHook_);
        cbtHook_ = nullptr;
    }
}

LRESULT CALLBACK Application::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    Application& app = Instance();
    if (code >= 0) {
        // A handler may add or remove handlers: walk a copy of the ids.
        std::vector<int> ids;
        for (const auto& h : app.cbtHandlers_)
            ids.push_back(h.first);
        bool block = false;
        for (int id : ids) {
            const auto it = std::find_if(app.cbtHandlers_.begin(), app.cbtHandlers_.end(),
                                         [id](const auto& h) { return h.first == id; });
            if (it == app.cbtHandlers_.end())
                continue;
            const CbtHandler handler = it->second;
            Guard([&] { block = handler(code, wParam, lParam) || block; });
        }
        if (block)
            return 1;
    }
    return ::CallNextHookEx(app.cbtHook_, code, wParam, lParam);
}

void Application::RegisterTimer(Timer* timer)
{
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end())
        timers_.push_back(timer);
}

void Application::UnregisterTimer(Timer* timer)
{
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

bool Application::TimerAlive(Timer* timer) const
{
    return std::find(timers_.begin(), timers_.end(), timer) != timers_.end();
}

} // namespace ui
