// The main window's start-up, source intake and the split job's checks,
// driven through the real windows with scripted questions.
#include "tests/app/KorvaneFixture.h"
#include "tests/ui/UiTestSupport.h"

#include "app/AboutForm.h"
#include "app/TimeText.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

namespace korvane::testing {
namespace {

class MainWindow : public KorvaneTest {};

TEST_F(MainWindow, StartsWithItsCaptionFilterAndCatalogue)
{
    WriteProfile("MP4 video", "mp4");
    WriteProfile("AVI video", "avi");
    WriteProfile("Zed", "mov");
    Start();
    TMainForm& main = Main();

    EXPECT_STREQ(main.ClassName(), "TMainForm");
    char className[64] = {};
    GetClassNameA(main.Handle(), className, sizeof className);
    EXPECT_STREQ(className, "TMainForm");
    EXPECT_EQ(main.Caption(), "Korvane V1.8");
    EXPECT_EQ(ui::App().Title(), "Korvane");
    EXPECT_EQ(korvane.ConverterPath, folder.path() + "\\wmaspi.dll");
    EXPECT_EQ(korvane.HelpFile, folder.path() + "\\Korvane.chm");
    EXPECT_EQ(main.labProgramName.Caption(), "Korvane");
    EXPECT_EQ(main.OpenFilter(),
              "All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)|"
              "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;|"
              "AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|MPEG Files (*.mpeg)|*.mpeg|"
              "MP4 Files (*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|"
              "VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*");
    EXPECT_EQ(main.cmbProfile.Items(), (std::vector<std::string>{"AVI video", "MP4 video", "Zed"}));
    // The stored profile 0 is selected and, once shown, loaded into the editor.
    EXPECT_EQ(main.cmbProfile.ItemIndex(), 0);
    EXPECT_EQ(korvane.OutputExtension, ".avi");
    EXPECT_FALSE(main.SourceLoaded);
    EXPECT_EQ(main.JobState, jsIdle);
    EXPECT_TRUE(main.panbanner.Visible());
    EXPECT_FALSE(main.panProgress.Visible());
    EXPECT_EQ(main.panProgress.Height(), 289);
    EXPECT_TRUE(main.imgStart.Visible());
    EXPECT_FALSE(main.imgCancel.Visible());
    EXPECT_EQ(main.edtOutputDir.Text(), OutputDir());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindow, VersionComesFromThePreferences)
{
    Preferences prefs;
    prefs.version = "2.0";
    Start(prefs);
    EXPECT_EQ(Main().Caption(), "Korvane V2.0");
}

TEST_F(MainWindow, MissingProfileFolderIsReportedAndStartUpGoesOn)
{
    RemoveDirectoryA((folder / "Profiles").c_str());
    korvane.CommandLineArgument = SampleVideo();
    Start();
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Caption, "Korvane");
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(Main().cmbProfile.Items().empty());
    // The remaining start-up steps still ran.
    EXPECT_TRUE(Main().SourceLoaded);
}

TEST_F(MainWindow, CommandLineSourceIsLoadedAndPlayed)
{
    korvane.CommandLineArgument = SampleVideo();
    Start();
    EXPECT_TRUE(Main().SourceLoaded);
    EXPECT_EQ(Main().edtSource.Text(), SampleVideo());
    EXPECT_EQ(Main().labRight.Caption(), "00:00:20");
    EXPECT_EQ(Main().labMiddle.Caption(), "00:00:10");
    EXPECT_FALSE(Main().panbanner.Visible());
}

TEST_F(MainWindow, ListFileInCapitalsNamesTheSource)
{
    // The list file's first line names the source; both extensions in capitals.
    const std::string video = folder / "CLIP.AVI";
    ASSERT_TRUE(CopyFileA(SampleVideo().c_str(), video.c_str(), FALSE));
    korvane.CommandLineArgument = folder.Write("LIST.TMP", video + "\r\nsecond line\r\n");
    Start();
    EXPECT_EQ(Main().edtSource.Text(), video);
}

TEST_F(MainWindow, UnsupportedCommandLineSourceIsIgnoredSilently)
{
    korvane.CommandLineArgument = folder.Write("movie.mkv", "not looked at");
    Start();
    EXPECT_FALSE(Main().SourceLoaded);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindow, OutputFolderFollowsTheSourceWithoutTheFixedFolder)
{
    Preferences prefs;
    prefs.aptotic = false;
    Start(prefs);
    Main().LoadSource(SampleVideo());
    const std::string expected = SampleVideo().substr(0, SampleVideo().rfind('\\') + 1);
    EXPECT_EQ(Main().edtOutputDir.Text(), expected);
}

TEST_F(MainWindow, SourceThatCannotBeRenderedIsReportedAfterTheFirstSteps)
{
    Start();
    const std::string bogus = folder.Write("bogus.avi", "this is no video at all");
    ui::Guard([&] { Main().LoadSource(bogus); });
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    const std::string text = dialogs.MessageBoxes()[0].Text;
    EXPECT_EQ(text.back(), '.');
    EXPECT_NE(text.find(" ($8"), std::string::npos) << text;
    EXPECT_EQ(Main().edtSource.Text(), bogus);
    EXPECT_TRUE(Main().SourceLoaded);
    EXPECT_EQ(Main().labRight.Caption(), "00:00:00");
}

TEST_F(MainWindow, SecondSourceClearsTheMarkedRange)
{
    Start();
    Main().LoadSource(SampleVideo());
    SetRange("00:00:03", "00:00:09");
    Main().LoadSource(SampleVideo());
    EXPECT_EQ(Main().edtStart.Text(), "00:00:00");
    EXPECT_EQ(Main().edtEnd.Text(), "00:00:00");
    EXPECT_FALSE(Main().labLength.Visible());
}

// --- the job's eight checks --------------------------------------------------------------

struct CheckCase {
    const char* name;
    void (*arrange)(KorvaneTest& test, TMainForm& main);
    const char* caption;
    const char* text;
    const char* focus;   // name of the control that gets the focus, or null
};

class JobChecks : public MainWindow, public ::testing::WithParamInterface<CheckCase> {
public:
    using KorvaneTest::OutputDir;
};

TEST_P(JobChecks, RefuseWithTheirMessageAndFocus)
{
    WriteProfile("AVI video", "avi");
    Start();
    TMainForm& main = Main();
    main.LoadSource(SampleVideo());
    SetRange("00:00:01", "00:00:05");
    GetParam().arrange(*this, main);
    // No check puts the focus in the end edit: where it stays, the check left it.
    main.edtEnd.SetFocus();

    main.imgStartClick(main.imgStart);

    ASSERT_EQ(Boxes(), std::vector<std::string>{std::string(GetParam().caption) + "|" + GetParam().text});
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    const std::string focused = GetParam().focus ? GetParam().focus : "edtEnd";
    ui::WinControl* focus = ui::WinControl::FromHandle(GetFocus());
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->Name(), focused);
    // Nothing else has happened.
    EXPECT_EQ(main.JobState, jsIdle);
    EXPECT_FALSE(main.panProgress.Visible());
    EXPECT_FALSE(main.tmrProcess.Enabled());
}

