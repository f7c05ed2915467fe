#pragma once
// The main window: the preview on the left, the job settings on the right,
// the toolbar across the top. The window holds the controls, lays them out
// and wires their events; each handler hands its work to the part of the
// window that does it: the preview, the range marks with their end pictures,
// the split modes, or the split job.
#include "app/EndPictures.h"
#include "app/Korvane.h"
#include "app/PreviewPane.h"
#include "app/RangeMarks.h"
#include "app/SplitJob.h"
#include "app/SplitModes.h"
#include "preview/DSTrackBar.h"
#include "preview/FilterGraph.h"
#include "preview/VideoWindow.h"
#include "skin/SkinBitmap.h"
#include "skin/SkinEngine.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

class TMainForm : public ui::Form, private IJobWindow {
public:
    explicit TMainForm(Korvane& korvane);

    Korvane& Program() { return korvane_; }

    // --- state ---------------------------------------------------------------------
    std::vector<std::string> SupportedExtensions;
    bool SourceLoaded = false;
    TJobState JobState = jsIdle;
    std::int32_t ElapsedSeconds() const { return job_.ElapsedSeconds(); }

    // --- operations other windows and tests use -----------------------------------------
    void LoadSource(const std::string& path);
    void RunSplitJob(const std::string& profileArguments);
    void EnterBusyState() override;
    void LeaveBusyState() override;
    // A typed start or end of the marked range, in seconds: clamped to the
    // source's duration, held as the seek bar's selection in whole seconds and
    // shown by the edit's normalised text, the label and the length line.
    void MarkRangeStart(double seconds);
    void MarkRangeEnd(double seconds);
    // The preview's keys (see DialogKey) as operations: frames back or on
    // (pausing first), a jump of some seconds, the source's start or end.
    void StepFrames(int frames);
    void JumpSeconds(double seconds);
    void JumpToEnd(bool end);
    bool ReadyToJump();
    // Where "Start Time" and "End time" mark: the preview's own position to
    // the millisecond (on the start of the frame shown), or the seek bar's
    // whole second when the bar was moved away from it.
    double CurrentMarkSeconds();
    // The source's length: the preview's, or the converter engine's when the
    // preview cannot show the source (0 while unknown).
    double SourceSeconds() const;
    bool PreviewAvailable() const { return preview_.Available(); }
    // The filter of the open dialog, as built at creation.
    const std::string& OpenFilter() const { return OpenDialog1.Filter; }

    // --- controls ------------------------------------------------------------------------
    // Toolbar.
    ui::Panel& panToolbar = MakeNamed<ui::Panel>("panToolbar");
    ui::Image& Image1 = MakeNamed<ui::Image>("Image1");
    ui::SpeedButton& sbtnOpen = MakeNamed<ui::SpeedButton>("sbtnOpen");
    ui::SpeedButton& sbtnSettings = MakeNamed<ui::SpeedButton>("sbtnSettings");
    ui::SpeedButton& sbtnAbout = MakeNamed<ui::SpeedButton>("sbtnAbout");
    ui::SpeedButton& sbtnHelp = MakeNamed<ui::SpeedButton>("sbtnHelp");

    // Preview.
    ui::Panel& panLeft = MakeNamed<ui::Panel>("panLeft");
    ui::Image& Image2 = MakeNamed<ui::Image>("Image2");
    TFilterGraph& FilterGraph = MakeNamed<TFilterGraph>("FilterGraph");
    TVideoWindow& VideoWindow = MakeNamed<TVideoWindow>("VideoWindow");
    ui::Panel& panbanner = MakeNamed<ui::Panel>("panbanner");
    ui::Image& imgBanner = MakeNamed<ui::Image>("imgBanner");
    ui::Label& labProgramName = MakeNamed<ui::Label>("labProgramName");
    ui::Label& labNoPreview = MakeNamed<ui::Label>("labNoPreview");
    ui::Label& labLeft = MakeNamed<ui::Label>("labLeft");
    ui::Label& labMiddle = MakeNamed<ui::Label>("labMiddle");
    ui::Label& labRight = MakeNamed<ui::Label>("labRight");
    TDSTrackBar& tkbProgress = MakeNamed<TDSTrackBar>("tkbProgress");
    ui::Label& labCurrent = MakeNamed<ui::Label>("labCurrent");
    ui::Label& labStart = MakeNamed<ui::Label>("labStart");
    ui::Label& labEnd = MakeNamed<ui::Label>("labEnd");
    ui::SpeedButton& sbtnPlayPreview = MakeNamed<ui::SpeedButton>("sbtnPlayPreview");
    ui::SpeedButton& sbtnPausePreview = MakeNamed<ui::SpeedButton>("sbtnPausePreview");
    ui::SpeedButton& sbtnStopPreview = MakeNamed<ui::SpeedButton>("sbtnStopPreview");
    ui::SpeedButton& sbtnSelStart = MakeNamed<ui::SpeedButton>("sbtnSelStart");
    ui::SpeedButton& sbtnSelEnd = MakeNamed<ui::SpeedButton>("sbtnSelEnd");
    ui::SpeedButton& sbtnErase = MakeNamed<ui::SpeedButton>("sbtnErase");

