#pragma once
// The external converter of one clip: a hidden child process whose standard
// output and error go into an anonymous pipe, and the read loop that follows
// that pipe on the GUI thread while keeping the window served.
//
// One ConverterProcess lives with the main window and serves clip after
// clip; only one converter runs at a time. A job runs a clip with
// RunConverterClip, or step by step with PreparePipe, Start, RunReadLoop and
// KillConverter.
#include "ui/Handles.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// What the read loop needs from the window that runs the job. Each turn of
// the loop calls PumpMessages, then CancelRequested, then (when the converter
// has written something) OnOutput, in this order.
class IReadLoopHost {
public:
    // Handle every window message that is waiting (input, paint, timers, the
    // Cancel and close questions) and return. An exception thrown here ends
    // the loop (and the converter) and passes on to the caller.
    virtual void PumpMessages() = 0;
    // The user has asked to cancel the job.
    virtual bool CancelRequested() = 0;
    // One read of the converter's output: at most kReadChunkBytes bytes,
    // exactly as read. A std::exception thrown here is dropped and the loop
    // goes on: broken converter output must not end the job.
    virtual void OnOutput(std::string_view bytes) = 0;

protected:
    ~IReadLoopHost() = default;
};

enum class ReadLoopResult {
    PipeEnded,  // the converter has finished (or died); its output is all read
    Cancelled   // the host asked to cancel; the converter has been killed
};

// The outcome of one clip's converter run.
enum class ClipRunResult {
    Done,         // the converter ran to its end; ExitCode() tells how it ended
    Cancelled,    // the host asked to cancel; the converter has been killed
    PipeFailed,   // the pipe could not be made; nothing was started
    StartFailed   // the converter could not be started
};

// Bytes taken by one read: the buffer keeps room for a closing zero byte.
inline constexpr DWORD kReadChunkBytes = 4095;
// The exit code a converter that is killed ends with.
inline constexpr UINT kKilledExitCode = 4;

class ConverterProcess {
public:
    ConverterProcess() = default;
    // A converter still running when its owner goes is killed.
    ~ConverterProcess() { KillConverter(); }
    ConverterProcess(const ConverterProcess&) = delete;
    ConverterProcess& operator=(const ConverterProcess&) = delete;

    // A new anonymous pipe for the next clip, after letting go of the last
    // clip's pipe and process. Its write end is inheritable, its read end is
    // not, so the converter holds only what it writes to. False when the pipe
    // cannot be made (LastError tells why).
    bool PreparePipe();

    // Starts the converter hidden, its standard output and error writing into
    // the pipe and no standard input. commandLine is passed as it is (it
    // starts with a blank, so the converter's own name is not part of it).
    // The program's copy of the write end is closed afterwards in any case, so
    // the pipe ends when the converter does. False when the process cannot be
    // started (LastError tells why).
    bool Start(const std::string& converterPath, const std::string& commandLine);

    // Ends the converter with exit code 4 and lets go of the process, its
    // thread and the pipe. Safe when the converter has already ended, when it
    // was never started and when it is called twice.
    void KillConverter();

    bool HasProcess() const { return static_cast<bool>(process_); }
    // How the converter of the last clip that ran to its end ended: its exit
    // code, or nothing when it was killed, cancelled or never started.
    std::optional<DWORD> ExitCode() const { return exitCode_; }
    DWORD ProcessId() const { return processId_; }
    // Win32 error code of the last PreparePipe or Start that failed.
    DWORD LastError() const { return lastError_; }

private:
    friend ReadLoopResult RunReadLoop(ConverterProcess& converter, IReadLoopHost& host);
    friend ClipRunResult RunConverterClip(ConverterProcess& converter, const std::string& converterPath,
                                          const std::string& commandLine, IReadLoopHost& host);

    enum class Look { Output, Nothing, Ended };
    // One look at the pipe: reads what is there, or waits a little for the
    // converter, a window message or the converter's end.
    Look LookAtPipe(std::string_view& bytes);
    bool ProcessHasEnded() const;
    // What can be read now; nothing once the pipe has ended.
    std::optional<DWORD> BytesWaiting() const;

    ui::UniqueHandle pipeRead_;
    ui::UniqueHandle pipeWrite_;
    ui::UniqueHandle process_;
    ui::UniqueHandle thread_;
    DWORD processId_ = 0;
    DWORD lastError_ = 0;
    DWORD idleWaitMs_ = 0;
    std::optional<DWORD> exitCode_;
    std::array<char, kReadChunkBytes + 2> readBuffer_{};
};

// Reads the converter's output until the pipe ends or the host asks to
// cancel. Every turn lets the host pump its messages and test for a cancel
// request before anything is read, also while the converter writes nothing
// or floods the pipe. A converter that has exited ends the loop once what it
// wrote is read, even if a process it started still holds the pipe open.
// On cancel the converter is killed before returning; so it is when an
// exception leaves the host's PumpMessages, which then passes on.
ReadLoopResult RunReadLoop(ConverterProcess& converter, IReadLoopHost& host);

// One clip from start to end: pipe, process, read loop, and the kill that
// lets go of the clip's process and pipe once they are no longer needed.
ClipRunResult RunConverterClip(ConverterProcess& converter, const std::string& converterPath,
                               const std::string& commandLine, IReadLoopHost& host);

} // namespace korvane
