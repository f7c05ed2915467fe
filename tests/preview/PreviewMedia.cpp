#include "PreviewMedia.h"

#include "tests/support/WinePath.h"

#include <algorithm>

namespace korvane::test {

std::wstring WindowsPath(const std::string& linuxPath)
{
    return korvane::testing::WideWinePath(linuxPath);
}

std::wstring MediaFile(const char* name)
{
    return WindowsPath(std::string(KORVANE_PREVIEW_MEDIA_DIR) + "/" + name);
}

std::wstring SampleAvi()
{
    return WindowsPath(KORVANE_SAMPLE_AVI);
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 20), QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

} // namespace korvane::test
