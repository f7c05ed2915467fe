#include "app/MainForm.h"

#include "app/AboutForm.h"
#include "app/FileNames.h"
#include "app/FileNamesWin.h"
#include "app/WindowKeys.h"
#include "prefs/SettingForm.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/opSettingForm.h"
#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/SystemDll.h"

#include <shellapi.h>

#include <optional>
#include <utility>

namespace korvane {
namespace {

constexpr COLORREF kLightText = RGB(0xEB, 0xEB, 0xEB);
// The flat colours the background pictures have under the controls.
constexpr COLORREF kDarkPanel = RGB(30, 35, 43);
constexpr COLORREF kLightPanel = RGB(238, 241, 245);

constexpr char kEnterKey = 13;
constexpr char kNoPreviewText[] = "No preview is available for this file.";
// How often the engine's reports (a source's length, the end pictures) are collected.
constexpr unsigned kProbeIntervalMs = 50;

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
    : ui::Form("TMainForm"), korvane_(korvane),
      preview_(korvane, {FilterGraph, VideoWindow, tkbProgress, panbanner, labNoPreview, labMiddle, labRight,
                         labCurrent, tmrProbe, edtSource}),
      pictures_(korvane, {imgFirstFrame, imgLastFrame, tmrFrames}),
      marks_({tkbProgress, edtStart, edtEnd, labStart, labEnd, labLength, edtSource}, preview_, pictures_),
      modes_({rdbStartEnd, rdbEqual, edtSectionQty, rdbPieceLength, edtPieceLength, rdbPieceSize, edtPieceSize}),
      job_(korvane,
           {*this, edtSource, edtStart, edtEnd, cmbProfile, edtOutputDir, labProcessing, pgbCurrent, labCurProgress,
            pgbTotal, labTotalProgress, labElapsed, labRemaining},
           JobState, *this, preview_, modes_)
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
    {
        const StartupStepScope step(korvane_, StartupStep::SkinAndPictures);
        LoadPictures();
    }

    tmrProcess.SetEnabled(false);
    tmrProcess.SetInterval(1000);
    tmrProcess.OnTimer = ui::Handler(this, &TMainForm::tmrProcessTimer);
    tmrPreview.SetEnabled(false);
    tmrPreview.SetInterval(1000);
    tmrPreview.OnTimer = ui::Handler(this, &TMainForm::tmrPreviewTimer);
    tmrProbe.SetEnabled(false);
    tmrProbe.SetInterval(kProbeIntervalMs);
    tmrProbe.OnTimer = ui::Handler(this, &TMainForm::tmrProbeTimer);
    tmrFrames.SetEnabled(false);
    tmrFrames.SetInterval(kProbeIntervalMs);
    tmrFrames.OnTimer = ui::Handler(this, &TMainForm::tmrFramesTimer);

    FilterGraph.SetGraphEdit(true);
    FilterGraph.SetLinearVolume(true);
    FilterGraph.SetMode(gmNormal);
    FilterGraph.SetAutoCreate(false);
    // Times typed while the engine read the length are marked once it is known.
    preview_.OnLengthKnown = [this] { marks_.CommitShownMarks(); };

    OnCreate = ui::Handler(this, &TMainForm::FormCreate);
    OnShow = ui::Handler(this, &TMainForm::FormShow);
    OnCloseQuery = ui::Handler(this, &TMainForm::FormCloseQuery);
    OnClose = ui::Handler(this, &TMainForm::FormClose);

