// The fault matrix: the converter or its engine missing, crashing, silent or
// flooding its output; the output folder and the source going away and the
// disk filling up in the middle of a job; Cancel and closing the window in
// every state of a job. Each case runs a job of three one-second sections
// through the real main window on a program folder of its own, with the real
// converter and engine; where a part must misbehave, the stand-in converter
// takes its place in that folder. After each case: the job has ended, every
// clip it finished decodes without errors, no process of the program folder
// is left running, and the user saw the message the case calls for.
#include "tests/app/KorvaneFixture.h"
#include "tests/support/Processes.h"
#include "tests/support/StandIn.h"
#include "tests/ui/UiTestSupport.h"

#include "prefs/CountDownForm.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace korvane::testing {
namespace {

const std::string kQuery = "Query|Do you want to cancel the splitting?";
const std::string kExitQuery = "Exit Query|Do you want to cancel the splitting and exit?";
const std::string kOverwrite = "Overwrite|The output file is existent. Overwrite it?";
const std::string kReinstall = "Korvane|Error. Please re-install Korvane";

std::string Failed(const std::string& text)
{
    return "Korvane|Splitting failed: " + text;
}

// The host's view of a Windows path.
std::string UnixPath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const std::wstring wide(path.begin(), path.end());
    char* unix = toUnix != nullptr ? toUnix(wide.c_str()) : nullptr;
    if (unix == nullptr)
        return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Wine's door to the host: runs a host program with these words and waits
// for it (a Windows process started on an ELF program gives no exit code).
using HostSpawn = LONG(WINAPI*)(char* const*, int);

HostSpawn HostSpawner()
{
    return reinterpret_cast<HostSpawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
}

bool RunOnHost(std::vector<std::string> words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const HostSpawn spawn = HostSpawner();
    return spawn != nullptr && spawn(argv.data(), 1) == 0;
}

// Fills the file system of the file up to the last few bytes.
void FillUp(const std::string& file, LONG leaving)
{
    const HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << file;
    std::vector<char> block(64 * 1024, 'f');
    DWORD written = 0;
    for (DWORD size = static_cast<DWORD>(block.size()); size >= 512;)
        if (!WriteFile(h, block.data(), size, &written, nullptr) || written < size)
            size /= 2;
    SetFilePointer(h, -leaving, nullptr, FILE_CURRENT);
    EXPECT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
}

// Follows a job of equal sections through what it shows: the line above the
// bars names the section about to start, the current bar moves once its
// converter works.
class JobWatch {
public:
    JobWatch(ui::Label& processing, ui::ProgressBar& current)
        : processing_(processing), current_(current), previousLabel_(processing.WindowProc),
          previousBar_(current.WindowProc)
    {
        processing_.WindowProc = [this](ui::Message& m) {
            previousLabel_(m);
            const std::string prefix = "Splitting: Section ";
            const std::string caption = processing_.Caption();
            if (m.Msg == ui::CM_TEXTCHANGED && caption.rfind(prefix, 0) == 0) {
                clip_ = std::atoi(caption.c_str() + prefix.size());
                progressSeen_ = false;
                if (ClipBegins)
                    ClipBegins(clip_);
            }
        };
        current_.WindowProc = [this](ui::Message& m) {
            previousBar_(m);
            if (m.Msg == PBM_SETPOS && m.WParam > 0 && !progressSeen_ && clip_ > 0) {
                progressSeen_ = true;
                if (ClipWorks)
                    ClipWorks(clip_);
            }
        };
    }
    ~JobWatch()
    {
        processing_.WindowProc = previousLabel_;
        current_.WindowProc = previousBar_;
    }
    JobWatch(const JobWatch&) = delete;
    JobWatch& operator=(const JobWatch&) = delete;

    // Section n is about to start: its output name is set, its converter not yet.
    std::function<void(int n)> ClipBegins;
    // Section n's converter has reported its first progress.
    std::function<void(int n)> ClipWorks;

private:
    ui::Label& processing_;
    ui::ProgressBar& current_;
    std::function<void(ui::Message&)> previousLabel_;
    std::function<void(ui::Message&)> previousBar_;
    int clip_ = 0;
    bool progressSeen_ = false;
};

// Each case of a table is a test of its own, named after the case.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& c) const
    {
        return c.param.name;
    }
};

