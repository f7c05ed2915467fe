// The profile editor and the size dialog with the program's real windows on
// a program folder of the test's own: loading, saving, "Save as", OK and
// Cancel against real profile files, the custom size, the groups, and what
// the lists look like.
#include "tests/app/KorvaneFixture.h"
#include "tests/ui/UiTestSupport.h"

#include "profiles/IniFile.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::testing {
namespace {

// Six parameters over the three groups: pick lists, a plain text, a fixed
// text and a fixed pick list.
const char kProfile[] =
    "[Main]\r\nType=mov\r\nPara=6\r\n0=Video Size\r\n1=Bit Rate\r\n2=Video Codec\r\n3=Audio Codec\r\n"
    "4=Channels\r\n5=Deinterlace\r\n"
    "[Video Size]\r\nSort=1\r\nList=1\r\nCaption=Original Size,320x240,Custom Size,\r\nValue=,320x240,,\r\n"
    "Index=0\r\ncmd=-s\r\n"
    "[Bit Rate]\r\nSort=1\r\nList=0\r\nCaption=800k\r\nValue=800k\r\ncmd=-b:v\r\n"
    "[Video Codec]\r\nSort=1\r\nList=0\r\nReadOnly=1\r\nCaption=H.264\r\nValue=libx264\r\ncmd=-vcodec\r\n"
    "[Audio Codec]\r\nSort=2\r\nList=1\r\nCaption=AAC,MP3,\r\nValue=aac,libmp3lame,\r\nIndex=1\r\ncmd=-acodec\r\n"
    "[Channels]\r\nSort=2\r\nList=1\r\nReadOnly=1\r\nCaption=Mono,Stereo,\r\nValue=1,2,\r\nIndex=1\r\ncmd=-ac\r\n"
    "[Deinterlace]\r\nSort=3\r\nList=1\r\nCaption=No,Yes,\r\nValue=,yadif,\r\nIndex=0\r\ncmd=-vf\r\n";

const char kDefaultArguments[] = " -b:v 800k -vcodec libx264 -acodec libmp3lame -ac 2";

class ProfileEditor : public KorvaneTest {
protected:
    // "Clip" (the profile above) and "Other" (a second one, avi), loaded at start.
    void StartWithProfiles()
    {
        clip = folder.Write("Profiles\\Clip.apf", kProfile);
        other = folder.Write("Profiles\\Other.apf",
                             "[Main]\r\nType=avi\r\nPara=1\r\n0=Audio Bitrate\r\n"
                             "[Audio Bitrate]\r\nSort=2\r\nCaption=64k,128k,\r\nValue=64k,128k,\r\nIndex=1\r\n"
                             "cmd=-b:a\r\n");
        Start();
    }

    TopSettingForm& Editor() { return *korvane.opSettingForm; }
    TSizeForm& SizeDialog() { return *korvane.SizeForm; }
    ui::ValueListEditor& Video() { return Editor().vleVideo; }

    static std::string Read(const std::string& path, const std::string& section, const std::string& key)
    {
        return IniFile(path).ReadString(section, key, "<missing>");
    }

    // Chooses a value in a row the way the drop-down list would.
    void Choose(ui::ValueListEditor& list, const std::string& key, const std::string& value)
    {
        int row = -1;
        ASSERT_TRUE(list.FindRow(key, row)) << key;
        list.SetRow(row);
        list.SetValue(row, value);
    }