    // Job settings.
    ui::Panel& panRight = MakeNamed<ui::Panel>("panRight");
    ui::Image& Image4 = MakeNamed<ui::Image>("Image4");
    ui::Label& labSource = MakeNamed<ui::Label>("labSource");
    ui::Edit& edtSource = MakeNamed<ui::Edit>("edtSource");
    ui::RadioButton& rdbStartEnd = MakeNamed<ui::RadioButton>("rdbStartEnd");
    ui::Label& labStartTime = MakeNamed<ui::Label>("labStartTime");
    ui::Edit& edtStart = MakeNamed<ui::Edit>("edtStart");
    ui::Label& labEndTime = MakeNamed<ui::Label>("labEndTime");
    ui::Edit& edtEnd = MakeNamed<ui::Edit>("edtEnd");
    ui::RadioButton& rdbEqual = MakeNamed<ui::RadioButton>("rdbEqual");
    ui::Edit& edtSectionQty = MakeNamed<ui::Edit>("edtSectionQty");
    ui::Label& labSections = MakeNamed<ui::Label>("labSections");
    ui::RadioButton& rdbPieceLength = MakeNamed<ui::RadioButton>("rdbPieceLength");
    ui::Edit& edtPieceLength = MakeNamed<ui::Edit>("edtPieceLength");
    ui::Label& labPieceLength = MakeNamed<ui::Label>("labPieceLength");
    ui::RadioButton& rdbPieceSize = MakeNamed<ui::RadioButton>("rdbPieceSize");
    ui::Edit& edtPieceSize = MakeNamed<ui::Edit>("edtPieceSize");
    ui::Label& labPieceSize = MakeNamed<ui::Label>("labPieceSize");
    ui::Label& labLength = MakeNamed<ui::Label>("labLength");
    ui::Label& labProfile = MakeNamed<ui::Label>("labProfile");
    ui::ComboBox& cmbProfile = MakeNamed<ui::ComboBox>("cmbProfile");
    ui::BitBtn& BitBtn1 = MakeNamed<ui::BitBtn>("BitBtn1");
    ui::Label& labOutputPath = MakeNamed<ui::Label>("labOutputPath");
    ui::Edit& edtOutputDir = MakeNamed<ui::Edit>("edtOutputDir");
    ui::BitBtn& bbtnBrowse = MakeNamed<ui::BitBtn>("bbtnBrowse");
    ui::Image& imgStart = MakeNamed<ui::Image>("imgStart");
    ui::Image& imgCancel = MakeNamed<ui::Image>("imgCancel");
    // The frames the marked range begins and ends with, taken by the engine.
    ui::Image& imgFirstFrame = MakeNamed<ui::Image>("imgFirstFrame");
    ui::Image& imgLastFrame = MakeNamed<ui::Image>("imgLastFrame");

    // Progress panel, over the job settings while a job runs.
    ui::Panel& panProgress = MakeNamed<ui::Panel>("panProgress");
    ui::Image& Image3 = MakeNamed<ui::Image>("Image3");
    ui::Label& labProcessing = MakeNamed<ui::Label>("labProcessing");
    ui::Label& labCurrentCaption = MakeNamed<ui::Label>("labCurrentCaption");
    ui::ProgressBar& pgbCurrent = MakeNamed<ui::ProgressBar>("pgbCurrent");
    ui::Label& labCurProgress = MakeNamed<ui::Label>("labCurProgress");
    ui::Label& labTotalCaption = MakeNamed<ui::Label>("labTotalCaption");
    ui::ProgressBar& pgbTotal = MakeNamed<ui::ProgressBar>("pgbTotal");
    ui::Label& labTotalProgress = MakeNamed<ui::Label>("labTotalProgress");
    ui::Label& labElapsedCaption = MakeNamed<ui::Label>("labElapsedCaption");
    ui::Label& labElapsed = MakeNamed<ui::Label>("labElapsed");
    ui::Label& labRemainingCaption = MakeNamed<ui::Label>("labRemainingCaption");
    ui::Label& labRemaining = MakeNamed<ui::Label>("labRemaining");
    ui::CheckBox& chkPreview = MakeNamed<ui::CheckBox>("chkPreview");

