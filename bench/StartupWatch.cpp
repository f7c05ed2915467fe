// The start-up benchmark's build of the program (korvane_timed.exe): the
// program's own entry, with its start-up steps timed. At the end of the main
// window's first complete paint (and, with a source on the command line, once
// the preview has its first frame) it writes the times to its standard output
// and ends at once, without closing its windows: the benchmark's driver
// (startup_bench.exe) reads them.
//
// Each line is "<name> <begin> <end>" in performance-counter ticks; the line
// "main" has the moment the entry ran as both, "frequency" the ticks per second.
#include "app/Korvane.h"
#include "app/MainForm.h"
#include "ui/Application.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace korvane {
namespace {

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

const char* StepName(StartupStep step)
{
    switch (step) {
    case StartupStep::Controls: return "controls";
    case StartupStep::SkinAndPictures: return "skin";
    case StartupStep::FormsCreated: return "forms";
    case StartupStep::ProfilesListed: return "profiles";
    case StartupStep::ProfileEditorFilled: return "editor";
    case StartupStep::MediaGraphReady: return "graph";
    case StartupStep::FirstPaint: return "paint";
    }
    return "?";
}

struct Span {
    std::string name;
    LONGLONG begin = 0;
    LONGLONG end = 0;
};

// Waits until the preview's graph has handed its first picture to the
// renderer: the graph's change of state completes only then.
void WaitForFirstFrame(TMainForm& main)
{
    const auto control = main.FilterGraph.Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return;
    for (int i = 0; i < 3000; ++i) {
        OAFilterState state = State_Stopped;
        if (control->GetState(10, &state) == S_OK)
            return;
        ui::App().ProcessMessages();
    }
}

void Report(const std::vector<Span>& spans)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::string text = "frequency " + std::to_string(frequency.QuadPart) + " 0\n";
    for (const Span& s : spans)
        text += s.name + " " + std::to_string(s.begin) + " " + std::to_string(s.end) + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

} // namespace

void WatchStartup(Korvane& korvane)
{
    auto spans = std::make_shared<std::vector<Span>>();
    const LONGLONG entry = Now();
    spans->push_back(Span{"main", entry, entry});
    korvane.OnStartupStep = [spans, &korvane](StartupStep step, bool begins) {
        const LONGLONG now = Now();
        if (begins) {
            spans->push_back(Span{StepName(step), now, 0});
            return;
        }
        for (auto it = spans->rbegin(); it != spans->rend(); ++it)
            if (it->name == StepName(step) && it->end == 0) {
                it->end = now;
                break;
            }
        if (step != StartupStep::FirstPaint)
            return;
        TMainForm* main = korvane.MainForm;
        if (main && main->SourceLoaded && main->PreviewAvailable()) {
            const LONGLONG from = Now();
            WaitForFirstFrame(*main);
            spans->push_back(Span{"frame", from, Now()});
        }
        Report(*spans);
        ::ExitProcess(0);
    };
}

} // namespace korvane
