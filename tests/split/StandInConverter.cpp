// A stand-in for the converter that misbehaves on request, for the read-loop
// tests. The mode is the first word of its command line (which, like the real
// converter's, need not start with the program's name):
//   silent <ms>            writes nothing, ends after <ms>
//   flood <bytes>          writes exactly <bytes> bytes as fast as it can, then ends
//   flood-forever          writes progress lines until it is killed
//   orphan                 starts "silent 30000" sharing its output, writes the
//                          child's id as "orphan=<id> ", then ends at once
//   die                    writes half a progress line and ends with code 3
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    return 11;
}
