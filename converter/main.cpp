// Korvane's converter front-end, shipped as wmaspi.dll: reads the command line
// the main program writes for one clip, runs the engine (kvengine.exe, beside
// it) with a command line that cuts cleanly and fast, and reports progress and
// the outcome in the form the main program reads.
//
// Exit codes (converter/Verdict.h): 0 the output file is complete; 1 the
// engine failed or wrote nothing; 2 the command line was not understood; 3 the
// engine could not be started. On any failure the last output line says why
// in a few words.
#include "converter/AviMpeg4Exact.h"
#include "converter/ClipRequest.h"
#include "converter/CopyClip.h"
#include "converter/EngineGuard.h"
#include "converter/EngineReport.h"
#include "converter/ExactCut.h"
#include "converter/LibAv.h"
#include "converter/KeyframeCut.h"
#include "converter/MovieEnd.h"
#include "converter/MovieFile.h"
#include "converter/ProgramStreamExact.h"
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

// The engine's listing of the video packets after a seek; empty when it could
// not make one (a source without video, a broken file: the cut itself then
// reports what is wrong). The engine's description of the source comes with it.
struct PacketListing {
    EngineRun run;
    PacketList list;
    std::string text;
};

PacketListing ListVideoPackets(const ClipRequest& request, double seek, double length, const EngineJob& job,
                               ProgressWriter& progress)
{
    // A listing of half a minute of video is a few dozen kilobytes.
    constexpr std::size_t kLongestListing = 4 << 20;
    PacketListing listing;
    listing.run = RunEngine(PacketListArguments(request, seek, length), job, progress,
                            [&listing](std::string_view bytes) {
                                if (listing.text.size() < kLongestListing)
                                    listing.text.append(bytes);
                            });
    // A source without video lists no packets but still its start.
    if (listing.run.started && !listing.run.readerGone)
        listing.list = ReadPacketList(listing.text);
    return listing;
}

// The front-end's own files beside the clip: gone when the clip is done, and
// any left by a clip of the same name that was stopped before it could
// remove them goes first.
class OwnFiles {
public:
    OwnFiles() = default;
    OwnFiles(const OwnFiles&) = delete;
    OwnFiles& operator=(const OwnFiles&) = delete;
    ~OwnFiles()
    {
        for (const std::wstring& path : paths_)
            DeleteFileW(path.c_str());
    }
    std::string Add(const std::string& path)
    {
        paths_.push_back(Wide(path));
        DeleteFileW(paths_.back().c_str());
        return path;
    }

private:
    std::vector<std::wstring> paths_;
};

