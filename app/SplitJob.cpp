#include "app/SplitJob.h"

#include "app/FileNames.h"
#include "app/FileNamesWin.h"
#include "app/TimeTextLocale.h"
#include "converter/ClipLines.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "profiles/ProfileCatalogue.h"
#include "split/CommandLineLocale.h"
#include "split/EngineReport.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <fstream>
#include <sstream>
#include <utility>

namespace korvane {
namespace {

constexpr char kSourceProfile[] = "Settings of the source file.";

} // namespace

// What the plan reads of the source, asked of the engine while the window
// is served.
class SplitJob::Reader final : public ISourceReader {
public:
    Reader(SplitJob& job, const std::string& source) : job_(job), source_(source) {}

    bool ListPackets(double rangeStart, double rangeLength, std::optional<SourcePackets>& packets) override
    {
        job_.c_.processing.SetCaption(ClipProcessingText(SplitMode::OneClip, source_, 1));
        bool cancelled = false;
        packets = job_.ListSourcePackets(source_, rangeStart, rangeLength, cancelled);
        return !cancelled;
    }
    bool ReadFrameRate(std::optional<double>& rate) override { return job_.ReadFrameRate(source_, rate); }
    std::optional<double> BytesPerSecond() override
    {
        const std::optional<FileStamp> stamp = FileStampOf(source_);
        const double seconds = job_.preview_.SourceSeconds();
        if (!stamp || !(seconds > 0))
            return std::nullopt;
        return static_cast<double>(stamp->size) / seconds;
    }

private:
    SplitJob& job_;
    const std::string& source_;
};

SplitJob::SplitJob(const Korvane& korvane, const Controls& controls, TJobState& state, IJobWindow& window,
                   PreviewPane& preview, const SplitModes& modes)
    : korvane_(korvane), c_(controls), state_(state), window_(window), preview_(preview), modes_(modes),
      progress_(UserDecimalSeparator())
{
}

void SplitJob::Run(const std::string& profileArguments)
{
    const std::optional<Order> order = Check();
    if (!order)
        return;

    window_.EnterBusyState();
    state_ = jsRunning;
    const std::string outputFolder = WithTrailingBackslash(c_.outputDir.Text());
    std::string arguments = profileArguments;
    std::string extension = korvane_.OutputExtension;
    if (!Prepare(order->source, arguments, extension))
        return window_.LeaveBusyState();
    Reader reader(*this, order->source);
    std::optional<JobClips> clips =
        PlanClips(order->values, order->rangeStart, order->rangeLength, arguments, reader);
    if (!clips)
        return window_.LeaveBusyState();
    MakeClips(*order, *clips, outputFolder, arguments, extension);
}

// --- the checks --------------------------------------------------------------------------------

std::optional<SplitJob::Order> SplitJob::Check()
{
    Order order;
    order.source = c_.source.Text();
    if (!IsValidSourceFile(order.source)) {
        Refuse({"Invalid File", "Please specify a valid input video file.", &c_.source});
        return std::nullopt;
    }

    const JobRefusal badStart{"Invalid Start Time", "Please varify the Start Time you selected.", nullptr};
    const double rangeStart = TimeTextToSeconds(c_.start.Text());
    if (rangeStart == -1) {
        Refuse(badStart);
        return std::nullopt;
    }
    // A negative start reads as a time, but no clip can begin before the source.
    if (!(rangeStart >= 0)) {
        Refuse({badStart.caption, badStart.text, &c_.start});
        return std::nullopt;
    }
    // A length the engine is still reading is waited for.
    if (preview_.ReadingLength() && !AwaitSourceLength())
        return std::nullopt;
    if (!(preview_.SourceSeconds() > rangeStart)) {
        Refuse(badStart);
        return std::nullopt;
    }

    const double rangeEnd = TimeTextToSeconds(c_.end.Text());
    if (rangeEnd == -1 || !(rangeEnd > 0)) {
        Refuse({"Invalid End Time", "Please varify the End Time you selected.", nullptr});
        return std::nullopt;
    }
    const double rangeLength = rangeEnd - rangeStart;
    if (!(rangeLength > 0)) {
        Refuse({"Invalid Time", "The End Time should be later than the Start Time.", nullptr});
        return std::nullopt;
    }
    order.rangeStart = rangeStart;
    order.rangeLength = rangeLength;

    const std::variant<ModeValues, JobRefusal> mode = modes_.Chosen();
    if (const JobRefusal* refusal = std::get_if<JobRefusal>(&mode)) {
        Refuse(*refusal);
        return std::nullopt;
    }
    order.values = std::get<ModeValues>(mode);

    if (!FileExists(ProfilePath(korvane_.ProgramDir, c_.profile.Text()))) {
        Refuse({"Invalid Output Path", "Please select a valid output profile.", &c_.profile});
        return std::nullopt;
    }
    if (!DirectoryExists(c_.outputDir.Text())) {
        Refuse({"Invalid Output Path", "Please specify a valid output path.", &c_.outputDir});
        return std::nullopt;
    }
    // Sources and outputs may lie as deep as the file system allows, but the
    // system starts no program from a folder deeper than that.
    if (!CanStartProgramAt(korvane_.ConverterPath)) {
        ui::ShowMessageBox(korvane_.ProductName + " cannot start its converter: the path of its folder is longer than "
                               "the system allows for a program (259 characters). Please move " + korvane_.ProductName
                               + " to a folder with a shorter path.",
                           ui::App().Title(), MB_OK | MB_ICONINFORMATION);
        return std::nullopt;
    }
    return order;
}

void SplitJob::Refuse(const JobRefusal& refusal)
{
    ui::ShowMessageBox(refusal.text, refusal.caption, MB_OK | MB_ICONINFORMATION);
    if (refusal.focus && refusal.focus->CanFocus())
        refusal.focus->SetFocus();
}

bool SplitJob::IsSourceProfile() const
{
    return c_.profile.Text() == kSourceProfile;
}

bool SplitJob::AwaitSourceLength()
{
    // The window shows the job as busy, so that the user can cancel it or
    // close the window, and cannot start it twice or load another source.
    window_.EnterBusyState();
    state_ = jsRunning;
    ShowReading();
    const SourceProbe::Wait wait =
        preview_.AwaitLength([this] { PumpMessages(); }, [this] { return CancelRequested(); });
    window_.LeaveBusyState();
    return wait == SourceProbe::Wait::Ended;
}

// --- the engine's readings -----------------------------------------------------------------------

void SplitJob::ShowReading()
{
    c_.processing.SetCaption("Reading: " + ExtractFileName(c_.source.Text()));
}

SourceProbe::Wait SplitJob::AwaitEngine(SourceProbe& probe)
{
    ShowReading();
    return probe.Await(korvane_.EngineAnswerMs, [this] { PumpMessages(); }, [this] { return CancelRequested(); });
}

bool SplitJob::Prepare(const std::string& source, std::string& arguments, std::string& extension)
{
    // The source's own settings: the streams are copied as they are, into a
    // clip of the source's own type.
    if (IsSourceProfile()) {
        arguments += " -c copy";
        if (!ExtractFileExt(ExtractFileName(source)).empty())
            extension = ExtractFileExt(ExtractFileName(source));
    }
    if (LeavesDvdStandardToSource(arguments)) {
        // PAL or NTSC by the source's rate, which the engine reads.
        std::optional<double> rate;
        if (!ReadFrameRate(source, rate))
            return false;
        arguments = WithDvdStandard(arguments, rate);
    }
    return true;
}

bool SplitJob::ReadFrameRate(const std::string& source, std::optional<double>& rate)
{
    SourceProbe rateProbe;
    if (!CanStartProgramAt(korvane_.EnginePath) || !rateProbe.Start(korvane_.EnginePath, PathForOtherPrograms(source)))
        return true;
    switch (AwaitEngine(rateProbe)) {
    case SourceProbe::Wait::Ended:
        rate = rateProbe.FrameRate();
        return true;
    case SourceProbe::Wait::Cancelled:
        return false;
    case SourceProbe::Wait::Overdue:
        ReportSilentEngine(korvane_, "frame rate", source);
        return false;
    }
    return false;
}

std::optional<SourcePackets> SplitJob::ListSourcePackets(const std::string& source, double rangeStart,
                                                         double rangeLength, bool& cancelled)
{
    cancelled = false;
    char folder[MAX_PATH + 1] = {};
    char listing[MAX_PATH + 1] = {};
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "kvp", 0, listing))
        return std::nullopt;
    struct Remove {
        const char* path;
        ~Remove() { DeleteFileA(path); }
    } remove{listing};
    if (!CanStartProgramAt(korvane_.EnginePath))
        return std::nullopt;
    SourceProbe engine;
    // A little past the range, so that a keyframe at its very end is seen.
    if (!engine.StartPacketListing(korvane_.EnginePath, PathForOtherPrograms(source), listing, rangeStart,
                                   rangeLength + 1))
        return std::nullopt;
    // The window stays with the user, and Cancel works, while the engine reads.
    while (!engine.Poll()) {
        PumpMessages();
        if (CancelRequested()) {
            engine.Stop();
            cancelled = true;
            return std::nullopt;
        }
        Sleep(20);
    }
    std::ifstream file(listing, std::ios::binary);
    std::ostringstream text;
    text << engine.Output() << '\n' << file.rdbuf();
    SourcePackets packets = ReadSourcePackets(text.str());
    if (packets.keyframes.empty())
        return std::nullopt;
    return packets;
}