void Text(ui::Edit& edit, const char* text) { edit.SetText(text); }

INSTANTIATE_TEST_SUITE_P(
    Table, JobChecks,
    ::testing::Values(
        CheckCase{"NoSource", [](KorvaneTest&, TMainForm& m) { Text(m.edtSource, "C:\\no\\such.avi"); },
                  "Invalid File", "Please specify a valid input video file.", "edtSource"},
        CheckCase{"StartNotTime", [](KorvaneTest&, TMainForm& m) { Text(m.edtStart, "00:00"); },
                  "Invalid Start Time", "Please varify the Start Time you selected.", nullptr},
        CheckCase{"StartAfterSourceEnd",
                  [](KorvaneTest&, TMainForm& m) {
                      Text(m.edtStart, "00:00:30");
                      Text(m.edtEnd, "00:00:40");
                  },
                  "Invalid Start Time", "Please varify the Start Time you selected.", nullptr},
        // Reads as a time, but would reach the converter as a negative offset.
        CheckCase{"StartNegative", [](KorvaneTest&, TMainForm& m) { Text(m.edtStart, "00:00:-3"); },
                  "Invalid Start Time", "Please varify the Start Time you selected.", "edtStart"},
        CheckCase{"EndZero",
                  [](KorvaneTest&, TMainForm& m) {
                      Text(m.edtStart, "00:00:00");
                      Text(m.edtEnd, "00:00:00");
                  },
                  "Invalid End Time", "Please varify the End Time you selected.", nullptr},
        CheckCase{"EndNotTime", [](KorvaneTest&, TMainForm& m) { Text(m.edtEnd, "5"); }, "Invalid End Time",
                  "Please varify the End Time you selected.", nullptr},
        CheckCase{"EndEqualsStart", [](KorvaneTest&, TMainForm& m) { Text(m.edtEnd, "00:00:01"); },
                  "Invalid Time", "The End Time should be later than the Start Time.", nullptr},
        CheckCase{"SectionsNotNumber",
                  [](KorvaneTest&, TMainForm& m) {
                      m.rdbEqual.SetChecked(true);
                      Text(m.edtSectionQty, "three");
                  },
                  "Invalid Section", "Please specify a valid section quantity.", "edtSectionQty"},
        CheckCase{"SectionsEmpty", [](KorvaneTest&, TMainForm& m) { m.rdbEqual.SetChecked(true); },
                  "Invalid Section", "Please specify a valid section quantity.", "edtSectionQty"},
        // No section would make no clip, and the job would still say it succeeded.
        CheckCase{"SectionsZero",
                  [](KorvaneTest&, TMainForm& m) {
                      m.rdbEqual.SetChecked(true);
                      Text(m.edtSectionQty, "0");
                  },
                  "Invalid Section", "Please specify a valid section quantity.", "edtSectionQty"},
        CheckCase{"SectionsNegative",
                  [](KorvaneTest&, TMainForm& m) {
                      m.rdbEqual.SetChecked(true);
                      Text(m.edtSectionQty, "-3");
                  },
                  "Invalid Section", "Please specify a valid section quantity.", "edtSectionQty"},
        CheckCase{"NoProfile", [](KorvaneTest&, TMainForm& m) { m.cmbProfile.SetItemIndex(-1); },
                  "Invalid Output Path", "Please select a valid output profile.", "cmbProfile"},
        CheckCase{"NoOutputFolder", [](KorvaneTest&, TMainForm& m) { Text(m.edtOutputDir, "C:\\no\\such\\"); },
                  "Invalid Output Path", "Please specify a valid output path.", "edtOutputDir"}),
    [](const ::testing::TestParamInfo<CheckCase>& param) { return std::string(param.param.name); });

