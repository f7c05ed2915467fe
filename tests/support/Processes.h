// What the tests see of the system's processes: a job must leave no
// converter or engine behind, and some tests follow a clip's process tree.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvane::testing {

struct ProcessEntry {
    DWORD id = 0;
    DWORD parent = 0;
    std::wstring exeName;  // the program's file name
    std::wstring image;    // its full path; empty where the process cannot be asked
};

// Every process running now.
std::vector<ProcessEntry> Processes();

// The first process named exeName (letter case aside) that parent started, or 0.
DWORD ChildOf(DWORD parent, const std::wstring& exeName);

// The processes whose program lies in the folder (a Windows path, in the
// user's code page).
std::vector<ProcessEntry> RunningFrom(const std::string& folder);
// A program of the folder named exeName (letter case aside) runs now.
bool RunsFrom(const std::string& folder, const std::wstring& exeName);
// The names of the folder's programs still running once those on their way
// out have had five seconds to go: empty when nothing was left behind.
std::vector<std::string> LeftRunningIn(const std::string& folder);

} // namespace korvane::testing
