#pragma once
// Waiting in a test for something the window's messages bring about: the
// messages are served until it has happened or its deadline has passed, never
// for a fixed time.
#include <windows.h>

#include <algorithm>
#include <functional>

namespace korvane::testsupport {

// Serves the thread's waiting messages with pumpPending until done() or
// timeoutMs has passed; returns done().
inline bool PumpUntilDeadline(const std::function<bool()>& done, DWORD timeoutMs,
                              const std::function<void()>& pumpPending)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 20), QS_ALLINPUT);
        pumpPending();
    }
    return true;
}

} // namespace korvane::testsupport