    // "Detail", then waits for the editor to be the active window and for the
    // display's own focus events of the showing.
    void DetailClick()
    {
        Main().BitBtn1Click(Main().BitBtn1);
        ::SetForegroundWindow(Editor().Handle());
        EXPECT_TRUE(uitest::PumpUntil([this] { return ::GetForegroundWindow() == Editor().Handle(); }))
            << "the profile editor never became the active window";
        for (int i = 0; i < 5; ++i) {
            ui::App().ProcessMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    std::string clip, other;
};

std::vector<std::string> Keys(const ui::ValueListEditor& list)
{
    std::vector<std::string> keys;
    for (int i = 0; i < list.RowCount(); ++i)
        keys.push_back(list.Key(i));
    return keys;
}

// --- loading ---------------------------------------------------------------------------------

TEST_F(ProfileEditor, BeforeAnyProfileTheListsShowTheKnownRows)
{
    Start();   // no profile at all
    EXPECT_EQ(Editor().Caption(), "Profile");
    EXPECT_FALSE(Editor().Visible());
    EXPECT_EQ(Keys(Editor().vleVideo), (std::vector<std::string>{"Video Codec", "Video Size", "Bit Rate",
                                                                   "Frame Rate", "Aspect", "Disable Video"}));
    EXPECT_EQ(Keys(Editor().vleAudio), (std::vector<std::string>{"Audio Codec", "Audio Bitrate", "Sample Rate",
                                                                   "Channels", "Volumn", "Disable Audio"}));
    EXPECT_EQ(Keys(Editor().vleAdvanced), (std::vector<std::string>{"Bit Exact Algorithms", "Deinterlace"}));
    EXPECT_EQ(Editor().cmbProfile.ItemIndex(), -1);
}

TEST_F(ProfileEditor, LoadingFillsTheThreeGroupsAndSetsTheOutputType)
{
    StartWithProfiles();
    TopSettingForm& e = Editor();
    // The main window's first profile was chosen when it was shown: the
    // output type at once, the rows when first needed (here by the job).
    EXPECT_EQ(korvane.OutputExtension, ".mov");
    EXPECT_EQ(e.cmbProfile.Items(), (std::vector<std::string>{"Clip", "Other"}));
    EXPECT_EQ(e.cmbProfile.ItemIndex(), -1);
    EXPECT_EQ(e.BuildArguments(clip), kDefaultArguments);

    ASSERT_EQ(Keys(e.vleVideo), (std::vector<std::string>{"Video Size", "Bit Rate", "Video Codec"}));
    EXPECT_EQ(e.vleVideo.Value(0), "Original Size");
    EXPECT_EQ(e.vleVideo.ItemProps(0).Style, ui::esPickList);
    EXPECT_TRUE(e.vleVideo.ItemProps(0).ReadOnly);
    EXPECT_EQ(e.vleVideo.ItemProps(0).PickList,
              (std::vector<std::string>{"Original Size", "320x240", "Custom Size"}));
    EXPECT_EQ(e.vleVideo.Value(1), "800k");
    EXPECT_EQ(e.vleVideo.ItemProps(1).Style, ui::esSimple);
    EXPECT_FALSE(e.vleVideo.ItemProps(1).ReadOnly);
    EXPECT_EQ(e.vleVideo.Value(2), "H.264");
    EXPECT_TRUE(e.vleVideo.ItemProps(2).ReadOnly);
    ASSERT_EQ(Keys(e.vleAudio), (std::vector<std::string>{"Audio Codec", "Channels"}));
    EXPECT_EQ(e.vleAudio.Value(0), "MP3");
    EXPECT_EQ(e.vleAudio.Value(1), "Stereo");
    ASSERT_EQ(Keys(e.vleAdvanced), (std::vector<std::string>{"Deinterlace"}));
    EXPECT_EQ(e.vleAdvanced.Value(0), "No");

    // Each list as high as its rows, stacked under its header.
    EXPECT_EQ(e.vleVideo.Height(), 3 * 18);
    EXPECT_EQ(e.vleAudio.Height(), 2 * 18);
    EXPECT_EQ(e.vleAdvanced.Height(), 18);
    EXPECT_EQ(e.panVideo.Top(), 0);
    EXPECT_EQ(e.vleVideo.Top(), 18);
    EXPECT_EQ(e.panAudio.Top(), 18 + 54);
    EXPECT_EQ(e.vleAudio.Top(), 18 + 54 + 18);
    EXPECT_EQ(e.panAdvanced.Top(), 18 + 54 + 18 + 36);
    EXPECT_EQ(e.panVideo.Caption(), "      Video");
    EXPECT_EQ(e.panAudio.Caption(), "      Audio");
    EXPECT_EQ(e.panAdvanced.Caption(), "      Advanced");
    EXPECT_EQ(e.vleVideo.Width(), 361);
    EXPECT_EQ(e.vleVideo.ColWidth(0), 160);
    EXPECT_EQ(e.vleVideo.ColWidth(1), 200);

    EXPECT_EQ(e.BuildArguments(folder / "Profiles\\Missing.apf"), "");
}

TEST_F(ProfileEditor, AProfileBoxChangeLoadsThatProfileOnly)
{
    StartWithProfiles();
    Editor().cmbProfile.SetItemIndex(1);
    Editor().cmbProfileChange(Editor().cmbProfile);
    EXPECT_EQ(korvane.OutputExtension, ".avi");
    EXPECT_EQ(Editor().vleVideo.RowCount(), 0);
    EXPECT_EQ(Editor().vleAudio.Values("audio bitrate"), "128k");
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), 0);

