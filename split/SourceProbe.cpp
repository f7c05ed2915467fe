#include "split/SourceProbe.h"

#include "split/EngineReport.h"

#include <charconv>

namespace korvane {
namespace {

// The engine's report of a source is a few kilobytes; more is not a report.
constexpr std::size_t kLongestReport = 1 << 20;

} // namespace

bool SourceProbe::Start(const std::string& enginePath, const std::string& source)
{
    return Launch(enginePath, "\"" + enginePath + "\" -hide_banner -i \"" + source + "\"");
}

bool SourceProbe::StartPacketListing(const std::string& enginePath, const std::string& source,
                                     const std::string& listingPath, double from, double length)
{
    // Seconds with a point, whatever the user's number format.
    auto seconds = [](double value) {
        char text[64];
        const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
        return std::string(text, r.ptr);
    };
    std::string commandLine = "\"" + enginePath + "\" -hide_banner -nostdin -y -loglevel info -nostats -copyts";
    if (from > 0)
        commandLine += " -ss " + seconds(from);
    commandLine += " -t " + seconds(length) + " -i \"" + source +
                   "\" -map 0:v? -map 0:a? -map 0:s? -c copy -f framecrc \"" + listingPath + "\"";
    return Launch(enginePath, std::move(commandLine));
}

bool SourceProbe::Launch(const std::string& enginePath, std::string commandLine)
{
    Stop();
    output_.clear();
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        return false;
    pipeRead_ = ui::UniqueHandle(readEnd);
    const ui::UniqueHandle pipeWrite(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    // No console at all, only the pipe: Wine gives a windowless console a host
    // process of its own, which outlives an engine stopped while it starts
    // (a new source loaded at once) and holds the program's own output open.
    if (!CreateProcessA(enginePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        DETACHED_PROCESS, nullptr, nullptr, &startup, &info)) {
        pipeRead_ = ui::UniqueHandle();
        return false;
    }
    CloseHandle(info.hThread);
    process_ = ui::UniqueHandle(info.hProcess);
    return true;
}

void SourceProbe::Drain()
{
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(pipeRead_.Get(), nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)
            return;
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipeRead_.Get(), buffer, sizeof buffer, &got, nullptr) || got == 0)
            return;
        if (output_.size() < kLongestReport)
            output_.append(buffer, got);
    }
}

bool SourceProbe::Poll()
{
    if (!process_)
        return true;
    Drain();
    if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0)
        return false;
    // What it wrote just before it ended.
    Drain();
    process_ = ui::UniqueHandle();
    pipeRead_ = ui::UniqueHandle();
    return true;
}

bool SourceProbe::Finish(DWORD limitMs)
{
    const DWORD start = GetTickCount();
    while (!Poll()) {
        if (GetTickCount() - start >= limitMs)
            return false;
        WaitForSingleObject(process_.Get(), 20);
    }
    return true;
}

void SourceProbe::Stop()
{
    if (process_) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 2000);
    }
    process_ = ui::UniqueHandle();
    pipeRead_ = ui::UniqueHandle();
}

std::optional<double> SourceProbe::Seconds() const
{
    if (process_)
        return std::nullopt;
    return ReportedInputDuration(output_);
}

std::optional<double> SourceProbe::FrameRate() const
{
    if (process_)
        return std::nullopt;
    return ReportedFrameRate(output_);
}

} // namespace korvane
