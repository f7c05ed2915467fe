// The real program started as its own process, found and driven through its
// windows the way a user (or an automation tool) would find them.
#include "tests/app/KorvaneFixture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace korvane::testing {
namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

HWND FindProcessWindow(DWORD processId, const char* className)
{
    WindowSearch search{processId, className, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            auto& s = *reinterpret_cast<WindowSearch*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (pid == s.processId && std::string(name) == s.className && IsWindowVisible(hwnd)) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The child whose "Name" property holds the atom of that component name.
HWND FindNamedChild(HWND parent, const std::string& componentName)
{
    struct Search {
        std::string name;
        HWND found = nullptr;
    } search{componentName};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            const ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "Name")));
            char name[128] = {};
            if (atom && GlobalGetAtomNameA(atom, name, sizeof name) && s.name == name) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND hwnd)
{
    char text[1024] = {};
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

class Program : public ::testing::Test {
protected:
    // A program folder of our own, named in other scripts: the program finds
    // its preferences and profiles beside itself whatever the folder's name.
    Program() : folder("Программа 番組 ")
    {
        // A program folder of our own: the program writes its preferences beside itself.
        CreateDirectoryA((folder / "Profiles").c_str(), nullptr);
        const std::string dist = WinePath(KORVANE_DIST_DIR);
        CopyFileA((dist + "\\Korvane.exe").c_str(), (folder / "Korvane.exe").c_str(), FALSE);
        CopyFileA((dist + "\\Preferences.ini").c_str(), (folder / "Preferences.ini").c_str(), FALSE);
        folder.Write("Profiles\\AVI video.apf", "[Main]\r\nType=avi\r\nPara=0\r\n");
    }
    ~Program() override
    {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    HWND Launch(const std::string& argument)
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string line = "\"";
        line += folder / "Korvane.exe";
        line += "\" \"" + argument + "\"";
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.path().c_str(),
                                   &si, &process_));
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 200; ++i) {
            if (HWND main = FindProcessWindow(process_.dwProcessId, "TMainForm"))
                return main;
            Sleep(50);
        }
        return nullptr;
    }

    ScratchFolder folder;
    PROCESS_INFORMATION process_{};
};

TEST_F(Program, StartsWithTheSourceFromItsCommandLineAndClosesCleanly)
{
    const std::string source = folder / "夏 Лето.avi";
    ASSERT_TRUE(CopyFileA(SampleVideo().c_str(), source.c_str(), FALSE));
    HWND main = Launch(source);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), "Korvane V1.8");
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 783);
    EXPECT_EQ(client.bottom, 431);

    HWND sourceEdit = FindNamedChild(main, "edtSource");
    ASSERT_NE(sourceEdit, nullptr);
    EXPECT_EQ(WindowText(sourceEdit), source);
    HWND profile = FindNamedChild(main, "cmbProfile");
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(SendMessageA(profile, CB_GETCOUNT, 0, 0), 1);

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    EXPECT_EQ(code, 0u);
    // Closing wrote the preferences back.
    EXPECT_NE(ScratchFolder::Read(folder / "Preferences.ini").find("Profile=0"), std::string::npos);
}

} // namespace
} // namespace korvane::testing
