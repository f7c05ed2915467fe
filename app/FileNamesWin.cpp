#include "app/FileNamesWin.h"

#include "app/FileNames.h"

#include <windows.h>

#include <vector>

namespace korvane {

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsValidSourceFile(const std::string& path)
{
    return FileExists(path);
}

bool FileHasContent(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
        && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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

} // namespace korvane