// --- busy state and timing ------------------------------------------------------------------

TEST_F(MainWindow, BusyStateLocksThePreviewAndShowsProgress)
{
    Start();
    TMainForm& main = Main();
    main.EnterBusyState();
    EXPECT_TRUE(main.panProgress.Visible());
    EXPECT_FALSE(main.imgStart.Visible());
    EXPECT_TRUE(main.imgCancel.Visible());
    EXPECT_FALSE(main.sbtnOpen.Enabled());
    EXPECT_FALSE(main.sbtnSettings.Enabled());
    EXPECT_TRUE(main.sbtnAbout.Enabled());
    EXPECT_TRUE(main.sbtnHelp.Enabled());
    EXPECT_FALSE(main.tkbProgress.Enabled());
    EXPECT_FALSE(main.sbtnErase.Enabled());
    EXPECT_TRUE(main.tmrProcess.Enabled());
    EXPECT_EQ(main.labCurProgress.Caption(), "0%");
    EXPECT_EQ(main.labElapsed.Caption(), "");

    // One percent after ten ticks: 10 / 0.01 - 10 seconds remain.
    main.pgbTotal.SetPosition(1);
    for (int i = 0; i < 10; ++i)
        main.tmrProcess.Fire();
    EXPECT_EQ(main.labElapsed.Caption(), "00:00:10");
    EXPECT_EQ(main.labRemaining.Caption(), "00:16:30");

    main.LeaveBusyState();
    EXPECT_FALSE(main.panProgress.Visible());
    EXPECT_TRUE(main.imgStart.Visible());
    EXPECT_TRUE(main.sbtnOpen.Enabled());
    EXPECT_FALSE(main.tmrProcess.Enabled());
    EXPECT_FALSE(main.tmrPreview.Enabled());
    EXPECT_EQ(main.JobState, jsIdle);
}

