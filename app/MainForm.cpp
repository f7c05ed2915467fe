#include "app/MainForm.h"

#include "app/FileNames.h"
#include "app/FileNamesWin.h"
#include "app/TimeText.h"
#include "app/TimeTextLocale.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "app/AboutForm.h"
#include "converter/ClipLines.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/opSettingForm.h"
#include "split/ClipPlan.h"
#include "split/CommandLineLocale.h"
#include "split/PiecePlan.h"
#include "split/EngineReport.h"
#include "split/Rounding.h"
#include "preview/MediaUnits.h"
#include "preview/TurnFilter.h"
#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/SystemDll.h"

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
// How often the engine's report of a source is collected.
constexpr unsigned kProbeIntervalMs = 50;
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

    LoadPieceChoice();
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
    panbanner.Hide();
    edtSource.SetText(path);
    if (!IniFile(korvane_.ProgramDir + "Preferences.ini").ReadBool("Main", "Aptotic", true))
        edtOutputDir.SetText(WithTrailingBackslash(ExtractFileDir(path)));
    SourceLoaded = true;

    probe_.Stop();
    tmrProbe.SetEnabled(false);
    previewless_ = false;
    labNoPreview.Hide();
    const StartupStepScope step(korvane_, StartupStep::MediaGraphReady);
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
    // A phone's upright video, stored sideways, is shown upright; where the
    // turn cannot be put in, the picture stays as stored.
    if (const int degrees = MovieFileRotation(path))
        InsertPictureTurn(FilterGraph.Graph(), VideoWindow.Renderer(), degrees);
    FilterGraph.Play();

    ShowSourceLength(FilterGraph.GetDurationMs());
    // The preview's keys work at once, not only after the user leaves an
    // edit; a time left in an edit is committed now, before the range goes.
    // A source from the command line gets it when the window first shows.
    SetActiveControl(&tkbProgress);
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
    if (probe_.Poll()) {
        tmrProbe.SetEnabled(false);
        SourceProbeEnded();
        return;
    }
    if (!probe_.Overdue(korvane_.EngineAnswerMs))
        return;
    tmrProbe.SetEnabled(false);
    probe_.Stop();
    SourceProbeEnded();
    ReportSilentEngine("length", edtSource.Text());
}

SourceProbe::Wait TMainForm::AwaitEngine(SourceProbe& probe)
{
    labProcessing.SetCaption("Reading: " + ExtractFileName(edtSource.Text()));
    return probe.Await(korvane_.EngineAnswerMs, [this] { PumpMessages(); }, [this] { return CancelRequested(); });
}

bool TMainForm::AwaitSourceLength()
{
    // The window shows the job as busy, so that the user can cancel it or
    // close the window, and cannot start it twice or load another source.
    tmrProbe.SetEnabled(false);
    EnterBusyState();
    JobState = jsRunning;
    const SourceProbe::Wait wait = AwaitEngine(probe_);
    if (wait == SourceProbe::Wait::Cancelled) {
        // The engine reads on for the next Start, unless the window is closing.
        if (ui::App().Terminated())
            probe_.Stop();
        else
            tmrProbe.SetEnabled(true);
        LeaveBusyState();
        return false;
    }
    SourceProbeEnded();
    if (wait == SourceProbe::Wait::Overdue)
        ReportSilentEngine("length", edtSource.Text());
    LeaveBusyState();
    return wait == SourceProbe::Wait::Ended;
}

void TMainForm::ReportSilentEngine(const std::string& what, const std::string& source)
{
    const DWORD seconds = (korvane_.EngineAnswerMs + 500) / 1000;
    ui::ShowMessageBox("The converter's engine did not tell the " + what + " of " + ExtractFileName(source)
                           + " within " + std::to_string(seconds) + (seconds == 1 ? " second." : " seconds."),
                       ui::App().Title(), MB_OK | MB_ICONERROR);
}