bool WriteWholeFile(const std::string& path, std::string_view text)
{
    Handle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

// Writes `path` as `joinStart` makes the start of the stream in `tailPath`,
// then the rest of that stream as it is, a piece at a time: a DVD chapter's
// tail runs to gigabytes, and only its first pictures change. The start read
// holds a keyframe and the pictures that follow it at any disc's rate.
bool WriteJoinedStream(const std::string& path, const std::string& tailPath,
                       const std::function<std::string(std::string_view start)>& joinStart)
{
    constexpr DWORD kStartBytes = 2 << 20;
    constexpr DWORD kPieceBytes = 1 << 20;
    Handle in(CreateFileW(Wide(tailPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    Handle out(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!in || !out)
        return false;
    auto write = [&out](const char* data, DWORD bytes) {
        DWORD written = 0;
        return bytes == 0 || (WriteFile(out.Get(), data, bytes, &written, nullptr) && written == bytes);
    };
    std::string piece(kStartBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(in.Get(), piece.data(), kStartBytes, &got, nullptr))
        return false;
    piece.resize(got);
    const std::string start = joinStart(piece);
    if (!write(start.data(), static_cast<DWORD>(start.size())))
        return false;
    piece.resize(kPieceBytes);
    for (;;) {
        if (!ReadFile(in.Get(), piece.data(), kPieceBytes, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!write(piece.data(), got))
            return false;
    }
}

// The source begins as the engine's list of files to join would: it is never
// read as one.
bool LooksLikeJoinList(const std::string& path)
{
    Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char head[8] = {};
    DWORD got = 0;
    return file && ReadFile(file.Get(), head, sizeof head, &got, nullptr) && got == sizeof head
        && std::string_view(head, sizeof head) == "ffconcat";
}

std::string CompleteJoinedMovie(const std::string& output, const std::vector<std::string>& parameterSets)
{
    return RewriteMovieBox(output, [&](const std::string& moov, std::optional<std::string>& changed) {
        changed = AddParameterSets(moov, parameterSets);
        return changed ? std::string() : std::string("its index holds no H.264 track");
    });
}

// An exact start ready to be joined, or why not.
struct ExactPreparation {
    enum class Outcome { KeyframeCut, Ready, Stop } outcome = Outcome::KeyframeCut;
    int exitCode = kExitDone;  // with Stop
    DWORD startError = 0;      // with kExitNoEngine
    ExactSpan span;
    double sourceStart = 0;
    std::string listPath;
    std::vector<std::string> parameterSets;  // the source's, for the clip's configuration
    int rotation = 0;                        // the source's pictures' turn when shown
    // An AVI source's first listing, when it was made and the clip is not
    // ready: the MPEG-4 preparation reads the same one.
    std::optional<std::string> aviListing;
};

// How far back and ahead of the start an AVI source is listed: keyframes of
// MPEG-4 video in AVI lie at most a few seconds apart, and a listing without
// one before the start keeps the keyframe cut.
struct ListingWindow {
    double seek = 0;
    double length = 0;
};
ListingWindow AviListingWindow(const ClipRequest& request)
{
    constexpr double kLookBack = 30;
    constexpr double kLookAhead = 60;
    ListingWindow window;
    window.seek = std::max(request.start - kLookBack, 0.0);
    window.length = request.start - window.seek + std::min(request.duration.value_or(kLookAhead), kLookAhead) + 1;
    return window;
}

// Lists the packets from the start, reads the source's facts, and encodes the
// head. A source the recipes do not cover, or a start on a keyframe, keeps
// the keyframe cut; a head that cannot be made fails the clip.
ExactPreparation PrepareExactStart(const ClipRequest& request, const EngineJob& job, ProgressWriter& progress,
                                   Report& report, OwnFiles& ownFiles)
{
    ExactPreparation prep;
    auto stop = [&prep](int code) {
        prep.outcome = ExactPreparation::Outcome::Stop;
        prep.exitCode = code;
        return prep;
    };
    // An engine that did not start, or whose reader has gone.
    auto ended = [&](const EngineRun& run) {
        prep.startError = run.startError;
        return stop(run.started ? kExitFailed : kExitNoEngine);
    };
    const Container container = ContainerOf(request.input);
    if (container != ContainerOf(request.output) || !HasHeadRecipes(container) || LooksLikeJoinList(request.input))
        return prep;
    const double remaining = request.duration.value_or(kLongestDuration);
    // Most sources put keyframes at most 10 s apart: most clips find the
    // next one within the first look; the others list the whole clip.
    constexpr double kFirstLook = 12;
    std::optional<ExactSpan> span;
    std::optional<VideoFacts> facts;
    // An AVI source is first listed as far as its MPEG-4 video needs: one
    // listing then serves whichever codec it holds.
    const bool avi = container == Container::Avi;
    const ListingWindow looks[] = {avi ? AviListingWindow(request)
                                      : ListingWindow{request.start, std::min(remaining, kFirstLook) + 1},
                                   ListingWindow{request.start, remaining + 1}};
    for (const ListingWindow& window : looks) {
        const PacketListing listing = ListVideoPackets(request, window.seek, window.length, job, progress);
        if (!listing.run.started || listing.run.readerGone)
            return ended(listing.run);
        if (avi && &window == &looks[0] && listing.run.exitCode == 0)
            prep.aviListing = listing.text;
        facts = ReadVideoFacts(listing.text);
        // The head replaces the first picture stream only: a source with
        // more keeps the keyframe cut, which copies them all.
        if (!facts || facts->index != 0 || facts->pictureStreams != 1 || !HasHeadRecipe(facts->codec, container)
            || !listing.list.sourceStart)
            return prep;
        prep.sourceStart = *listing.list.sourceStart;
        const std::optional<double> end = request.duration
            ? std::optional<double>(prep.sourceStart + request.start + *request.duration)
            : std::nullopt;
        const SpanResult found =
            FindExactSpan(listing.list, request.start, end, window.seek + window.length > request.start + remaining);
        if (found.complete) {
            span = found.span;
            break;
        }
    }
    if (!span || span->startsOnKeyframe)
        return prep;
    ExactSource source{container, *facts, *span, std::nullopt};
    if (facts->codec == "h264") {
        std::string annexB;
        constexpr std::size_t kEnough = 1 << 16;  // parameter sets come first
        const EngineRun run = RunEngine(
            H264ParameterArguments(request, span->keyframe.value_or(span->firstPicture), prep.sourceStart), job,
            progress, [&annexB](std::string_view bytes) {
                if (annexB.size() < kEnough)
                    annexB.append(bytes);
            });
        if (!run.started || run.readerGone)
            return ended(run);
        source.h264 = ReadH264Parameters(annexB);
    }
    const std::optional<std::vector<std::string>> encoder = HeadEncoderOptions(source);
    if (!encoder)
        return prep;

    const std::string headPath = ownFiles.Add(HeadPath(request.output));
    EngineLog log;
    const EngineRun run = RunEngine(HeadArguments(request, *span, prep.sourceStart, *encoder, headPath), job,
                                    progress, [&](std::string_view bytes) {
                                        for (const EngineLog::Line& line : log.Feed(bytes))
                                            if (line.progress && log.LastTime())
                                                progress.Reached(*log.LastTime());
                                    });
    if (!run.started || run.readerGone)
        return ended(run);
    log.Finish();
    const Verdict verdict = ClipVerdict(EngineOutcome{run.exitCode, log.Errors(), log.LastTime(), log.LastFrames(),
                                                      OutputDiskIsFull(Wide(headPath)),
                                                      FileHasContent(Wide(headPath))});
    if (verdict.exitCode != kExitDone) {
        report.Line("The pictures before the first keyframe could not be encoded: " + verdict.reason);
        return stop(verdict.exitCode);
    }
    prep.listPath = ownFiles.Add(JoinListPath(request.output));
    if (!WriteWholeFile(prep.listPath, JoinListText(headPath, request, *span))) {
        report.Line("The converter could not write its list of pieces beside the clip (error "
                    + std::to_string(GetLastError()) + ").");
        return stop(kExitFailed);
    }
    prep.span = *span;
    prep.rotation = facts->rotation;
    if (source.h264 && container == Container::Mov)
        prep.parameterSets = source.h264->parameterSets;
    prep.outcome = ExactPreparation::Outcome::Ready;
    return prep;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1LL << 30))
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)
                           || got != bytes.size()))
        return std::nullopt;
    return bytes;
}

