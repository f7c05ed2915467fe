// Korvane's converter front-end, shipped as wmaspi.dll: reads the command line
// the main program writes for one clip, makes a copy itself in one pass
// (CopyClip.h) or runs the engine (kvengine.exe, beside it) with a command
// line that cuts cleanly and fast, and reports progress and the outcome in
// the form the main program reads.
//
// Exit codes (converter/Verdict.h): 0 the output file is complete; 1 the
// clip could not be made; 2 the command line was not understood; 3 the
// engine could not be started. On any failure the last output line says why
// in a few words.
#include "converter/ClipLines.h"
#include "converter/ClipRequest.h"
#include "converter/CopyClip.h"
#include "converter/EngineGuard.h"
#include "converter/EngineProcess.h"
#include "converter/EngineReport.h"
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
        if (opened.input)
            keyframe = FindKeyframeCut(*opened.input, FirstVideoStream(*opened.input), request.start, 1).cut;
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
