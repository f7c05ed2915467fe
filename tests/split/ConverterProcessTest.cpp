// The converter process and its read loop, with the real converter and with a
// stand-in that stays silent, floods the pipe, dies, or leaves a process
// behind that keeps the pipe open.
#include "split/CommandLine.h"
#include "split/ConverterProcess.h"
#include "split/ProgressParser.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using korvane::ClipRunResult;
using korvane::ClipSlot;
using korvane::ConverterProcess;
using korvane::IReadLoopHost;
using korvane::JobProgress;
using korvane::kKilledExitCode;
using korvane::kReadChunkBytes;
using korvane::ReadLoopResult;
using korvane::RunConverterClip;
using korvane::RunReadLoop;

namespace {

using korvane::testing::WinePath;

const std::string kConverterPath = WinePath(KORVANE_DIST_DIR "/wmaspi.dll");
const std::string kEnginePath = WinePath(KORVANE_DIST_DIR "/kvengine.exe");
const std::string kStandInPath = WinePath(KORVANE_STAND_IN_CONVERTER);
const std::string kScratch = WinePath(KORVANE_BINARY_DIR "/tests/split/converter-scratch");

// Where the test can still see a converter once the loop has let go of it.
class WatchedProcess {
public:
    explicit WatchedProcess(DWORD id)
        : handle_(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id))
    {
    }
    ~WatchedProcess()
    {
        if (handle_ != nullptr) {
            // A test that failed half-way must not leave its converter running.
            TerminateProcess(handle_, 99);
            CloseHandle(handle_);
        }
    }
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;

    bool Valid() const { return handle_ != nullptr; }
    bool Running() const { return WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
    // The exit code once it has ended, or STILL_ACTIVE after 10 s.
    DWORD ExitCode() const
    {
        WaitForSingleObject(handle_, 10000);
        DWORD code = 0;
        GetExitCodeProcess(handle_, &code);
        return code;
    }

private:
    HANDLE handle_;
};

// Records what the loop asks of the window: 'p' pump, 'c' cancel test, 'r' read.
class RecordingHost : public IReadLoopHost {
public:
    ~RecordingHost()
    {
        if (cancelTimer_ != 0)
            KillTimer(nullptr, cancelTimer_);
    }

    // The cancel request arrives as a window message, the way the Cancel
    // question's answer does, after the given time.
    void CancelAfter(UINT milliseconds) { cancelTimer_ = SetTimer(nullptr, 0, milliseconds, nullptr); }
    void CancelNow() { cancel_ = true; }

    void PumpMessages() override
    {
        events.push_back('p');
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            Handle(msg);
    }
    bool CancelRequested() override
    {
        events.push_back('c');
        return cancel_;
    }
    void OnOutput(std::string_view bytes) override
    {
        events.push_back('r');
        ++reads;
        totalBytes += bytes.size();
        largestRead = std::max(largestRead, bytes.size());
        text.append(bytes.substr(0, 65536 - std::min<std::size_t>(text.size(), 65536)));
        if (onOutput)
            onOutput(bytes);
    }

    long Count(char event) const { return static_cast<long>(std::count(events.begin(), events.end(), event)); }

    static constexpr UINT kCancelMessage = WM_APP + 7;
    std::function<void(std::string_view)> onOutput;
    std::vector<char> events;
    long reads = 0;
    long messagesHandled = 0;
    std::size_t totalBytes = 0;
    std::size_t largestRead = 0;
    std::string text;  // the first 64 KiB of output

protected:
    void Handle(const MSG& msg)
    {
        ++messagesHandled;
        if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == cancelTimer_)
            cancel_ = true;
        else if (msg.hwnd == nullptr && msg.message == kCancelMessage)
            cancel_ = true;
        else
            DispatchMessageA(&msg);
    }

private:
    bool cancel_ = false;
    UINT_PTR cancelTimer_ = 0;
};

// Every read is preceded by a pump and a cancel test in this turn.
bool EveryTurnPumpsThenTestsCancel(const std::vector<char>& events)
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] == 'c' && (i == 0 || events[i - 1] != 'p'))
            return false;
        if (events[i] == 'r' && (i == 0 || events[i - 1] != 'c'))
            return false;
    }
    return !events.empty() && events.front() == 'p';
}

std::string StandIn(const char* arguments) { return std::string(" ") + arguments; }

TEST(ConverterProcess, MissingConverterFailsToStartAndEndsCleanly)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    EXPECT_FALSE(converter.Start(WinePath(KORVANE_BINARY_DIR "/no-such-converter.exe"), " -y"));
    EXPECT_TRUE(converter.LastError() == ERROR_FILE_NOT_FOUND || converter.LastError() == ERROR_PATH_NOT_FOUND)
        << converter.LastError();
    EXPECT_FALSE(converter.HasProcess());
    // Nothing holds the write end any more: the loop ends at its first look.
    RecordingHost host;
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::PipeEnded);
    EXPECT_EQ(host.reads, 0);
    EXPECT_EQ(std::string(host.events.begin(), host.events.end()), "pc");
    // Killing without a process, twice, lets go of the pipe and nothing else:
    // the test's own process lives on, and a loop finds nothing to read.
    converter.KillConverter();
    converter.KillConverter();
    RecordingHost killed;
    EXPECT_EQ(RunReadLoop(converter, killed), ReadLoopResult::PipeEnded);
    EXPECT_EQ(killed.reads, 0);

    RecordingHost again;
    EXPECT_EQ(RunConverterClip(converter, WinePath(KORVANE_BINARY_DIR "/no-such-converter.exe"), " -y", again),
              ClipRunResult::StartFailed);
    EXPECT_TRUE(again.events.empty());
}

