#pragma once
// Functions of system DLLs that only some of the user's actions need: the
// shell (dropped files, opening a file, choosing a folder), the common file
// dialogs and DirectShow's error texts. Imported the usual way, each of these
// DLLs and the DLLs it pulls in would be loaded before the program's entry
// and delay its first window; taken here, they load at the first call, and
// only from the system folder.
//
//     using DragFinishFn = void(WINAPI*)(HDROP);
//     if (auto finish = ui::SystemFunction<DragFinishFn>("shell32.dll", "DragFinish"))
//         finish(drop);
//
// Null when the DLL or the function is missing. Never throws.
#include <windows.h>

#include <string>

namespace ui {

inline FARPROC SystemProcAddress(const char* dll, const char* name) noexcept
{
    HMODULE module = ::GetModuleHandleA(dll);
    if (!module) {
        char folder[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            return nullptr;
        const std::string path = std::string(folder) + "\\" + dll;
        // Loaded once for the whole run: the process keeps it.
        module = ::LoadLibraryA(path.c_str());
        if (!module)
            return nullptr;
    }
    return ::GetProcAddress(module, name);
}

template <class Fn>
Fn SystemFunction(const char* dll, const char* name) noexcept
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemProcAddress(dll, name)));
}

} // namespace ui