    // The skin travels with the window; a container of that name in the
    // program's folder is looked for first, the built-in one is read last.
    const StartupStepScope step(korvane_, StartupStep::SkinAndPictures);
    SkinEngine1.SetActive(korvane_.Skinned);
    SkinEngine1.SetSkinFile("Korvane.skn");
    SkinEngine1.SetBuiltIn(true);
    if (korvane_.Skinned)
        SkinEngine1.SetSkinData(BuiltInSkinData());
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
    sbtnOpen.SetHint("Open a video (Ctrl+O)");
    sbtnHelp.SetHint("Help (F1)");
    for (ui::SpeedButton* b : {&sbtnOpen, &sbtnHelp})
        b->SetShowHint(true);
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
    // The keys that do the same, where the mouse finds the buttons.
    const std::pair<ui::Control*, const char*> hints[] = {
        {&sbtnPlayPreview, "Play (Space)"},
        {&sbtnPausePreview, "Pause (Space)"},
        {&sbtnStopPreview, "Stop"},
        {&sbtnSelStart, "Mark the start here (I)"},
        {&sbtnSelEnd, "Mark the end here (O)"},
        {&sbtnErase, "Clear the marks"},
        {&tkbProgress, "Left, Right: one frame back or on; Shift: 1 second; Ctrl: 10 seconds; Home, End: the start "
                       "or the end"},
    };
    for (const auto& [control, hint] : hints) {
        control->SetHint(hint);
        control->SetShowHint(true);
    }
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
    // Below the output path, beside the Split picture: the range's first and
    // last frames, shown once they are marked.
    imgFirstFrame.Place(&panRight, 20, 292, 96, 60);
    imgLastFrame.Place(&panRight, 122, 292, 96, 60);
    imgFirstFrame.SetHint("The first frame of the marked range");
    imgLastFrame.SetHint("The last frame of the marked range");
    for (ui::Image* picture : {&imgFirstFrame, &imgLastFrame}) {
        picture->SetStretch(true);
        picture->SetShowHint(true);
        picture->Hide();
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

    modes_.LoadChoice(IniFile(korvane_.ProgramDir + "Preferences.ini"));
    ProfileCatalogue catalogue;
    {
        const StartupStepScope step(korvane_, StartupStep::ProfilesListed);
        catalogue = ReadProfileCatalogue(korvane_.ProgramDir);
        for (const std::string& name : catalogue.names)
            cmbProfile.Add(name);
    }
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
        IniFile preferences(korvane_.ProgramDir + "Preferences.ini");
        modes_.SaveChoice(preferences);
    });
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
    using DragFinishFn = void(WINAPI*)(HDROP);
    using DragQueryFileFn = UINT(WINAPI*)(HDROP, UINT, char*, UINT);
    struct DropRelease {
        HDROP drop;
        ~DropRelease()
        {
            if (const auto finish = ui::SystemFunction<DragFinishFn>("shell32.dll", "DragFinish"))
                finish(drop);
        }
    } release{drop};
    const auto query = ui::SystemFunction<DragQueryFileFn>("shell32.dll", "DragQueryFileA");
    if (panProgress.Visible() || !query)
        return;
    // The whole name, however long: in UTF-8 a name in another script takes
    // two or three bytes a letter, and a cut name would name no file.
    const UINT length = query(drop, 0, nullptr, 0);
    std::string path(length + 1, '\0');
    path.resize(query(drop, 0, path.data(), length + 1));
    if (IsSupportedExtension(path, SupportedExtensions) && FileExists(path))
        LoadSource(path);
}

void TMainForm::LoadSource(const std::string& path)
{
    edtSource.SetText(path);
    if (!IniFile(korvane_.ProgramDir + "Preferences.ini").ReadBool("Main", "Aptotic", true))
        edtOutputDir.SetText(WithTrailingBackslash(ExtractFileDir(path)));
    SourceLoaded = true;

    const StartupStepScope step(korvane_, StartupStep::MediaGraphReady);
    try {
        preview_.Load(path);
    } catch (const std::exception&) {
        // The converter may still cut a source the preview cannot show: it
        // stays loaded, and the render error reaches the user.
        marks_.Clear();
        VideoWindow.Show();
        JobState = jsIdle;
        throw;
    }
    // The preview's keys work at once, not only after the user leaves an
    // edit; a time left in an edit is committed now, before the range goes.
    // A source from the command line gets it when the window first shows.
    SetActiveControl(&tkbProgress);
    // A new source starts without a marked range; the seek bar takes the new
    // source's range and position from its first tick.
    marks_.Clear();

    VideoWindow.Show();
    JobState = jsIdle;
}

double TMainForm::SourceSeconds() const
{
    return preview_.SourceSeconds();
}

void TMainForm::tmrProbeTimer(ui::Component&)
{
    preview_.CollectLength();
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
        korvane_.opSettingForm->ChooseProfile(path);
}

// --- preview -----------------------------------------------------------------------------

void TMainForm::sbtnPlayPreviewClick(ui::Component&)
{
    if (SourceLoaded)
        preview_.Play();
}

void TMainForm::sbtnPausePreviewClick(ui::Component&)
{
    if (SourceLoaded)
        preview_.Pause();
}

void TMainForm::sbtnStopPreviewClick(ui::Component&)
{
    if (SourceLoaded)
        preview_.Stop();
}

void TMainForm::StepFrames(int frames)
{
    if (SourceLoaded)
        preview_.StepFrames(frames);
}

bool TMainForm::ReadyToJump()
{
    return SourceLoaded && preview_.ReadyToJump();
}

void TMainForm::JumpSeconds(double seconds)
{
    if (SourceLoaded)
        preview_.JumpSeconds(seconds);
}

void TMainForm::JumpToEnd(bool end)
{
    if (SourceLoaded)
        preview_.JumpToEnd(end);
}

void TMainForm::tkbProgressTimer(ui::Component&, std::uint32_t, std::uint32_t)
{
    preview_.ShowPosition();
}

void TMainForm::tmrPreviewTimer(ui::Component&)
{
    preview_.ShowWholeSource();
}

// --- keys ----------------------------------------------------------------------------------

namespace {

bool KeyHeld(int key) { return ::GetKeyState(key) < 0; }

// The control of this window that has the keyboard focus, or null.
ui::WinControl* FocusedControl(ui::Form& form)
{
    for (HWND h = ::GetFocus(); h; h = ::GetParent(h)) {
        if (ui::WinControl* c = ui::WinControl::FromHandle(h))
            return c == &form ? nullptr : c;
        if (h == form.HandleIfAllocated())
            break;
    }
    return nullptr;
}

KeyFocus FocusKind(const ui::WinControl* focused)
{
    if (dynamic_cast<const ui::Edit*>(focused) || dynamic_cast<const ui::ComboBox*>(focused))
        return KeyFocus::Typing;
    if (dynamic_cast<const ui::Button*>(focused) || dynamic_cast<const ui::CheckBox*>(focused))
        return KeyFocus::Pressable;
    return KeyFocus::Other;
}

} // namespace