    // A name whose file went away leaves the lists as they are.
    DeleteFileA(clip.c_str());
    Editor().cmbProfile.SetItemIndex(0);
    Editor().cmbProfileChange(Editor().cmbProfile);
    EXPECT_EQ(korvane.OutputExtension, ".avi");
    EXPECT_EQ(Editor().vleAudio.Values("Audio Bitrate"), "128k");
}

TEST_F(ProfileEditor, DetailShowsTheEditorOnTheMainWindowsProfile)
{
    StartWithProfiles();
    Choose(Editor().vleAudio, "Audio Codec", "AAC");
    DetailClick();
    EXPECT_TRUE(Editor().Visible());
    EXPECT_EQ(Editor().cmbProfile.ItemIndex(), 0);
    // The selections differed: the profile was loaded again.
    EXPECT_EQ(Editor().vleAudio.Values("Audio Codec"), "MP3");
    EXPECT_TRUE(Main().Enabled());   // the editor does not hold the main window

    // Same selection: unsaved choices stay.
    Choose(Editor().vleAudio, "Audio Codec", "AAC");
    DetailClick();
    EXPECT_EQ(Editor().vleAudio.Values("Audio Codec"), "AAC");
    EXPECT_EQ(Editor().BuildArguments(clip), " -b:v 800k -vcodec libx264 -acodec aac -ac 2");
}

TEST_F(ProfileEditor, AnOpenEditorShowsAProfileChosenInTheMainWindowAtOnce)
{
    StartWithProfiles();
    DetailClick();
    SelectProfile("Other");
    EXPECT_EQ(korvane.OutputExtension, ".avi");
    EXPECT_EQ(Editor().vleVideo.RowCount(), 0);
    EXPECT_EQ(Editor().vleAudio.Values("Audio Bitrate"), "128k");
}

// --- OK, Cancel, Save as ---------------------------------------------------------------------

TEST_F(ProfileEditor, OkWritesTheChoicesButNeverTheFixedOnes)
{
    StartWithProfiles();
    DetailClick();
    TopSettingForm& e = Editor();
    Choose(e.vleAudio, "audio codec", "aac");   // letter case of the file differs
    Choose(e.vleVideo, "Bit Rate", "1200k");
    Choose(e.vleVideo, "Video Codec", "MPEG-4");
    Choose(e.vleAudio, "Channels", "Mono");   // fixed pick list: this run only
    Choose(e.vleAdvanced, "Deinterlace", "Yes");
    e.Button1.Click();

    EXPECT_FALSE(e.Visible());
    EXPECT_EQ(Read(clip, "Audio Codec", "Index"), "0");
    EXPECT_EQ(Read(clip, "Bit Rate", "Caption"), "1200k");
    EXPECT_EQ(Read(clip, "Bit Rate", "Value"), "1200k");
    EXPECT_EQ(Read(clip, "Video Codec", "Caption"), "H.264");
    EXPECT_EQ(Read(clip, "Video Codec", "Value"), "libx264");
    EXPECT_EQ(Read(clip, "Channels", "Index"), "1");
    EXPECT_EQ(Read(clip, "Deinterlace", "Index"), "1");
    EXPECT_EQ(Read(clip, "Video Size", "Index"), "0");
    // The fixed text still passes the file's value; the fixed pick list follows the row.
    EXPECT_EQ(e.BuildArguments(clip), " -b:v 1200k -vcodec libx264 -acodec aac -ac 1 -vf yadif");

    // The next load shows what was saved.
    e.LoadProfileIntoEditor(clip);
    EXPECT_EQ(e.vleAudio.Values("Audio Codec"), "AAC");
    EXPECT_EQ(e.vleAudio.Values("Channels"), "Stereo");
    EXPECT_EQ(e.vleVideo.Values("Video Codec"), "H.264");
}

TEST_F(ProfileEditor, OkKeepsTheCustomSizeForThisRunButStoresOriginalSize)
{
    StartWithProfiles();
    DetailClick();
    Choose(Video(), "Video Size", "320x240");
    Editor().Button1.Click();
    EXPECT_EQ(Read(clip, "Video Size", "Index"), "0");
    EXPECT_EQ(Video().Values("Video Size"), "320x240");
    EXPECT_EQ(Editor().BuildArguments(clip), std::string(" -s 320x240") + kDefaultArguments);
}

TEST_F(ProfileEditor, CancelShowsTheFilesValuesAgain)
{
    StartWithProfiles();
    DetailClick();
    const std::string before = ScratchFolder::Read(clip);
    Choose(Video(), "Bit Rate", "99k");
    Choose(Editor().vleAudio, "Audio Codec", "AAC");
    Choose(Editor().vleAdvanced, "Deinterlace", "Yes");
    Editor().Button2.Click();
    EXPECT_FALSE(Editor().Visible());
    EXPECT_EQ(Video().Values("Bit Rate"), "800k");
    EXPECT_EQ(Editor().vleAudio.Values("Audio Codec"), "MP3");
    EXPECT_EQ(Editor().vleAdvanced.Values("Deinterlace"), "No");
    EXPECT_EQ(ScratchFolder::Read(clip), before);
}

TEST_F(ProfileEditor, SaveAsCopiesTheProfileWithTheShownChoices)
{
    StartWithProfiles();
    DetailClick();
    const std::string before = ScratchFolder::Read(clip);
    Choose(Video(), "Video Size", "640x480");   // a custom size: no caption
    Choose(Video(), "Bit Rate", "2000k");
    const std::string target = folder / "Copy.apf";
    folder.Write("Copy.apf", "[Main]\r\nType=old\r\n");   // replaced without a question
    // Opening a video elsewhere has moved the current folder.
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA((folder / "out").c_str());
    dialogs.QueueFile(target);
    Editor().btnSaveAs.Click();
    SetCurrentDirectoryA(current);

    ASSERT_EQ(dialogs.Calls().size(), 1u);
    const ui::FileDialogRequest& request = dialogs.Calls()[0].Request;
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Filter, "Profiles (*.apf)|*.apf");
    EXPECT_EQ(request.DefaultExt, ".apf");
    EXPECT_EQ(request.InitialDir, folder / "Profiles\\");
    EXPECT_EQ(request.FileName, "");
    EXPECT_FALSE(request.Flags & OFN_OVERWRITEPROMPT);

