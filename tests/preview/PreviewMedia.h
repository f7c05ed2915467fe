#pragma once
// Helpers shared by the preview tests: COM for the test thread, the test
// media as Windows paths, bounded message pumping.
#include <windows.h>
#include <dshow.h>

#include <functional>
#include <string>

namespace korvane::test {

// Wine maps the Linux root to Z:.
std::wstring WindowsPath(const std::string& linuxPath);
std::wstring MediaFile(const char* name);
std::wstring SampleAvi();

// Pumps the thread's messages until done() or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpPending();

// The test run has a sound server for Wine's audio driver (scripts/test.sh
// says so in KORVANE_SOUND_SERVER): DirectShow then renders sound as well.
bool SoundServerRunning();
// Some filter of the graph plays sound.
bool HasAudioRenderer(IFilterGraph* graph);

// For tests whose point needs sound in the graph, as on a user's machine:
// without a sound server that is a marked gap of the bench; with one, a
// graph without an audio renderer is a failure.
#define KORVANE_REQUIRE_AUDIO_RENDERER(graph)                                                              \
    do {                                                                                                  \
        if (!::korvane::test::HasAudioRenderer(graph)) {                                                  \
            if (::korvane::test::SoundServerRunning())                                                    \
                FAIL() << "a sound server runs, yet the graph has no audio renderer";                     \
            GTEST_SKIP() << "no sound server on this bench: DirectShow renders picture only";             \
        }                                                                                                 \
    } while (0)

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

} // namespace korvane::test
