// Split jobs from the Start picture to the last message, with the real
// converter under Wine.
#include "tests/app/KorvaneFixture.h"
#include "tests/support/Processes.h"

#include "app/FileNamesWin.h"
#include "app/TimeText.h"

#include "prefs/CountDownForm.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace korvane::testing {
namespace {

// Remembers the greatest position a progress bar was ever given.
class BarWatch {
public:
    explicit BarWatch(ui::ProgressBar& bar) : bar_(bar), previous_(bar.WindowProc)
    {
        bar_.WindowProc = [this](ui::Message& m) {
            if (m.Msg == PBM_SETPOS)
                highest_ = std::max(highest_, static_cast<int>(m.WParam));
            previous_(m);
        };
    }
    ~BarWatch() { bar_.WindowProc = previous_; }
    int Highest() const { return highest_; }

private:
    ui::ProgressBar& bar_;
    std::function<void(ui::Message&)> previous_;
    int highest_ = 0;
};

// The engine the job's converter runs, watched from the moment it is seen.
class EngineWatch {
public:
    ~EngineWatch()
    {
        if (handle_ != nullptr) {
            TerminateProcess(handle_, 99);
            CloseHandle(handle_);
        }
    }
    // Looks for it while the job runs; true once it has been seen running.
    bool Find()
    {
        if (handle_ == nullptr) {
            const DWORD id = ChildOf(ChildOf(GetCurrentProcessId(), L"wmaspi.dll"), L"kvengine.exe");
            if (id != 0)
                handle_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
            seenRunning_ = handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
        }
        return handle_ != nullptr;
    }
    bool SeenRunning() const { return seenRunning_; }
    bool EndsWithin(DWORD ms) const { return handle_ != nullptr && WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }

private:
    HANDLE handle_ = nullptr;
    bool seenRunning_ = false;
};

class SplitJob : public KorvaneTest {
protected:
    void StartWithSource(const Preferences& prefs = {})
    {
        WriteProfile("AVI video", "avi");
        WriteProfile("Settings of the source file.", "mp4");
        Start(prefs);
        Main().LoadSource(SampleVideo());
        SelectProfile("AVI video");
    }
    std::string Clip(int n, const std::string& ext = ".avi") const
    {
        return OutputDir() + "sample_Clip" + std::to_string(n) + ext;
    }
    void Click() { Main().imgStartClick(Main().imgStart); }
};

TEST_F(SplitJob, EqualSectionsMakeClipsOfEqualLength)
{
    StartWithSource();
    SetRange("00:00:00", "00:00:20");
    SetSections("3");
    BarWatch current(Main().pgbCurrent);
    int totalAtTheEnd = -1;
    dialogs.OnMessageBox = [&](const ui::ScriptedDialogs::Call&) { totalAtTheEnd = Main().pgbTotal.Position(); };

    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(totalAtTheEnd, 100);
    EXPECT_EQ(current.Highest(), 100);
    for (int n = 1; n <= 3; ++n) {
        ASSERT_TRUE(FileExistsAt(Clip(n))) << Clip(n);
        // Within one frame of the sample's 25 frames a second.
        EXPECT_NEAR(VideoFrames(Clip(n)) / 25.0, 20.0 / 3, 0.04) << Clip(n);
    }
    EXPECT_FALSE(FileExistsAt(Clip(4)));
    // A host-side check measures the clips again with ffprobe.
    if (const char* keep = std::getenv("KORVANE_KEEP_CLIPS")) {
        for (int n = 1; n <= 3; ++n) {
            const std::string target = std::string(keep) + "\\sample_Clip" + std::to_string(n) + ".avi";
            EXPECT_TRUE(CopyFileA(Clip(n).c_str(), target.c_str(), FALSE)) << target;
        }
    }
    // The output folder is opened as typed in the window.
    EXPECT_EQ(opened, std::vector<std::string>{OutputDir()});
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
    EXPECT_EQ(Main().pgbCurrent.Position(), 0);
    EXPECT_EQ(Main().labProcessing.Caption(), "Splitting: Section 3");
}

TEST_F(SplitJob, OneClipCutsTheMarkedRange)
{
    StartWithSource();
    SetRange("00:00:02", "00:00:05");
    Click();
    ASSERT_TRUE(FileExistsAt(Clip(1)));
    EXPECT_EQ(VideoFrames(Clip(1)), 75);
    EXPECT_FALSE(FileExistsAt(Clip(2)));
    EXPECT_EQ(Main().labProcessing.Caption(), "Splitting: sample.avi");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
}

TEST_F(SplitJob, SourceSettingsCopyTheStreamsIntoTheSourceType)
{
    StartWithSource();
    SelectProfile("Settings of the source file.");
    SetRange("00:00:00", "00:00:04");
    Click();
    ASSERT_TRUE(FileExistsAt(Clip(1, ".avi")));
    EXPECT_FALSE(FileExistsAt(Clip(1, ".mp4")));
    EXPECT_NEAR(MediaDuration(Clip(1, ".avi")), 4.0, 0.2);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
}

TEST_F(SplitJob, NoOverwriteSkipsThatSectionOnly)
{
    StartWithSource();
    SetRange("00:00:00", "00:00:03");
    SetSections("3");
    const std::string kept = folder.Write("out\\sample_Clip2.avi", "keep me");
    dialogs.QueueAnswer(IDNO);
    Click();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Overwrite|The output file is existent. Overwrite it?",
                                                 "Completed|Splitting is completed successfully."}));
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(FileExistsAt(Clip(1)));
    EXPECT_TRUE(FileExistsAt(Clip(3)));
    EXPECT_EQ(ScratchFolder::Read(kept), "keep me");
}

