// Korvane's converter front-end, shipped as wmaspi.dll: reads the command line
// the main program writes for one clip, runs the engine (kvengine.exe, beside
// it) with a command line that cuts cleanly and fast, and reports progress and
// the outcome in the form the main program reads.
//
// Exit codes (converter/Verdict.h): 0 the output file is complete; 1 the
// engine failed or wrote nothing; 2 the command line was not understood; 3 the
// engine could not be started. On any failure the last output line says why
// in a few words.
#include "converter/ClipLines.h"
#include "converter/ClipRequest.h"
#include "converter/CopyClip.h"
#include "converter/EngineGuard.h"
#include "converter/EngineReport.h"
#include "converter/ExactSpan.h"
#include "converter/LibAv.h"
#include "converter/KeyframeCut.h"
#include "converter/MovieEnd.h"
#include "converter/MovieFile.h"
#include "converter/Source.h"
#include "converter/Tracks.h"
#include "converter/Verdict.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace korvane::frontend;

// The main program's bars move at least this often while the engine works,
// also while it says nothing (opening a large file, a slow first frame).
constexpr DWORD kProgressIntervalMs = 400;
constexpr DWORD kIdleWaitMs = 50;
// The main program takes only the first time of what one read brings: two
// lines written close together may reach it as one read, and the newer time
// would be lost (the last one of a clip above all). Lines are spaced so that
// its read loop, which looks at least every few tens of milliseconds, takes
// them one by one.
constexpr DWORD kProgressSpacingMs = 60;

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset(HANDLE h = nullptr)
    {
        if (h_)
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

std::string Utf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

char UserDecimalSeparator()
{
    wchar_t buf[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 1 && buf[0] < 0x80)
        return static_cast<char>(buf[0]);
    return '.';
}

// Everything goes to standard output, which the main program reads; its
// standard error is the same pipe.
class Report {
public:
    Report() : out_(GetStdHandle(STD_OUTPUT_HANDLE)) {}

    // False once nobody reads any more: the main program has gone.
    bool Write(std::string_view text)
    {
        while (!text.empty() && out_ != nullptr && out_ != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!WriteFile(out_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
                const DWORD error = GetLastError();
                if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA)
                    return false;
                break;
            }
            text.remove_prefix(written);
        }
        return true;
    }
    bool Line(std::string_view text) { return Write(std::string(text) + "\r\n"); }

private:
    HANDLE out_;
};

// The times the main program reads: the newest time the engine reached,
// written as soon as the spacing allows, and repeated while the engine is
// silent so that the main program always hears from a working converter.
class ProgressWriter {
public:
    ProgressWriter(Report& report, char separator) : report_(report), separator_(separator) {}
    // The first time, 0, once an engine is working: whoever watches the main
    // program's bars finds it running from then on.
    void Begin()
    {
        if (!begun_) {
            begun_ = true;
            Write(0);
        }
    }
    void Reached(double seconds)
    {
        if (seconds > written_ || hasPending_) {
            pending_ = seconds;
            hasPending_ = true;
        }
    }
    void Tick()
    {
        const DWORD since = GetTickCount() - lastWrite_;
        if (hasPending_ && since >= kProgressSpacingMs)
            Write(pending_);
        else if (!hasPending_ && since >= kProgressIntervalMs)
            Write(written_);
    }
    // The last time goes out alone, however soon after the one before.
    void Flush()
    {
        if (!hasPending_)
            return;
        const DWORD since = GetTickCount() - lastWrite_;
        if (since < kProgressSpacingMs)
            Sleep(kProgressSpacingMs - since);
        Write(pending_);
    }
    bool ReaderGone() const { return readerGone_; }

private:
    void Write(double seconds)
    {
        readerGone_ = readerGone_ || !report_.Write(ProgressText(seconds, separator_));
        written_ = seconds;
        hasPending_ = false;
        lastWrite_ = GetTickCount();
    }

    Report& report_;
    char separator_;
    double written_ = 0;
    double pending_ = 0;
    bool hasPending_ = false;
    DWORD lastWrite_ = 0;
    bool readerGone_ = false;
    bool begun_ = false;
};

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

// The engine runs in a job that ends it when our last handle to the job
// closes: when we exit, and also when the main program terminates us (Cancel,
// closing the window), so no engine is left writing a clip nobody waits for.
// We join the job ourselves before the engine exists, so that the engine is in
// it from its first moment: a Cancel that terminates us while we are still
// starting the engine must not leave it outside, running or suspended.
struct EngineJob {
    // Never closed by us: with us inside, closing it would end us with it,
    // before our exit code is set. The system closes it when we end.
    HANDLE job = nullptr;
    bool joined = false;  // we are in the job, and so is every process we start
};

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

