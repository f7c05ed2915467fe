#include "split/SourceProbe.h"

#include "split/EngineReport.h"

#include "converter/EngineGuard.h"
#include "converter/ClipRequest.h"

#include <charconv>

namespace korvane {
namespace {

// The engine's report of a source is a few kilobytes; more is not a report.
constexpr std::size_t kLongestReport = 1 << 20;
// How often a wait looks at the pipe while neither a message nor the end comes.
constexpr DWORD kLookIntervalMs = 20;

} // namespace

namespace {

// Only real media containers, only local files: a disguised playlist is
// turned away rather than followed to the files or addresses it names.
void AddInputRestrictions(std::vector<std::string>& words)
{
    for (std::string& word : frontend::InputRestrictions())
        words.push_back(std::move(word));
}

} // namespace

bool SourceProbe::Start(const std::string& enginePath, const std::string& source)
{
    std::vector<std::string> words = {enginePath, "-hide_banner"};
    AddInputRestrictions(words);
    words.insert(words.end(), {"-i", source});
    source_ = source;
    return Launch(enginePath, frontend::JoinCommandLine(words));
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
    std::vector<std::string> words = {enginePath, "-hide_banner", "-nostdin", "-y", "-loglevel", "info",
                                      "-nostats", "-copyts"};
    AddInputRestrictions(words);
    if (from > 0)
        words.insert(words.end(), {"-ss", seconds(from)});
    words.insert(words.end(), {"-t", seconds(length), "-i", source, "-map", "0:v?", "-map", "0:a?", "-map", "0:s?",
                               "-c", "copy", "-f", "framecrc", listingPath});
    source_ = source;
    return Launch(enginePath, frontend::JoinCommandLine(words));
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
    startedAt_ = GetTickCount();
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

bool SourceProbe::Overdue(DWORD limitMs) const
{
    return process_ && GetTickCount() - startedAt_ >= limitMs;
}

SourceProbe::Wait SourceProbe::Await(DWORD limitMs, const std::function<void()>& serve,
                                     const std::function<bool()>& cancelled)
{
    for (;;) {
        serve();
        if (cancelled())
            return Wait::Cancelled;
        if (Poll())
            return Wait::Ended;
        if (Overdue(limitMs)) {
            Stop();
            return Wait::Overdue;
        }
        // The pipe cannot be waited on; the engine writes a few kilobytes at
        // most, so a look every few milliseconds keeps it from ever blocking.
        HANDLE process = process_.Get();
        MsgWaitForMultipleObjects(1, &process, FALSE, kLookIntervalMs, QS_ALLINPUT);
    }
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

std::optional<std::string> SourceProbe::Refusal() const
{
    if (process_)
        return std::nullopt;
    for (std::size_t at = 0; at < output_.size();) {
        const std::size_t end = std::min(output_.find('\n', at), output_.size());
        if (frontend::SourceRefusedLine(std::string_view(output_).substr(at, end - at)))
            return frontend::NotAVideoFile(source_);
        at = end + 1;
    }
    return std::nullopt;
}

std::optional<double> SourceProbe::FrameRate() const
{
    if (process_)
        return std::nullopt;
    return ReportedFrameRate(output_);
}

} // namespace korvane