TEST_F(SplitJob, NoOverwriteInOneClipModeEndsAtOnce)
{
    StartWithSource();
    SetRange("00:00:00", "00:00:02");
    folder.Write("out\\sample_Clip1.avi", "keep me");
    dialogs.QueueAnswer(IDNO);
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Overwrite|The output file is existent. Overwrite it?"});
    EXPECT_EQ(ScratchFolder::Read(Clip(1)), "keep me");
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
    EXPECT_TRUE(opened.empty());
}

TEST_F(SplitJob, OverwriteYesOrPreferenceReplacesTheFile)
{
    StartWithSource();
    SetRange("00:00:00", "00:00:02");
    folder.Write("out\\sample_Clip1.avi", "old");
    dialogs.QueueAnswer(IDYES);
    Click();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Overwrite|The output file is existent. Overwrite it?",
                                                 "Completed|Splitting is completed successfully."}));
    EXPECT_NEAR(VideoFrames(Clip(1)), 50, 1);

    // With the preference nobody is asked.
    dialogs.ClearCalls();
    Settings().chkOverwrite.SetChecked(true);
    folder.Write("out\\sample_Clip1.avi", "old");
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_NEAR(VideoFrames(Clip(1)), 50, 1);
}

TEST_F(SplitJob, MissingConverterAsksForAReinstall)
{
    StartWithSource();
    DeleteFileA((folder / "wmaspi.dll").c_str());
    SetRange("00:00:00", "00:00:02");
    Click();
    ASSERT_EQ(Boxes(), std::vector<std::string>{"Korvane|Error. Please re-install Korvane"});
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
}

TEST_F(SplitJob, TurnOffWinsOverExitAndKeepsTheBusyLook)
{
    Preferences prefs;
    prefs.autoExit = true;
    prefs.turnOff = true;
    StartWithSource(prefs);
    SetRange("00:00:00", "00:00:01");
    Click();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_TRUE(Main().panProgress.Visible());
    EXPECT_FALSE(Main().tmrProcess.Enabled());
    ASSERT_NE(korvane.CountDownForm, nullptr);
    EXPECT_TRUE(korvane.CountDownForm->Visible());
    EXPECT_EQ(korvane.CountDownForm->btnDoNow.Caption(), "Turn off Now");
    EXPECT_EQ(korvane.CountDownForm->labMessage.Caption(), "The computer will be turned off within 10 seconds.");
    EXPECT_FALSE(Main().Enabled());

    // The user cancels: nothing happens to the computer, the window is idle again.
    korvane.CountDownForm->btnCancel.Click();
    EXPECT_EQ(powerOffs, 0);
    EXPECT_FALSE(Main().panProgress.Visible());
    EXPECT_TRUE(Main().Enabled());
}

