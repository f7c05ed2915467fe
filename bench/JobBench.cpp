// The benchmark's timer inside Wine (bench/run.sh drives it):
//
//   korvane_bench job <program folder> <source> <end hh:mm:ss> <sections> <profile> <output folder> <lines file> [<start hh:mm:ss>]
//     builds the program's windows on the program folder, runs one split job
//     from the start (00:00:00 unless given) to the end through the Start
//     picture, and prints its time.
//     Before the job it writes the converter command lines the job runs (one
//     per clip) and, last, the line of one pass over the whole range, so
//     that the script can run the same work from a shell.
//   korvane_bench pieces <program folder> <source> <end hh:mm:ss> <MB> <profile> <output folder>
//     the same for pieces of at most <MB> megabytes from 00:00:00 to the end.
//   korvane_bench run <batch file>
//     runs the batch file in cmd.exe, its output thrown away, and prints its time.
//
// Every question is answered by the script seam; the shell and the power-off
// are replaced by nothing.
#include "app/FileNames.h"
#include "app/Korvane.h"
#include "app/MainForm.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/opSettingForm.h"
#include "split/ClipPlan.h"
#include "split/CommandLineLocale.h"
#include "app/TimeText.h"
#include "app/TimeTextLocale.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using namespace korvane;

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Processor seconds used so far by this run's control group, when the script
// measures one (Wine reads the host's file through its Z: drive); -1 otherwise.
double GroupCpuSeconds()
{
    const char* file = std::getenv("KORVANE_BENCH_CPU_FILE");
    if (!file)
        return -1;
    std::ifstream in(file);
    double nanoseconds = -1;
    if (!(in >> nanoseconds))
        return -1;
    return nanoseconds / 1e9;
}

// The main window with the source loaded, the range from 0 to endText, the
// profile chosen and the output folder set; nothing when either cannot be had.
TMainForm* PreparedWindow(Korvane& korvane, const std::string& programDir, const std::string& source,
                          const std::string& endText, const std::string& profile, const std::string& outputDir,
                          const std::string& startText = "00:00:00")
{
    korvane.ProgramDirOverride = programDir;
    korvane.ShellOpen = [](HWND, const std::string&) {};
    korvane.PowerOff = [] {};
    ui::App().Initialize();
    CreateKorvaneWindows(korvane);
    TMainForm& main = *korvane.MainForm;
    main.Show();
    ui::App().ProcessMessages();
    main.LoadSource(source);
    if (!main.SourceLoaded) {
        std::printf("error=the preview could not load %s\n", source.c_str());
        return nullptr;
    }
    main.edtStart.SetText(startText);
    main.edtEnd.SetText(endText);
    const auto& items = main.cmbProfile.Items();
    const auto it = std::find(items.begin(), items.end(), profile);
    if (it == items.end()) {
        std::printf("error=no profile %s\n", profile.c_str());
        return nullptr;
    }
    main.cmbProfile.SetItemIndex(static_cast<int>(it - items.begin()));
    main.cmbProfileChange(main.cmbProfile);
    main.edtOutputDir.SetText(outputDir);
    return &main;
}

int Job(int argc, char** argv)
{
    const std::string programDir = argv[2], source = argv[3], endText = argv[4], sections = argv[5],
                      profile = argv[6], outputDir = argv[7], linesFile = argv[8];
    const std::string startText = argc > 9 ? argv[9] : "00:00:00";
    ui::ScriptedDialogs dialogs;
    Korvane korvane;
    TMainForm* window = PreparedWindow(korvane, programDir, source, endText, profile, outputDir, startText);
    if (!window)
        return 1;
    TMainForm& main = *window;
    main.rdbEqual.SetChecked(true);
    main.edtSectionQty.SetText(sections);

    // The same command lines the job writes, for the runs from a shell.
    std::string arguments = korvane.opSettingForm->BuildArguments(ProfilePath(korvane.ProgramDir, profile));
    std::string extension = korvane.OutputExtension;
    if (profile == "Settings of the source file.") {
        arguments += " -c copy";
        extension = source.substr(source.find_last_of('.'));
    }
    const double from = TimeTextToSeconds(startText);
    const double length = TimeTextToSeconds(endText) - from;
    const ClipPlan plan(SplitMode::EqualSections, from, length, std::stoi(sections));
    std::ofstream lines(linesFile, std::ios::binary);
    const std::string folder = WithTrailingBackslash(outputDir);
    for (std::int32_t n = 1; n <= plan.ClipCount(); ++n) {
        const ClipSpan span = plan.Clip(n);
        lines << BuildConverterCommandLine(source, span.start, span.duration, arguments,
                                           ClipOutputPath(folder, source, n, extension))
              << "\r\n";
    }
    lines << BuildConverterCommandLine(source, from, length, arguments, folder + "one-pass" + extension) << "\r\n";
    lines.close();

    const double cpuStart = GroupCpuSeconds();
    const double start = Now();
    main.imgStartClick(main.imgStart);
    const double seconds = Now() - start;
    const double cpuEnd = GroupCpuSeconds();
    std::string result;
    for (const auto& call : dialogs.MessageBoxes())
        result += call.Caption + ": " + call.Text + " ";
    for (char& c : result)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::printf("seconds=%.3f\nresult=%s\n", seconds, result.c_str());
    // Only what the job used: building the windows and loading the preview are not its work.
    if (cpuStart >= 0 && cpuEnd >= 0)
        std::printf("cpu=%.3f\n", cpuEnd - cpuStart);
    ui::App().DestroyForms();
    return 0;
}

int Pieces(char** argv)
{
    const std::string programDir = argv[2], source = argv[3], endText = argv[4], megabytes = argv[5],
                      profile = argv[6], outputDir = argv[7];
    ui::ScriptedDialogs dialogs;
    Korvane korvane;
    TMainForm* window = PreparedWindow(korvane, programDir, source, endText, profile, outputDir);
    if (!window)
        return 1;
    TMainForm& main = *window;
    main.rdbPieceSize.SetChecked(true);
    main.edtPieceSize.SetText(megabytes);

    const double cpuStart = GroupCpuSeconds();
    const double start = Now();
    main.imgStartClick(main.imgStart);
    const double seconds = Now() - start;
    const double cpuEnd = GroupCpuSeconds();
    std::string result;
    for (const auto& call : dialogs.MessageBoxes())
        result += call.Caption + ": " + call.Text + " ";
    for (char& c : result)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::printf("seconds=%.3f\nresult=%s\n", seconds, result.c_str());
    if (cpuStart >= 0 && cpuEnd >= 0)
        std::printf("cpu=%.3f\n", cpuEnd - cpuStart);
    ui::App().DestroyForms();
    return 0;
}

int RunBatch(const char* batch)
{
    std::string line = "cmd.exe /c \"" + std::string(batch) + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = Now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        std::printf("error=cmd.exe could not start (%lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double seconds = Now() - start;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::printf("seconds=%.3f\n", seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if ((argc == 9 || argc == 10) && std::string(argv[1]) == "job")
            return Job(argc, argv);
        if (argc == 8 && std::string(argv[1]) == "pieces")
            return Pieces(argv);
        if (argc == 3 && std::string(argv[1]) == "run")
            return RunBatch(argv[2]);
    } catch (const std::exception& e) {
        std::printf("error=%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: korvane_bench job <program folder> <source> <end> <sections> <profile> "
                         "<output folder> <lines file> [<start>] | pieces <program folder> <source> <end> <MB> <profile> "
                         "<output folder> | run <batch file>\n");
    return 2;
}