TEST(ConverterProcess, SilentConverterLeavesTheWindowServedAndCanBeCancelled)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("silent 15000")));
    WatchedProcess watched(converter.ProcessId());
    ASSERT_TRUE(watched.Valid());

    RecordingHost host;
    host.CancelAfter(300);
    // A loop that waited in a read would see no timer and end only when the
    // stand-in gives up after 15 s, with PipeEnded.
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_EQ(host.reads, 0);
    EXPECT_GE(host.messagesHandled, 1);
    EXPECT_GE(host.Count('p'), 3);
    // Waiting, not spinning: a busy loop turns many thousand times in 300 ms.
    EXPECT_LT(host.Count('p'), 500);
    EXPECT_TRUE(EveryTurnPumpsThenTestsCancel(host.events));
    EXPECT_FALSE(converter.HasProcess());
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
}

TEST(ConverterProcess, MessageTheWindowLeavesQueuedDoesNotMakeTheLoopSpin)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("silent 15000")));
    WatchedProcess watched(converter.ProcessId());

    // A window may leave a message for its own loop to handle later.
    constexpr UINT kLeftMessage = WM_APP + 9;
    class LeavingHost : public RecordingHost {
    public:
        void PumpMessages() override
        {
            events.push_back('p');
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, kLeftMessage - 1, PM_REMOVE))
                Handle(msg);
        }
    } host;
    PostThreadMessageA(GetCurrentThreadId(), kLeftMessage, 0, 0);
    host.CancelAfter(300);
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_LT(host.Count('p'), 500);
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, kLeftMessage, kLeftMessage, PM_REMOVE)) {
    }
}

TEST(ConverterProcess, FloodingConverterDoesNotStarveTheWindow)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("flood-forever")));
    WatchedProcess watched(converter.ProcessId());

    RecordingHost host;
    host.CancelAfter(300);
    JobProgress progress('.');
    progress.Start();
    host.onOutput = [&progress](std::string_view bytes) { progress.OnOutput(bytes, ClipSlot{1, 1, 1e6}); };
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_GT(host.reads, 10);
    EXPECT_LE(host.largestRead, kReadChunkBytes);
    EXPECT_TRUE(EveryTurnPumpsThenTestsCancel(host.events));
    EXPECT_GT(progress.LastTime(), 0);
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
}

TEST(ConverterProcess, CancelSeenInThisTurnStopsBeforeTheNextRead)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("flood-forever")));
    WatchedProcess watched(converter.ProcessId());

    RecordingHost host;
    // The first output makes the window post itself the cancel request; the
    // next turn's pump handles it and nothing more may be read.
    host.onOutput = [](std::string_view) { PostThreadMessageA(GetCurrentThreadId(), RecordingHost::kCancelMessage, 0, 0); };
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_EQ(host.reads, 1);
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
}

TEST(ConverterProcess, CancelBeforeAnyOutputReadsNothing)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("flood-forever")));
    WatchedProcess watched(converter.ProcessId());
    RecordingHost host;
    host.CancelNow();
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_EQ(std::string(host.events.begin(), host.events.end()), "pc");
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
}

TEST(ConverterProcess, EverythingWrittenBeforeTheEndIsRead)
{
    constexpr std::size_t kBytes = 2 * 1024 * 1024 + 17;
    ConverterProcess converter;
    RecordingHost host;
    EXPECT_EQ(RunConverterClip(converter, kStandInPath, StandIn(("flood " + std::to_string(kBytes)).c_str()), host),
              ClipRunResult::Done);
    EXPECT_EQ(host.totalBytes, kBytes);
    EXPECT_LE(host.largestRead, kReadChunkBytes);
    EXPECT_TRUE(EveryTurnPumpsThenTestsCancel(host.events));
    EXPECT_FALSE(converter.HasProcess());
}

TEST(ConverterProcess, ConverterThatDiesMidLineEndsTheClip)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("die")));
    WatchedProcess watched(converter.ProcessId());
    RecordingHost host;
    JobProgress progress('.');
    progress.Start();
    host.onOutput = [&progress](std::string_view bytes) { progress.OnOutput(bytes, ClipSlot{1, 2, 10}); };
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::PipeEnded);
    EXPECT_EQ(host.text, "frame=  9 time=00:00:0");
    EXPECT_EQ(progress.Bars(), (korvane::ProgressBars{0, 0}));
    EXPECT_EQ(watched.ExitCode(), 3u);
}

