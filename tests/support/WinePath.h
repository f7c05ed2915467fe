// A path of the build (a Linux path) as Wine's programs see it: Wine maps
// the host's root to drive Z:. The build's paths are ASCII.
#pragma once

#include <string>

namespace korvane::testing {

inline std::string WinePath(std::string unixPath)
{
    for (char& c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

inline std::wstring WideWinePath(const std::string& unixPath)
{
    const std::string path = WinePath(unixPath);
    return std::wstring(path.begin(), path.end());
}

} // namespace korvane::testing
