#pragma once
// The engine's runs: kvengine.exe from the converter's own folder, hidden,
// its output read through a pipe while the main program hears the progress,
// inside a job that ends it with the converter. Windows only.
#include "converter/Progress.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The folder of the running program, with its separator at the end.
std::wstring ProgramFolder();

bool FileHasContent(const std::wstring& path);

// A write failed on the output's disk because it is full.
bool OutputDiskIsFull(const std::wstring& output);

// The engine runs in a job that ends it when our last handle to the job
// closes: when we exit, and also when the main program terminates us (Cancel,
// closing the window), so no engine is left writing a clip nobody waits for.
// We join the job ourselves before the engine exists, so that the engine is in
// it from its first moment: a Cancel that terminates us while we are still
// starting the engine must not leave it outside, running or suspended.
struct EngineJob {
    // Never closed by us: with us inside, closing it would end us with it,
    // before our exit code is set. The system closes it when we end.
    HANDLE job = nullptr;
    bool joined = false;  // we are in the job, and so is every process we start
};

EngineJob MakeKillOnCloseJob();

// Our own standard handles are the main program's pipe: the engine must not
// inherit them, or the main program's pipe would outlive us.
void KeepOwnHandlesFromChildren();

// One run of the engine, to its end or until nobody reads our output any more.
struct EngineRun {
    bool started = false;
    DWORD startError = 0;
    bool readerGone = false;
    DWORD exitCode = 0;
};

// Runs the engine with the given arguments, hands everything it writes to
// `take`, and keeps the progress going meanwhile.
EngineRun RunEngine(const std::vector<std::string>& arguments, const EngineJob& job, ProgressWriter& progress,
                    const std::function<void(std::string_view)>& take);

} // namespace korvane::frontend