bool TMainForm::DialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return ui::Form::DialogKey(msg);
    KeyStroke press;
    press.key = static_cast<WORD>(msg.wParam);
    press.ctrl = KeyHeld(VK_CONTROL);
    press.shift = KeyHeld(VK_SHIFT);
    press.alt = KeyHeld(VK_MENU);
    press.fullScreen = VideoWindow.FullScreen();
    press.focus = FocusKind(FocusedControl(*this));
    const WindowKey key = ReadWindowKey(press);
    // The preview's keys are taken while a job runs too, and do nothing.
    const bool preview = SourceLoaded && JobState == jsIdle;
    switch (key) {
    case WindowKey::None:
        return ui::Form::DialogKey(msg);
    case WindowKey::Help:
        sbtnHelpClick(sbtnHelp);
        break;
    case WindowKey::Open:
        if (sbtnOpen.Enabled())
            sbtnOpenClick(sbtnOpen);
        break;
    case WindowKey::LeaveFullScreen:
        VideoWindow.SetFullScreen(false);
        break;
    case WindowKey::PlayOrPause:
        if (preview) {
            if (preview_.Playing())
                sbtnPausePreviewClick(sbtnPausePreview);
            else
                sbtnPlayPreviewClick(sbtnPlayPreview);
        }
        break;
    case WindowKey::FrameBack:
    case WindowKey::FrameOn:
        if (preview)
            StepFrames(key == WindowKey::FrameBack ? -1 : 1);
        break;
    case WindowKey::SecondBack:
    case WindowKey::SecondOn:
        if (preview)
            JumpSeconds(key == WindowKey::SecondBack ? -1.0 : 1.0);
        break;
    case WindowKey::TenSecondsBack:
    case WindowKey::TenSecondsOn:
        if (preview)
            JumpSeconds(key == WindowKey::TenSecondsBack ? -10.0 : 10.0);
        break;
    case WindowKey::ToStart:
    case WindowKey::ToEnd:
        if (preview)
            JumpToEnd(key == WindowKey::ToEnd);
        break;
    case WindowKey::MarkStart:
        if (sbtnSelStart.Enabled())
            sbtnSelStartClick(sbtnSelStart);
        break;
    case WindowKey::MarkEnd:
        if (sbtnSelEnd.Enabled())
            sbtnSelEndClick(sbtnSelEnd);
        break;
    }
    return true;
}

// --- range marking -----------------------------------------------------------------------

void TMainForm::sbtnSelStartClick(ui::Component&)
{
    if (SourceLoaded)
        marks_.MarkStartHere();
}

void TMainForm::sbtnSelEndClick(ui::Component&)
{
    if (SourceLoaded)
        marks_.MarkEndHere();
}

double TMainForm::CurrentMarkSeconds()
{
    return preview_.MarkSeconds();
}

void TMainForm::sbtnEraseClick(ui::Component&)
{
    if (SourceLoaded)
        marks_.Clear();
}

void TMainForm::edtStartExit(ui::Component&)
{
    if (SourceLoaded)
        marks_.CommitTypedStart();
}

void TMainForm::edtStartKeyPress(ui::Control&, char& key)
{
    if (key == kEnterKey && SourceLoaded)
        marks_.CommitTypedStart();
}

void TMainForm::edtEndExit(ui::Component&)
{
    if (SourceLoaded)
        marks_.CommitTypedEnd();
}

void TMainForm::edtEndKeyPress(ui::Control&, char& key)
{
    if (key == kEnterKey && SourceLoaded)
        marks_.CommitTypedEnd();
}

void TMainForm::MarkRangeStart(double seconds)
{
    marks_.MarkStart(seconds);
}

void TMainForm::MarkRangeEnd(double seconds)
{
    marks_.MarkEnd(seconds);
}

void TMainForm::tmrFramesTimer(ui::Component&)
{
    pictures_.Collect();
}

// --- modes -------------------------------------------------------------------------------

// A click into a mode's box chooses that mode.
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

void TMainForm::RunSplitJob(const std::string& profileArguments)
{
    job_.Run(profileArguments);
}

// --- busy state ------------------------------------------------------------------------

void TMainForm::EnterBusyState()
{
    preview_.Stop();
    job_.ResetProgress();
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
    panProgress.Show();
}

void TMainForm::LeaveBusyState()
{
    StopJobTimers();
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

void TMainForm::StopJobTimers()
{
    tmrPreview.SetEnabled(false);
    tmrProcess.SetEnabled(false);
}

void TMainForm::tmrProcessTimer(ui::Component&)
{
    job_.Tick();
}

} // namespace korvane