TEST_F(SplitJob, CountdownClosedByItsFrameReturnsTheWindowToIdle)
{
    Preferences prefs;
    prefs.autoExit = true;
    prefs.overwrite = true;
    StartWithSource(prefs);
    SetRange("00:00:00", "00:00:01");
    Click();
    TCountDownForm& countdown = *korvane.CountDownForm;
    ASSERT_TRUE(countdown.Visible());
    ASSERT_TRUE(Main().panProgress.Visible());
    // The caption's close box and Alt+F4 both arrive as this system command.
    SendMessageA(countdown.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ui::App().ProcessMessages();

    EXPECT_FALSE(countdown.Visible());
    EXPECT_FALSE(countdown.tmrCountdown.Enabled());
    EXPECT_FALSE(ui::App().Terminated());
    EXPECT_TRUE(Main().Enabled());
    EXPECT_FALSE(Main().panProgress.Visible());
    EXPECT_TRUE(Main().imgStart.Visible());
    EXPECT_FALSE(Main().imgCancel.Visible());
    EXPECT_TRUE(Main().sbtnOpen.Enabled());
    EXPECT_TRUE(Main().sbtnSettings.Enabled());
    EXPECT_TRUE(Main().sbtnStopPreview.Enabled());
    // The window takes work again: the next job runs.
    Click();
    EXPECT_TRUE(countdown.Visible());
    countdown.btnCancel.Click();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SplitJob, CountdownRunsOutAndActs)
{
    Preferences prefs;
    prefs.turnOff = true;
    StartWithSource(prefs);
    SetRange("00:00:00", "00:00:01");
    Click();
    auto& countdown = *korvane.CountDownForm;
    for (int i = 0; i < 9; ++i)
        countdown.tmrCountdown.Fire();
    EXPECT_EQ(countdown.labMessage.Caption(), "The computer will be turned off within 1 seconds.");
    EXPECT_EQ(powerOffs, 0);
    countdown.tmrCountdown.Fire();
    EXPECT_EQ(countdown.labMessage.Caption(), "The computer will be turned off within 0 seconds.");
    EXPECT_EQ(powerOffs, 1);
    countdown.btnCancel.Click();
}

// Cancel while an encode runs: the converter is terminated, its engine ends
// with it, and the clip stays as far as it got. (A copy has no engine: the
// converter writes it itself.)
TEST_F(SplitJob, CancelEndsTheConverterAndItsEngineAndKeepsThePartialClip)
{
    Preferences prefs;
    prefs.overwrite = true;
    StartWithSource(prefs);
    Main().LoadSource(WinePath(KORVANE_LONG_VIDEO));
    SetRange("00:00:00", "00:00:40");
    for (const bool copy : {false}) {
        SCOPED_TRACE(copy ? "copy" : "encode");
        SelectProfile(copy ? "Settings of the source file." : "AVI video");
        dialogs.ClearCalls();
        // The user clicks the Cancel picture at the first progress the
        // converter reports; a copy is cancelled at its first output, since
        // it may well be done before it reports any progress.
        bool clicked = false;
        EngineWatch engine;
        auto previous = Main().pgbCurrent.WindowProc;
        Main().pgbCurrent.WindowProc = [&](ui::Message& m) {
            if (m.Msg == PBM_SETPOS && (m.WParam > 0 || copy) && !clicked && engine.Find()) {
                clicked = true;
                const LPARAM at = MAKELPARAM(229 + 60, 291 + 30);
                PostMessageA(Main().panRight.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageA(Main().panRight.Handle(), WM_LBUTTONUP, 0, at);
            }
            previous(m);
        };
        dialogs.QueueAnswer(IDYES);
        Click();
        Main().pgbCurrent.WindowProc = previous;

        EXPECT_EQ(Boxes(), std::vector<std::string>{"Query|Do you want to cancel the splitting?"});
        EXPECT_TRUE(engine.SeenRunning());
        EXPECT_TRUE(engine.EndsWithin(5000)) << "the engine outlived its converter";
        EXPECT_EQ(Main().JobState, jsIdle);
        EXPECT_FALSE(Main().panProgress.Visible());
        EXPECT_LT(Main().pgbCurrent.Position(), 100);
        EXPECT_TRUE(opened.empty());
        if (!copy) {
            const std::string partial = OutputDir() + "long_Clip1.avi";
            ASSERT_TRUE(FileExistsAt(partial));
            EXPECT_LT(VideoFrames(partial), 1000);
        }
    }
}

// A profile the engine cannot follow makes no clip, and the job says so
// instead of counting down to the exit.
TEST_F(SplitJob, ABrokenProfileEndsInOneErrorMessageWithTheEnginesReason)
{
    folder.Write("Profiles\\Broken.apf", "[Main]\r\nType=avi\r\nPara=1\r\n0=Video Codec\r\n"
                                          "[Video Codec]\r\nSort=1\r\nList=0\r\nCaption=nosuchcodec\r\n"
                                          "Value=nosuchcodec\r\ncmd=-vcodec\r\n");
    Preferences prefs;
    prefs.autoExit = true;
    StartWithSource(prefs);
    SelectProfile("Broken");
    SetRange("00:00:00", "00:00:04");
    SetSections("2");
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{ui::App().Title() + "|Splitting failed: 2 of 2 clips could not be made.\n"
                                                "\nClip 1: Unknown encoder 'nosuchcodec'"
                                                "\nClip 2: Unknown encoder 'nosuchcodec'"});
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(korvane.CountDownForm->Visible());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
    EXPECT_TRUE(Main().imgStart.Visible());
}

// One section beyond the source's end fails; the others are made, and no
// power-off follows a job that did not do all it was asked.
TEST_F(SplitJob, AFailingClipAmongGoodOnesIsNamedAndStopsThePowerOff)
{
    Preferences prefs;
    prefs.turnOff = true;
    StartWithSource(prefs);
    SetRange("00:00:00", "00:00:45");
    SetSections("3");
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{ui::App().Title() + "|Splitting failed: 1 of 3 clips could not be made.\n"
                                                "\nClip 3: Nothing was converted: the clip starts after the end "
                                                "of the source."});
    EXPECT_EQ(powerOffs, 0);
    EXPECT_FALSE(korvane.CountDownForm->Visible());
    EXPECT_NEAR(VideoFrames(Clip(1)) / 25.0, 15.0, 0.04);
    EXPECT_NEAR(VideoFrames(Clip(2)) / 25.0, 5.0, 0.05);
    EXPECT_EQ(Main().JobState, jsIdle);
}