// An engine run whose standard output is wanted, up to a bound.
struct CollectedRun {
    EngineRun run;
    std::string text;
    bool ok() const { return run.started && !run.readerGone && run.exitCode == 0; }
};

CollectedRun Collect(const std::vector<std::string>& arguments, const EngineJob& job, ProgressWriter& progress)
{
    constexpr std::size_t kLongest = 8 << 20;
    CollectedRun collected;
    collected.run = RunEngine(arguments, job, progress, [&collected](std::string_view bytes) {
        if (collected.text.size() < kLongest)
            collected.text.append(bytes);
    });
    return collected;
}

// Every sound track copied raw from its first whole frame at `from` up to
// `to`, into files of the front-end's own, with where each begins: none when
// the sound is left out, nothing at all when a step failed.
struct RawSounds {
    std::vector<std::string> paths;
    std::vector<double> starts;
};

std::optional<RawSounds> CopyRawSounds(const ClipRequest& request, const ProgramStreamFacts& facts, double from,
                                       double to, const EngineJob& job, ProgressWriter& progress, OwnFiles& files)
{
    RawSounds sounds;
    if (request.noAudio || facts.audioCodecs.empty())
        return sounds;
    for (std::size_t k = 0; k < facts.audioCodecs.size(); ++k)
        sounds.paths.push_back(files.Add(OwnSoundPath(request.output, k)));
    const CollectedRun run = Collect(ProgramSoundArguments(request, facts, from, to, sounds.paths), job, progress);
    if (!run.ok())
        return std::nullopt;
    for (const std::optional<double>& start : ReadSoundStarts(run.text, sounds.paths.size())) {
        if (!start)
            return std::nullopt;
        sounds.starts.push_back(*start);
    }
    return sounds;
}

