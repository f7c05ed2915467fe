#include "split/ConverterProcess.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace korvane {
namespace {

// An anonymous pipe cannot be waited on, so while the converter is silent the
// loop looks again after a short wait. The wait grows while nothing comes, up
// to a bound that keeps a silent converter cheap; any window message or the
// converter's end cuts it short, so the window never waits on it.
constexpr DWORD kLongestIdleWaitMs = 32;
// A killed converter needs a moment to let go of its output file; the next
// clip, or the user, may want that file at once.
constexpr DWORD kKillWaitMs = 5000;
// A converter that has closed its output is on its way out; its exit code is
// what tells a finished clip from a failed one.
constexpr DWORD kExitWaitMs = 5000;

} // namespace

bool ConverterProcess::PreparePipe()
{
    KillConverter();
    exitCode_.reset();
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0)) {
        lastError_ = GetLastError();
        return false;
    }
    pipeRead_ = ui::UniqueHandle(readEnd);
    pipeWrite_ = ui::UniqueHandle(writeEnd);
    // A converter that inherited the read end too would keep the pipe alive
    // for itself and for anything it starts.
    if (!SetHandleInformation(pipeRead_.Get(), HANDLE_FLAG_INHERIT, 0)) {
        lastError_ = GetLastError();
        KillConverter();
        return false;
    }
    idleWaitMs_ = 0;
    return true;
}

bool ConverterProcess::Start(const std::string& converterPath, const std::string& commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    startup.hStdOutput = pipeWrite_.Get();
    startup.hStdError = pipeWrite_.Get();
    // The converter reads nothing; handing it our own input could let it
    // swallow keys or wait on a console it does not need.
    startup.hStdInput = nullptr;
    startup.wShowWindow = SW_HIDE;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    // A C runtime's table of inherited files, handed to us by our own parent,
    // would override the pipe in the converter's runtime.
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;

    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');
    PROCESS_INFORMATION info{};
    const BOOL started = pipeWrite_
        && CreateProcessA(converterPath.c_str(), mutableCommandLine.data(), nullptr, nullptr,
                          TRUE, 0, nullptr, nullptr, &startup, &info);
    if (!started)
        lastError_ = pipeWrite_ ? GetLastError() : ERROR_INVALID_HANDLE;
    // From here on only the converter holds the write end: the pipe ends with it.
    pipeWrite_.Reset();
    if (!started)
        return false;
    process_ = ui::UniqueHandle(info.hProcess);
    thread_ = ui::UniqueHandle(info.hThread);
    processId_ = info.dwProcessId;
    return true;
}

void ConverterProcess::KillConverter()
{
    if (process_) {
        // Fails harmlessly when the converter has already ended.
        TerminateProcess(process_.Get(), kKilledExitCode);
        WaitForSingleObject(process_.Get(), kKillWaitMs);
    }
    process_.Reset();
    thread_.Reset();
    pipeWrite_.Reset();
    pipeRead_.Reset();
    processId_ = 0;
}

bool ConverterProcess::ProcessHasEnded() const
{
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> ConverterProcess::BytesWaiting() const
{
    DWORD available = 0;
    // Fails with ERROR_BROKEN_PIPE once every writer is gone and all is read;
    // any other failure ends the clip as well.
    if (!pipeRead_ || !PeekNamedPipe(pipeRead_.Get(), nullptr, 0, nullptr, &available, nullptr))
        return std::nullopt;
    return available;
}

ConverterProcess::Look ConverterProcess::LookAtPipe(std::string_view& bytes)
{
    std::optional<DWORD> waiting = BytesWaiting();
    if (!waiting)
        return Look::Ended;
    if (*waiting == 0 && ProcessHasEnded()) {
        // Whatever the converter wrote before it ended is in the pipe now.
        // Once that is read, a process it left behind holding the write end
        // must not keep the clip open.
        waiting = BytesWaiting();
        if (!waiting || *waiting == 0)
            return Look::Ended;
    }
    const DWORD available = *waiting;
    if (available == 0) {
        // Wakes for messages that arrived since the host's last look at the
        // queue; a message the host chose to leave there must not make the
        // wait return at once, turn after turn.
        HANDLE process = process_.Get();
        MsgWaitForMultipleObjects(process ? 1 : 0, process ? &process : nullptr, FALSE, idleWaitMs_,
                                  QS_ALLINPUT);
        idleWaitMs_ = std::clamp<DWORD>(idleWaitMs_ * 2, 1, kLongestIdleWaitMs);
        return Look::Nothing;
    }
    idleWaitMs_ = 0;
    readBuffer_.fill('\0');
    DWORD read = 0;
    if (!ReadFile(pipeRead_.Get(), readBuffer_.data(), std::min(available, kReadChunkBytes), &read, nullptr)
        || read == 0)
        return Look::Ended;
    bytes = std::string_view(readBuffer_.data(), read);
    return Look::Output;
}

ReadLoopResult RunReadLoop(ConverterProcess& converter, IReadLoopHost& host)
{
    // Left open, the program's own write end would keep the pipe from ever ending.
    converter.pipeWrite_.Reset();
    try {
        for (;;) {
            host.PumpMessages();
            if (host.CancelRequested()) {
                converter.KillConverter();
                return ReadLoopResult::Cancelled;
            }
            std::string_view bytes;
            switch (converter.LookAtPipe(bytes)) {
            case ConverterProcess::Look::Ended:
                return ReadLoopResult::PipeEnded;
            case ConverterProcess::Look::Nothing:
                break;
            case ConverterProcess::Look::Output:
                try {
                    host.OnOutput(bytes);
                } catch (const std::exception&) {
                    // Output the host cannot make sense of changes nothing; the
                    // converter goes on and so does the clip.
                }
                break;
            }
        }
    } catch (...) {
        // Whatever ends the job from inside the window's handlers ends its
        // converter too, rather than leaving it to run unseen.
        converter.KillConverter();
        throw;
    }
}

ClipRunResult RunConverterClip(ConverterProcess& converter, const std::string& converterPath,
                               const std::string& commandLine, IReadLoopHost& host)
{
    if (!converter.PreparePipe())
        return ClipRunResult::PipeFailed;
    if (!converter.Start(converterPath, commandLine)) {
        converter.KillConverter();
        return ClipRunResult::StartFailed;
    }
    const ReadLoopResult result = RunReadLoop(converter, host);
    if (result == ReadLoopResult::PipeEnded && converter.process_
        && WaitForSingleObject(converter.process_.Get(), kExitWaitMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(converter.process_.Get(), &code))
            converter.exitCode_ = code;
    }
    // The converter has normally ended by now; this only lets go of it.
    converter.KillConverter();
    return result == ReadLoopResult::Cancelled ? ClipRunResult::Cancelled : ClipRunResult::Done;
}

} // namespace korvane