// The user's number format writes "-ss 6,7 -t 6,66666666666667". The
// separator is the prefix's user setting, which every Wine process shares:
// run alone by its own ctest entry (e2e_comma_locale), skipped otherwise.
TEST_F(SplitJob, CommaDecimalLocaleMakesItsClips)
{
    if (!std::getenv("KORVANE_COMMA_LOCALE"))
        GTEST_SKIP() << "changes the decimal separator of the whole prefix; runs alone as e2e_comma_locale";
    char saved[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, sizeof saved);
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ","));
    struct Restore {
        const char* value;
        ~Restore() { SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, value); }
    } restore{saved[0] ? saved : "."};

    StartWithSource();
    SetRange("00:00:00", "00:00:20");
    SetSections("3");
    BarWatch current(Main().pgbCurrent);
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_EQ(current.Highest(), 100) << "progress read in the comma form";
    for (int n = 1; n <= 3; ++n) {
        EXPECT_NEAR(VideoFrames(Clip(n)) / 25.0, 20.0 / 3, 0.04) << Clip(n);
        DeleteFileA(Clip(n).c_str());
    }

    // Copies that start exactly at 6,667 s and 13,333 s: the converter reads
    // the comma form and still finds the pictures there.
    ASSERT_TRUE(CopyFileA(WinePath(KORVANE_DIST_DIR "/Profiles/Settings of the source file..apf").c_str(),
                          (folder / "Profiles\\Settings of the source file..apf").c_str(), FALSE));
    SelectProfile("Settings of the source file.");
    dialogs.ClearCalls();
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    for (int n = 1; n <= 3; ++n)
        EXPECT_NEAR(VideoFrames(Clip(n)) / 25.0, 20.0 / 3, 0.04) << Clip(n);
}