class FaultMatrix : public KorvaneTest {
protected:
    FaultMatrix() : KorvaneTest("korvane-faults-") {}

    ~FaultMatrix() override
    {
        // A case that failed half-way must not leave its converter running.
        for (const ProcessEntry& process : RunningFrom(folder.path())) {
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, process.id)) {
                TerminateProcess(p, 99);
                CloseHandle(p);
            }
        }
    }

    // A job of three one-second sections of a source in the program's own
    // scratch folder, so that a case may take the source away.
    void StartJob(const Preferences& prefs = {})
    {
        CreateDirectoryA((folder / "source").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(SampleVideo().c_str(), Source().c_str(), FALSE));
        WriteProfile("AVI video", "avi");
        Start(prefs);
        Main().LoadSource(Source());
        SelectProfile("AVI video");
        SetRange("00:00:00", "00:00:03");
        SetSections("3");
    }

    std::string Source() const { return folder / "source\\sample.avi"; }
    std::string Clip(int n) const { return OutputDir() + "sample_Clip" + std::to_string(n) + ".avi"; }
    void Click() { Main().imgStartClick(Main().imgStart); }

    void StandIn(const std::string& role, const std::string& script) { PutStandIn(folder.path(), role, script); }
    bool Runs(const std::string& name) const
    {
        return RunsFrom(folder.path(), std::wstring(name.begin(), name.end()));
    }
    std::vector<std::string> ProcessesLeft() const { return LeftRunningIn(folder.path()); }

    // A finished clip: there, and decoded to its end without a complaint.
    void ExpectIntact(const std::string& clip)
    {
        ASSERT_TRUE(FileExistsAt(clip)) << clip;
        EXPECT_EQ(DecodeErrors(clip), "") << clip;
        EXPECT_NEAR(VideoFrames(clip), 25, 1) << clip;
    }

    void ExpectIdle()
    {
        EXPECT_EQ(Main().JobState, jsIdle);
        EXPECT_FALSE(Main().panProgress.Visible());
        EXPECT_TRUE(Main().imgStart.Visible());
        EXPECT_FALSE(korvane.CountDownForm->Visible());
    }
};

// --- the converter and its engine misbehaving ------------------------------------------

struct PartCase {
    const char* name;
    const char* role;       // the part that misbehaves
    const char* script;     // the stand-in's script; none: the part is missing
    std::vector<std::string> boxes;
    std::vector<int> intact;   // clips made
};

// Named in test lists by their case, not by their bytes.
void PrintTo(const PartCase& c, std::ostream* os)
{
    *os << c.name;
}

class PartFault : public FaultMatrix, public ::testing::WithParamInterface<PartCase> {};