// --- the clips ---------------------------------------------------------------------------------

void SplitJob::MakeClips(const Order& order, JobClips& clips, const std::string& outputFolder,
                         const std::string& arguments, const std::string& extension)
{
    const SplitMode mode = order.values.mode;
    TSettingForm* settings = korvane_.SettingForm;
    std::vector<FailedClip> failed;
    std::vector<ShortClip> shortClips;
    std::vector<std::string> notices;
    // A piece made again, shorter, replaces the one just made without a question.
    bool again = false;
    for (std::int32_t number = 1;; ++number) {
        const std::optional<ClipSpan> next = clips.Clip(number);
        if (!next)
            break;
        const ClipSpan span = *next;
        const std::string output = ClipOutputPath(outputFolder, order.source, number, extension);
        const std::optional<FileStamp> before = FileStampOf(output);
        const bool redo = std::exchange(again, false);
        if (before && !redo && !(settings && settings->chkOverwrite.Checked())) {
            const int answer = ui::ShowMessageBox("The output file is existent. Overwrite it?", "Overwrite",
                                                  MB_YESNO | MB_ICONQUESTION);
            if (answer != IDYES) {
                if (mode != SplitMode::OneClip)
                    continue;
                window_.LeaveBusyState();
                return;
            }
        }

        clip_ = ClipSlot{number, clips.ExpectedCount(), span.duration};
        c_.processing.SetCaption(ClipProcessingText(mode, order.source, number));
        // The converter and its engine take long paths in their extended form.
        const std::string commandLine =
            BuildConverterCommandLine(PathForOtherPrograms(order.source), span.start, span.duration, arguments,
                                      PathForOtherPrograms(output), order.values.Pieces());

        outputTail_.Clear();
        const ClipRunResult result = RunConverterClip(converter_, korvane_.ConverterPath, commandLine, *this);
        if (result == ClipRunResult::PipeFailed || result == ClipRunResult::StartFailed) {
            ShowReinstallError();
            window_.LeaveBusyState();
            return;
        }
        if (result == ClipRunResult::Cancelled) {
            // A converter stopped mid-clip cannot remove the subtitles it
            // wrote beside an encoded clip.
            for (bool movText : {false, true})
                RemoveFile(frontend::ClipLinesPath(output, movText));
            window_.LeaveBusyState();
            return;
        }
        const double reached = progress_.Reached();
        ShowProgress(progress_.EndClip());
        // A converter that ended is not yet a clip made: it says by its exit
        // code, and the file must be there with something in it.
        if (auto failure = ClipFailure(converter_.ExitCode(), FileHasContent(output), outputTail_.LastLine())) {
            failed.push_back(FailedClip{number, std::move(*failure)});
            // What the converter left would pass for a clip. A file it did
            // not touch (one it could not even open) is still the user's.
            const std::optional<FileStamp> after = FileStampOf(output);
            if (after && after != before)
                RemoveFile(output);
            continue;
        }
        if (auto length = ShortClipLength(span.start, span.duration, preview_.SourceSeconds(), reached))
            shortClips.push_back(ShortClip{number, *length});
        if (clips.Measured())
            if (const std::optional<FileStamp> made = FileStampOf(output))
                if (clips.Made(static_cast<double>(made->size))) {
                    again = true;
                    --number;
                }
        for (const std::string& line : outputTail_.Lines())
            if (auto notice = ClipNotice(line, number))
                notices.push_back(std::move(*notice));
    }
    if (!failed.empty())
        return ReportFailedClips(clips.ExpectedCount(), failed);
    CompleteJob(shortClips, notices);
}