// The engine's arguments that join an exact start of an MPEG-1 or MPEG-2
// program stream into the clip, once its head, tail and sound are made
// (ProgramStreamExact.h). Nothing when this source cannot be cut exactly, or
// a step failed: the keyframe cut is made instead; nothing either when the
// start is a keyframe, whose copy needs no head: the cut then moves to it.
std::optional<std::vector<std::string>> PrepareProgramStreamExact(const ClipRequest& request,
                                                                  CutAfterSeek& keyframeCut,
                                                                  const EngineJob& job, ProgressWriter& progress,
                                                                  OwnFiles& files)
{
    // The listing reaches the clip's end, or far enough past the start for
    // the longest groups of pictures.
    constexpr double kLongestGroup = 60;
    const double end = request.duration ? request.start + *request.duration : kLongestDuration;
    const double seek = keyframeCut.seek;
    const CollectedRun listing = Collect(
        PacketListArguments(request, seek, std::min(end, request.start + kLongestGroup) - seek + 1), job, progress);
    if (!listing.ok())
        return std::nullopt;
    const std::optional<ProgramStreamFacts> facts = ReadProgramStreamFacts(listing.text);
    if (!facts || !CanCutProgramStreamExactly(*facts))
        return std::nullopt;
    const PacketList list = ReadPacketList(listing.text);
    const std::optional<double> frame = FrameDuration(*facts);
    const std::optional<ProgramSpan> span = frame ? FindProgramSpan(list, request.start, end, *frame) : std::nullopt;
    if (!span)
        return std::nullopt;
    if (span->headPictures == 0) {
        keyframeCut = CutAtSpanKeyframe(*span, seek, *list.sourceStart);
        return std::nullopt;
    }
    const double endAt = *list.sourceStart + std::min(end, kLongestDuration);

    const std::string head = files.Add(OwnFilePath(request.output, OwnFile::HeadStream));
    if (!Collect(ProgramHeadArguments(request, *facts, *span, seek, head), job, progress).ok())
        return std::nullopt;
    const std::optional<std::string> headBytes = ReadWholeFile(head);
    if (!headBytes || headBytes->empty())
        return std::nullopt;
    const std::string joined = files.Add(OwnFilePath(request.output, OwnFile::JoinedVideo));
    if (span->keyframeDts) {
        const std::string tail = files.Add(OwnFilePath(request.output, OwnFile::TailStream));
        if (!Collect(ProgramTailArguments(request, *facts, *span, seek, endAt, tail), job, progress).ok()
            || !WriteJoinedStream(joined, tail, [&](std::string_view start) {
                   return JoinProgramVideo(*headBytes, start);
               }))
            return std::nullopt;
    } else if (!WriteWholeFile(joined, JoinProgramVideo(*headBytes, {}))) {
        return std::nullopt;
    }
    const CollectedRun delayListing = Collect(VideoDelayArguments(*facts, joined), job, progress);
    const std::optional<double> delay = delayListing.ok() ? ReadVideoDelay(delayListing.text) : std::nullopt;
    if (!delay)
        return std::nullopt;

    const std::optional<RawSounds> sound =
        CopyRawSounds(request, *facts, *list.sourceStart + request.start, endAt, job, progress, files);
    if (!sound)
        return std::nullopt;
    return ProgramJoinArguments(request, *facts, joined, span->firstPicture, *delay, sound->paths, sound->starts);
}

