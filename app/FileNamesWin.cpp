#include "app/FileNamesWin.h"

#include "app/FileNames.h"
#include "ui/Handles.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace korvane {

namespace {

std::wstring Widen(UINT codePage, const std::string& text, DWORD flags = 0)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(UINT codePage, const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                            nullptr);
    return text;
}

WIN32_FILE_ATTRIBUTE_DATA AttributesOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data))
        data.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
    return data;
}

bool IsFile(const WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return data.dwFileAttributes != INVALID_FILE_ATTRIBUTES && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::wstring SystemPath(const std::string& path)
{
    const std::wstring wide = Widen(CP_ACP, path);
    if (wide.size() < kLongPathLength)
        return wide;
    std::wstring full(wide.size() + MAX_PATH, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return ExtendedLengthForm(wide);
    full.resize(length);
    return ExtendedLengthForm(full);
}

std::string PathForOtherPrograms(const std::string& path)
{
    const std::wstring system = SystemPath(path);
    return system == Widen(CP_ACP, path) ? path : Narrow(CP_ACP, system);
}

bool CanStartProgramAt(const std::string& path)
{
    return Widen(CP_ACP, path).size() < MAX_PATH;
}

bool FileExists(const std::string& path)
{
    return IsFile(AttributesOf(path));
}

bool IsValidSourceFile(const std::string& path)
{
    return FileExists(path);
}

bool FileHasContent(const std::string& path)
{
    const WIN32_FILE_ATTRIBUTE_DATA data = AttributesOf(path);
    return IsFile(data) && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = AttributesOf(path).dwFileAttributes;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStamp> FileStampOf(const std::string& path)
{
    const WIN32_FILE_ATTRIBUTE_DATA data = AttributesOf(path);
    if (!IsFile(data))
        return std::nullopt;
    return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                     (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

bool RemoveFile(const std::string& path)
{
    const std::wstring system = SystemPath(path);
    // An engine ended with its converter lets go of the file a moment later.
    constexpr DWORD kHeldFileWaitMs = 3000;
    const DWORD started = GetTickCount();
    while (!DeleteFileW(system.c_str())) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            || GetTickCount() - started >= kHeldFileWaitMs)
            return false;
        Sleep(50);
    }
    return true;
}

std::string ProgramDir()
{
    // GetModuleFileNameA cuts a long path to the buffer and says so only by
    // filling it completely; grow until the name fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return WithTrailingBackslash(ExtractFileDir(std::string(buffer.data(), length)));
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

UINT LegacyAnsiCodePage()
{
    char digits[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits);
    const UINT codePage = static_cast<UINT>(std::atoi(digits));
    return codePage ? codePage : 1252;
}

std::string FirstLineOf(std::string text)
{
    const std::size_t end = text.find('\n');
    if (end != std::string::npos)
        text.erase(end);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    // A zero byte would cut the path short where the system reads it, and
    // another file than the line names could be loaded: such a line is no path.
    if (text.find('\0') != std::string::npos)
        return {};
    return text;
}

} // namespace

std::optional<std::string> ReadFirstLine(const std::string& path)
{
    ui::UniqueHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    // A first line is a path: a few kilobytes hold it whatever the encoding.
    std::string bytes(16384, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::nullopt;
    bytes.resize(got);

    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        std::memcpy(wide.data(), bytes.data() + 2, wide.size() * 2);
        return FirstLineOf(Narrow(CP_ACP, wide));
    }
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return FirstLineOf(Narrow(CP_ACP, Widen(CP_UTF8, bytes.substr(3))));
    std::string line = FirstLineOf(bytes);
    if (GetACP() == CP_UTF8 && !line.empty() && Widen(CP_UTF8, line, MB_ERR_INVALID_CHARS).empty())
        line = Narrow(CP_UTF8, Widen(LegacyAnsiCodePage(), line));
    return line;
}

} // namespace korvane
