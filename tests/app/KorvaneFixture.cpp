#include "tests/app/KorvaneFixture.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace korvane::testing {

double MediaDuration(const std::string& path)
{
    const std::string text = RunAndCapture(EngineExe(), " -hide_banner -i \"" + path + "\"");
    const std::size_t at = text.find("Duration: ");
    if (at == std::string::npos)
        return -1;
    int h = 0, m = 0;
    double s = 0;
    if (std::sscanf(text.c_str() + at + 10, "%d:%d:%lf", &h, &m, &s) != 3)
        return -1;
    return h * 3600 + m * 60 + s;
}

int VideoFrames(const std::string& path)
{
    const std::string text =
        RunAndCapture(EngineExe(), " -hide_banner -nostats -i \"" + path + "\" -map 0:v:0 -f null -");
    // The summary line at the end: "frame=  167 fps=...".
    const std::size_t at = text.rfind("frame=");
    if (at == std::string::npos)
        return -1;
    return std::atoi(text.c_str() + at + 6);
}

std::string DecodeErrors(const std::string& path)
{
    // Pictures limited as the converter limits them: the AV1 decoder would
    // otherwise say at the level of an error that it lowered its own limit.
    return RunAndCapture(EngineExe(), " -v error -max_pixels 67108864 -i \"" + path + "\" -f null -");
}

bool FileExistsAt(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HDROP MakeWideDrop(const std::string& file)
{
    std::wstring name(file.size(), L'\0');
    name.resize(MultiByteToWideChar(CP_ACP, 0, file.data(), static_cast<int>(file.size()), name.data(),
                                    static_cast<int>(name.size())));
    name += std::wstring(2, L'\0');
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + name.size() * 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), name.data(), name.size() * 2);
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

KorvaneTest::KorvaneTest(const std::string& folderPrefix) : folder(folderPrefix)
{
    CreateDirectoryA((folder / "Profiles").c_str(), nullptr);
    CreateDirectoryA((folder / "out").c_str(), nullptr);
    // The converter and its engine are big: hard links where the file system allows it.
    for (const char* name : {"wmaspi.dll", "kvengine.exe"}) {
        const std::string from = WinePath(std::string(KORVANE_DIST_DIR "/") + name);
        const std::string to = folder / name;
        if (!CreateHardLinkA(to.c_str(), from.c_str(), nullptr))
            CopyFileA(from.c_str(), to.c_str(), FALSE);
    }
    korvane.ProgramDirOverride = folder.path();
    korvane.ShellOpen = [this](HWND, const std::string& path) { opened.push_back(path); };
    korvane.PowerOff = [this] { ++powerOffs; };
}

KorvaneTest::~KorvaneTest()
{
    ui::App().DestroyForms();
    ui::App().ResetTerminated();
}

void KorvaneTest::WritePreferences(const Preferences& prefs)
{
    std::string text = "[Main]\r\n";
    if (!prefs.version.empty())
        text += "Version=" + prefs.version + "\r\n";
    text += "Preview=1\r\nOverwrite=" + std::to_string(prefs.overwrite) + "\r\nAptotic=" +
            std::to_string(prefs.aptotic) + "\r\nOutput Dir=" + OutputDir() + "\r\nAuto Open Dir=" +
            std::to_string(prefs.openDir) + "\r\nAuto Exit=" + std::to_string(prefs.autoExit) +
            "\r\nAuto Turn Off=" + std::to_string(prefs.turnOff) + "\r\nProfile=" + std::to_string(prefs.profile) +
            "\r\n";
    folder.Write("Preferences.ini", text);
}

void KorvaneTest::WriteProfile(const std::string& name, const std::string& type)
{
    folder.Write("Profiles\\" + name + ".apf", "[Main]\r\nType=" + type + "\r\nPara=0\r\n");
}

void KorvaneTest::Start(const Preferences& prefs)
{
    WritePreferences(prefs);
    auto& app = ui::App();
    app.Initialize();
    CreateKorvaneWindows(korvane);
    Main().Show();
    app.ProcessMessages();
}

std::vector<std::string> KorvaneTest::Boxes() const
{
    std::vector<std::string> boxes;
    for (const auto& call : dialogs.MessageBoxes())
        boxes.push_back(call.Caption + "|" + call.Text);
    return boxes;
}

void KorvaneTest::SetRange(const std::string& start, const std::string& end)
{
    Main().edtStart.SetText(start);
    Main().edtEnd.SetText(end);
}

void KorvaneTest::SetSections(const std::string& count)
{
    Main().rdbEqual.SetChecked(true);
    Main().edtSectionQty.SetText(count);
}

void KorvaneTest::SelectProfile(const std::string& name)
{
    const auto& items = Main().cmbProfile.Items();
    const auto it = std::find(items.begin(), items.end(), name);
    ASSERT_NE(it, items.end()) << name << " among " << ::testing::PrintToString(items);
    Main().cmbProfile.SetItemIndex(static_cast<int>(it - items.begin()));
    Main().cmbProfileChange(Main().cmbProfile);
}

void KorvaneTest::PostCancelClick()
{
    const LPARAM at = MAKELPARAM(229 + 60, 291 + 30);
    PostMessageA(Main().panRight.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(Main().panRight.Handle(), WM_LBUTTONUP, 0, at);
}

void KorvaneTest::PostClose()
{
    PostMessageA(Main().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace korvane::testing