TEST_P(PartFault, EndsWithTheRightWordAndLeavesNothingRunning)
{
    const PartCase& c = GetParam();
    StartJob();
    if (c.script == nullptr) {
        ASSERT_TRUE(DeleteFileA((folder / c.role).c_str()));
    } else {
        StandIn(c.role, c.script);
    }
    Click();

    EXPECT_EQ(Boxes(), c.boxes);
    ExpectIdle();
    // A clip that failed leaves nothing under its name, also when its
    // converter or engine crashed half-way through writing it.
    for (int n : {1, 2, 3}) {
        if (std::find(c.intact.begin(), c.intact.end(), n) != c.intact.end())
            ExpectIntact(Clip(n));
        else
            EXPECT_FALSE(FileExistsAt(Clip(n))) << n;
    }
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, PartFault,
    ::testing::Values(
        PartCase{"ConverterMissing", "wmaspi.dll", nullptr, {kReinstall}, {}},
        // The converter starts but its engine cannot: each clip says so.
        PartCase{"EngineMissing", "kvengine.exe", nullptr,
                 {Failed("3 of 3 clips could not be made.\n"
                         "\nClip 1: The converter's engine kvengine.exe could not be started (error 2)."
                         "\nClip 2: The converter's engine kvengine.exe could not be started (error 2)."
                         "\nClip 3: The converter's engine kvengine.exe could not be started (error 2).")},
                 {}},
        PartCase{"ConverterCrashesMidClip", "wmaspi.dll", "_Clip2 crash 300\n",
                 {Failed("1 of 3 clips could not be made.\n\nClip 2: The converter crashed (exception 0xC0000005).")},
                 {1, 3}},
        PartCase{"EngineCrashesMidClip", "kvengine.exe", "_Clip2 crash 300\n",
                 {Failed("1 of 3 clips could not be made.\n\n"
                         "Clip 2: The converter's engine crashed (exception 0xC0000005).")},
                 {1, 3}},
        // Broken output of any kind, 100 MB of it, neither stops the job
        // nor the window, nor makes the clip less good.
        PartCase{"ConverterFloods100MB", "wmaspi.dll", "_Clip2 flood 100000000\n",
                 {"Completed|Splitting is completed successfully."}, {1, 2, 3}},
        PartCase{"EngineFloods100MB", "kvengine.exe", "_Clip2 flood 100000000\n",
                 {"Completed|Splitting is completed successfully."}, {1, 2, 3}}),
    CaseName());

// A converter or engine that says nothing for a minute: Cancel is answered
// while it is silent, and takes the silent process down.
class SilentPart : public FaultMatrix, public ::testing::WithParamInterface<const char*> {};

TEST_P(SilentPart, CancelIsAnsweredWhileItIsSilent)
{
    StartJob();
    StandIn(GetParam(), "* silent 60000\n");
    // The user waits a moment after the silent part is seen running, then cancels.
    int seen = 0;
    uitest::PumpTimer later(100, [&] {
        if (!Runs(GetParam()) || ++seen < 5)
            return false;
        PostCancelClick();
        return true;
    });
    bool silentWhenAsked = false;
    dialogs.OnMessageBox = [&](const ui::ScriptedDialogs::Call&) { silentWhenAsked = Runs(GetParam()); };
    dialogs.QueueAnswer(IDYES);
    Click();

    // The question alone: a part that had run out its minute would have
    // ended the job with a failure.
    EXPECT_EQ(Boxes(), std::vector<std::string>{kQuery});
    EXPECT_TRUE(silentWhenAsked) << "the question came only once the silent " << GetParam() << " had ended";
    ExpectIdle();
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Matrix, SilentPart, ::testing::Values("wmaspi.dll", "kvengine.exe"),
                         [](const ::testing::TestParamInfo<const char*>& part) {
                             return std::string(part.param) == "wmaspi.dll" ? "Converter" : "Engine";
                         });

// --- files going away mid-job ---------------------------------------------------------------

// The folder goes after the job's checks, before any clip: every clip fails
// with the engine's reason, and the job says so instead of "completed".
TEST_F(FaultMatrix, OutputFolderRemovedBeforeTheFirstClip)
{
    StartJob();
    JobWatch watch(Main().labProcessing, Main().pgbCurrent);
    watch.ClipBegins = [&](int n) {
        if (n == 1) {
            EXPECT_TRUE(RemoveDirectoryA(OutputDir().c_str()));
        }
    };
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{Failed("3 of 3 clips could not be made.\n"
                                                       "\nClip 1: sample_Clip1.avi: No such file or directory"
                                                       "\nClip 2: sample_Clip2.avi: No such file or directory"
                                                       "\nClip 3: sample_Clip3.avi: No such file or directory")});
    ExpectIdle();
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

// Moved away after the first clip, with that clip in it: the clip is whole
// where it went, the rest fail.
TEST_F(FaultMatrix, OutputFolderMovedAwayAfterTheFirstClip)
{
    StartJob();
    const std::string moved = folder / "moved";
    JobWatch watch(Main().labProcessing, Main().pgbCurrent);
    watch.ClipBegins = [&](int n) {
        if (n == 2) {
            EXPECT_TRUE(MoveFileA(OutputDir().c_str(), moved.c_str()));
        }
    };
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{Failed("2 of 3 clips could not be made.\n"
                                                       "\nClip 2: sample_Clip2.avi: No such file or directory"
                                                       "\nClip 3: sample_Clip3.avi: No such file or directory")});
    ExpectIntact(moved + "\\sample_Clip1.avi");
    ExpectIdle();
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