TEST(ConverterProcess, ProcessLeftBehindHoldingThePipeDoesNotKeepTheClipOpen)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("orphan")));
    RecordingHost host;
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::PipeEnded);
    const std::size_t at = host.text.find("orphan=");
    ASSERT_NE(at, std::string::npos) << host.text;
    WatchedProcess orphan(std::strtoul(host.text.c_str() + at + 7, nullptr, 10));
    ASSERT_TRUE(orphan.Valid());
    // The loop ended while the orphan, sleeping 30 s, still holds the write end.
    EXPECT_TRUE(orphan.Running());
    converter.KillConverter();
}

TEST(ConverterProcess, ExceptionFromTheHostsOutputHandlerDoesNotEndTheClip)
{
    ConverterProcess converter;
    RecordingHost host;
    host.onOutput = [](std::string_view) { throw std::runtime_error("unreadable output"); };
    EXPECT_EQ(RunConverterClip(converter, kStandInPath, StandIn("flood 20000"), host), ClipRunResult::Done);
    EXPECT_EQ(host.totalBytes, 20000u);
}

TEST(ConverterProcess, ExceptionFromTheWindowsHandlersKillsTheConverterAndPassesOn)
{
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kStandInPath, StandIn("silent 15000")));
    WatchedProcess watched(converter.ProcessId());

    class ThrowingHost : public RecordingHost {
    public:
        void PumpMessages() override
        {
            if (++turns == 3)
                throw std::runtime_error("handler failed");
        }
        int turns = 0;
    } host;
    EXPECT_THROW(RunReadLoop(converter, host), std::runtime_error);
    EXPECT_FALSE(converter.HasProcess());
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
}

// The shipped converter, on a test pattern with sound (30 s, H.264 and MP3 in AVI).
class RealConverter : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CreateDirectoryA(kScratch.c_str(), nullptr);
        source_ = WinePath(KORVANE_TEST_MEDIA_DIR "/gop.avi");
    }

    static std::string Output(const char* name)
    {
        const std::string path = kScratch + "\\" + name;
        DeleteFileA(path.c_str());
        return path;
    }

    static long long FileSize(const std::string& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return -1;
        return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    static std::string source_;
};

std::string RealConverter::source_;

TEST_F(RealConverter, ConvertsThreeSecondsAndTheBarsReachTheEnd)
{
    const std::string output = Output("three.avi");
    const std::string commandLine = korvane::BuildConverterCommandLine(source_, 0, 3, "", output, '.');
    ConverterProcess converter;
    RecordingHost host;
    JobProgress progress('.');
    progress.Start();
    std::vector<double> times;
    int highestBar = 0;
    host.onOutput = [&](std::string_view bytes) {
        const double before = progress.LastTime();
        highestBar = std::max(highestBar, progress.OnOutput(bytes, ClipSlot{1, 1, 3}).current);
        if (progress.LastTime() != before)
            times.push_back(progress.LastTime());
    };
    EXPECT_EQ(RunConverterClip(converter, kConverterPath, commandLine, host), ClipRunResult::Done);
    ASSERT_FALSE(times.empty()) << host.text;
    EXPECT_NEAR(times.back(), 3.0, 0.1);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(highestBar, 100);
    EXPECT_EQ(progress.Bars().total, 100);
    EXPECT_TRUE(EveryTurnPumpsThenTestsCancel(host.events));
    EXPECT_GT(FileSize(output), 0);
    EXPECT_FALSE(converter.HasProcess());
}

TEST_F(RealConverter, CancelMidWayKillsTheConverterAndKeepsThePartialClip)
{
    const std::string output = Output("cancelled.avi");
    std::string commandLine = korvane::BuildConverterCommandLine(source_, 0, 8, "", output, '.');
    // Reading the source at its own pace makes the clip take seconds, so
    // that the cancel request surely falls in the middle.
    commandLine.replace(commandLine.find(" -i "), 4, " -re -i ");
    ConverterProcess converter;
    ASSERT_TRUE(converter.PreparePipe());
    ASSERT_TRUE(converter.Start(kConverterPath, commandLine));
    WatchedProcess watched(converter.ProcessId());

    RecordingHost host;
    JobProgress progress('.');
    progress.Start();
    host.onOutput = [&](std::string_view bytes) {
        progress.OnOutput(bytes, ClipSlot{1, 1, 8});
        if (progress.LastTime() >= 1.5)
            PostThreadMessageA(GetCurrentThreadId(), RecordingHost::kCancelMessage, 0, 0);
    };
    EXPECT_EQ(RunReadLoop(converter, host), ReadLoopResult::Cancelled);
    EXPECT_GE(progress.LastTime(), 1.5);
    EXPECT_LT(progress.LastTime(), 8.0);
    EXPECT_EQ(watched.ExitCode(), kKilledExitCode);
    EXPECT_FALSE(converter.HasProcess());
    // The clip stays on disk as far as the converter got.
    EXPECT_GT(FileSize(output), 0);
}

} // namespace
