#pragma once
// Builds the program's six windows in-process on a program folder of the
// test's own, with every modal question scripted and the shell and power-off
// replaced, so tests drive the real windows, real DirectShow and the real
// converter without a person and without side effects.
#include "app/Korvane.h"
#include "app/MainForm.h"
#include "prefs/SettingForm.h"
#include "tests/profiles/ScratchFolder.h"
#include "tests/support/ChildProcess.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/support/WinePath.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace korvane::testing {

using uitest::PumpUntil;

inline std::string SampleVideo()
{
    return WinePath(KORVANE_SOURCE_DIR "/.deps/media/sample.avi");
}

inline std::string ConverterExe()
{
    return WinePath(KORVANE_DIST_DIR "/wmaspi.dll");
}

// The engine behind the converter, which also reads media for the tests.
inline std::string EngineExe()
{
    return WinePath(KORVANE_DIST_DIR "/kvengine.exe");
}

// Duration in seconds that the converter reads from a media file's header, or -1.
double MediaDuration(const std::string& path);
// Number of video frames the converter decodes from a media file, or -1.
int VideoFrames(const std::string& path);
// What the engine complains about when it decodes the whole file; empty when clean.
std::string DecodeErrors(const std::string& path);

bool FileExistsAt(const std::string& path);

// Drop data as the shell hands it over: the wide name of one file, given in
// the program's code page.
HDROP MakeWideDrop(const std::string& file);

struct Preferences {
    bool overwrite = false;
    bool aptotic = true;
    bool openDir = true;
    bool autoExit = false;
    bool turnOff = false;
    int profile = 0;
    std::string version;   // empty: no "Version" key
};

class KorvaneTest : public ::testing::Test {
protected:
    // The program folder is a scratch folder whose name starts with the prefix.
    explicit KorvaneTest(const std::string& folderPrefix = "korvane-profiles-");
    ~KorvaneTest() override;

    // Writes the preferences file and a profile, then creates the windows.
    void Start(const Preferences& prefs = {});
    void WritePreferences(const Preferences& prefs);
    void WriteProfile(const std::string& name, const std::string& type);

    TMainForm& Main() { return *korvane.MainForm; }
    TSettingForm& Settings() { return *korvane.SettingForm; }
    std::string OutputDir() const { return folder / "out\\"; }
    // The message boxes asked so far, as "caption|text".
    std::vector<std::string> Boxes() const;
    // Sets the job's inputs of the main window.
    void SetRange(const std::string& start, const std::string& end);
    void SetSections(const std::string& count);
    void SelectProfile(const std::string& name);
    // Posted as the user's click on the Cancel picture, or on the close box:
    // handled where the program next takes its messages.
    void PostCancelClick();
    void PostClose();

    ScratchFolder folder;
    ui::ScriptedDialogs dialogs;
    Korvane korvane;
    std::vector<std::string> opened;   // paths handed to the shell
    int powerOffs = 0;
};

} // namespace korvane::testing
