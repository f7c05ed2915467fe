#include "PreviewMedia.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "preview/ComPtr.h"
#include "preview/FilterList.h"

namespace korvane::test {

std::wstring WindowsPath(const std::string& linuxPath)
{
    std::wstring w = L"Z:";
    for (char c : linuxPath)
        w += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
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

bool SoundServerRunning()
{
    const char* v = std::getenv("KORVANE_SOUND_SERVER");
    return v && std::strcmp(v, "1") == 0;
}

bool HasAudioRenderer(IFilterGraph* graph)
{
    if (!graph)
        return false;
    TFilterList filters(graph);
    for (std::size_t i = 0; i < filters.Count(); ++i) {
        ComPtr<IBasicAudio> audio;
        if (SUCCEEDED(filters.Items(i)->QueryInterface(IID_IBasicAudio, audio.PutVoid())) && audio)
            return true;
    }
    return false;
}

} // namespace korvane::test