void TMainForm::SourceProbeEnded()
{
    engineSeconds_ = probe_.Seconds().value_or(0);
    // A file the engine is not allowed to follow is no source: the user
    // hears why, in the report every load failure goes through.
    if (const auto refusal = probe_.Refusal())
        ui::App().HandleException(ui::Error(*refusal));
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
        korvane_.opSettingForm->ChooseProfile(path);
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

// --- keys and frame stepping -----------------------------------------------------------------

namespace {

// A common frame time (25 frames a second) for video that does not say its own.
constexpr double kFallbackFrameTime = 400000;
constexpr LONGLONG kUnitsPerSecond = 10000000;

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

} // namespace

bool TMainForm::DialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return ui::Form::DialogKey(msg);
    const WORD key = static_cast<WORD>(msg.wParam);
    const bool ctrl = KeyHeld(VK_CONTROL);
    const bool shift = KeyHeld(VK_SHIFT);
    if (KeyHeld(VK_MENU))
        return ui::Form::DialogKey(msg);   // Alt and the underlined letters

    // Keys that type nothing work wherever the focus is.
    if (key == VK_F1 && !ctrl && !shift) {
        sbtnHelpClick(sbtnHelp);
        return true;
    }
    if (key == 'O' && ctrl && !shift) {
        if (sbtnOpen.Enabled())
            sbtnOpenClick(sbtnOpen);
        return true;
    }
    if (key == VK_ESCAPE && VideoWindow.FullScreen()) {
        VideoWindow.SetFullScreen(false);
        return true;
    }

    // The others are left to an edit or a list being typed in, and Space
    // and the arrows to a button or box that has the focus: they are its own.
    ui::WinControl* focused = FocusedControl(*this);
    if (dynamic_cast<ui::Edit*>(focused) || dynamic_cast<ui::ComboBox*>(focused))
        return ui::Form::DialogKey(msg);
    const bool pressable = dynamic_cast<ui::Button*>(focused) || dynamic_cast<ui::CheckBox*>(focused);
    const bool preview = SourceLoaded && JobState == jsIdle;
    switch (key) {
    case VK_SPACE:
        if (pressable || ctrl || shift)
            break;
        if (preview) {
            auto control = FilterGraph.Query<IMediaControl>(IID_IMediaControl);
            OAFilterState state = State_Stopped;
            if (control && SUCCEEDED(control->GetState(0, &state)) && state == State_Running)
                sbtnPausePreviewClick(sbtnPausePreview);
            else
                sbtnPlayPreviewClick(sbtnPlayPreview);
        }
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        if (pressable)
            break;
        const int direction = key == VK_LEFT ? -1 : 1;
        if (preview) {
            if (ctrl)
                JumpSeconds(10.0 * direction);
            else if (shift)
                JumpSeconds(1.0 * direction);
            else
                StepFrames(direction);
        }
        return true;
    }
    case VK_HOME:
    case VK_END:
        if (ctrl || shift)
            break;
        if (preview)
            JumpToEnd(key == VK_END);
        return true;
    case 'I':
    case 'O':
        if (ctrl || shift)
            break;
        if (key == 'I' && sbtnSelStart.Enabled())
            sbtnSelStartClick(sbtnSelStart);
        else if (key == 'O' && sbtnSelEnd.Enabled())
            sbtnSelEndClick(sbtnSelEnd);
        return true;
    default:
        break;
    }
    return ui::Form::DialogKey(msg);
}

double TMainForm::PreviewFrameTime()
{
    const double frameTime = FilterGraph.FrameTime();
    return frameTime > 0 ? frameTime : kFallbackFrameTime;
}

void TMainForm::ShowPreviewPosition()
{
    tkbProgress.TimerTick();
}

// Forward by the graph's own frame step where it has one; else, and always
// backward, by a seek into the middle of the frame wanted, so that the
// picture is that frame's on a graph that rounds a time on a frame's edge
// either way. The marks are made on the frame's start all the same.
void TMainForm::StepFrames(int frames)
{
    if (!SourceLoaded || previewless_ || frames == 0)
        return;
    if (!FilterGraph.PauseForStill())
        return;
    while (frames > 0 && FilterGraph.StepOneFrame())
        --frames;
    if (frames != 0) {
        const LONGLONG position = FilterGraph.CurrentPosition();
        const LONGLONG duration = FilterGraph.Duration();
        if (position < 0)
            return;
        const double frameTime = PreviewFrameTime();
        std::int64_t target = FrameAt(position, frameTime) + frames;
        // Past the last frame there is nothing to show; before the first, the first.
        if (target < 0)
            target = 0;
        if (duration <= 0 || FrameStart(target, frameTime) < duration)
            FilterGraph.SeekTo(FrameMiddle(target, frameTime));
    }
    ShowPreviewPosition();
}

