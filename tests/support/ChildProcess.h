// A program started the way the main program starts its converter: hidden,
// its standard output and error in one pipe the test reads, no input.
#pragma once

#include <windows.h>

#include <string>

namespace korvane::testing {

class ChildProcess {
public:
    ChildProcess() = default;
    // A program still running when the test lets go of it is ended.
    ~ChildProcess()
    {
        if (info_.hProcess) {
            TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
        if (read_)
            CloseHandle(read_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& application, const std::wstring& commandLine)
    {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE write = nullptr;
        if (!CreatePipe(&read_, &write, &sa, 0))
            return false;
        SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
        si.hStdOutput = write;
        si.hStdError = write;
        std::wstring line = commandLine;
        const BOOL started =
            CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &info_);
        CloseHandle(write);
        return started;
    }
    bool Start(const std::string& application, const std::string& commandLine)
    {
        return Start(Wide(application), Wide(commandLine));
    }

    // One read of what it wrote, added to `output`; false once the pipe has ended.
    bool ReadSome()
    {
        char buf[4096];
        DWORD got = 0;
        if (!read_ || !ReadFile(read_, buf, sizeof buf, &got, nullptr) || got == 0)
            return false;
        output.append(buf, got);
        return true;
    }
    // Reads to the end of its output, waits for its end (a minute at most)
    // and gives its exit code (STILL_ACTIVE when it has not ended).
    DWORD Finish()
    {
        while (ReadSome()) {
        }
        WaitForSingleObject(info_.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

    // The last line of what it wrote, without its line end.
    std::string LastLine() const
    {
        const std::size_t end = output.find_last_not_of("\r\n");
        if (end == std::string::npos)
            return {};
        const std::size_t start = output.find_last_of("\r\n", end);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        return output.substr(from, end + 1 - from);
    }

    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }
    std::string output;

private:
    static std::wstring Wide(const std::string& text)
    {
        std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
        out.resize(out.empty() ? 0 : out.size() - 1);
        return out;
    }

    HANDLE read_ = nullptr;
    PROCESS_INFORMATION info_{};
};

// Runs a program to its end and gives what it wrote.
inline std::string RunAndCapture(const std::string& application, const std::string& commandLine)
{
    ChildProcess child;
    if (!child.Start(application, commandLine))
        return {};
    child.Finish();
    return child.output;
}

} // namespace korvane::testing
