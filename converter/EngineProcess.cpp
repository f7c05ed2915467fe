#include "converter/EngineProcess.h"

#include "converter/ClipRequest.h"
#include "converter/Verdict.h"

namespace korvane::frontend {

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool FileHasContent(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

// Less than this left on the output's disk after a write failed: the failed
// write took what there was, the disk is full.
constexpr ULONGLONG kFullDiskBytes = 1 << 20;

bool OutputDiskIsFull(const std::wstring& output)
{
    const std::wstring folder = output.substr(0, output.find_last_of(L"\\/") + 1);
    ULARGE_INTEGER available{};
    return GetDiskFreeSpaceExW(folder.empty() ? nullptr : folder.c_str(), &available, nullptr, nullptr)
        && available.QuadPart < kFullDiskBytes;
}

EngineJob MakeKillOnCloseJob()
{
    EngineJob engineJob{CreateJobObjectW(nullptr, nullptr)};
    if (engineJob.job == nullptr)
        return engineJob;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (SetInformationJobObject(engineJob.job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        engineJob.joined = AssignProcessToJobObject(engineJob.job, GetCurrentProcess()) != FALSE;
    } else {
        CloseHandle(engineJob.job);
        engineJob.job = nullptr;
    }
    return engineJob;
}

// Our own standard handles stay ours.
void KeepOwnHandlesFromChildren()
{
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE h = GetStdHandle(which);
        if (h != nullptr && h != INVALID_HANDLE_VALUE)
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
    }
}

namespace {

constexpr DWORD kIdleWaitMs = 50;

struct Engine {
    Handle process;
    Handle output;  // read end of the engine's standard output and error
};

bool StartEngine(const std::wstring& path, const std::wstring& commandLine, const EngineJob& job, Engine& engine)
{
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        return false;
    engine.output.Reset(readEnd);
    Handle write(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = write.Get();
    startup.hStdError = write.Get();
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION info{};
    const DWORD flags = CREATE_NO_WINDOW | (job.joined ? 0 : CREATE_SUSPENDED);
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &info))
        return false;
    engine.process.Reset(info.hProcess);
    Handle thread(info.hThread);
    if (!job.joined) {
        // Where jobs cannot nest (before Windows 8, inside a job of our
        // caller's) this fails too; the engine then still ends on its own
        // when its clip is done.
        if (job.job != nullptr)
            AssignProcessToJobObject(job.job, info.hProcess);
        ResumeThread(info.hThread);
    }
    return true;
}

} // namespace

EngineRun RunEngine(const std::vector<std::string>& arguments, const EngineJob& job, ProgressWriter& progress,
                    const std::function<void(std::string_view)>& take)
{
    EngineRun run;
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), "kvengine.exe");
    Engine engine;
    if (!StartEngine(ProgramFolder() + L"kvengine.exe", Wide(JoinCommandLine(words)), job, engine)) {
        run.startError = GetLastError();
        return run;
    }
    run.started = true;
    progress.Begin();
    std::vector<char> buffer(4096);
    while (!progress.ReaderGone()) {
        DWORD available = 0;
        if (!PeekNamedPipe(engine.output.Get(), nullptr, 0, nullptr, &available, nullptr))
            break;  // the engine has ended and everything it wrote is read
        if (available == 0) {
            WaitForSingleObject(engine.process.Get(), kIdleWaitMs);
        } else {
            DWORD got = 0;
            if (!ReadFile(engine.output.Get(), buffer.data(),
                          available < buffer.size() ? available : static_cast<DWORD>(buffer.size()), &got, nullptr))
                break;
            take(std::string_view(buffer.data(), got));
        }
        progress.Tick();
    }
    if (progress.ReaderGone()) {
        // Nobody waits for this clip any more; the job takes the engine down.
        run.readerGone = true;
        TerminateProcess(engine.process.Get(), kExitFailed);
        return run;
    }
    WaitForSingleObject(engine.process.Get(), INFINITE);
    GetExitCodeProcess(engine.process.Get(), &run.exitCode);
    return run;
}

} // namespace korvane::frontend