// Closing asks only while a job runs: No lets the job run on to its end, and
// once idle the window closes without a word.
TEST_F(MainWindow, CloseQuestionOnlyDuringAJob)
{
    WriteProfile("AVI video", "avi");
    Start();
    Main().LoadSource(SampleVideo());
    SetRange("00:00:01", "00:00:03");
    // The timer ticks only where the job serves the window, while its clip is made.
    uitest::PumpTimer user(20, [&] {
        PostClose();
        return true;
    });
    dialogs.QueueAnswer(IDNO);
    Main().imgStartClick(Main().imgStart);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Exit Query|Do you want to cancel the splitting and exit?",
                                                 "Completed|Splitting is completed successfully."}));
    EXPECT_NEAR(VideoFrames(OutputDir() + "sample_Clip1.avi"), 50, 1);
    EXPECT_FALSE(ui::App().Terminated());

    dialogs.ClearCalls();
    PostClose();
    ASSERT_TRUE(uitest::PumpUntil([] { return ui::App().Terminated(); })) << "the idle window did not close";
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindow, ToolbarOpensSettingsAboutAndHelp)
{
    Start();
    TMainForm& main = Main();
    main.sbtnHelp.Click();
    EXPECT_EQ(opened, std::vector<std::string>{folder.path() + "\\Korvane.chm"});

    // The dialogs hold the main window off while they are open.
    main.sbtnAbout.Click();
    ASSERT_TRUE(korvane.AboutForm->Visible());
    EXPECT_FALSE(main.Enabled());
    EXPECT_EQ(korvane.AboutForm->labVersion.Caption(), "Version 1.8");
    korvane.AboutForm->btnOK.Click();
    EXPECT_FALSE(korvane.AboutForm->Visible());
    EXPECT_TRUE(main.Enabled());

    main.sbtnSettings.Click();
    ASSERT_TRUE(Settings().Visible());
    EXPECT_FALSE(main.Enabled());
    Settings().chkOverwrite.SetChecked(true);
    Settings().btnCancel.Click();
    EXPECT_FALSE(Settings().Visible());
    EXPECT_TRUE(main.Enabled());
    // Cancel puts the file's values back.
    EXPECT_FALSE(Settings().chkOverwrite.Checked());
}

// --- the Start and Stop pictures ----------------------------------------------------------------

// A point of the 133 x 65 pictures where the normal, hover and pressed looks
// of both buttons differ and none is transparent.
POINT DistinctSpot(ui::ImageList& list)
{
    std::vector<ui::Bitmap> looks(6);
    for (int i = 0; i < 6; ++i)
        list.GetBitmap(i, looks[i]);
    ui::MemoryDC dc(nullptr);
    auto at = [&](int i, int x, int y) {
        ui::SelectObjectScope s(dc.Get(), looks[i].Handle());
        return ::GetPixel(dc.Get(), x, y);
    };
    for (int y = 20; y < 45; ++y)
        for (int x = 20; x < 113; ++x) {
            bool distinct = true;
            for (int b = 0; b < 6 && distinct; b += 3) {
                const COLORREF c[3] = {at(b, x, y), at(b + 1, x, y), at(b + 2, x, y)};
                distinct = c[0] != c[1] && c[1] != c[2] && c[0] != c[2] && c[0] != RGB(255, 0, 255) &&
                           c[1] != RGB(255, 0, 255) && c[2] != RGB(255, 0, 255);
            }
            if (distinct)
                return POINT{x, y};
        }
    return POINT{-1, -1};
}