    // Components without a window.
    ui::Timer& tmrProcess = MakeNamed<ui::Timer>("tmrProcess");
    ui::Timer& tmrPreview = MakeNamed<ui::Timer>("tmrPreview");
    // Collects the engine's report of a source the preview cannot show.
    ui::Timer& tmrProbe = MakeNamed<ui::Timer>("tmrProbe");
    // Collects the pictures of the range's ends.
    ui::Timer& tmrFrames = MakeNamed<ui::Timer>("tmrFrames");
    ui::OpenDialog& OpenDialog1 = MakeNamed<ui::OpenDialog>("OpenDialog1");
    ui::ImageList& iglStart = MakeNamed<ui::ImageList>("iglStart");
    // Made last, so that it finds every control of the window when it is loaded.
    TSkinEngine& SkinEngine1 = MakeNamed<TSkinEngine>("SkinEngine1");

    // --- event handlers ------------------------------------------------------------------
    void FormCreate(ui::Component& sender);
    void FormShow(ui::Component& sender);
    void FormCloseQuery(ui::Form& sender, bool& canClose);
    void FormClose(ui::Form& sender, ui::CloseAction& action);
    void sbtnOpenClick(ui::Component& sender);
    void sbtnSettingsClick(ui::Component& sender);
    void sbtnAboutClick(ui::Component& sender);
    void sbtnHelpClick(ui::Component& sender);
    void sbtnPlayPreviewClick(ui::Component& sender);
    void sbtnPausePreviewClick(ui::Component& sender);
    void sbtnStopPreviewClick(ui::Component& sender);
    void tkbProgressTimer(ui::Component& sender, std::uint32_t currentPos, std::uint32_t stopPos);
    void sbtnSelStartClick(ui::Component& sender);
    void sbtnSelEndClick(ui::Component& sender);
    void sbtnEraseClick(ui::Component& sender);
    void edtStartExit(ui::Component& sender);
    void edtStartKeyPress(ui::Control& sender, char& key);
    void edtEndExit(ui::Component& sender);
    void edtEndKeyPress(ui::Control& sender, char& key);
    void edtSectionQtyClick(ui::Component& sender);
    void edtPieceLengthClick(ui::Component& sender);
    void edtPieceSizeClick(ui::Component& sender);
    void bbtnBrowseClick(ui::Component& sender);
    void BitBtn1Click(ui::Component& sender);
    void cmbProfileChange(ui::Component& sender);
    void imgStartClick(ui::Component& sender);
    void imgCancelClick(ui::Component& sender);
    void imgStartMouseMove(ui::Control& sender, ui::ShiftState shift, int x, int y);
    void imgStartMouseDown(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void imgStartMouseUp(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void imgCancelMouseMove(ui::Control& sender, ui::ShiftState shift, int x, int y);
    void imgCancelMouseDown(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void imgCancelMouseUp(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void imgRightBottomMouseMove(ui::Control& sender, ui::ShiftState shift, int x, int y);
    void Image4MouseMove(ui::Control& sender, ui::ShiftState shift, int x, int y);
    void tmrProcessTimer(ui::Component& sender);
    void tmrPreviewTimer(ui::Component& sender);
    void tmrProbeTimer(ui::Component& sender);
    void tmrFramesTimer(ui::Component& sender);
    // The pictures of the range's ends are being taken.
    bool TakingEndPictures() const { return pictures_.Taking(); }

protected:
    void WndProc(ui::Message& message) override;
    // The window's keys; never one that an edit or a list being typed in wants.
    bool DialogKey(const MSG& msg) override;

private:
    // IJobWindow
    void StopJobTimers() override;

    void LayoutToolbar();
    void LayoutPreview();
    void LayoutJobSettings();
    void LayoutProgressPanel();
    void LoadPictures();
    void TakeCommandLineSource();
    void DropFiles(HDROP drop);
    // Shows look `index` of iglStart on a picture button.
    void ShowLook(ui::Image& button, int index);

    Korvane& korvane_;
    // The window's parts, made after the controls they drive.
    PreviewPane preview_;
    EndPictures pictures_;
    RangeMarks marks_;
    SplitModes modes_;
    SplitJob job_;
};

} // namespace korvane
