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

} // namespace korvane::testing