void SplitJob::PumpMessages()
{
    ui::App().ProcessMessages();
}

bool SplitJob::CancelRequested()
{
    return state_ == jsCancelRequested;
}

void SplitJob::OnOutput(std::string_view bytes)
{
    outputTail_.Feed(bytes);
    ShowProgress(progress_.OnOutput(bytes, clip_));
}

// --- progress and the job's end ------------------------------------------------------------------

void SplitJob::ResetProgress()
{
    clock_.Start();
    progress_.Start();
    ShowProgress(ProgressBars{});
    c_.elapsed.SetCaption("");
    c_.remaining.SetCaption("");
}

void SplitJob::Tick()
{
    const JobTimeTexts texts = clock_.Tick(c_.total.Position());
    c_.elapsed.SetCaption(texts.elapsed);
    c_.remaining.SetCaption(texts.remaining);
}

void SplitJob::ShowProgress(const ProgressBars& bars)
{
    c_.current.SetPosition(bars.current);
    c_.total.SetPosition(bars.total);
    c_.currentPercent.SetCaption(PercentText(bars.current));
    c_.totalPercent.SetCaption(PercentText(bars.total));
}

void SplitJob::ShowReinstallError()
{
    ui::ShowMessageBox("Error. Please re-install " + korvane_.ProductName, ui::App().Title(), MB_OK);
}