    EXPECT_EQ(Read(target, "Main", "Type"), "mov");
    EXPECT_EQ(Read(target, "Video Size", "Index"), "-1");   // saved as shown
    EXPECT_EQ(Read(target, "Bit Rate", "Caption"), "2000k");
    EXPECT_EQ(Read(target, "Audio Codec", "Index"), "1");
    EXPECT_EQ(ScratchFolder::Read(clip), before);
    // Not listed before the next start.
    EXPECT_EQ(Editor().cmbProfile.Items().size(), 2u);
    EXPECT_EQ(Main().cmbProfile.Items().size(), 2u);

    // A cancelled dialog saves nothing.
    DeleteFileA(target.c_str());
    dialogs.QueueFileCancel();
    Editor().btnSaveAs.Click();
    EXPECT_FALSE(FileExistsAt(target));
}

TEST_F(ProfileEditor, AFailedWriteIsReportedAndTheEditorStaysOpen)
{
    StartWithProfiles();
    DetailClick();
    Choose(Video(), "Video Size", "320x240");
    SetFileAttributesA(clip.c_str(), FILE_ATTRIBUTE_READONLY);
    ::SendMessageA(Editor().Button1.Handle(), BM_CLICK, 0, 0);
    ui::App().ProcessMessages();
    SetFileAttributesA(clip.c_str(), FILE_ATTRIBUTE_NORMAL);

    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Text, "Unable to write to " + clip + ".");
    EXPECT_EQ(dialogs.MessageBoxes()[0].Caption, "Korvane");
    EXPECT_TRUE(Editor().Visible());
    EXPECT_EQ(Video().Values("Video Size"), "320x240");
}

// --- groups --------------------------------------------------------------------------------------