// Windows refuses to delete a file that is open (the preview and the engine
// hold the source), and so does Wine; a source that vanishes nonetheless (a
// drive pulled, a share gone, the host removing it) is what the host's rm
// makes here, while the first clip is being cut.
TEST_F(FaultMatrix, SourceDeletedDuringTheFirstClip)
{
    if (HostSpawner() == nullptr)
        GTEST_SKIP() << "takes the source away from the host's side, which only Wine lets a test reach";
    StartJob();
    const std::string unixSource = UnixPath(Source());
    ASSERT_FALSE(unixSource.empty());
    JobWatch watch(Main().labProcessing, Main().pgbCurrent);
    watch.ClipWorks = [&](int n) {
        if (n == 1) {
            EXPECT_TRUE(RunOnHost({"/bin/rm", "-f", unixSource}));
        }
    };
    Click();

    ASSERT_FALSE(FileExistsAt(Source()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Failed("2 of 3 clips could not be made.\n"
                                                       "\nClip 2: sample.avi: No such file or directory"
                                                       "\nClip 3: sample.avi: No such file or directory")});
    ExpectIntact(Clip(1));
    ExpectIdle();
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

// The output folder on a file system of a few megabytes, mounted by
// scripts/with-small-disk.sh (ctest's e2e_output_disk_full), that fills up
// after the first clip.
TEST_F(FaultMatrix, OutputDiskFull)
{
    const char* mounted = std::getenv("KORVANE_SMALL_DISK");
    if (mounted == nullptr || *mounted == '\0') {
        const char* why = std::getenv("KORVANE_SMALL_DISK_ERROR");
        GTEST_SKIP() << "needs a small mounted file system (runs as e2e_output_disk_full): "
                     << (why != nullptr && *why != '\0' ? why : "none was mounted");
    }
    StartJob();
    const std::string disk = WinePath(mounted) + "\\";
    Main().edtOutputDir.SetText(disk);
    JobWatch watch(Main().labProcessing, Main().pgbCurrent);
    watch.ClipBegins = [&](int n) {
        if (n == 2)
            FillUp(disk + "filler", 16 * 1024);
    };
    Click();

    EXPECT_EQ(Boxes(), std::vector<std::string>{Failed("2 of 3 clips could not be made.\n"
                                                       "\nClip 2: No space left on device"
                                                       "\nClip 3: No space left on device")});
    ExpectIntact(disk + "sample_Clip1.avi");
    EXPECT_FALSE(FileExistsAt(disk + "sample_Clip2.avi"));
    ExpectIdle();
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

// --- Cancel and closing the window in every state of a job ------------------------------

enum class Moment { BeforeFirstClip, BetweenClips, DuringAClip, OverwriteQuestion, Countdown };
enum class Act { Cancel, Close };

struct StateCase {
    const char* name;
    Moment moment;
    Act act;
};

void PrintTo(const StateCase& c, std::ostream* os)
{
    *os << c.name;
}

class JobState : public FaultMatrix, public ::testing::WithParamInterface<StateCase> {
protected:
    void Do(Act act)
    {
        if (act == Act::Cancel)
            PostCancelClick();
        else
            PostClose();
    }
};

TEST_P(JobState, EndsQuietlyKeepingEveryFinishedClip)
{
    const StateCase& c = GetParam();
    Preferences prefs;
    prefs.turnOff = c.moment == Moment::Countdown;
    StartJob(prefs);
    JobWatch watch(Main().labProcessing, Main().pgbCurrent);
    switch (c.moment) {
    case Moment::BeforeFirstClip:
        watch.ClipBegins = [&](int n) { if (n == 1) Do(c.act); };
        break;
    case Moment::BetweenClips:
        watch.ClipBegins = [&](int n) { if (n == 2) Do(c.act); };
        break;
    case Moment::DuringAClip:
        watch.ClipWorks = [&](int n) { if (n == 2) Do(c.act); };
        break;
    case Moment::OverwriteQuestion:
        folder.Write("out\\sample_Clip2.avi", "keep me");
        // While the question is open its own message loop serves the window,
        // so the click or the close is handled inside it.
        dialogs.OnMessageBox = [&](const ui::ScriptedDialogs::Call& call) {
            if (call.Caption == "Overwrite") {
                Do(c.act);
                ui::App().ProcessMessages();
            }
        };
        break;
    case Moment::Countdown:
        break;
    }
    Click();
    if (c.moment == Moment::Countdown) {
        // The countdown disables the main window: the window the user can
        // close then is the countdown's own.
        ASSERT_TRUE(korvane.CountDownForm->Visible());
        ASSERT_FALSE(Main().Enabled());
        if (c.act == Act::Cancel)
            korvane.CountDownForm->btnCancel.Click();
        else
            PostMessageA(korvane.CountDownForm->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ui::App().ProcessMessages();
        EXPECT_FALSE(korvane.CountDownForm->Visible());
    }

    // No success or failure message: a nested question is recorded before
    // the one it was asked in.
    std::vector<std::string> boxes;
    if (c.moment != Moment::Countdown)
        boxes.push_back(c.act == Act::Cancel ? kQuery : kExitQuery);
    if (c.moment == Moment::OverwriteQuestion)
        boxes.push_back(kOverwrite);
    EXPECT_EQ(Boxes(), boxes);
    EXPECT_EQ(powerOffs, 0);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(korvane.CountDownForm->tmrCountdown.Enabled());
    if (c.act == Act::Close && c.moment != Moment::Countdown) {
        EXPECT_TRUE(ui::App().Terminated());
        EXPECT_FALSE(Main().Visible());
        EXPECT_EQ(Main().JobState, jsIdle);
    } else {
        EXPECT_FALSE(ui::App().Terminated());
        ExpectIdle();
        EXPECT_TRUE(Main().Enabled());
    }

    // Clips finished before the act are whole; none is begun after it, and
    // a file the user was asked about stays as it was.
    const int finished = c.moment == Moment::Countdown ? 3 : c.moment == Moment::BeforeFirstClip ? 0 : 1;
    for (int n = 1; n <= finished; ++n)
        ExpectIntact(Clip(n));
    if (c.moment == Moment::BeforeFirstClip) {
        EXPECT_FALSE(FileExistsAt(Clip(1)));
    }
    if (c.moment == Moment::BetweenClips) {
        EXPECT_FALSE(FileExistsAt(Clip(2)));
    }
    if (c.moment == Moment::OverwriteQuestion) {
        EXPECT_EQ(ScratchFolder::Read(Clip(2)), "keep me");
    }
    if (c.moment != Moment::Countdown) {
        EXPECT_FALSE(FileExistsAt(Clip(3)));
    }
    EXPECT_EQ(ProcessesLeft(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, JobState,
    ::testing::Values(StateCase{"CancelBeforeTheFirstClip", Moment::BeforeFirstClip, Act::Cancel},
                      StateCase{"CloseBeforeTheFirstClip", Moment::BeforeFirstClip, Act::Close},
                      StateCase{"CancelBetweenClips", Moment::BetweenClips, Act::Cancel},
                      StateCase{"CloseBetweenClips", Moment::BetweenClips, Act::Close},
                      StateCase{"CancelDuringAClip", Moment::DuringAClip, Act::Cancel},
                      StateCase{"CloseDuringAClip", Moment::DuringAClip, Act::Close},
                      StateCase{"CancelDuringTheOverwriteQuestion", Moment::OverwriteQuestion, Act::Cancel},
                      StateCase{"CloseDuringTheOverwriteQuestion", Moment::OverwriteQuestion, Act::Close},
                      StateCase{"CancelDuringTheCountdown", Moment::Countdown, Act::Cancel},
                      StateCase{"CloseDuringTheCountdown", Moment::Countdown, Act::Close}),
    CaseName());

} // namespace
} // namespace korvane::testing
