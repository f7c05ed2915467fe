#include "PreviewMedia.h"

#include "tests/support/Pump.h"
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
    return testsupport::PumpUntilDeadline(done, timeoutMs, PumpPending);
}

} // namespace korvane::test