// A halted preview is paused so that it shows the picture it jumps to; a
// playing one plays on from there. False when there is no preview to jump in.
bool TMainForm::ReadyToJump()
{
    if (!SourceLoaded || previewless_)
        return false;
    auto control = FilterGraph.Query<IMediaControl>(IID_IMediaControl);
    OAFilterState state = State_Stopped;
    if (!control || FAILED(control->GetState(0, &state)))
        return false;
    if (state != State_Running)
        FilterGraph.PauseForStill();
    return true;
}

void TMainForm::JumpSeconds(double seconds)
{
    if (!ReadyToJump())
        return;
    const LONGLONG position = FilterGraph.CurrentPosition();
    if (position < 0)
        return;
    LONGLONG target = position + static_cast<LONGLONG>(seconds * kUnitsPerSecond);
    const LONGLONG duration = FilterGraph.Duration();
    const double frameTime = PreviewFrameTime();
    // Beyond either end: the first or the last frame.
    if (target < 0)
        target = FrameMiddle(0, frameTime);
    else if (duration > 0 && target >= duration)
        target = FrameMiddle(LastFrame(duration, frameTime), frameTime);
    FilterGraph.SeekTo(target);
    ShowPreviewPosition();
}

void TMainForm::JumpToEnd(bool end)
{
    if (!ReadyToJump())
        return;
    const double frameTime = PreviewFrameTime();
    const LONGLONG duration = FilterGraph.Duration();
    FilterGraph.SeekTo(end && duration > 0 ? FrameMiddle(LastFrame(duration, frameTime), frameTime)
                                           : FrameMiddle(0, frameTime));
    ShowPreviewPosition();
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
    markStart_ = CurrentMarkSeconds();
    tkbProgress.SetSelStart(SelectionSeconds(markStart_));
    edtStart.SetText(SecondsToMarkText(markStart_));
    labStart.SetCaption("[ " + edtStart.Text());
    PlaceStartLabel();
    labStart.Show();
    ShowRangeLength();
    TakeEndPicture(false);
}

void TMainForm::sbtnSelEndClick(ui::Component&)
{
    if (!SourceLoaded)
        return;
    markEnd_ = CurrentMarkSeconds();
    tkbProgress.SetSelEnd(SelectionSeconds(markEnd_));
    edtEnd.SetText(SecondsToMarkText(markEnd_));
    labEnd.SetCaption(edtEnd.Text() + " ]");
    PlaceEndLabel();
    labEnd.Show();
    ShowRangeLength();
    TakeEndPicture(true);
}

