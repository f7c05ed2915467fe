#include "ui/Dialogs.h"

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/SystemDll.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace ui {

// --- the system's dialogs ----------------------------------------------------------

int SystemDialogs::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return ::MessageBoxA(App().DialogOwner(), text.c_str(), caption.c_str(), flags);
}

bool SystemDialogs::FileDialog(FileDialogRequest& request)
{
    std::vector<char> file(4096, '\0');
    request.FileName.copy(file.data(), std::min(request.FileName.size(), file.size() - 1));
    const std::string filter = FilterToDoubleNul(request.Filter);
    std::string defaultExt = request.DefaultExt;
    if (!defaultExt.empty() && defaultExt.front() == '.')
        defaultExt.erase(0, 1);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.Owner ? request.Owner : App().DialogOwner();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(request.FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
    ofn.lpstrTitle = request.Title.empty() ? nullptr : request.Title.c_str();
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.Flags = request.Flags | OFN_EXPLORER;
    using FileDialogFn = BOOL(WINAPI*)(OPENFILENAMEA*);
    const auto show = SystemFunction<FileDialogFn>("comdlg32.dll", request.Save ? "GetSaveFileNameA" : "GetOpenFileNameA");
    const BOOL ok = show && show(&ofn);
    if (!ok)
        return false;
    request.FileName = file.data();
    request.FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

bool SystemDialogs::BrowseForFolder(HWND owner, const std::string& title, std::string& folder)
{
    char display[MAX_PATH] = {};
    BROWSEINFOA bi{};
    bi.hwndOwner = owner ? owner : App().DialogOwner();
    bi.pszDisplayName = display;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    using BrowseFn = LPITEMIDLIST(WINAPI*)(BROWSEINFOA*);
    using PathFromIdListFn = BOOL(WINAPI*)(LPCITEMIDLIST, wchar_t*);
    const auto browse = SystemFunction<BrowseFn>("shell32.dll", "SHBrowseForFolderA");
    const auto pathFromIdList = SystemFunction<PathFromIdListFn>("shell32.dll", "SHGetPathFromIDListW");
    if (!browse || !pathFromIdList)
        return false;
    LPITEMIDLIST pidl = browse(&bi);
    if (!pidl)
        return false;
    // The wide call: in the program's code page (UTF-8) a folder's name may
    // take more than MAX_PATH bytes although it has fewer letters.
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = pathFromIdList(pidl, path);
    ::CoTaskMemFree(pidl);
    if (!ok)
        return false;
    const int n = ::WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path, -1, narrow.data(), n, nullptr, nullptr);
    narrow.resize(std::strlen(narrow.c_str()));
    folder = narrow;
    return true;
}

// --- scripted answers ------------------------------------------------------------------

int DefaultButtonFor(UINT flags)
{
    std::vector<int> buttons;
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: buttons = {IDRETRY, IDCANCEL}; break;
    default: buttons = {IDOK}; break;
    }
    const size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

ScriptedDialogs::ScriptedDialogs() : previous_(App().InstalledDialogs())
{
    App().SetDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    if (App().InstalledDialogs() == this)
        App().SetDialogs(previous_);
}

void ScriptedDialogs::QueueAnswer(int button)
{
    answers_.push_back(button);
}

void ScriptedDialogs::QueueFile(std::string path, int filterIndex)
{
    files_.push_back(FileAnswer{std::move(path), filterIndex});
}

void ScriptedDialogs::QueueFileCancel()
{
    files_.push_back(FileAnswer{std::nullopt, 0});
}

void ScriptedDialogs::QueueFolder(std::string folder)
{
    folders_.emplace_back(std::move(folder));
}

void ScriptedDialogs::QueueFolderCancel()
{
    folders_.emplace_back(std::nullopt);
}

std::vector<ScriptedDialogs::Call> ScriptedDialogs::MessageBoxes() const
{
    std::vector<Call> boxes;
    for (const Call& c : calls_)
        if (c.What == Kind::MessageBox)
            boxes.push_back(c);
    return boxes;
}

int ScriptedDialogs::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    Call call;
    call.What = Kind::MessageBox;
    call.Text = text;
    call.Caption = caption;
    call.Flags = flags;
    call.Owner = App().DialogOwner();
    if (OnMessageBox)
        OnMessageBox(call);
    int answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        answer = DefaultButtonFor(flags);
        ++unanswered_;
    }
    call.Result = answer;
    calls_.push_back(std::move(call));
    return answer;
}

bool ScriptedDialogs::FileDialog(FileDialogRequest& request)
{
    Call call;
    call.What = request.Save ? Kind::SaveFile : Kind::OpenFile;
    call.Text = request.FileName;
    call.Caption = request.Title;
    call.Flags = request.Flags;
    call.Owner = request.Owner;
    call.Request = request;
    bool confirmed = false;
    if (!files_.empty()) {
        FileAnswer a = std::move(files_.front());
        files_.pop_front();
        if (a.Path) {
            request.FileName = *a.Path;
            if (a.FilterIndex > 0)
                request.FilterIndex = a.FilterIndex;
            confirmed = true;
        }
    } else {
        ++unanswered_;
    }
    call.Result = confirmed ? 1 : 0;
    calls_.push_back(std::move(call));
    return confirmed;
}

bool ScriptedDialogs::BrowseForFolder(HWND owner, const std::string& title, std::string& folder)
{
    Call call;
    call.What = Kind::Folder;
    call.Text = folder;
    call.Caption = title;
    call.Owner = owner;
    bool confirmed = false;
    if (!folders_.empty()) {
        std::optional<std::string> a = std::move(folders_.front());
        folders_.pop_front();
        if (a) {
            folder = *a;
            confirmed = true;
        }
    } else {
        ++unanswered_;
    }
    call.Result = confirmed ? 1 : 0;
    calls_.push_back(std::move(call));
    return confirmed;
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return App().Dialogs().MessageBox(text, caption, flags);
}

// --- components ----------------------------------------------------------------------

OpenDialog::OpenDialog(Component* owner) : Component(owner) {}

bool OpenDialog::Execute()
{
    FileDialogRequest r;
    r.Save = save_;
    for (Component* c = Owner(); c && !r.Owner; c = c->Owner())
        if (auto* f = dynamic_cast<Form*>(c); f && f->HandleAllocated())
            r.Owner = f->HandleIfAllocated();
    if (!r.Owner)
        r.Owner = App().DialogOwner();
    r.Filter = Filter;
    r.FilterIndex = FilterIndex;
    r.FileName = FileName;
    r.InitialDir = InitialDir;
    r.DefaultExt = DefaultExt;
    r.Title = Title;
    r.Flags = Options;
    if (!App().Dialogs().FileDialog(r))
        return false;
    FileName = r.FileName;
    FilterIndex = r.FilterIndex;
    return true;
}

SaveDialog::SaveDialog(Component* owner) : OpenDialog(owner)
{
    save_ = true;
}

bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder)
{
    return App().Dialogs().BrowseForFolder(owner, title, folder);
}

} // namespace ui
