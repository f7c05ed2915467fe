#pragma once
// The split job, run inside the Start picture's click handler: the window's
// settings checked, the converter run clip after clip with the window served
// between reads of its output, and the job's end told: the completed
// message, the clips that failed, or the countdown to exit or power-off.
#include "app/JobClips.h"
#include "app/Korvane.h"
#include "app/PreviewPane.h"
#include "app/SplitModes.h"
#include "split/ClipOutcome.h"
#include "split/ConverterProcess.h"
#include "split/JobTiming.h"
#include "split/ProgressParser.h"
#include "split/SourceProbe.h"
#include "ui/Controls.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

enum TJobState : int { jsIdle = 0, jsRunning = 1, jsCancelRequested = 2 };

// What a job needs of the window it runs in.
class IJobWindow {
public:
    // The window's look while a job runs: the preview halted and locked,
    // Cancel and the progress panel shown, the job's timers running; and back
    // to idle, the job's state with it.
    virtual void EnterBusyState() = 0;
    virtual void LeaveBusyState() = 0;
    // The job's timers stop while its end is told; the busy look stays.
    virtual void StopJobTimers() = 0;

protected:
    ~IJobWindow() = default;
};

class SplitJob : private IReadLoopHost {
public:
    // The main window's controls the job reads its settings from and shows
    // its progress in.
    struct Controls {
        ui::WinControl& owner;      // the window the output folder is opened from
        ui::Edit& source;
        ui::Edit& start;
        ui::Edit& end;
        ui::ComboBox& profile;
        ui::Edit& outputDir;
        // The progress panel.
        ui::Label& processing;
        ui::ProgressBar& current;
        ui::Label& currentPercent;
        ui::ProgressBar& total;
        ui::Label& totalPercent;
        ui::Label& elapsed;
        ui::Label& remaining;
    };

    // `state` is the window's: Cancel and the close question set it.
    SplitJob(const Korvane& korvane, const Controls& controls, TJobState& state, IJobWindow& window,
             PreviewPane& preview, const SplitModes& modes);
    SplitJob(const SplitJob&) = delete;
    SplitJob& operator=(const SplitJob&) = delete;

    // Checks the settings and makes the clips, with the encoder arguments of
    // the profile chosen.
    void Run(const std::string& profileArguments);
    // The progress panel back at nothing and the clock at 0, as a job begins.
    void ResetProgress();
    // The clock's second: the elapsed and remaining time.
    void Tick();
    std::int32_t ElapsedSeconds() const { return clock_.ElapsedSeconds(); }

private:
    class Reader;
    // A job the checks let through.
    struct Order {
        std::string source;
        double rangeStart = 0;
        double rangeLength = 0;
        ModeValues values;
    };

    // IReadLoopHost: the job's read loop, once per turn.
    void PumpMessages() override;
    bool CancelRequested() override;
    void OnOutput(std::string_view bytes) override;

    // The settings read and checked; a refusal is said, and nothing is left.
    std::optional<Order> Check();
    void Refuse(const JobRefusal& refusal);
    bool IsSourceProfile() const;
    // The converter's arguments and the clips' extension for the profile;
    // false when the job must end.
    bool Prepare(const std::string& source, std::string& arguments, std::string& extension);
    void MakeClips(const Order& order, JobClips& clips, const std::string& outputFolder,
                   const std::string& arguments, const std::string& extension);
    // At Start, the length the engine is still reading: true once it is known.
    bool AwaitSourceLength();
    // The line over the progress bars while the engine reads the source.
    void ShowReading();
    // Waits for the engine's report on the source while the window is served;
    // Cancel and the close question end the wait.
    SourceProbe::Wait AwaitEngine(SourceProbe& probe);
    // The source's frame rate from the engine, unknown when the engine cannot
    // be asked; false when the user cancelled or the engine never answered
    // (said), and the job must end.
    bool ReadFrameRate(const std::string& source, std::optional<double>& rate);
    // The source's packets over the range, which the engine lists for a copy
    // cut at keyframes; nothing when it cannot, or when the job is cancelled
    // meanwhile (cancelled is then set).
    std::optional<SourcePackets> ListSourcePackets(const std::string& source, double rangeStart, double rangeLength,
                                                   bool& cancelled);
    void ShowProgress(const ProgressBars& bars);
    void ShowReinstallError();
    // The job's end when clips failed: one message naming them, then idle.
    void ReportFailedClips(std::int32_t clipCount, const std::vector<FailedClip>& failed);
    void CompleteJob(const std::vector<ShortClip>& shortClips, const std::vector<std::string>& notices);

    const Korvane& korvane_;
    Controls c_;
    TJobState& state_;
    IJobWindow& window_;
    PreviewPane& preview_;
    const SplitModes& modes_;
    ConverterProcess converter_;
    JobProgress progress_;
    JobClock clock_;
    ClipSlot clip_;
    OutputTail outputTail_;
};

} // namespace korvane
