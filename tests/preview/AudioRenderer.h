#pragma once
// Whether a test's graph plays sound as a user's does.
#include <windows.h>
#include <dshow.h>

#include <cstdlib>
#include <cstring>

#include "preview/ComPtr.h"
#include "preview/FilterList.h"

namespace korvane::test {

// The test run has a sound server for Wine's audio driver (scripts/test.sh
// says so in KORVANE_SOUND_SERVER): DirectShow then renders sound as well.
inline bool SoundServerRunning()
{
    const char* v = std::getenv("KORVANE_SOUND_SERVER");
    return v && std::strcmp(v, "1") == 0;
}

// Some filter of the graph plays sound.
inline bool HasAudioRenderer(IFilterGraph* graph)
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
