#pragma once
// The modal-question seam: every message box, open/save dialog and folder
// browser of the program goes through ui::App().Dialogs(), a DialogService.
//
//   SystemDialogs    the real ones: MessageBoxA owned by the main form's
//                    window (or the active form's when there is no main form),
//                    GetOpenFileNameA / GetSaveFileNameA, SHBrowseForFolderA.
//   ScriptedDialogs  for tests: installs itself while it lives, answers from
//                    queues and records every call.
//
//     ui::ScriptedDialogs dialogs;            // installed until it goes
//     dialogs.QueueAnswer(IDYES);
//     ... code that asks ...
//     ASSERT_EQ(dialogs.Calls().size(), 1u);
//     EXPECT_EQ(dialogs.Calls()[0].Caption, "Exit Query");
//
// When a scripted queue is empty the message box answers the default button
// of its flags (IDOK, or IDYES/IDNO... the first button) and file and folder
// questions answer "cancelled"; Unanswered() counts those calls.
//
// Components:
//   OpenDialog, SaveDialog   Filter "description|pattern|...", FilterIndex
//                            (1-based), FileName, InitialDir, DefaultExt,
//                            Title, Options; Execute() -> true when the user
//                            confirmed, FileName then holds the full path.
//   BrowseForFolder(owner, title, folder&) -> true when a folder was chosen.
//   ShowMessageBox(text, caption, flags) -> the button pressed (IDOK...).
#include "ui/Component.h"
#include "ui/DialogFilter.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct FileDialogRequest {
    bool Save = false;
    HWND Owner = nullptr;
    std::string Filter;        // "description|pattern|..." as the program writes it
    int FilterIndex = 1;       // 1-based; updated with the user's choice
    std::string FileName;      // initial name; the chosen full path on success
    std::string InitialDir;
    std::string DefaultExt;    // without or with the leading "."
    std::string Title;
    DWORD Flags = 0;           // OFN_ flags
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // MB_ flags; returns IDOK, IDYES, IDNO...
    virtual int MessageBox(const std::string& text, const std::string& caption, UINT flags) = 0;
    // true when confirmed; request.FileName and FilterIndex then hold the choice.
    virtual bool FileDialog(FileDialogRequest& request) = 0;
    // true when a folder was chosen; folder then holds its path.
    virtual bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder) = 0;
};

class SystemDialogs : public DialogService {
public:
    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
    bool FileDialog(FileDialogRequest& request) override;
    bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder) override;
};

class ScriptedDialogs : public DialogService {
public:
    enum class Kind { MessageBox, OpenFile, SaveFile, Folder };
    struct Call {
        Kind What = Kind::MessageBox;
        std::string Text;      // message text; file dialogs: the initial file name
        std::string Caption;   // caption / dialog title
        UINT Flags = 0;        // MB_ or OFN_ flags
        HWND Owner = nullptr;
        FileDialogRequest Request;   // file dialogs: the request as it came in
        int Result = 0;        // the answer given (file dialogs: 1 confirmed, 0 cancelled)
    };

    // Installs itself in the application (the previous service comes back
    // when this one goes).
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void QueueAnswer(int button);
    // The next file dialog confirms this full path (and filter index, when given).
    void QueueFile(std::string path, int filterIndex = 0);
    void QueueFileCancel();
    void QueueFolder(std::string folder);
    void QueueFolderCancel();

    const std::vector<Call>& Calls() const { return calls_; }
    // Only the message boxes, in order.
    std::vector<Call> MessageBoxes() const;
    void ClearCalls() { calls_.clear(); }
    int Unanswered() const { return unanswered_; }
    // Answers still queued.
    size_t PendingAnswers() const { return answers_.size() + files_.size() + folders_.size(); }

    // Called at every message box before it answers, with the call recorded
    // so far (lets a test act "while the box is open").
    std::function<void(const Call&)> OnMessageBox;

    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
    bool FileDialog(FileDialogRequest& request) override;
    bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder) override;

private:
    struct FileAnswer {
        std::optional<std::string> Path;
        int FilterIndex = 0;
    };
    std::deque<int> answers_;
    std::deque<FileAnswer> files_;
    std::deque<std::optional<std::string>> folders_;
    std::vector<Call> calls_;
    int unanswered_ = 0;
    DialogService* previous_ = nullptr;
};

// The first button of a MB_ type: the answer of a box that is just confirmed.
int DefaultButtonFor(UINT flags);

// Through the seam.
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

enum OpenOption : DWORD {
    ofOverwritePrompt = OFN_OVERWRITEPROMPT,
    ofHideReadOnly = OFN_HIDEREADONLY,
    ofPathMustExist = OFN_PATHMUSTEXIST,
    ofFileMustExist = OFN_FILEMUSTEXIST,
    ofNoChangeDir = OFN_NOCHANGEDIR,
    ofEnableSizing = OFN_ENABLESIZING,
};

class OpenDialog : public Component {
public:
    explicit OpenDialog(Component* owner);
    const char* ClassName() const override { return "TOpenDialog"; }

    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;
    std::string InitialDir;
    std::string DefaultExt;
    std::string Title;
    DWORD Options = ofHideReadOnly | ofEnableSizing;

    // Runs the dialog through the seam, owned by the form of the owner (or
    // the application's dialog owner).
    virtual bool Execute();

protected:
    bool save_ = false;
};

class SaveDialog : public OpenDialog {
public:
    explicit SaveDialog(Component* owner);
    const char* ClassName() const override { return "TSaveDialog"; }
};

// The shell's folder browser (file-system folders only, rooted at the desktop).
bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder);

} // namespace ui