TEST_F(MainWindow, StartAndStopPicturesFollowTheMouse)
{
    Start();
    TMainForm& main = Main();
    const POINT spot = DistinctSpot(main.iglStart);
    ASSERT_GE(spot.x, 0);
    std::vector<COLORREF> face(6);
    {
        ui::MemoryDC dc(nullptr);
        for (int i = 0; i < 6; ++i) {
            ui::Bitmap look;
            main.iglStart.GetBitmap(i, look);
            ui::SelectObjectScope s(dc.Get(), look.Handle());
            face[i] = ::GetPixel(dc.Get(), spot.x, spot.y);
        }
    }
    const HWND right = main.panRight.Handle();
    const int x = 229 + spot.x, y = 291 + spot.y;
    // What the screen shows at the spot, once painting is done.
    auto shown = [&](HWND panel, int px, int py) {
        ::RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ui::App().ProcessMessages();
        return uitest::Snapshot(panel).At(px, py);
    };
    ASSERT_EQ(shown(right, x, y), face[0]);

    uitest::MouseMove(right, x, y);
    EXPECT_EQ(main.imgStart.Tag(), 1);
    EXPECT_EQ(shown(right, x, y), face[1]);
    // The right button presses too, and lets go to the hover look without starting a job.
    ::SendMessageA(right, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(shown(right, x, y), face[2]);
    uitest::MouseMove(right, x + 1, y, MK_RBUTTON);
    EXPECT_EQ(main.imgStart.Tag(), 2);   // pressed stays pressed
    ::SendMessageA(right, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(shown(right, x, y), face[1]);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(main.panProgress.Visible());
    // Leaving over the left panel, and over the right panel's background.
    uitest::MouseMove(main.panLeft.Handle(), 100, 100);
    EXPECT_EQ(main.imgStart.Tag(), 0);
    EXPECT_EQ(shown(right, x, y), face[0]);
    uitest::MouseMove(right, x, y);
    uitest::MouseMove(right, 20, 340);
    EXPECT_EQ(shown(right, x, y), face[0]);

    // The Stop picture of a job: pressed, then left over the progress panel.
    main.EnterBusyState();
    uitest::MouseMove(right, x, y);
    EXPECT_EQ(shown(right, x, y), face[4]);
    uitest::MouseDown(right, x, y);
    EXPECT_EQ(shown(right, x, y), face[5]);
    uitest::MouseMove(main.panProgress.Handle(), 100, 200, MK_LBUTTON);
    EXPECT_EQ(main.imgCancel.Tag(), 0);
    EXPECT_EQ(shown(right, x, y), face[3]);
    ::ReleaseCapture();
    main.LeaveBusyState();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindow, ClosingWritesThePreferences)
{
    Start();
    Settings().chkOverwrite.SetChecked(true);
    Main().Close();
    const std::string prefs = ScratchFolder::Read(folder / "Preferences.ini");
    EXPECT_NE(prefs.find("Overwrite=1"), std::string::npos) << prefs;
    EXPECT_TRUE(ui::App().Terminated());
}

} // namespace
} // namespace korvane::testing

namespace korvane::testing {
namespace {

// Drop data as the shell hands it over: a DROPFILES header and the names.
HDROP MakeDrop(const std::vector<std::string>& files)
{
    std::string names;
    for (const std::string& f : files)
        names += f + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

class Drops : public KorvaneTest {};

TEST_F(Drops, OnlyTheFirstSupportedFileIsLoaded)
{
    Start();
    const std::string first = folder / "first.avi";
    ASSERT_TRUE(CopyFileA(SampleVideo().c_str(), first.c_str(), FALSE));
    SendMessageA(Main().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, SampleVideo(), SampleVideo()})), 0);
    EXPECT_EQ(Main().edtSource.Text(), first);
    EXPECT_TRUE(Main().SourceLoaded);
}

TEST_F(Drops, UnsupportedOrMissingFilesAreIgnored)
{
    Start();
    SendMessageA(Main().Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({folder.Write("notes.txt", "text")})), 0);
    SendMessageA(Main().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder / "gone.avi"})), 0);
    EXPECT_FALSE(Main().SourceLoaded);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Drops, DuringAJobTheDropIsIgnored)
{
    Start();
    Main().EnterBusyState();
    SendMessageA(Main().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({SampleVideo()})), 0);
    EXPECT_FALSE(Main().SourceLoaded);
    EXPECT_EQ(Main().edtSource.Text(), "");
    Main().LeaveBusyState();
}

} // namespace
} // namespace korvane::testing