// The engine's arguments that join an exact start of MPEG-4 video in an AVI
// file into the clip, once its head, tail and sound are made
// (AviMpeg4Exact.h). Nothing when this source cannot be cut exactly, the
// start is a keyframe, or a step failed: the keyframe cut is made instead.
std::optional<std::vector<std::string>> PrepareAviMpeg4Exact(const ClipRequest& request,
                                                             const std::optional<std::string>& listed,
                                                             const EngineJob& job, ProgressWriter& progress,
                                                             OwnFiles& files)
{
    CollectedRun listing;
    if (listed) {
        listing.text = *listed;
    } else {
        const ListingWindow window = AviListingWindow(request);
        listing = Collect(PacketListArguments(request, window.seek, window.length), job, progress);
        if (!listing.ok())
            return std::nullopt;
    }
    const std::optional<ProgramStreamFacts> facts = ReadProgramStreamFacts(listing.text);
    if (!facts || !CanCutAviExactly(*facts))
        return std::nullopt;
    const std::string tag = ReadVideoTag(listing.text);
    const std::optional<double> frame = FrameDuration(*facts);
    const std::optional<AviSpan> span =
        frame ? FindAviSpan(ReadPacketList(listing.text), request.start, request.duration, *frame) : std::nullopt;
    if (!span || span->headPictures == 0)
        return std::nullopt;

    const std::string head = files.Add(OwnFilePath(request.output, OwnFile::HeadAvi));
    const CollectedRun headRun = Collect(AviHeadArguments(request, *facts, tag, *span, *frame, head), job, progress);
    if (!headRun.ok() || headRun.text.find("packed B-frames") != std::string::npos || !FileHasContent(Wide(head)))
        return std::nullopt;
    std::optional<std::string> tail;
    if (span->keyframeDts) {
        const CollectedRun header = Collect(AviHeaderArguments(request, *span), job, progress);
        const std::string stream = files.Add(OwnFilePath(request.output, OwnFile::TailMpeg4));
        if (!header.ok() || !Collect(AviTailArguments(request, *span, stream), job, progress).ok())
            return std::nullopt;
        const std::string prepared = files.Add(OwnFilePath(request.output, OwnFile::TailStream));
        if (!WriteJoinedStream(prepared, stream, [&](std::string_view start) {
                return PrepareMpeg4Tail(Mpeg4Header(header.text), start);
            }))
            return std::nullopt;
        tail = files.Add(OwnFilePath(request.output, OwnFile::TailAvi));
        if (!Collect(AviTailFileArguments(*facts, tag, *span, prepared, *tail), job, progress).ok())
            return std::nullopt;
    }
    const std::string list = files.Add(JoinListPath(request.output));
    if (!WriteWholeFile(list, AviJoinList(head, tail)))
        return std::nullopt;

    const double end = request.duration ? request.start + *request.duration : kLongestDuration;
    const std::optional<RawSounds> sound = CopyRawSounds(request, *facts, request.start, end, job, progress, files);
    if (!sound)
        return std::nullopt;
    return AviJoinArguments(request, *facts, list, sound->paths, sound->starts);
}

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
// needs the engine: the engine copies the clip then.
std::optional<int> CopyHere(const ClipRequest& request, const CopyOptions& options, ProgressWriter& progress,
                            Report& report)
{
    progress.Begin();
    const CopyResult copy = CopyClip(request, options, [&progress](double seconds) {
        progress.Reached(seconds);
        progress.Tick();
        return !progress.ReaderGone();
    });
    switch (copy.outcome) {
    case CopyResult::Outcome::NeedsEngine:
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
    // honours and the exact starts of MPEG pictures, which its recipes make.
    if (const CopyOptionsResult copy = ReadCopyOptions(request); copy.options)
        if (const std::optional<int> exitCode = CopyHere(request, *copy.options, progress, report))
            return *exitCode;

    OwnFiles ownFiles;
    ExactPreparation exact;
    if (request.exactStart && request.videoCopied && !request.noVideo && request.start > 0) {
        exact = PrepareExactStart(request, job, progress, report, ownFiles);
        if (exact.outcome == ExactPreparation::Outcome::Stop) {
            if (exact.exitCode == kExitNoEngine)
                return cannotStart(exact.startError);
            return exact.exitCode;
        }
    }
    const bool joined = exact.outcome == ExactPreparation::Outcome::Ready;

    std::optional<CutAfterSeek> cut;
    const CutKind cutKind = joined ? CutKind::None : CutNeeded(request);
    if (cutKind == CutKind::AtKeyframe || cutKind == CutKind::Exact) {
        for (std::size_t i = 0; i < std::size(kKeyframeLeads) && !cut; ++i) {
            const double seek = std::max(request.start - kKeyframeLeads[i], 0.0);
            const PacketListing listing = ListVideoPackets(request, seek, request.start - seek + 1, job, progress);
            if (!listing.run.started)
                return cannotStart(listing.run.startError);
            if (listing.run.readerGone)
                return kExitFailed;
            const bool lastTry = i + 1 == std::size(kKeyframeLeads) || seek == 0;
            cut = CutAtKeyframe(listing.list, request.start, seek, lastTry);
            if (lastTry)
                break;
        }
        if (cut && cutKind == CutKind::Exact)
            cut = ExactCut(*cut, request.start);
    } else if (cutKind == CutKind::AtStart) {
        cut = CutAtStart(request.start);
    }
    std::optional<std::vector<std::string>> exactJoin;
    if (cut && cutKind == CutKind::AtKeyframe && request.exactStart)
        exactJoin = PrepareProgramStreamExact(request, *cut, job, progress, ownFiles);
    if (!joined && request.exactStart && request.videoCopied && !request.noVideo && request.start > 0
        && ContainerOf(request.input) == Container::Avi && ContainerOf(request.output) == Container::Avi)
        exactJoin = PrepareAviMpeg4Exact(request, exact.aviListing, job, progress, ownFiles);
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
    auto convert = [&](EngineLog& log, bool leaveOutSubtitles) {
        std::vector<std::string> arguments = joined
            ? JoinArguments(request, exact.span, exact.sourceStart, exact.rotation, exact.listPath,
                            leaveOutSubtitles)
            : exactJoin ? *exactJoin : EngineArguments(request, cut, leaveOutSubtitles);
        if (timecode)
            arguments.insert(arguments.end() - 1, {"-timecode", *timecode});
        return RunEngine(arguments, job, progress, [&](std::string_view bytes) {
            for (const EngineLog::Line& line : log.Feed(bytes))
                if (line.progress && log.LastTime())
                    progress.Reached(*log.LastTime());
        });
    };
    const TrackPlan tracks = PlanTracks(request);
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
    if (joined && !exact.parameterSets.empty()) {
        const std::string why = CompleteJoinedMovie(request.output, exact.parameterSets);
        if (!why.empty()) {
            report.Line("The clip's pictures from the first keyframe on could not be described in it: " + why + ".");
            return kExitFailed;
        }
    }
    if (!EndEngineCopiedMovie(request, report))
        return kExitFailed;
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