TEST_F(ProfileEditor, GroupsCollapseAndExpandAgain)
{
    StartWithProfiles();
    DetailClick();
    TopSettingForm& e = Editor();
    const int audioTop = e.panAudio.Top();
    e.btnVideo.Click();
    EXPECT_EQ(e.btnVideo.Caption(), "+");
    EXPECT_EQ(e.vleVideo.Height(), 1);
    EXPECT_EQ(e.panAudio.Top(), audioTop - 54 + 1);

    e.btnVideo.Click();
    EXPECT_EQ(e.btnVideo.Caption(), "-");
    EXPECT_EQ(e.vleVideo.Height(), 3 * 18 + 1);   // rows x (17 + 1) + 1
    EXPECT_EQ(e.vleVideo.VisibleRowCount(), e.vleVideo.RowCount());
    EXPECT_EQ(e.panAudio.Top(), audioTop + 1);

    // The other groups on their own.
    e.btnAdvanced.Click();
    EXPECT_EQ(e.vleAdvanced.Height(), 1);
    EXPECT_EQ(e.vleAudio.Height(), 36);
    e.btnAudio.Click();
    EXPECT_EQ(e.btnAudio.Caption(), "+");
    EXPECT_EQ(e.panAdvanced.Top(), e.panAudio.Top() + 18 + 1);

    // A load gives the lists their heights back but keeps the captions.
    e.LoadProfileIntoEditor(clip);
    EXPECT_EQ(e.vleAudio.Height(), 36);
    EXPECT_EQ(e.btnAudio.Caption(), "+");
    e.btnAudio.Click();
    EXPECT_EQ(e.btnAudio.Caption(), "-");
    EXPECT_EQ(e.vleAudio.Height(), 2 * 18 + 1);
}

// --- the custom size ----------------------------------------------------------------------------

TEST_F(ProfileEditor, CustomSizeAsksForTheSizeAndPassesIt)
{
    StartWithProfiles();
    DetailClick();
    TSizeForm& size = SizeDialog();
    EXPECT_EQ(size.Caption(), "Video Size of output files");

    // Chosen in the drop-down list as the user does.
    Video().SetFocus();
    Video().SetRow(0);
    Video().DropDown();
    ASSERT_TRUE(Video().DroppedDown());
    ::SendMessageA(Video().Handle(), WM_KEYDOWN, VK_END, 0);
    ::SendMessageA(Video().Handle(), WM_KEYDOWN, VK_RETURN, 0);
    ui::App().ProcessMessages();
    EXPECT_EQ(Video().Value(0), "Custom Size");
    ASSERT_TRUE(size.Visible());
    EXPECT_FALSE(Main().Enabled());
    EXPECT_TRUE(Editor().Enabled());

    size.edtWidth.SetText("abc");
    size.edtHeight.SetText("480");
    size.btnOK.Click();
    ASSERT_EQ(Boxes(), std::vector<std::string>{"Incorrect Width|Please specify a proper width for output videos."});
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(size.edtWidth.Focused());
    EXPECT_TRUE(size.Visible());
    EXPECT_EQ(Video().Value(0), "Custom Size");

    size.edtWidth.SetText("640");
    size.edtHeight.SetText("4 80");
    size.btnOK.Click();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], "Incorrect Height|Please specify a proper height for output videos.");
    EXPECT_TRUE(size.edtHeight.Focused());

    size.edtHeight.SetText("480");
    size.btnOK.Click();
    EXPECT_FALSE(size.Visible());
    EXPECT_TRUE(Main().Enabled());
    EXPECT_EQ(Video().Value(0), "640x480");
    EXPECT_EQ(Editor().BuildArguments(clip), std::string(" -s 640x480") + kDefaultArguments);

    // OK in the editor stores "Original Size"; the size stays for this run.
    Editor().Button1.Click();
    EXPECT_EQ(Read(clip, "Video Size", "Index"), "0");
    EXPECT_EQ(Video().Value(0), "640x480");
    EXPECT_EQ(Editor().BuildArguments(clip), std::string(" -s 640x480") + kDefaultArguments);
    EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(ProfileEditor, TheSizeDialogFallsBackToOriginalSizeWhenNotAnswered)
{
    StartWithProfiles();
    DetailClick();
    TSizeForm& size = SizeDialog();
    size.edtWidth.SetText("800");
    size.edtHeight.SetText("600");

    Choose(Video(), "Video Size", "Custom Size");
    ASSERT_TRUE(size.Visible());
    size.btnCancel.Click();
    EXPECT_FALSE(size.Visible());
    EXPECT_EQ(Video().Value(0), "Original Size");
    EXPECT_TRUE(Main().Enabled());

    // Closed by its frame; the boxes keep what was typed.
    Choose(Video(), "Video Size", "Custom Size");
    ASSERT_TRUE(size.Visible());
    EXPECT_EQ(size.edtWidth.Text(), "800");
    EXPECT_EQ(size.edtHeight.Text(), "600");
    ::SendMessageA(size.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(size.Visible());
    EXPECT_EQ(Video().Value(0), "Original Size");
    EXPECT_TRUE(Main().Enabled());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProfileEditor, TheSizeDialogOpensOnlyFromTheVideoSizeRow)
{
    StartWithProfiles();
    DetailClick();
    // "Custom Size" written while another row is current: no question.
    Video().SetRow(1);
    Video().SetValue(0, "Custom Size");
    EXPECT_FALSE(SizeDialog().Visible());
    // Nor for another letter case.
    Video().SetRow(0);
    Video().SetValue(0, "custom size");
    EXPECT_FALSE(SizeDialog().Visible());
    // Any later change with the row current asks.
    Video().SetValue(0, "Custom Size");
    EXPECT_TRUE(SizeDialog().Visible());
    SizeDialog().btnCancel.Click();
}

// --- look --------------------------------------------------------------------------------------

TEST_F(ProfileEditor, CellsShowFixedTextsSilverAndTheFocusedListsCurrentKeyBlue)
{
    StartWithProfiles();
    DetailClick();
    TopSettingForm& e = Editor();
    e.vleVideo.SetRow(2);   // the fixed text "H.264"
    e.vleVideo.SetFocus();
    ui::App().ProcessMessages();

    uitest::Snapshot video(e.vleVideo.Handle());
    auto count = [&](const uitest::Snapshot& shot, const RECT& r, COLORREF c) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += shot.At(x, y) == c;
        return n;
    };
    const COLORREF window = ::GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF;
    const RECT fixedValue = e.vleVideo.CellRect(1, 2);
    EXPECT_GT(count(video, fixedValue, TopSettingForm::kReadOnlyText), 5) << "silver text";
    EXPECT_EQ(count(video, fixedValue, highlight), 0) << "no selection colour";
    EXPECT_EQ(video.At(fixedValue.right - 3, fixedValue.top + 2), window);
    // A plain text and a pick list (read-only as well: chosen, not typed) are black.
    for (int row : {0, 1}) {
        const RECT value = e.vleVideo.CellRect(1, row);
        EXPECT_GT(count(video, value, RGB(0, 0, 0)), 5) << "black text in row " << row;
        EXPECT_EQ(count(video, value, TopSettingForm::kReadOnlyText), 0) << row;
    }
    const RECT currentKey = e.vleVideo.CellRect(0, 2);
    EXPECT_EQ(video.At(currentKey.right - 3, currentKey.top + 3), TopSettingForm::kCurrentKey);
    const RECT otherKey = e.vleVideo.CellRect(0, 1);
    EXPECT_EQ(video.At(otherKey.right - 3, otherKey.top + 3), ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);

    // The current key of a list without the focus is on the window colour.
    uitest::Snapshot audio(e.vleAudio.Handle());
    const RECT audioKey = e.vleAudio.CellRect(0, 0);
    EXPECT_EQ(audio.At(audioKey.right - 3, audioKey.top + 3), window);
}

