// A stand-in for the converter that misbehaves on request. The mode is the
// first word of its command line (which, like the real converter's, need not
// start with the program's name):
//   silent <ms>            writes nothing, ends after <ms>
//   flood <bytes>          writes exactly <bytes> bytes as fast as it can, then ends
//   flood-forever          writes progress lines until it is killed
//   orphan                 starts "silent 30000" sharing its output, writes the
//                          child's id as "orphan=<id> ", then ends at once
//   die                    writes half a progress line and ends with code 3
//
// Put into a program folder in place of the converter (wmaspi.dll) or of its
// engine (kvengine.exe), it is started with the command line the program or
// the front-end writes, and follows the script "stand-in.txt" beside it
// instead. Each line of the script is a rule "<text> <mode> [<number>]"; the
// first rule whose text occurs in the command line ("*" matches any) says
// what to do:
//   pass                   runs the program it stands in for, kept beside it
//                          as "real-<own file name>", on the same command line
//                          and output, and ends as that ends
//   flood <bytes>          writes <bytes> bytes of broken output (progress
//                          lines, lines without an end, zero bytes), then passes
//   silent [<ms>]          writes nothing for <ms> (a minute), then ends with 0
//   late <ms>              writes nothing for <ms>, then passes
//   crash [<ms>]           writes progress in the form of its role for <ms>,
//                          and the first bytes of a clip into the output (the
//                          last word of its command line), then crashes on a
//                          write through a null pointer
// Without a matching rule it passes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

bool WriteAll(HANDLE out, const char* data, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(out, data, size, &written, nullptr))
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool WriteText(HANDLE out, const std::string& text)
{
    return WriteAll(out, text.data(), static_cast<DWORD>(text.size()));
}

int Flood(HANDLE out, unsigned long bytes)
{
    char block[1000];
    std::memset(block, 'x', sizeof block);
    while (bytes > 0) {
        const DWORD now = bytes < sizeof block ? static_cast<DWORD>(bytes) : sizeof block;
        if (!WriteAll(out, block, now))
            return 1;
        bytes -= now;
    }
    return 0;
}

int FloodForever(HANDLE out)
{
    for (unsigned long frame = 1;; ++frame) {
        char line[128];
        std::snprintf(line, sizeof line, "frame=%lu size= 1kB time=%lu.00 bitrate= 1.0kbits/s    \r",
                      frame, frame);
        // The pipe breaks when the reader lets go of it.
        if (!WriteText(out, line))
            return 1;
    }
}

int Orphan(HANDLE out)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    char commandLine[] = " silent 30000";
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(self, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return 2;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    WriteText(out, "orphan=" + std::to_string(info.dwProcessId) + " ");
    return 0;
}

// --- standing in for the converter or its engine -------------------------------------

struct Rule {
    std::string mode = "pass";
    unsigned long number = 0;
};

