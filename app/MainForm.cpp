#include "app/MainForm.h"

#include "app/FileNames.h"
#include "app/FileNamesWin.h"
#include "app/TimeText.h"
#include "app/TimeTextLocale.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "app/AboutForm.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/opSettingForm.h"
#include "split/ClipPlan.h"
#include "split/CommandLineLocale.h"
#include "split/PiecePlan.h"
#include "split/EngineReport.h"
#include "split/Rounding.h"
#include "ui/Application.h"
#include "ui/Error.h"

#include <shellapi.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

namespace korvane {
namespace {

constexpr COLORREF kLightText = RGB(0xEB, 0xEB, 0xEB);
// The flat colours the background pictures have under the controls.
constexpr COLORREF kDarkPanel = RGB(30, 35, 43);
constexpr COLORREF kLightPanel = RGB(238, 241, 245);

constexpr char kSourceProfile[] = "Settings of the source file.";
constexpr char kRangeLengthText[] = "The length of the marked rang is ";
constexpr char kRangeOrderText[] = "The End Time should be later than the Start Time.";
constexpr char kEnterKey = 13;
constexpr char kNoPreviewText[] = "No preview is available for this file.";
// How often the engine's report of a source is collected, and how long a job
// started meanwhile waits for it.
constexpr unsigned kProbeIntervalMs = 50;
constexpr DWORD kProbeWaitMs = 30000;
// The pieces choice in the preferences: none (the window's own start-up
// choice), pieces of a length, pieces of at most a size.
constexpr char kPieceChoiceKey[] = "Pieces";
constexpr char kPieceLengthKey[] = "Piece Length";
constexpr char kPieceSizeKey[] = "Piece Size";
constexpr std::int32_t kPiecesOfLength = 1;
constexpr std::int32_t kPiecesOfSize = 2;

ui::Font LightFont(const ui::Font& base)
{
    ui::Font f = base;
    f.Color = kLightText;
    return f;
}

void PlaceLabel(ui::Label& label, ui::WinControl& parent, int left, int top, const std::string& caption)
{
    label.SetParent(&parent);
    label.SetLeft(left);
    label.SetTop(top);
    label.SetTransparent(true);
    label.SetCaption(caption);
}

// A fixed-width label whose text is aligned inside its width.
void PlaceFixedLabel(ui::Label& label, ui::WinControl& parent, int left, int top, int width,
                     ui::Alignment alignment, const std::string& caption)
{
    label.SetAutoSize(false);
    label.Place(&parent, left, top, width, 13);
    label.SetAlignment(alignment);
    label.SetTransparent(true);
    label.SetCaption(caption);
}

void PlaceSpeedButton(ui::SpeedButton& button, ui::WinControl& parent, int left, int top, int width,
                      int height, const std::string& caption, const char* glyph)
{
    button.Place(&parent, left, top, width, height);
    button.SetFlat(true);
    button.SetCaption(caption);
    button.SetFont(LightFont(button.GetFont()));
    button.Glyph().LoadFromResource(glyph);
}

} // namespace

TMainForm::TMainForm(Korvane& korvane)
    : ui::Form("TMainForm"), korvane_(korvane), progress_(UserDecimalSeparator())
{
    korvane_.MainForm = this;
    SetBorderStyle(ui::bsSingle);
    SetBorderIcons(ui::biSystemMenu | ui::biMinimize);
    SetPosition(ui::poScreenCenter);
    SetClientSize(783, 431);
    SetIcon("MAINICON");

    LayoutToolbar();
    LayoutPreview();
    LayoutJobSettings();
    LayoutProgressPanel();
    LoadPictures();

    tmrProcess.SetEnabled(false);
    tmrProcess.SetInterval(1000);
    tmrProcess.OnTimer = ui::Handler(this, &TMainForm::tmrProcessTimer);
    tmrPreview.SetEnabled(false);
    tmrPreview.SetInterval(1000);
    tmrPreview.OnTimer = ui::Handler(this, &TMainForm::tmrPreviewTimer);
    tmrProbe.SetEnabled(false);
    tmrProbe.SetInterval(kProbeIntervalMs);
    tmrProbe.OnTimer = ui::Handler(this, &TMainForm::tmrProbeTimer);

    FilterGraph.SetGraphEdit(true);
    FilterGraph.SetLinearVolume(true);
    FilterGraph.SetMode(gmNormal);
    FilterGraph.SetAutoCreate(false);

    OnCreate = ui::Handler(this, &TMainForm::FormCreate);
    OnShow = ui::Handler(this, &TMainForm::FormShow);
    OnCloseQuery = ui::Handler(this, &TMainForm::FormCloseQuery);
    OnClose = ui::Handler(this, &TMainForm::FormClose);

    // The skin travels with the window; a container of that name in the
    // program's folder is looked for first, the built-in one is read last.
    SkinEngine1.SetActive(korvane_.Skinned);
    SkinEngine1.SetSkinFile("Korvane.skn");
    SkinEngine1.SetBuiltIn(true);
    if (korvane_.Skinned)
        SkinEngine1.SetSkinData(BuiltInSkinData());
}

TMainForm::~TMainForm()
{
    // A converter still running when the window goes is not left behind.
    Converter.KillConverter();
}

void TMainForm::LayoutToolbar()
{
    panToolbar.Place(this, 0, 0, 783, 65);
    panToolbar.SetColor(kDarkPanel);
    Image1.Place(&panToolbar, 0, 0, 783, 65);
    PlaceSpeedButton(sbtnOpen, panToolbar, 35, 22, 99, 40, "Open Video", "TOOL_OPEN");
    PlaceSpeedButton(sbtnSettings, panToolbar, 141, 22, 100, 40, "Settings", "TOOL_SETTINGS");
    PlaceSpeedButton(sbtnAbout, panToolbar, 246, 22, 99, 40, "About", "TOOL_ABOUT");
    PlaceSpeedButton(sbtnHelp, panToolbar, 352, 22, 99, 40, "Help", "TOOL_HELP");
    for (ui::SpeedButton* b : {&sbtnOpen, &sbtnSettings, &sbtnAbout, &sbtnHelp})
        b->SetTag(9999);   // keeps the skin off the toolbar
    sbtnOpen.OnClick = ui::Handler(this, &TMainForm::sbtnOpenClick);
    sbtnSettings.OnClick = ui::Handler(this, &TMainForm::sbtnSettingsClick);
    sbtnAbout.OnClick = ui::Handler(this, &TMainForm::sbtnAboutClick);
    sbtnHelp.OnClick = ui::Handler(this, &TMainForm::sbtnHelpClick);
}

void TMainForm::LayoutPreview()
{
    panLeft.Place(this, 0, 65, 399, 366);
    panLeft.SetColor(kDarkPanel);
    Image2.Place(&panLeft, 0, 0, 399, 366);
    Image2.OnMouseMove = ui::Handler(this, &TMainForm::imgRightBottomMouseMove);

    VideoWindow.Place(&panLeft, 34, 6, 359, 232);
    VideoWindow.SetColor(ui::clBlack);
    VideoWindow.SetFilterGraph(&FilterGraph);

    panbanner.Place(&VideoWindow, 0, 0, 359, 232);
    panbanner.SetColor(ui::clBlack);
    imgBanner.Place(&panbanner, 0, 0, 359, 232);
    labProgramName.SetAutoSize(false);
    labProgramName.Place(&panbanner, 150, 14, 195, 22);
    labProgramName.SetAlignment(ui::taRightJustify);
    labProgramName.SetTransparent(true);
    ui::Font nameFont;
    nameFont.Name = "Verdana";
    nameFont.Height = -17;
    nameFont.Bold = true;
    nameFont.Italic = true;
    nameFont.Color = kLightText;
    labProgramName.SetFont(nameFont);
    labNoPreview.SetAutoSize(false);
    labNoPreview.Place(&panbanner, 12, 204, 335, 13);
    labNoPreview.SetTransparent(true);
    labNoPreview.SetFont(LightFont(GetFont()));
    labNoPreview.SetCaption(kNoPreviewText);
    labNoPreview.Hide();

    const ui::Font light = LightFont(GetFont());
    PlaceFixedLabel(labLeft, panLeft, 40, 249, 80, ui::taLeftJustify, "00:00:00");
    PlaceFixedLabel(labMiddle, panLeft, 139, 249, 80, ui::taCenter, "00:00:00");
    PlaceFixedLabel(labRight, panLeft, 256, 249, 80, ui::taRightJustify, "00:00:00");
    PlaceFixedLabel(labCurrent, panLeft, 334, 267, 50, ui::taRightJustify, "00:00:00");
    for (ui::Label* l : {&labLeft, &labMiddle, &labRight, &labCurrent})
        l->SetFont(light);

    tkbProgress.Place(&panLeft, 39, 267, 296, 14);
    tkbProgress.SetFrequency(60);
    tkbProgress.SetThumbLength(8);
    tkbProgress.SetFilterGraph(&FilterGraph);
    tkbProgress.SetTimerInterval(1000);
    tkbProgress.SetOnTimer(ui::Handler(this, &TMainForm::tkbProgressTimer));

    // The marks of the range, under the bar at the ends of its selection.
    PlaceLabel(labStart, panLeft, 32, 289, "");
    PlaceLabel(labEnd, panLeft, 349, 289, "");
    labStart.SetFont(light);
    labEnd.SetFont(light);
    labStart.Hide();
    labEnd.Hide();

    PlaceSpeedButton(sbtnPlayPreview, panLeft, 24, 318, 56, 22, "Play", "PREVIEW_PLAY");
    PlaceSpeedButton(sbtnPausePreview, panLeft, 81, 318, 56, 22, "Pause", "PREVIEW_PAUSE");
    PlaceSpeedButton(sbtnStopPreview, panLeft, 138, 318, 56, 22, "Stop", "PREVIEW_STOP");
    PlaceSpeedButton(sbtnSelStart, panLeft, 195, 318, 70, 22, "Start Time", "PREVIEW_START_TIME");
    PlaceSpeedButton(sbtnSelEnd, panLeft, 267, 318, 70, 22, "End time", "PREVIEW_END_TIME");
    PlaceSpeedButton(sbtnErase, panLeft, 339, 318, 58, 22, "Clear", "PREVIEW_CLEAR");
    for (ui::SpeedButton* b : {&sbtnPlayPreview, &sbtnPausePreview, &sbtnStopPreview, &sbtnSelStart, &sbtnSelEnd,
                               &sbtnErase})
        b->SetTag(9999);   // keeps the skin off the preview's buttons
    sbtnPlayPreview.OnClick = ui::Handler(this, &TMainForm::sbtnPlayPreviewClick);
    sbtnPausePreview.OnClick = ui::Handler(this, &TMainForm::sbtnPausePreviewClick);
    sbtnStopPreview.OnClick = ui::Handler(this, &TMainForm::sbtnStopPreviewClick);
    sbtnSelStart.OnClick = ui::Handler(this, &TMainForm::sbtnSelStartClick);
    sbtnSelEnd.OnClick = ui::Handler(this, &TMainForm::sbtnSelEndClick);
    sbtnErase.OnClick = ui::Handler(this, &TMainForm::sbtnEraseClick);
}

void TMainForm::LayoutJobSettings()
{
    panRight.Place(this, 399, 65, 384, 366);
    panRight.SetColor(kLightPanel);
    Image4.Place(&panRight, 0, 0, 384, 366);
    Image4.OnMouseMove = ui::Handler(this, &TMainForm::Image4MouseMove);

    PlaceLabel(labSource, panRight, 14, 16, "Source:");
    labSource.SetFont(LightFont(GetFont()));
    edtSource.Place(&panRight, 58, 13, 293, 21);

    rdbStartEnd.Place(&panRight, 28, 65, 200, 17);
    rdbStartEnd.SetCaption("Split the marked rang out.");
    rdbStartEnd.SetChecked(true);
    PlaceLabel(labStartTime, panRight, 45, 88, "Start Time:");
    edtStart.Place(&panRight, 103, 84, 75, 21);
    edtStart.SetText("00:00:00");
    edtStart.OnExit = ui::Handler(this, &TMainForm::edtStartExit);
    edtStart.OnKeyPress = ui::Handler(this, &TMainForm::edtStartKeyPress);
    PlaceLabel(labEndTime, panRight, 212, 88, "End Time:");
    edtEnd.Place(&panRight, 266, 84, 75, 21);
    edtEnd.SetText("00:00:00");
    edtEnd.OnExit = ui::Handler(this, &TMainForm::edtEndExit);
    edtEnd.OnKeyPress = ui::Handler(this, &TMainForm::edtEndKeyPress);

    // The modes a row apart, the pieces below the equal sections; the
    // background's line under them moved down to make room.
    rdbEqual.Place(&panRight, 28, 114, 137, 17);
    rdbEqual.SetCaption("Split the marked rang to ");
    edtSectionQty.Place(&panRight, 165, 113, 49, 21);
    edtSectionQty.OnClick = ui::Handler(this, &TMainForm::edtSectionQtyClick);
    PlaceLabel(labSections, panRight, 220, 116, "equal sections.");

    rdbPieceLength.Place(&panRight, 28, 138, 137, 17);
    rdbPieceLength.SetCaption("Split it to pieces of ");
    edtPieceLength.Place(&panRight, 165, 137, 49, 21);
    edtPieceLength.OnClick = ui::Handler(this, &TMainForm::edtPieceLengthClick);
    PlaceLabel(labPieceLength, panRight, 220, 140, "seconds.");

    rdbPieceSize.Place(&panRight, 28, 162, 158, 17);
    rdbPieceSize.SetCaption("Split it to pieces of at most ");
    edtPieceSize.Place(&panRight, 186, 161, 49, 21);
    edtPieceSize.OnClick = ui::Handler(this, &TMainForm::edtPieceSizeClick);
    PlaceLabel(labPieceSize, panRight, 241, 164, "MB.");

    labLength.SetAutoSize(false);
    labLength.Place(&panRight, 20, 188, 281, 13);
    labLength.SetTransparent(true);
    labLength.SetCaption("length of the Marked Rang");
    ui::Font blue = GetFont();
    blue.Color = ui::clBlue;
    labLength.SetFont(blue);
    labLength.Hide();

    PlaceLabel(labProfile, panRight, 14, 218, "Output Profile:");
    cmbProfile.Place(&panRight, 92, 215, 185, 21);
    cmbProfile.SetStyle(ui::csDropDownList);
    cmbProfile.OnChange = ui::Handler(this, &TMainForm::cmbProfileChange);
    BitBtn1.Place(&panRight, 281, 213, 65, 23);
    BitBtn1.SetCaption("Detail");
    BitBtn1.OnClick = ui::Handler(this, &TMainForm::BitBtn1Click);

    PlaceLabel(labOutputPath, panRight, 14, 247, "Output Path:");
    edtOutputDir.Place(&panRight, 92, 244, 185, 21);
    bbtnBrowse.Place(&panRight, 281, 243, 65, 23);
    bbtnBrowse.SetCaption("Browse");
    bbtnBrowse.OnClick = ui::Handler(this, &TMainForm::bbtnBrowseClick);

    for (ui::Image* button : {&imgStart, &imgCancel}) {
        button->Place(&panRight, 229, 291, 133, 65);
        button->SetCenter(true);
        button->SetTransparent(true);
        button->SetShowHint(true);
        button->SetTag(0);
    }
    imgStart.SetHint("Split");
    imgCancel.SetHint("Stop");
    imgCancel.Hide();
    imgStart.OnClick = ui::Handler(this, &TMainForm::imgStartClick);
    imgStart.OnMouseMove = ui::Handler(this, &TMainForm::imgStartMouseMove);
    imgStart.OnMouseDown = ui::Handler(this, &TMainForm::imgStartMouseDown);
    imgStart.OnMouseUp = ui::Handler(this, &TMainForm::imgStartMouseUp);
    imgCancel.OnClick = ui::Handler(this, &TMainForm::imgCancelClick);
    imgCancel.OnMouseMove = ui::Handler(this, &TMainForm::imgCancelMouseMove);
    imgCancel.OnMouseDown = ui::Handler(this, &TMainForm::imgCancelMouseDown);
    imgCancel.OnMouseUp = ui::Handler(this, &TMainForm::imgCancelMouseUp);
}

void TMainForm::LayoutProgressPanel()
{
    panProgress.Place(&panRight, 0, 0, 384, 289);
    panProgress.SetColor(kDarkPanel);
    panProgress.Hide();
    Image3.Place(&panProgress, 0, 0, 384, 289);
    Image3.OnMouseMove = ui::Handler(this, &TMainForm::imgRightBottomMouseMove);

    const ui::Font light = LightFont(GetFont());
    labProcessing.SetAutoSize(false);
    labProcessing.Place(&panProgress, 16, 17, 337, 13);
    labProcessing.SetTransparent(true);
    PlaceLabel(labCurrentCaption, panProgress, 16, 43, "Current:");
    pgbCurrent.Place(&panProgress, 67, 41, 270, 17);
    PlaceLabel(labCurProgress, panProgress, 344, 43, "%");
    PlaceLabel(labTotalCaption, panProgress, 16, 83, "Total:");
    pgbTotal.Place(&panProgress, 67, 81, 270, 17);
    PlaceLabel(labTotalProgress, panProgress, 344, 83, "%");
    PlaceLabel(labElapsedCaption, panProgress, 16, 116, "Elapsed:");
    PlaceFixedLabel(labElapsed, panProgress, 67, 116, 100, ui::taLeftJustify, "");
    PlaceLabel(labRemainingCaption, panProgress, 200, 116, "Remaining:");
    PlaceFixedLabel(labRemaining, panProgress, 259, 116, 94, ui::taLeftJustify, "");
    for (ui::Label* l : {&labProcessing, &labCurrentCaption, &labCurProgress, &labTotalCaption,
                         &labTotalProgress, &labElapsedCaption, &labElapsed, &labRemainingCaption,
                         &labRemaining})
        l->SetFont(light);
    pgbCurrent.SetRange(0, 100);
    pgbTotal.SetRange(0, 100);
    chkPreview.Place(&panProgress, 16, 150, 97, 17);
    chkPreview.SetCaption("Preview");
    chkPreview.Hide();
}

void TMainForm::LoadPictures()
{
    Image1.Picture().LoadFromResource("BACK_TOOLBAR");
    Image2.Picture().LoadFromResource("PANEL_LEFT");
    Image3.Picture().LoadFromResource("PANEL_PROGRESS");
    Image4.Picture().LoadFromResource("PANEL_RIGHT");
    // Native children (radio buttons, check boxes) take their background
    // from the panel's own picture.
    panToolbar.Picture().Assign(Image1.Picture());
    panLeft.Picture().Assign(Image2.Picture());
    panProgress.Picture().Assign(Image3.Picture());
    panRight.Picture().Assign(Image4.Picture());
    imgBanner.Picture().LoadFromResource("BANNER");

    iglStart.SetSize(133, 65);
    ui::Bitmap strip;
    strip.LoadFromResource("START_CANCEL");
    iglStart.Add(strip, RGB(255, 0, 255));
    ShowLook(imgStart, 0);
    ShowLook(imgCancel, 3);
}

// --- start-up ----------------------------------------------------------------------------

void TMainForm::FormCreate(ui::Component&)
{
    korvane_.ProgramDir = WithTrailingBackslash(
        korvane_.ProgramDirOverride.empty() ? ::korvane::ProgramDir() : korvane_.ProgramDirOverride);
    korvane_.ConverterPath = korvane_.ProgramDir + "wmaspi.dll";
    korvane_.EnginePath = korvane_.ProgramDir + "kvengine.exe";
    SourceLoaded = false;
    panProgress.SetHeight(289);
    korvane_.VersionText = IniFile(korvane_.ProgramDir + "Preferences.ini").ReadString("Main", "Version", "1.8");

    ui::App().SetTitle(korvane_.ProductName);
    SetCaption(korvane_.ProductName + " V" + korvane_.VersionText);
    const std::size_t blank = korvane_.ProductName.find(' ');
    labProgramName.SetCaption(blank == std::string::npos ? korvane_.ProductName
                                                        : korvane_.ProductName.substr(blank + 1));
    korvane_.HelpFile = korvane_.ProgramDir + "Korvane.chm";
    SetHelpFile(korvane_.HelpFile);
    ui::App().SetHelpFile(korvane_.HelpFile);

    SupportedExtensions = SupportedSourceExtensions();
    OpenDialog1.Filter = BuildOpenDialogFilter(SupportedExtensions);
    OpenDialog1.FilterIndex = 1;

    LoadPieceChoice();
    const ProfileCatalogue catalogue = ReadProfileCatalogue(korvane_.ProgramDir);
    for (const std::string& name : catalogue.names)
        cmbProfile.Add(name);
    // Without profiles the program still starts; the user learns why the box is empty.
    if (!catalogue.problem.empty())
        ui::App().HandleException(ui::Error(catalogue.problem));

    // A command-line source that cannot be read or rendered is reported, and
    // the window still takes dropped files.
    ui::Guard([this] { TakeCommandLineSource(); });
    DragAcceptFiles(true);
}

void TMainForm::TakeCommandLineSource()
{
    std::string candidate = korvane_.CommandLineArgument;
    if (candidate.empty())
        return;
    if (LowerCaseAscii(ExtractFileExt(candidate)) == ".tmp") {
        const std::optional<std::string> first = ReadFirstLine(candidate);
        if (!first)
            throw ui::Error("Cannot read the list file " + candidate);
        candidate = *first;
    }
    if (FileExists(candidate) && IsSupportedExtension(candidate, SupportedExtensions))
        LoadSource(candidate);
}

void TMainForm::FormShow(ui::Component&)
{
    cmbProfileChange(cmbProfile);
}

void TMainForm::FormCloseQuery(ui::Form&, bool& canClose)
{
    if (JobState != jsRunning)
        return;
    const int answer = ui::ShowMessageBox("Do you want to cancel the splitting and exit?", "Exit Query",
                                          MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        JobState = jsCancelRequested;
    else
        canClose = false;
}

void TMainForm::FormClose(ui::Form&, ui::CloseAction&)
{
    // Preferences that cannot be written are reported once, and the program
    // still ends: the user must always be able to close it.
    ui::Guard([this] {
        if (korvane_.SettingForm)
            korvane_.SettingForm->SavePreferences();
        SavePieceChoice();
    });
}

void TMainForm::LoadPieceChoice()
{
    const IniFile ini(korvane_.ProgramDir + "Preferences.ini");
    edtPieceLength.SetText(ini.ReadString("Main", kPieceLengthKey, ""));
    edtPieceSize.SetText(ini.ReadString("Main", kPieceSizeKey, ""));
    // Files from before the pieces have no choice, and start with one clip.
    const std::int32_t choice = ini.ReadInteger("Main", kPieceChoiceKey, 0);
    if (choice == kPiecesOfLength)
        rdbPieceLength.SetChecked(true);
    else if (choice == kPiecesOfSize)
        rdbPieceSize.SetChecked(true);
}

void TMainForm::SavePieceChoice()
{
    IniFile ini(korvane_.ProgramDir + "Preferences.ini");
    ini.WriteInteger("Main", kPieceChoiceKey,
                     rdbPieceLength.Checked() ? kPiecesOfLength : rdbPieceSize.Checked() ? kPiecesOfSize : 0);
    ini.WriteString("Main", kPieceLengthKey, edtPieceLength.Text());
    ini.WriteString("Main", kPieceSizeKey, edtPieceSize.Text());
}

// --- source intake ---------------------------------------------------------------------

void TMainForm::sbtnOpenClick(ui::Component&)
{
    if (OpenDialog1.Execute())
        LoadSource(OpenDialog1.FileName);
}

void TMainForm::WndProc(ui::Message& message)
{
    if (message.Msg == WM_DROPFILES) {
        DropFiles(reinterpret_cast<HDROP>(message.WParam));
        message.Result = 0;
        return;
    }
    ui::Form::WndProc(message);
}

void TMainForm::DropFiles(HDROP drop)
{
    // The shell's drop data is released whatever happens below.
    struct DropRelease {
        HDROP drop;
        ~DropRelease() { DragFinish(drop); }
    } release{drop};
    if (panProgress.Visible())
        return;
    // The whole name, however long: in UTF-8 a name in another script takes
    // two or three bytes a letter, and a cut name would name no file.
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    std::string path(length + 1, '\0');
    path.resize(DragQueryFileA(drop, 0, path.data(), length + 1));
    if (IsSupportedExtension(path, SupportedExtensions) && FileExists(path))
        LoadSource(path);
}

void TMainForm::LoadSource(const std::string& path)
{
    panbanner.Hide();
    edtSource.SetText(path);
    if (!IniFile(korvane_.ProgramDir + "Preferences.ini").ReadBool("Main", "Aptotic", true))
        edtOutputDir.SetText(WithTrailingBackslash(ExtractFileDir(path)));
    SourceLoaded = true;

    probe_.Stop();
    tmrProbe.SetEnabled(false);
    previewless_ = false;
    labNoPreview.Hide();
    if (!FilterGraph.Active())
        FilterGraph.SetActive(true);
    FilterGraph.EmptyGraph();
    try {
        FilterGraph.RenderMediaFile(SystemPath(path));
    } catch (const std::exception&) {
        // The system has no decoder for the preview; the converter may still
        // cut the file. The render error still reaches the user.
        LoadWithoutPreview(path);
        throw;
    }
    FilterGraph.Play();

    ShowSourceLength(FilterGraph.GetDurationMs());
    // A new source starts without a marked range; the seek bar takes the new
    // source's range and position from its first tick.
    ClearMarkedRange();

    VideoWindow.Show();
    JobState = jsIdle;
}

void TMainForm::ShowSourceLength(double durationMs)
{
    labMiddle.SetCaption(SecondsToTimeText(durationMs / 2000));
    labRight.SetCaption(SecondsToTimeText(durationMs / 1000));
}

void TMainForm::LoadWithoutPreview(const std::string& path)
{
    previewless_ = true;
    engineSeconds_ = 0;
    panbanner.Show();
    labNoPreview.Show();
    ShowSourceLength(0);
    ClearMarkedRange();
    VideoWindow.Show();
    JobState = jsIdle;
    // The window stays with the user while the engine reads the file.
    if (CanStartProgramAt(korvane_.EnginePath) && probe_.Start(korvane_.EnginePath, PathForOtherPrograms(path)))
        tmrProbe.SetEnabled(true);
}

void TMainForm::tmrProbeTimer(ui::Component&)
{
    if (!probe_.Poll())
        return;
    tmrProbe.SetEnabled(false);
    SourceProbeEnded();
}

void TMainForm::FinishSourceProbe()
{
    if (!probe_.Running())
        return;
    tmrProbe.SetEnabled(false);
    if (!probe_.Finish(kProbeWaitMs))
        probe_.Stop();
    SourceProbeEnded();
}

void TMainForm::SourceProbeEnded()
{
    engineSeconds_ = probe_.Seconds().value_or(0);
    ShowSourceLength(engineSeconds_ * 1000);
    // The bar shows the marked range in whole seconds of the source.
    tkbProgress.SetMin(0);
    tkbProgress.SetMax(static_cast<int>(engineSeconds_));
    // Times typed while the engine was reading are marked now.
    if (labStart.Visible())
        CommitTypedStart();
    if (labEnd.Visible())
        CommitTypedEnd();
}

double TMainForm::SourceSeconds() const
{
    return previewless_ ? engineSeconds_ : FilterGraph.GetDurationMs() / 1000.0;
}

void TMainForm::bbtnBrowseClick(ui::Component&)
{
    std::string folder;
    if (ui::BrowseForFolder(Handle(), "Select the output directory.", folder))
        edtOutputDir.SetText(WithTrailingBackslash(folder));
}

// --- toolbar, profile -----------------------------------------------------------------

void TMainForm::sbtnSettingsClick(ui::Component&)
{
    if (korvane_.SettingForm)
        korvane_.SettingForm->Show();
}

void TMainForm::sbtnAboutClick(ui::Component&)
{
    if (korvane_.AboutForm)
        korvane_.AboutForm->Show();
}

void TMainForm::sbtnHelpClick(ui::Component&)
{
    // A missing help file is not worth a message.
    if (korvane_.ShellOpen)
        korvane_.ShellOpen(Handle(), korvane_.HelpFile);
}

void TMainForm::BitBtn1Click(ui::Component&)
{
    if (korvane_.opSettingForm)
        korvane_.opSettingForm->ShowFor(cmbProfile.ItemIndex());
}

void TMainForm::cmbProfileChange(ui::Component&)
{
    const std::string path = ProfilePath(korvane_.ProgramDir, cmbProfile.Text());
    if (korvane_.opSettingForm && FileExists(path))
        korvane_.opSettingForm->LoadProfileIntoEditor(path);
}

// --- preview -----------------------------------------------------------------------------

void TMainForm::sbtnPlayPreviewClick(ui::Component&)
{
    if (SourceLoaded)
        FilterGraph.Play();
}

void TMainForm::sbtnPausePreviewClick(ui::Component&)
{
    if (SourceLoaded)
        FilterGraph.Pause();
}

void TMainForm::sbtnStopPreviewClick(ui::Component&)
{
    if (SourceLoaded)
        FilterGraph.Stop();
}

void TMainForm::tkbProgressTimer(ui::Component&, std::uint32_t, std::uint32_t)
{
    labCurrent.SetCaption(SecondsToTimeText(tkbProgress.Position()));
}

void TMainForm::tmrPreviewTimer(ui::Component&)
{
    // The preview is stopped during a job; position label and thumb stand
    // at the end of the source.
    const double durationSeconds = SourceSeconds();
    labCurrent.SetCaption(SecondsToTimeText(durationSeconds));
    tkbProgress.SetPosition(static_cast<int>(RoundHalfEven(durationSeconds)));
}

// --- range marking -----------------------------------------------------------------------

namespace {

// The x of the seek bar's point that stands for `value` of its units. A bar
// without units (a source shorter than one) has only its left end.
double BarPoint(const ui::TrackBar& bar, int value)
{
    if (bar.Max() == 0)
        return bar.Left();
    return static_cast<double>(value) / bar.Max() * bar.Width() + bar.Left();
}

// Whole seconds for the selection: never before the bar's start.
int SelectionSeconds(double seconds)
{
    return static_cast<int>(RoundHalfEven(seconds < 0 ? 0 : seconds));
}

} // namespace

void TMainForm::sbtnSelStartClick(ui::Component&)
{
    if (!SourceLoaded)
        return;
    const int position = tkbProgress.Position();
    tkbProgress.SetSelStart(position);
    edtStart.SetText(SecondsToTimeText(position));
    labStart.SetCaption("[ " + edtStart.Text());
    PlaceStartLabel();
    labStart.Show();
    ShowRangeLength(tkbProgress.SelEnd() - tkbProgress.SelStart());
}

void TMainForm::sbtnSelEndClick(ui::Component&)
{
    if (!SourceLoaded)
        return;
    const int position = tkbProgress.Position();
    tkbProgress.SetSelEnd(position);
    edtEnd.SetText(SecondsToTimeText(position));
    labEnd.SetCaption(edtEnd.Text() + " ]");
    PlaceEndLabel();
    labEnd.Show();
    ShowRangeLength(tkbProgress.SelEnd() - tkbProgress.SelStart());
}

void TMainForm::sbtnEraseClick(ui::Component&)
{
    if (SourceLoaded)
        ClearMarkedRange();
}

void TMainForm::ClearMarkedRange()
{
    tkbProgress.SetSelStart(0);
    tkbProgress.SetSelEnd(0);
    edtStart.SetText(SecondsToTimeText(0));
    edtEnd.SetText(SecondsToTimeText(0));
    labStart.Hide();
    labEnd.Hide();
    labLength.Hide();
}

void TMainForm::edtStartExit(ui::Component&)
{
    CommitTypedStart();
}

void TMainForm::edtStartKeyPress(ui::Control&, char& key)
{
    if (key == kEnterKey)
        CommitTypedStart();
}

void TMainForm::edtEndExit(ui::Component&)
{
    CommitTypedEnd();
}

void TMainForm::edtEndKeyPress(ui::Control&, char& key)
{
    if (key == kEnterKey)
        CommitTypedEnd();
}

// Text that is no time is left as typed, without a word: the user is still at it.
void TMainForm::CommitTypedStart()
{
    if (!SourceLoaded)
        return;
    const double seconds = TimeTextToSeconds(edtStart.Text());
    if (seconds != -1)
        MarkRangeStart(seconds);
}

void TMainForm::CommitTypedEnd()
{
    if (!SourceLoaded)
        return;
    const double seconds = TimeTextToSeconds(edtEnd.Text());
    if (seconds != -1)
        MarkRangeEnd(seconds);
}

// The edit keeps the time as typed (normalised), even past the source's end;
// only the selection stops at the duration. The job reads the edit.
void TMainForm::MarkRangeStart(double seconds)
{
    const double duration = SourceSeconds();
    if (duration < seconds)
        seconds = duration;
    tkbProgress.SetSelStart(SelectionSeconds(seconds));
    const double typed = TimeTextToSeconds(edtStart.Text());
    edtStart.SetText(SecondsToTimeText(typed != -1 ? typed : seconds));
    labStart.SetCaption("[ " + edtStart.Text());
    PlaceStartLabel();
    labStart.Show();
    ShowRangeLength(tkbProgress.SelEnd() - tkbProgress.SelStart());
}

void TMainForm::MarkRangeEnd(double seconds)
{
    const double duration = SourceSeconds();
    if (duration < seconds)
        seconds = duration;
    tkbProgress.SetSelEnd(SelectionSeconds(seconds));
    const double typed = TimeTextToSeconds(edtEnd.Text());
    edtEnd.SetText(SecondsToTimeText(typed != -1 ? typed : seconds));
    labEnd.SetCaption(edtEnd.Text() + " ]");
    PlaceEndLabel();
    labEnd.Show();
    // The typed end counts with its fraction: 10.6 s from 0 is 10 s long,
    // though the selection ends at 11.
    ShowRangeLength(seconds - tkbProgress.SelStart());
}

void TMainForm::PlaceStartLabel()
{
    labStart.SetLeft(static_cast<int>(RoundHalfEven(BarPoint(tkbProgress, tkbProgress.SelStart()))));
    SeparateRangeLabels();
}

// The end label ends where the selection ends, with the width of its new text.
void TMainForm::PlaceEndLabel()
{
    labEnd.SetLeft(
        static_cast<int>(RoundHalfEven(BarPoint(tkbProgress, tkbProgress.SelEnd()) - labEnd.Width())));
    SeparateRangeLabels();
}

// Labels that touch or overlap would be unreadable on one line: the end
// label then drops one line below the start label.
void TMainForm::SeparateRangeLabels()
{
    const bool apart = labStart.Left() + labStart.Width() < labEnd.Left() ||
                       labEnd.Left() + labEnd.Width() < labStart.Left();
    labEnd.SetTop(apart ? labStart.Top() : labStart.Top() + 10);
}

void TMainForm::ShowRangeLength(double lengthSeconds)
{
    labLength.Show();
    if (tkbProgress.SelStart() < tkbProgress.SelEnd())
        labLength.SetCaption(kRangeLengthText + SecondsToTimeText(lengthSeconds));
    else
        labLength.SetCaption(kRangeOrderText);
}

void TMainForm::edtSectionQtyClick(ui::Component&)
{
    rdbEqual.SetChecked(true);
}

void TMainForm::edtPieceLengthClick(ui::Component&)
{
    rdbPieceLength.SetChecked(true);
}

void TMainForm::edtPieceSizeClick(ui::Component&)
{
    rdbPieceSize.SetChecked(true);
}

// --- picture buttons -------------------------------------------------------------------

void TMainForm::ShowLook(ui::Image& button, int index)
{
    ui::Bitmap look;
    iglStart.GetBitmap(index, look);
    button.Picture().Assign(look);
    button.Picture().SetTransparentColor(RGB(255, 0, 255));
}

void TMainForm::imgStartMouseMove(ui::Control&, ui::ShiftState, int, int)
{
    if (imgStart.Tag() == 1 || imgStart.Tag() == 2)
        return;
    imgStart.SetTag(1);
    ShowLook(imgStart, 1);
}

void TMainForm::imgStartMouseDown(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    imgStart.SetTag(2);
    ShowLook(imgStart, 2);
}

void TMainForm::imgStartMouseUp(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    imgStart.SetTag(1);
    ShowLook(imgStart, 1);
}

void TMainForm::imgCancelMouseMove(ui::Control&, ui::ShiftState, int, int)
{
    if (imgCancel.Tag() == 1 || imgCancel.Tag() == 2)
        return;
    imgCancel.SetTag(1);
    ShowLook(imgCancel, 4);
}

void TMainForm::imgCancelMouseDown(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    imgCancel.SetTag(2);
    ShowLook(imgCancel, 5);
}

void TMainForm::imgCancelMouseUp(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    imgCancel.SetTag(1);
    ShowLook(imgCancel, 4);
}

void TMainForm::imgRightBottomMouseMove(ui::Control&, ui::ShiftState, int, int)
{
    if (imgStart.Tag() != 0) {
        imgStart.SetTag(0);
        ShowLook(imgStart, 0);
    }
    if (imgCancel.Tag() != 0) {
        imgCancel.SetTag(0);
        ShowLook(imgCancel, 3);
    }
}

void TMainForm::Image4MouseMove(ui::Control& sender, ui::ShiftState shift, int x, int y)
{
    imgRightBottomMouseMove(sender, shift, x, y);
}

// --- the split job ---------------------------------------------------------------------

void TMainForm::imgStartClick(ui::Component&)
{
    // Encoder arguments come from the profile editor's current values.
    std::string profileArguments;
    if (korvane_.opSettingForm)
        profileArguments = korvane_.opSettingForm->BuildArguments(
            ProfilePath(korvane_.ProgramDir, cmbProfile.Text()));
    RunSplitJob(profileArguments);
}

void TMainForm::imgCancelClick(ui::Component&)
{
    if (ui::ShowMessageBox("Do you want to cancel the splitting?", "Query", MB_YESNO | MB_ICONQUESTION) == IDYES)
        JobState = jsCancelRequested;
}

void TMainForm::RefuseJob(const char* caption, const char* text, ui::WinControl* focus)
{
    ui::ShowMessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
    if (focus && focus->CanFocus())
        focus->SetFocus();
}

void TMainForm::ShowReinstallError()
{
    ui::ShowMessageBox("Error. Please re-install " + korvane_.ProductName, ui::App().Title(), MB_OK);
}

bool TMainForm::IsSourceProfile() const
{
    return cmbProfile.Text() == kSourceProfile;
}

void TMainForm::RunSplitJob(const std::string& profileArguments)
{
    const std::string source = edtSource.Text();
    if (!IsValidSourceFile(source))
        return RefuseJob("Invalid File", "Please specify a valid input video file.", &edtSource);

    const double rangeStart = TimeTextToSeconds(edtStart.Text());
    if (rangeStart == -1)
        return RefuseJob("Invalid Start Time", "Please varify the Start Time you selected.", nullptr);
    // A length the engine is still reading is waited for.
    FinishSourceProbe();
    if (!(SourceSeconds() > rangeStart))
        return RefuseJob("Invalid Start Time", "Please varify the Start Time you selected.", nullptr);

    const double rangeEnd = TimeTextToSeconds(edtEnd.Text());
    if (rangeEnd == -1 || !(rangeEnd > 0))
        return RefuseJob("Invalid End Time", "Please varify the End Time you selected.", nullptr);

    const double rangeLength = rangeEnd - rangeStart;
    if (!(rangeLength > 0))
        return RefuseJob("Invalid Time", "The End Time should be later than the Start Time.", nullptr);

    const SplitMode mode = rdbStartEnd.Checked()      ? SplitMode::OneClip
                           : rdbPieceLength.Checked() ? SplitMode::PieceLength
                           : rdbPieceSize.Checked()   ? SplitMode::PieceSize
                                                      : SplitMode::EqualSections;
    std::int32_t clipCount = 1;
    double pieceLength = 0;
    double pieceBytes = 0;
    if (mode == SplitMode::EqualSections) {
        const auto count = ReadWholeNumber(edtSectionQty.Text());
        if (!count)
            return RefuseJob("Invalid Section", "Please specify a valid section quantity.", &edtSectionQty);
        clipCount = *count;
    } else if (mode == SplitMode::PieceLength) {
        // Seconds, or a time as the range's edits take it.
        const std::string text = edtPieceLength.Text();
        pieceLength = ReadFloatNumber(text, UserDecimalSeparator()).value_or(TimeTextToSeconds(text));
        if (!(pieceLength > 0) || !std::isfinite(pieceLength))
            return RefuseJob("Invalid Piece Length", "Please specify a valid length of the pieces in seconds.",
                             &edtPieceLength);
    } else if (mode == SplitMode::PieceSize) {
        pieceBytes = ReadFloatNumber(edtPieceSize.Text(), UserDecimalSeparator()).value_or(0) * kBytesPerMB;
        if (!(pieceBytes >= 1) || !std::isfinite(pieceBytes))
            return RefuseJob("Invalid Piece Size", "Please specify a valid size of the pieces in MB.", &edtPieceSize);
    }

    if (!FileExists(ProfilePath(korvane_.ProgramDir, cmbProfile.Text())))
        return RefuseJob("Invalid Output Path", "Please select a valid output profile.", &cmbProfile);
    if (!DirectoryExists(edtOutputDir.Text()))
        return RefuseJob("Invalid Output Path", "Please specify a valid output path.", &edtOutputDir);
    // Sources and outputs may lie as deep as the file system allows, but the
    // system starts no program from a folder deeper than that.
    if (!CanStartProgramAt(korvane_.ConverterPath)) {
        ui::ShowMessageBox(korvane_.ProductName + " cannot start its converter: the path of its folder is longer than "
                               "the system allows for a program (259 characters). Please move " + korvane_.ProductName
                               + " to a folder with a shorter path.",
                           ui::App().Title(), MB_OK | MB_ICONINFORMATION);
        return;
    }

    EnterBusyState();
    JobState = jsRunning;
    const std::string outputFolder = WithTrailingBackslash(edtOutputDir.Text());
    const ClipPlan plan(mode == SplitMode::OneClip ? SplitMode::OneClip : SplitMode::EqualSections, rangeStart,
                        rangeLength, clipCount);

    // The source's own settings: the streams are copied as they are, into a
    // clip of the source's own type.
    std::string arguments = profileArguments;
    std::string extension = korvane_.OutputExtension;
    if (IsSourceProfile()) {
        arguments += " -c copy";
        if (!ExtractFileExt(ExtractFileName(source)).empty())
            extension = ExtractFileExt(ExtractFileName(source));
    }
    if (LeavesDvdStandardToSource(arguments)) {
        // PAL or NTSC by the source's rate, which the engine reads.
        SourceProbe rateProbe;
        std::optional<double> rate;
        if (CanStartProgramAt(korvane_.EnginePath)
            && rateProbe.Start(korvane_.EnginePath, PathForOtherPrograms(source)) && rateProbe.Finish(kProbeWaitMs))
            rate = rateProbe.FrameRate();
        arguments = WithDvdStandard(arguments, rate);
    }

    // Pieces follow each other exactly: their starts are written in full.
    const bool pieces = mode == SplitMode::PieceLength || mode == SplitMode::PieceSize;
    std::vector<ClipSpan> pieceSpans;
    std::optional<EncodedPieces> encoded;
    std::optional<SourcePackets> packets;
    if (pieces && CopiesVideo(arguments)) {
        labProcessing.SetCaption(ClipProcessingText(SplitMode::OneClip, source, 1));
        bool cancelled = false;
        packets = ListSourcePackets(source, rangeStart, rangeLength, cancelled);
        if (cancelled)
            return LeaveBusyState();
    }
    if (mode == SplitMode::PieceLength) {
        pieceSpans = PiecesOfLength(rangeStart, rangeLength, pieceLength);
        if (packets)
            EndCopiesBeforeKeyframes(pieceSpans, *packets);
    } else if (mode == SplitMode::PieceSize) {
        if (packets) {
            pieceSpans = PiecesOfSizeAtKeyframes(*packets, rangeStart, rangeLength, pieceBytes);
        } else {
            // An encoding, or a copy of a source whose packets the engine
            // cannot list: measured by the rate, corrected piece by piece. A
            // copy's rate is the source's own.
            double rate = CopiesVideo(arguments) ? 0 : BytesPerSecondOfArguments(arguments);
            const std::optional<FileStamp> sourceStamp = FileStampOf(source);
            if (!(rate > 0) && sourceStamp && SourceSeconds() > 0)
                rate = static_cast<double>(sourceStamp->size) / SourceSeconds();
            // Pieces meet between two pictures of the source.
            SourceProbe rateProbe;
            std::optional<double> frameRate;
            if (CanStartProgramAt(korvane_.EnginePath)
                && rateProbe.Start(korvane_.EnginePath, PathForOtherPrograms(source))
                && rateProbe.Finish(kProbeWaitMs))
                frameRate = rateProbe.FrameRate();
            encoded.emplace(rangeStart, rangeLength, pieceBytes, rate, frameRate.value_or(0));
        }
    }
    auto nextSpan = [&](std::int32_t number) -> std::optional<ClipSpan> {
        if (encoded)
            return encoded->Next();
        if (pieces)
            return number <= static_cast<std::int32_t>(pieceSpans.size()) ? std::optional(pieceSpans[number - 1])
                                                                          : std::nullopt;
        return number <= plan.ClipCount() ? std::optional(plan.Clip(number)) : std::nullopt;
    };
    auto expectedCount = [&]() -> std::int32_t {
        if (encoded)
            return encoded->ExpectedCount();
        return pieces ? static_cast<std::int32_t>(pieceSpans.size()) : plan.ClipCount();
    };

    TSettingForm* settings = korvane_.SettingForm;
    std::vector<FailedClip> failed;
    std::vector<ShortClip> shortClips;
    // A piece made again, shorter, replaces the one just made without a question.
    bool again = false;
    for (std::int32_t number = 1;; ++number) {
        const std::optional<ClipSpan> next = nextSpan(number);
        if (!next)
            break;
        const ClipSpan span = *next;
        const std::string output = ClipOutputPath(outputFolder, source, number, extension);
        const std::optional<FileStamp> before = FileStampOf(output);
        const bool redo = std::exchange(again, false);
        if (before && !redo && !(settings && settings->chkOverwrite.Checked())) {
            const int answer = ui::ShowMessageBox("The output file is existent. Overwrite it?", "Overwrite",
                                                  MB_YESNO | MB_ICONQUESTION);
            if (answer != IDYES) {
                if (mode != SplitMode::OneClip)
                    continue;
                LeaveBusyState();
                return;
            }
        }

        clip_ = ClipSlot{number, expectedCount(), span.duration};
        labProcessing.SetCaption(ClipProcessingText(mode, source, number));
        // The converter and its engine take long paths in their extended form.
        const std::string commandLine =
            BuildConverterCommandLine(PathForOtherPrograms(source), span.start, span.duration, arguments,
                                      PathForOtherPrograms(output), pieces);

        outputTail_.Clear();
        const ClipRunResult result = RunConverterClip(Converter, korvane_.ConverterPath, commandLine, *this);
        if (result == ClipRunResult::PipeFailed || result == ClipRunResult::StartFailed) {
            ShowReinstallError();
            LeaveBusyState();
            return;
        }
        if (result == ClipRunResult::Cancelled) {
            LeaveBusyState();
            return;
        }
        const double reached = progress_.LastTime();
        ShowProgress(progress_.EndClip());
        // A converter that ended is not yet a clip made: it says by its exit
        // code, and the file must be there with something in it.
        if (auto failure = ClipFailure(Converter.ExitCode(), FileHasContent(output), outputTail_.LastLine())) {
            failed.push_back(FailedClip{number, std::move(*failure)});
            // What the converter left would pass for a clip. A file it did
            // not touch (one it could not even open) is still the user's.
            const std::optional<FileStamp> after = FileStampOf(output);
            if (after && after != before)
                RemoveFile(output);
            continue;
        }
        if (auto length = ShortClipLength(span.start, span.duration, SourceSeconds(), reached))
            shortClips.push_back(ShortClip{number, *length});
        if (encoded)
            if (const std::optional<FileStamp> made = FileStampOf(output))
                if (encoded->Made(static_cast<double>(made->size))) {
                    again = true;
                    --number;
                }
    }
    if (!failed.empty())
        return ReportFailedClips(expectedCount(), failed);
    CompleteJob(shortClips);
}

std::optional<SourcePackets> TMainForm::ListSourcePackets(const std::string& source, double rangeStart,
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

void TMainForm::ReportFailedClips(std::int32_t clipCount, const std::vector<FailedClip>& failed)
{
    tmrPreview.SetEnabled(false);
    tmrProcess.SetEnabled(false);
    ui::ShowMessageBox(FailedClipsMessage(clipCount, failed), ui::App().Title(), MB_OK | MB_ICONERROR);
    LeaveBusyState();
}

void TMainForm::CompleteJob(const std::vector<ShortClip>& shortClips)
{
    tmrPreview.SetEnabled(false);
    tmrProcess.SetEnabled(false);
    TSettingForm* settings = korvane_.SettingForm;
    TCountDownForm* countdown = korvane_.CountDownForm;
    if (settings && countdown && settings->chkTurnoff.Checked()) {
        JobState = jsIdle;
        countdown->Start(TCountDownForm::caPowerOff);
        return;
    }
    if (settings && countdown && settings->chkExit.Checked()) {
        JobState = jsIdle;
        countdown->Start(TCountDownForm::caExit);
        return;
    }
    ui::ShowMessageBox(CompletedMessage(shortClips), "Completed", MB_OK | MB_ICONINFORMATION);
    if (settings && settings->chkOpenDir.Checked() && korvane_.ShellOpen)
        korvane_.ShellOpen(Handle(), edtOutputDir.Text());
    LeaveBusyState();
}

void TMainForm::PumpMessages()
{
    ui::App().ProcessMessages();
}

bool TMainForm::CancelRequested()
{
    return JobState == jsCancelRequested;
}

void TMainForm::OnOutput(std::string_view bytes)
{
    outputTail_.Feed(bytes);
    ShowProgress(progress_.OnOutput(bytes, clip_));
}

void TMainForm::ShowProgress(const ProgressBars& bars)
{
    pgbCurrent.SetPosition(bars.current);
    pgbTotal.SetPosition(bars.total);
    labCurProgress.SetCaption(PercentText(bars.current));
    labTotalProgress.SetCaption(PercentText(bars.total));
}

// --- busy state ------------------------------------------------------------------------

void TMainForm::EnterBusyState()
{
    FilterGraph.Stop();
    clock_.Start();
    progress_.Start();
    tmrPreview.SetEnabled(true);
    tmrProcess.SetEnabled(true);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&tkbProgress, &sbtnPlayPreview, &sbtnPausePreview,
                                                              &sbtnStopPreview, &sbtnSelStart, &sbtnSelEnd,
                                                              &sbtnErase})
        c->SetEnabled(false);
    imgStart.Hide();
    imgCancel.Show();
    sbtnOpen.SetEnabled(false);
    sbtnSettings.SetEnabled(false);
    ShowProgress(ProgressBars{});
    labElapsed.SetCaption("");
    labRemaining.SetCaption("");
    panProgress.Show();
}

void TMainForm::LeaveBusyState()
{
    tmrPreview.SetEnabled(false);
    tmrProcess.SetEnabled(false);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&tkbProgress, &sbtnPlayPreview, &sbtnPausePreview,
                                                              &sbtnStopPreview, &sbtnSelStart, &sbtnSelEnd,
                                                              &sbtnErase})
        c->SetEnabled(true);
    imgStart.Show();
    imgCancel.Hide();
    sbtnOpen.SetEnabled(true);
    sbtnSettings.SetEnabled(true);
    panProgress.Hide();
    JobState = jsIdle;
}

void TMainForm::tmrProcessTimer(ui::Component&)
{
    const JobTimeTexts texts = clock_.Tick(pgbTotal.Position());
    labElapsed.SetCaption(texts.elapsed);
    labRemaining.SetCaption(texts.remaining);
}

} // namespace korvane
