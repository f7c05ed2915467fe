#pragma once
// A folder no other test has: a name never in use before, created fresh in
// `parent` (which ends with a separator). Process numbers come round again
// under Wine, so the name has the time and a count beside the number, and a
// folder that is already there is never taken over or emptied.
#include <windows.h>

#include <atomic>
#include <string>

namespace korvane::testsupport {

// Names are the caller's, in the API's own form: the narrow one takes the
// process's code page as the program's own paths do.
template <class Char, class Create>
std::basic_string<Char> MakeFreshFolderWith(const std::basic_string<Char>& parent,
                                            const std::basic_string<Char>& prefix, Create create)
{
    static std::atomic<unsigned> count{0};
    for (int tries = 0; tries < 1000; ++tries) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const std::string tail = std::to_string(GetCurrentProcessId()) + "-"
            + std::to_string(static_cast<unsigned long long>(now.QuadPart)) + "-" + std::to_string(++count);
        const std::basic_string<Char> path = parent + prefix + std::basic_string<Char>(tail.begin(), tail.end());
        if (create(path.c_str()))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return {};
}

inline std::wstring MakeFreshFolder(const std::wstring& parent, const std::wstring& prefix)
{
    return MakeFreshFolderWith(parent, prefix, [](const wchar_t* path) { return CreateDirectoryW(path, nullptr) != FALSE; });
}

inline std::string MakeFreshFolder(const std::string& parent, const std::string& prefix)
{
    return MakeFreshFolderWith(parent, prefix, [](const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; });
}

// The temporary folder, with its separator.
inline std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

} // namespace korvane::testsupport