std::wstring OwnPath()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring FileNameOf(const std::wstring& path)
{
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::string ReadScript()
{
    const HANDLE file = CreateFileW((FolderOf(OwnPath()) + L"stand-in.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// The command line is matched in its ASCII letters; the rules' texts are ASCII.
Rule FindRule(const std::wstring& commandLine)
{
    std::string line;
    for (wchar_t c : commandLine)
        line += c < 0x80 ? static_cast<char>(c) : '?';
    std::istringstream script(ReadScript());
    std::string rule;
    while (std::getline(script, rule)) {
        char text[260] = {};
        char mode[32] = {};
        Rule found;
        if (std::sscanf(rule.c_str(), " %259s %31s %lu", text, mode, &found.number) < 2)
            continue;
        found.mode = mode;
        if (std::strcmp(text, "*") == 0 || line.find(text) != std::string::npos)
            return found;
    }
    return Rule{};
}

// The real program on the same command line and standard handles. It joins
// a job of ours that ends it with us, as the real front-end does with its
// engine: a stand-in that is terminated must not leave it running.
int Pass()
{
    const std::wstring self = OwnPath();
    const std::wstring real = FolderOf(self) + L"real-" + FileNameOf(self);
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr)
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = GetCommandLineW();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(real.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &info))
        return 12;
    // Fails where jobs cannot nest; inside the front-end's job the child is
    // in that job anyway.
    if (job != nullptr)
        AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<int>(code);
}

// Output that follows no rule: progress lines in both forms, text without a
// line end, a line longer than any buffer, zero bytes and other binary bytes.
int FloodBroken(HANDLE out, unsigned long bytes)
{
    std::string block;
    for (int i = 0; block.size() < 64 * 1024; ++i) {
        block += "frame=" + std::to_string(i) + " fps=0.0 size= 1kB time=00:00:0" + std::to_string(i % 10)
                 + ".00 bitrate= 1.0kbits/s\r";
        block += "time=" + std::to_string(i % 7) + ".5 ";
        block += "time=-1 time=1e300 time=nan timetime==\n";
        block.append(1, '\0');
        block.append(i % 3 == 0 ? 3000 : 30, static_cast<char>('A' + i % 26));
        block += "\xff\xfe\x01\x80";
    }
    while (bytes > 0) {
        const DWORD now = bytes < block.size() ? static_cast<DWORD>(bytes) : static_cast<DWORD>(block.size());
        if (!WriteAll(out, block.data(), now))
            return 1;
        bytes -= now;
    }
    return 0;
}

int Silent(unsigned long ms)
{
    Sleep(ms != 0 ? static_cast<DWORD>(ms) : 60000);
    return 0;
}

// The last word of a command line: the output file, for the converter and
// for its engine alike.
std::wstring LastWord(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    while (!line.empty() && line.back() == L' ')
        line.pop_back();
    if (!line.empty() && line.back() == L'"') {
        line.pop_back();
        return line.substr(line.find_last_of(L'"') + 1);
    }
    return line.substr(line.find_last_of(L' ') + 1);
}

// The word after -i: the source, never to be written over.
std::wstring InputWord(const std::wstring& commandLine)
{
    const std::size_t at = commandLine.find(L" -i ");
    if (at == std::wstring::npos)
        return {};
    std::wstring rest = commandLine.substr(at + 4);
    if (!rest.empty() && rest.front() == L'"')
        return rest.substr(1, rest.find(L'"', 1) - 1);
    return rest.substr(0, rest.find(L' '));
}

// A real crash, the way a broken program ends: no exit code of its own
// choosing and no last words, and half a clip on the disk when it was
// making one (an engine asked only about its source writes nothing).
[[noreturn]] void CrashAfterProgress(HANDLE out, unsigned long ms, bool asEngine)
{
    const std::wstring commandLine = GetCommandLineW();
    const std::wstring output = LastWord(commandLine);
    const HANDLE clip = output == InputWord(commandLine)
        ? INVALID_HANDLE_VALUE
        : CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
    for (int i = 1; GetTickCount() < until; ++i) {
        if (clip != INVALID_HANDLE_VALUE)
            WriteText(clip, "RIFF half a clip ");
        char line[160];
        if (asEngine)
            std::snprintf(line, sizeof line,
                          "frame=%5d fps=0.0 q=2.0 size=%8dkB time=00:00:00.%02d bitrate= 100.0kbits/s speed=1x\r",
                          i, i, i % 100);
        else
            std::snprintf(line, sizeof line, "time=0.%02d \r\n", i % 100);
        WriteText(out, line);
        Sleep(20);
    }
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    std::abort();
}

int StandIn()
{
    const Rule rule = FindRule(GetCommandLineW());
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const bool asEngine = lstrcmpiW(FileNameOf(OwnPath()).c_str(), L"kvengine.exe") == 0;
    if (rule.mode == "silent")
        return Silent(rule.number);
    if (rule.mode == "late")
        Sleep(static_cast<DWORD>(rule.number));
    if (rule.mode == "crash")
        CrashAfterProgress(out, rule.number, asEngine);
    if (rule.mode == "flood" && FloodBroken(out, rule.number) != 0)
        return 1;
    return Pass();
}

} // namespace

int main()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* line = GetCommandLineA();
    char mode[32] = {};
    unsigned long number = 0;
    if (std::sscanf(line, " %31s %lu", mode, &number) < 1)
        return 10;
    const std::string m = mode;
    if (m == "silent") {
        Sleep(static_cast<DWORD>(number));
        return 0;
    }
    if (m == "flood")
        return Flood(out, number);
    if (m == "flood-forever")
        return FloodForever(out);
    if (m == "orphan")
        return Orphan(out);
    if (m == "die") {
        WriteText(out, "frame=  9 time=00:00:0");
        ExitProcess(3);
    }
    return StandIn();
}