double TMainForm::CurrentMarkSeconds()
{
    const int barSecond = tkbProgress.Position();
    if (previewless_)
        return barSecond;
    const LONGLONG position = FilterGraph.CurrentPosition();
    if (position < 0)
        return barSecond;
    LONGLONG shown = position;
    const double frameTime = FilterGraph.FrameTime();
    if (frameTime > 0)
        shown = FrameStart(FrameAt(position, frameTime), frameTime);
    // Cut to the millisecond: a mark never lies after the frame it was made on.
    const std::int64_t ms = shown / 10000;
    // Playing, the bar lags its once-a-second tick; halted, it shows the
    // preview's second unless the user moved it.
    auto control = FilterGraph.Query<IMediaControl>(IID_IMediaControl);
    OAFilterState state = State_Stopped;
    const bool running = control && SUCCEEDED(control->GetState(0, &state)) && state == State_Running;
    const std::int64_t apart = ms / 1000 - barSecond;
    if (running ? (apart < -1 || apart > 1) : apart != 0)
        return barSecond;
    return ms / 1000.0;
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
    markStart_ = 0;
    markEnd_ = 0;
    firstGrab_.Stop();
    lastGrab_.Stop();
    tmrFrames.SetEnabled(false);
    imgFirstFrame.Hide();
    imgLastFrame.Hide();
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

// The edit keeps the time as typed (normalised to the millisecond), even past
// the source's end; only the marks stop at the duration. The job reads the edit.
void TMainForm::MarkRangeStart(double seconds)
{
    const double duration = SourceSeconds();
    if (duration < seconds)
        seconds = duration;
    markStart_ = seconds < 0 ? 0 : seconds;
    tkbProgress.SetSelStart(SelectionSeconds(seconds));
    const double typed = TimeTextToSeconds(edtStart.Text());
    edtStart.SetText(SecondsToMarkText(typed != -1 ? typed : seconds));
    labStart.SetCaption("[ " + edtStart.Text());
    PlaceStartLabel();
    labStart.Show();
    ShowRangeLength();
    TakeEndPicture(false);
}

void TMainForm::MarkRangeEnd(double seconds)
{
    const double duration = SourceSeconds();
    if (duration < seconds)
        seconds = duration;
    markEnd_ = seconds < 0 ? 0 : seconds;
    tkbProgress.SetSelEnd(SelectionSeconds(seconds));
    const double typed = TimeTextToSeconds(edtEnd.Text());
    edtEnd.SetText(SecondsToMarkText(typed != -1 ? typed : seconds));
    labEnd.SetCaption(edtEnd.Text() + " ]");
    PlaceEndLabel();
    labEnd.Show();
    ShowRangeLength();
    TakeEndPicture(true);
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

// The marks to the millisecond decide: 10.2 s to 10.4 s is a range, though
// the bar's whole-second selection cannot show it.
void TMainForm::ShowRangeLength()
{
    labLength.Show();
    if (markStart_ < markEnd_)
        labLength.SetCaption(kRangeLengthText + SecondsToMarkText(markEnd_ - markStart_));
    else
        labLength.SetCaption(kRangeOrderText);
}

// The last frame is the one before the end mark: the clip stops at the mark.
void TMainForm::TakeEndPicture(bool last)
{
    FrameGrab& grab = last ? lastGrab_ : firstGrab_;
    ui::Image& image = last ? imgLastFrame : imgFirstFrame;
    double seconds = last ? markEnd_ : markStart_;
    if (last) {
        const double frameTime = previewless_ ? 0 : FilterGraph.FrameTime();
        seconds -= (frameTime > 0 ? frameTime : kFallbackFrameTime) / 1e7;
        if (seconds < markStart_)
            seconds = markStart_;
    }
    if (!grab.Start(korvane_.EnginePath, edtSource.Text(), seconds, image.Width(), image.Height())) {
        image.Hide();
        return;
    }
    tmrFrames.SetEnabled(true);
}

void TMainForm::tmrFramesTimer(ui::Component&)
{
    if (firstGrab_.Running() && firstGrab_.Poll())
        ShowEndPicture(firstGrab_, imgFirstFrame);
    if (lastGrab_.Running() && lastGrab_.Poll())
        ShowEndPicture(lastGrab_, imgLastFrame);
    if (!firstGrab_.Running() && !lastGrab_.Running())
        tmrFrames.SetEnabled(false);
}

// A frame the engine could not take (a mark past the end) shows no picture.
void TMainForm::ShowEndPicture(FrameGrab& grab, ui::Image& image)
{
    const std::string file = grab.Picture();
    bool shown = false;
    if (!file.empty()) {
        try {
            image.Picture().LoadFromFile(file);
            shown = true;
        } catch (const std::exception&) {
        }
    }
    grab.Stop();
    image.SetVisible(shown);
    if (shown)
        image.Invalidate();
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
    // A negative start reads as a time, but no clip can begin before the source.
    if (!(rangeStart >= 0))
        return RefuseJob("Invalid Start Time", "Please varify the Start Time you selected.", &edtStart);
    // A length the engine is still reading is waited for.
    if (probe_.Running() && !AwaitSourceLength())
        return;
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
        // No section at all would make no clip and still end as a success.
        if (!count || *count < 1)
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
        std::optional<double> rate;
        if (!ReadFrameRate(source, rate))
            return LeaveBusyState();
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
            std::optional<double> frameRate;
            if (!ReadFrameRate(source, frameRate))
                return LeaveBusyState();
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
    std::vector<std::string> notices;
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
            // A converter stopped mid-clip cannot remove the subtitles it
            // wrote beside an encoded clip.
            for (bool movText : {false, true})
                RemoveFile(frontend::ClipLinesPath(output, movText));
            LeaveBusyState();
            return;
        }
        const double reached = progress_.Reached();
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
        for (const std::string& line : outputTail_.Lines())
            if (auto notice = ClipNotice(line, number))
                notices.push_back(std::move(*notice));
    }
    if (!failed.empty())
        return ReportFailedClips(expectedCount(), failed);
    CompleteJob(shortClips, notices);
}

bool TMainForm::ReadFrameRate(const std::string& source, std::optional<double>& rate)
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
        ReportSilentEngine("frame rate", source);
        return false;
    }
    return false;
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

void TMainForm::CompleteJob(const std::vector<ShortClip>& shortClips, const std::vector<std::string>& notices)
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
    ui::ShowMessageBox(CompletedMessage(shortClips, notices), "Completed", MB_OK | MB_ICONINFORMATION);
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