TEST_F(ProfileEditor, AMouseDownOnAnyListRepaintsAllThree)
{
    StartWithProfiles();
    DetailClick();
    TopSettingForm& e = Editor();
    e.vleVideo.SetFocus();
    ui::App().ProcessMessages();
    int advancedPaints = 0;
    auto previous = e.vleAdvanced.WindowProc;
    e.vleAdvanced.WindowProc = [&](ui::Message& m) {
        if (m.Msg == WM_PAINT)
            ++advancedPaints;
        previous(m);
    };
    // Focus moves from Video to Audio; Advanced is repainted all the same.
    const RECT key = e.vleAudio.CellRect(0, 1);
    uitest::MouseDown(e.vleAudio.Handle(), key.left + 5, key.top + 5);
    uitest::MouseUp(e.vleAudio.Handle(), key.left + 5, key.top + 5);
    e.vleAdvanced.WindowProc = previous;
    EXPECT_EQ(e.vleAudio.Row(), 1);
    EXPECT_GE(advancedPaints, 1);

    uitest::Snapshot video(e.vleVideo.Handle());
    const RECT videoKey = e.vleVideo.CellRect(0, 0);
    EXPECT_EQ(video.At(videoKey.right - 3, videoKey.top + 3), ::GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
    uitest::Snapshot audio(e.vleAudio.Handle());
    EXPECT_EQ(audio.At(key.right - 3, key.top + 3), TopSettingForm::kCurrentKey);
}

} // namespace
} // namespace korvane::testing