// Our own standard handles are the main program's pipe: the engine must not
// inherit them, or the main program's pipe would outlive us.
void KeepOwnHandlesFromChildren()
{
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE h = GetStdHandle(which);
        if (h != nullptr && h != INVALID_HANDLE_VALUE)
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
    }
}

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

// One run of the engine, to its end or until nobody reads our output any more.
struct EngineRun {
    bool started = false;
    DWORD startError = 0;
    bool readerGone = false;
    DWORD exitCode = 0;
};

// Runs the engine with the given arguments, hands everything it writes to
// `take`, and keeps the progress going meanwhile.
template <class Take>
EngineRun RunEngine(const std::vector<std::string>& arguments, const EngineJob& job, ProgressWriter& progress,
                    Take take)
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

// A file of the converter's own beside the clip, gone when the clip is done.
struct OwnFile {
    std::string path;
    OwnFile() = default;
    OwnFile(const OwnFile&) = delete;
    OwnFile& operator=(const OwnFile&) = delete;
    ~OwnFile()
    {
        if (!path.empty())
            DeleteFileW(Wide(path).c_str());
    }
};

// Copied pictures end by their decoding times: an MP4 or MOV clip holds
// some shown after its end, with holes between; its edit list then ends where
// its pictures stop following each other. False (said) when it could not.
bool EndEngineCopiedMovie(const ClipRequest& request, Report& report)
{
    if (!request.duration || !request.videoCopied || request.noVideo || ContainerOf(request.output) != Container::Mov)
        return true;
    const std::string why = EndCopiedMovie(request.output, std::nullopt);
    if (why.empty())
        return true;
    report.Line("The clip's end could not be set in its index: " + why + ".");
    return false;
}

// A copy written here in one pass. Nothing when an option of the profile
// needs the engine (`engineCopies` says which): the engine copies the clip then.
std::optional<int> CopyHere(const ClipRequest& request, const CopyOptions& options, ProgressWriter& progress,
                            Report& report, std::string& engineCopies)
{
    progress.Begin();
    const CopyResult copy = CopyClip(request, options, [&progress](double seconds) {
        progress.Reached(seconds);
        progress.Tick();
        return !progress.ReaderGone();
    });
    switch (copy.outcome) {
    case CopyResult::Outcome::NeedsEngine:
        engineCopies = copy.reason;
        return std::nullopt;
    case CopyResult::Outcome::Stopped:
        return kExitFailed;
    case CopyResult::Outcome::Failed:
        progress.Flush();
        report.Line(copy.writeFailed && OutputDiskIsFull(Wide(request.output)) ? "No space left on device"
                                                                                : copy.reason);
        return kExitFailed;
    case CopyResult::Outcome::Made:
        break;
    }
    progress.Reached(copy.lastTime);
    progress.Flush();
    if (progress.ReaderGone())
        return kExitFailed;
    for (const std::string& line : copy.leftOut)
        report.Line(line);
    return kExitDone;
}

