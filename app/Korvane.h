#pragma once
// What the program's windows share: the values fixed at start-up, the one
// instance of each window, and the few ways out of the process (shell, power)
// that tests replace. One Korvane object lives for the whole run, made by the
// program entry (or by a test) and handed to every window.
#include <windows.h>

#include <functional>
#include <string>

namespace korvane {

class TMainForm;
class TSettingForm;
class TCountDownForm;
class TAboutForm;
class TopSettingForm;
class TSizeForm;

// The steps between the program's start and the main window's first complete
// paint, as the start-up benchmark names them.
enum class StartupStep {
    Controls,             // COM and the common controls started
    SkinAndPictures,      // the skin read, the main window's pictures loaded
    FormsCreated,         // the six windows made
    ProfilesListed,       // the profile box filled from the profile folder
    ProfileEditorFilled,  // a profile's choices put into the editor's lists
    MediaGraphReady,      // a source rendered into the preview and started
    FirstPaint,           // the main window shown until nothing is left to paint
};

struct Korvane {
    // --- start-up input ----------------------------------------------------------
    // The program folder; empty means the running executable's folder. Tests
    // point it at a program folder of their own.
    std::string ProgramDirOverride;
    // The first command-line argument, empty when there is none.
    std::string CommandLineArgument;
    // The windows wear the built-in skin; false leaves the system look (the
    // start-up benchmark measures both).
    bool Skinned = true;
    // How long the converter's engine may take to tell a source's length or
    // frame rate before the user is told that it does not answer.
    DWORD EngineAnswerMs = 30000;

    // --- program-wide values, fixed by the main window's creation --------------
    std::string ProgramDir;      // always ends in a backslash
    std::string ConverterPath;   // ProgramDir + "wmaspi.dll"
    std::string EnginePath;      // ProgramDir + "kvengine.exe", the converter's engine
    std::string ProductName = "Korvane";
    std::string VersionText;
    std::string HelpFile;        // ProgramDir + "Korvane.chm"

    // "." + the output type of the profile last loaded into the profile editor.
    std::string OutputExtension;

    // --- the windows, one each, in their creation order -------------------------
    TMainForm* MainForm = nullptr;
    TSettingForm* SettingForm = nullptr;
    TCountDownForm* CountDownForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TopSettingForm* opSettingForm = nullptr;
    TSizeForm* SizeForm = nullptr;

    // --- ways out of the process ---------------------------------------------------
    // Opens a file or folder with the shell's "open" verb, normally shown.
    std::function<void(HWND owner, const std::string& path)> ShellOpen;
    // Turns the computer off. Tests always replace it: under Wine the real
    // one ends every process of the prefix.
    std::function<void()> PowerOff;

    // --- start-up, as the start-up benchmark watches it ------------------------------
    // Told when a step begins (true) and ends (false); the program leaves it empty.
    std::function<void(StartupStep step, bool begins)> OnStartupStep;

    Korvane();
};

// Tells OnStartupStep that `step` begins now and, when it goes, that it ended.
class StartupStepScope {
public:
    StartupStepScope(const Korvane& korvane, StartupStep step);
    ~StartupStepScope();
    StartupStepScope(const StartupStepScope&) = delete;
    StartupStepScope& operator=(const StartupStepScope&) = delete;

private:
    const Korvane& korvane_;
    StartupStep step_;
};

// What the program's entry lets watch its start-up: nothing in the program
// itself; the start-up benchmark's build of the same entry times the steps.
void WatchStartup(Korvane& korvane);

// Creates the six windows in their order: main window, settings, countdown,
// About, profile editor, size dialog (all but the main window hidden; their
// system windows are made when they are first shown).
void CreateKorvaneWindows(Korvane& korvane);

// The whole program: creates the windows, runs until the main window closes,
// then lets the windows go. Returns the process exit code.
int RunKorvane(Korvane& korvane);

} // namespace korvane