// The kinds of error a decode reports ("[ac3 @ 0x1] frame sync error" ->
// "frame sync error"), without the place and the numbers it names.
std::set<std::string> ErrorKinds(const std::string& text)
{
    std::set<std::string> kinds;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        from = end + 1;
        if (line.rfind("[", 0) == 0 && line.find("] ") != std::string::npos)
            line.erase(0, line.find("] ") + 2);
        line = line.substr(0, std::min(line.find(" in stream "), line.find(':')));
        if (!line.empty())
            kinds.insert(line);
    }
    return kinds;
}

// "Settings of the source file." on sources whose keyframes lie apart: an MP4
// with one every 10 s, and MPEG program streams, whose seeks land between
// keyframes. Each clip ends at its end and starts on the keyframe at or before
// its start, an MP4 clip shown from the start itself by its edit list; its
// decode finds nothing wrong that the source's does not.
// e2e_copy_cuts_ffprobe looks at the kept clips again with the host's tools.
TEST_F(SplitJob, CopyCutsStartOnTheKeyframeBeforeTheStart)
{
    struct Source {
        const char* name;
        double longest;  // a clip's most seconds shown: 10 s, and what lies before the start without an edit list
        const char* start = "00:00:05";
        const char* end = "00:00:25";
    };
    StartWithSource();
    SelectProfile("Settings of the source file.");
    // In longgop.mpeg both starts lie far from the keyframe before them, at
    // 24 s: 6 s before the first, 16 s before the second, beyond the first
    // look for a keyframe.
    for (const Source& source : {Source{"gop.mp4", 10.0}, Source{"mpeg1.mpg", 11.0}, Source{"mpeg2.mpeg", 10.6},
                                 Source{"dvd.vob", 10.6}, Source{"longgop.mpeg", 26.0, "00:00:30", "00:00:50"}}) {
        const std::string path = WinePath(std::string(KORVANE_TEST_MEDIA_DIR "/") + source.name);
        Main().LoadSource(path);
        SetRange(source.start, source.end);
        SetSections("2");
        Click();

        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."}) << source.name;
        const std::set<std::string> sourceErrors = ErrorKinds(DecodeErrors(path));
        const std::string stem = std::string(source.name).substr(0, std::string(source.name).find('.'));
        const std::string ext = std::string(source.name).substr(stem.size());
        for (int n = 1; n <= 2; ++n) {
            const std::string name = stem + "_Clip" + std::to_string(n) + ext;
            const std::string clip = OutputDir() + name;
            // [5, 15] and [15, 25], or [30, 40] and [40, 50].
            const double seconds = VideoFrames(clip) / 25.0;
            EXPECT_GE(seconds, 10.0 - 0.1) << clip;
            EXPECT_LE(seconds, source.longest + 0.1) << clip;
            for (const std::string& kind : ErrorKinds(DecodeErrors(clip)))
                EXPECT_TRUE(sourceErrors.count(kind)) << clip << ": " << kind;
            if (const char* keep = std::getenv("KORVANE_KEEP_CLIPS"))
                CopyFileA(clip.c_str(), (std::string(keep) + "\\" + name).c_str(), FALSE);
        }
        dialogs.ClearCalls();
    }
}

