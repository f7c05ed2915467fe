#pragma once
// Helpers shared by the preview tests: COM for the test thread, the test
// media as Windows paths, bounded message pumping.
#include <windows.h>
#include <dshow.h>

#include <functional>
#include <string>

#include "tests/preview/AudioRenderer.h"

namespace korvane::test {

// Wine maps the Linux root to Z:.
std::wstring WindowsPath(const std::string& linuxPath);
std::wstring MediaFile(const char* name);
std::wstring SampleAvi();

// Pumps the thread's messages until done() or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpPending();

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

} // namespace korvane::test
