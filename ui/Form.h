#pragma once
// Form: a top-level window holding the controls it owns.
//
// A form class derives from Form, passes its window class name to the base
// (registered once per name) and makes its controls in its constructor:
//
//     class TAboutForm : public ui::Form {
//     public:
//         TAboutForm() : ui::Form("TAboutForm")
//         {
//             SetCaption("About");
//             SetBorderStyle(ui::bsDialog);
//             SetClientSize(476, 330);
//             SetPosition(ui::poMainFormCenter);
//             btnOK.Place(this, 376, 284, 75, 25);
//             btnOK.OnClick = ui::Handler(this, &TAboutForm::btnOKClick);
//             OnCreate = ui::Handler(this, &TAboutForm::FormCreate);
//         }
//         ui::Button& btnOK = MakeNamed<ui::Button>("btnOK");
//         ...
//     };
//     auto& about = ui::App().CreateForm<TAboutForm>();
//
// Application::CreateForm runs Loaded on the components, creates the window
// (hidden, with all child windows) and then fires OnCreate.
//
// Events (all NotifyEvent unless stated):
//   OnCreate       after the window exists, once
//   OnShow         before the form becomes visible
//   OnHide         after it was hidden
//   OnCloseQuery   void(Form&, bool& canClose): set canClose false to refuse
//   OnClose        void(Form&, CloseAction&): caHide (default), caFree (acts
//                  as caHide), caNone (stay open), caMinimize
//   OnDestroy      when the application destroys its forms, with every
//                  control still alive
//   OnActivate, OnDeactivate   the form became / stopped being the active window
//   OnPaint        after the background is painted, with the client canvas
//
// Close(): OnCloseQuery, then OnClose, then (unless caNone) hide. Closing the
// main form also ends the application (Application::Terminate); nothing is
// destroyed there, so a handler still running below (one that pumps messages)
// keeps working with its form; the objects die after the run loop. WM_CLOSE
// (the caption's close button, Alt+F4) calls Close().
//
// Keyboard: Tab / Shift+Tab move the focus among the tab stops of the form in
// TabOrder; Enter clicks the focused push button, else the Default button;
// Esc clicks the Cancel button. Controls that want those keys (WM_GETDLGCODE)
// get them.
//
// WM_DROPFILES and other messages reach WndProc; a form overrides WndProc (or
// sits in WindowProc) and calls the base for the rest. DragAcceptFiles(true)
// lets the form accept dropped files.
#include "ui/Control.h"

#include <string>

namespace ui {

enum BorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum BorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum Position { poDesigned, poScreenCenter, poMainFormCenter };
enum CloseAction { caNone, caHide, caFree, caMinimize };
enum WindowState { wsNormal, wsMinimized, wsMaximized };

// Modal results of buttons and ShowModal.
enum ModalResult : int {
    mrNone = 0,
    mrOk = IDOK,
    mrCancel = IDCANCEL,
    mrAbort = IDABORT,
    mrRetry = IDRETRY,
    mrIgnore = IDIGNORE,
    mrYes = IDYES,
    mrNo = IDNO,
};

class Button;

class Form : public WinControl {
public:
    explicit Form(std::string windowClassName);
    ~Form() override;
    const char* ClassName() const override { return className_.c_str(); }

    // --- frame ----------------------------------------------------------------
    BorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(BorderStyle style);
    unsigned BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(unsigned icons);
    void SetIcon(const std::string& resourceName);
    void SetIcon(HICON icon);   // the form keeps a copy
    HICON IconHandle() const;
    ui::Position GetPosition() const { return position_; }
    void SetPosition(ui::Position position) { position_ = position; }
    void SetClientSize(int width, int height);
    RECT ClientRect() const override;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string file) { helpFile_ = std::move(file); }
    void SetWindowState(WindowState state);
    WindowState GetWindowState() const;

    // --- showing --------------------------------------------------------------
    void Show();
    void Hide();
    void SetVisible(bool visible) override;
    void Close();
    // Shows the form and pumps messages until ModalResult is set (or the
    // application ends); the other forms are disabled meanwhile.
    // Captions drawn smaller at the first show so that they fit their room (ui/TextFit.h).
    int TextsShrunk() const { return textsShrunk_; }
    int ShowModal();
    int GetModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Active() const { return active_; }
    // Accept files dropped from the shell (WM_DROPFILES).
    void DragAcceptFiles(bool accept);

    // --- focus ----------------------------------------------------------------
    WinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(WinControl* control);
    // Moves the focus to the next (or previous) tab stop after `current`.
    void SelectNext(WinControl* current, bool forward);
    // The first showing, enabled button with Default (Cancel) set, or null.
    Button* DefaultButton() const;
    Button* CancelButton() const;

    // Offered every key-down message of this form's windows before dispatch:
    // true when handled here (navigation, Enter, Esc).
    virtual bool DialogKey(const MSG& msg);

    // --- events ---------------------------------------------------------------
    NotifyEvent OnCreate;
    NotifyEvent OnShow;
    NotifyEvent OnHide;
    std::function<void(Form& sender, bool& canClose)> OnCloseQuery;
    std::function<void(Form& sender, CloseAction& action)> OnClose;
    NotifyEvent OnDestroy;
    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    std::function<void(Form& sender, Canvas& canvas)> OnPaint;

    // Fired by Application; overridable.
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual bool CloseQuery();

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;
    void PaintWindow(HDC dc) override;

private:
    friend class Button;
    friend class WinControl;
    void FocusChanged(WinControl* control);
    void ApplyPosition();
    void ApplyClientSize();
    void FrameStyles(DWORD& style, DWORD& exStyle) const;
    bool HandleActivate(Message& message);
    void UpdateFrameStyles();
    void Activated(bool active);
    void ControlGoing(Control* control);

    std::string className_;
    BorderStyle borderStyle_ = bsSizeable;
    unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    ui::Position position_ = poDesigned;
    std::string helpFile_;
    ui::Icon icon_;
    WinControl* activeControl_ = nullptr;
    int modalResult_ = mrNone;
    bool textsFitted_ = false;   // captions measured against their room at the first show
    int textsShrunk_ = 0;
    bool modal_ = false;
    bool closedInModal_ = false;
    int clientWidth_ = -1, clientHeight_ = -1;   // asked for by SetClientSize
    bool active_ = false;
    bool positioned_ = false;
    bool created_ = false;
};

} // namespace ui