// Copies with the copy profile's shipped start, exactly at the marked one,
// from starts between keyframes: an MPEG-1 program stream without
// reordering, a DVD's open groups of pictures, a program stream whose next
// keyframe lies 8 s after the start, and MPEG-4 in AVI with B pictures. Each
// clip holds the pictures of its range and no more, and decodes as cleanly
// as its source.
// e2e_exact_cuts_ffprobe compares the kept clips' first pictures, packets and
// sound with their sources' using the host's tools.
TEST_F(SplitJob, CopiesOfMpegVideoStartExactlyAtTheStart)
{
    struct Source {
        const char* name;
        const char* start;
        const char* end;
    };
    WriteProfile("AVI video", "avi");
    // The shipped copy profile, with its row "Start".
    const std::string copyProfile = "Settings of the source file..apf";
    ASSERT_TRUE(CopyFileA(WinePath(std::string(KORVANE_DIST_DIR "/Profiles/") + copyProfile).c_str(),
                          (folder / ("Profiles\\" + copyProfile)).c_str(), FALSE));
    Start();
    SelectProfile("Settings of the source file.");
    for (const Source& source : {Source{"mpeg1.mpg", "00:00:05.200", "00:00:15.200"}, Source{"dvd.vob", "00:00:05", "00:00:15"},
                                 Source{"longgop.mpeg", "00:00:40", "00:00:50"},
                                 Source{"mpeg4.avi", "00:00:05", "00:00:15"}}) {
        const std::string path = WinePath(std::string(KORVANE_TEST_MEDIA_DIR "/") + source.name);
        Main().LoadSource(path);
        SetRange(source.start, source.end);
        SetSections("1");
        Click();

        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."}) << source.name;
        const std::string stem = std::string(source.name).substr(0, std::string(source.name).find('.'));
        const std::string name = stem + "_Clip1" + std::string(source.name).substr(stem.size());
        const std::string clip = OutputDir() + name;
        // A cut at the keyframe before would hold up to 24 pictures more.
        EXPECT_NEAR(VideoFrames(clip), 250, 1) << clip;
        const std::set<std::string> sourceErrors = ErrorKinds(DecodeErrors(path));
        for (const std::string& kind : ErrorKinds(DecodeErrors(clip)))
            EXPECT_TRUE(sourceErrors.count(kind)) << clip << ": " << kind;
        if (const char* keep = std::getenv("KORVANE_KEEP_CLIPS"))
            CopyFileA(clip.c_str(), (std::string(keep) + "\\" + name).c_str(), FALSE);
        dialogs.ClearCalls();
    }
}

TEST_F(SplitJob, ClosingTheWindowDuringAJobCancelsItAndEnds)
{
    StartWithSource();
    Main().LoadSource(WinePath(KORVANE_LONG_VIDEO));
    SetRange("00:00:00", "00:00:40");
    bool closed = false;
    auto previous = Main().pgbCurrent.WindowProc;
    Main().pgbCurrent.WindowProc = [&](ui::Message& m) {
        if (m.Msg == PBM_SETPOS && m.WParam > 0 && !closed) {
            closed = true;
            PostMessageA(Main().Handle(), WM_CLOSE, 0, 0);
        }
        previous(m);
    };
    dialogs.QueueAnswer(IDYES);
    Click();
    Main().pgbCurrent.WindowProc = previous;

    EXPECT_EQ(Boxes(), std::vector<std::string>{"Exit Query|Do you want to cancel the splitting and exit?"});
    EXPECT_TRUE(ui::App().Terminated());
    EXPECT_FALSE(Main().Visible());
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_TRUE(opened.empty());
}

// The sample runs 20 s. A range typed past its end runs to the end and is
// not short; a damaged download, whose index promises 20 s and whose data
// ends after about 9, gives a last clip that is made, and said to be short.
TEST_F(SplitJob, AClipCutShortByTheEndOfTheSourcesDataIsNamedWhenTheJobEnds)
{
    StartWithSource();
    SetRange("00:00:15", "00:00:45");
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_NEAR(VideoFrames(Clip(1)), 5 * 25, 2);

    dialogs.ClearCalls();
    Main().LoadSource(WinePath(KORVANE_APP_MEDIA_DIR "/truncated.mp4"));
    SetRange("00:00:00", "00:00:16");
    SetSections("2");
    Click();
    const std::string clip2 = OutputDir() + "truncated_Clip2.avi";
    const double real = MediaDuration(clip2);
    ASSERT_GT(real, 0);
    ASSERT_LT(real, 7);
    EXPECT_NEAR(MediaDuration(OutputDir() + "truncated_Clip1.avi"), 8, 0.2);
    const std::string said = "Completed|Splitting is completed successfully.\n\nClip 2 is only ";
    const std::string tail = " long: the source's data ends there.";
    ASSERT_EQ(Boxes().size(), 1u);
    const std::string box = Boxes()[0];
    ASSERT_EQ(box.rfind(said, 0), 0u) << box;
    ASSERT_EQ(box.size(), said.size() + 8 + tail.size()) << box;
    EXPECT_EQ(box.substr(said.size() + 8), tail);
    // The time text counts whole seconds.
    const double length = TimeTextToSeconds(box.substr(said.size(), 8), '.');
    EXPECT_GT(length, real - 1.3) << box;
    EXPECT_LT(length, real + 0.3) << box;
}