int Run()
{
    Report report;
    const std::string commandLine = Utf8(GetCommandLineW());
    const ReadResult read = ReadClipRequest(ArgumentWords(commandLine));
    if (!read.request) {
        report.Line("Cannot understand the command line: " + read.error);
        return kExitBadCommandLine;
    }
    const ClipRequest& request = *read.request;
    KeepOwnHandlesFromChildren();
    const EngineJob job = MakeKillOnCloseJob();
    ProgressWriter progress(report, UserDecimalSeparator());
    auto cannotStart = [&report](DWORD error) {
        report.Line("The converter's engine kvengine.exe could not be started (error " + std::to_string(error)
                    + ").");
        return kExitNoEngine;
    };

    // Copies are made here, in one pass, but for the options only the engine
    // honours: the engine then copies from the keyframe before the start.
    std::string engineCopies;
    if (const CopyOptionsResult copy = ReadCopyOptions(request); copy.options) {
        if (const std::optional<int> exitCode = CopyHere(request, *copy.options, progress, report, engineCopies))
            return *exitCode;
    } else if (request.videoCopied) {
        engineCopies = copy.needsEngine;
    }

    // Where the engine's cut begins, from the source's picture packets listed
    // here: program streams' seeks land between keyframes. An exact start
    // the engine cannot make is said, with the keyframe it starts at.
    const CutKind cutKind = CutNeeded(request);
    const bool notExact = request.exactStart && request.videoCopied && !request.noVideo && request.start > 0;
    std::optional<CutAfterSeek> keyframe;
    if (cutKind == CutKind::AtKeyframe || cutKind == CutKind::Exact || notExact) {
        OpenedSource opened = OpenSource(request.input);
        const int video = opened.input ? FirstVideoStream(*opened.input) : -1;
        for (std::size_t i = 0; i < std::size(kKeyframeLeads) && opened.input && !keyframe; ++i) {
            const double seek = std::max(request.start - kKeyframeLeads[i], 0.0);
            PacketList list = video >= 0 ? ListVideoPackets(*opened.input, video, seek, request.start - seek + 1)
                                         : PacketList{{}, SourceOrigin(*opened.input), false, false};
            const bool lastTry = i + 1 == std::size(kKeyframeLeads) || seek == 0;
            keyframe = CutAtKeyframe(list, request.start, seek, lastTry);
            if (lastTry)
                break;
        }
    }
    std::optional<CutAfterSeek> cut;
    if (cutKind == CutKind::AtKeyframe)
        cut = keyframe;
    else if (cutKind == CutKind::Exact && keyframe)
        cut = ExactCut(*keyframe, request.start);
    else if (cutKind == CutKind::AtStart)
        cut = CutAtStart(request.start);
    if (progress.ReaderGone())
        return kExitFailed;

    // The source's time code names its first picture; an MP4 or MOV clip's
    // names the clip's, the one shown at the start.
    std::optional<std::string> timecode;
    if (ContainerOf(request.output) == Container::Mov && !request.noVideo) {
        const OpenedSource opened = OpenSource(request.input);
        if (opened.input)
            timecode = ClipTimecode(*opened.input, FirstVideoStream(*opened.input),
                                    SourceOrigin(*opened.input) + request.start);
    }
    // An encoded clip's subtitles are the lines shown inside it, cut at its
    // ends: written here for the engine, which only puts them in the clip's
    // form.
    const TrackPlan tracks = PlanTracks(request);
    OwnFile linesFile;
    if (tracks.subtitles && !request.videoCopied) {
        const ClipLines lines = WriteClipLines(request, cut && cut->sourceStart);
        linesFile.path = lines.path;
        if (!lines.error.empty()) {
            report.Line("The clip's subtitles could not be written beside it: " + lines.error + ".");
            return kExitFailed;
        }
    }
    auto convert = [&](EngineLog& log, bool leaveOutSubtitles) {
        std::vector<std::string> arguments = EngineArguments(request, cut, leaveOutSubtitles, linesFile.path);
        if (timecode)
            arguments.insert(arguments.end() - 1, {"-timecode", *timecode});
        return RunEngine(arguments, job, progress, [&](std::string_view bytes) {
            for (const EngineLog::Line& line : log.Feed(bytes))
                if (line.progress && log.LastTime())
                    progress.Reached(*log.LastTime());
        });
    };
    EngineLog log;
    EngineRun run = convert(log, false);
    if (!run.started)
        return cannotStart(run.startError);
    if (run.readerGone)
        return kExitFailed;
    log.Finish();
    bool subtitlesTurnedDown = false;
    if (tracks.subtitles && run.exitCode != 0 && run.exitCode < kFirstExceptionCode && log.LastFrames().value_or(0) == 0
        && SubtitlesTurnedDown(log.Errors())) {
        // A subtitle track the container or its encoder cannot take must not
        // cost the clip: made again without subtitles, and said so.
        subtitlesTurnedDown = true;
        log = EngineLog();
        run = convert(log, true);
        if (!run.started)
            return cannotStart(run.startError);
        if (run.readerGone)
            return kExitFailed;
        log.Finish();
    }
    if (log.LastTime())
        progress.Reached(*log.LastTime());
    progress.Flush();
    if (progress.ReaderGone())
        return kExitFailed;

    if (SourceRefused(log.Errors())) {
        report.Line(NotAVideoFile(request.input));
        return kExitFailed;
    }
    const Verdict verdict = ClipVerdict(EngineOutcome{run.exitCode, log.Errors(), log.LastTime(), log.LastFrames(),
                                                      OutputDiskIsFull(Wide(request.output)),
                                                      FileHasContent(Wide(request.output))});
    if (verdict.exitCode != kExitDone) {
        report.Line(verdict.reason);
        return verdict.exitCode;
    }
    if (!EndEngineCopiedMovie(request, report))
        return kExitFailed;
    if (notExact && keyframe && keyframe->sourceStart)
        report.Line(KeyframeStartNotice(keyframe->soundFrom.value_or(keyframe->begin) - *keyframe->sourceStart,
                                        "the engine copies it, for " + engineCopies + ", from keyframes only"));
    if (subtitlesTurnedDown)
        report.Line(SubtitlesLeftOutText(log.SourceSubtitles(), "the clip's file type cannot hold them as they are"));
    else if (!tracks.subtitlesLeftOutBecause.empty() && log.SourceSubtitles() > 0)
        report.Line(SubtitlesLeftOutText(log.SourceSubtitles(), tracks.subtitlesLeftOutBecause));
    return kExitDone;
}

} // namespace

int main()
{
    // The libraries' own words would reach the main program's pipe; what
    // goes wrong reaches the user as the converter's reason instead.
    av_log_set_level(AV_LOG_QUIET);
    try {
        return Run();
    } catch (const std::exception& e) {
        Report().Line(std::string("The converter failed: ") + e.what());
        return kExitFailed;
    }
}