void SplitJob::ReportFailedClips(std::int32_t clipCount, const std::vector<FailedClip>& failed)
{
    window_.StopJobTimers();
    ui::ShowMessageBox(FailedClipsMessage(clipCount, failed), ui::App().Title(), MB_OK | MB_ICONERROR);
    window_.LeaveBusyState();
}

void SplitJob::CompleteJob(const std::vector<ShortClip>& shortClips, const std::vector<std::string>& notices)
{
    window_.StopJobTimers();
    TSettingForm* settings = korvane_.SettingForm;
    TCountDownForm* countdown = korvane_.CountDownForm;
    if (settings && countdown && settings->chkTurnoff.Checked()) {
        state_ = jsIdle;
        countdown->Start(TCountDownForm::caPowerOff);
        return;
    }
    if (settings && countdown && settings->chkExit.Checked()) {
        state_ = jsIdle;
        countdown->Start(TCountDownForm::caExit);
        return;
    }
    ui::ShowMessageBox(CompletedMessage(shortClips, notices), "Completed", MB_OK | MB_ICONINFORMATION);
    if (settings && settings->chkOpenDir.Checked() && korvane_.ShellOpen)
        korvane_.ShellOpen(c_.owner.Handle(), c_.outputDir.Text());
    window_.LeaveBusyState();
}

} // namespace korvane