// The sections past the source's end fail. What the converter left under a
// failed clip's name is removed; the file the user would not let the job
// overwrite stays as it was, to the byte and to its time.
TEST_F(SplitJob, AFailedClipLeavesNoFileAndARefusedFileIsNotTouched)
{
    StartWithSource();
    SetRange("00:00:18", "00:00:48");
    SetSections("3");
    const std::string kept = folder.Write("out\\sample_Clip3.avi", "keep me");
    const std::optional<FileStamp> stamp = FileStampOf(kept);
    ASSERT_TRUE(stamp);
    dialogs.QueueAnswer(IDNO);
    Click();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Overwrite|The output file is existent. Overwrite it?",
                                                 ui::App().Title() + "|Splitting failed: 1 of 3 clips could not be "
                                                 "made.\n\nClip 2: Nothing was converted: the clip starts after "
                                                 "the end of the source."}));
    EXPECT_NEAR(VideoFrames(Clip(1)), 2 * 25, 2);
    EXPECT_FALSE(FileExistsAt(Clip(2)));
    EXPECT_EQ(ScratchFolder::Read(kept), "keep me");
    EXPECT_EQ(FileStampOf(kept), stamp);
}

// A source and an output folder deeper than 260 characters work as any
// other; a program folder that deep is named before any job starts, since
// the system starts no converter from there.
TEST_F(SplitJob, SourcesAndOutputFoldersDeeperThan260Characters)
{
    StartWithSource();
    std::string deep = folder.path();
    while (deep.size() < 280) {
        deep += "\\" + std::string(40, static_cast<char>('a' + deep.size() % 26));
        ASSERT_TRUE(CreateDirectoryW(SystemPath(deep).c_str(), nullptr)) << GetLastError();
    }
    const std::string source = deep + "\\sample.avi";
    ASSERT_TRUE(CopyFileW(SystemPath(SampleVideo()).c_str(), SystemPath(source).c_str(), FALSE));
    const std::string output = deep + "\\clips";
    ASSERT_TRUE(CreateDirectoryW(SystemPath(output).c_str(), nullptr));

    SendMessageA(Main().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(source)), 0);
    EXPECT_EQ(Main().edtSource.Text(), source);
    EXPECT_NEAR(Main().SourceSeconds(), 20, 0.1) << "the preview reads it";
    Main().edtOutputDir.SetText(output);
    SetRange("00:00:00", "00:00:04");
    SetSections("2");
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    for (int n : {1, 2}) {
        const std::string clip = output + "\\sample_Clip" + std::to_string(n) + ".avi";
        ASSERT_TRUE(FileExists(clip)) << clip;
        EXPECT_NEAR(VideoFrames(PathForOtherPrograms(clip)), 50, 1) << clip;
    }

    dialogs.ClearCalls();
    korvane.ConverterPath = deep + "\\wmaspi.dll";
    Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{ui::App().Title() + "|Korvane cannot start its converter: the path "
                                                "of its folder is longer than the system allows for a program (259 "
                                                "characters). Please move Korvane to a folder with a shorter path."});
    EXPECT_EQ(Main().JobState, jsIdle);
    EXPECT_FALSE(Main().panProgress.Visible());
}

} // namespace
} // namespace korvane::testing
