// The names of the files (and folders, "." and ".." included) a pattern
// such as "C:\\out\\clip.mp4.*" matches; none when nothing does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvane::testing {

inline std::vector<std::string> FilesMatching(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.emplace_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

} // namespace korvane::testing
