// The settings dialog: the preferences file loaded into its controls,
// written back on OK and at exit, factory values, and the completion countdown.
#include "tests/app/KorvaneFixture.h"

#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

class SettingsDialog : public KorvaneTest {
protected:
    void WriteWithDefaults()
    {
        folder.Write("Preferences.ini",
                     "[Main]\r\nOverwrite=0\r\nAptotic=1\r\nOutput Dir=C:\\mine\\\r\nAuto Open Dir=0\r\n"
                     "Auto Exit=0\r\nAuto Turn Off=0\r\nProfile=1\r\n"
                     "[Default]\r\nOverwrite=1\r\nAptotic=0\r\nOutput Dir=C:\\factory\\\r\nAuto Open Dir=1\r\n"
                     "Auto Exit=0\r\nAuto Turn Off=0\r\n");
    }
    void StartOwn()
    {
        WriteProfile("A", "avi");
        WriteProfile("B", "mp4");
        ui::App().Initialize();
        CreateKorvaneWindows(korvane);
        Main().Show();
    }
    std::string File() { return ScratchFolder::Read(folder / "Preferences.ini"); }
};

TEST_F(SettingsDialog, WithoutAFileEveryFlagIsOnAndTheFolderIsTheProgramFolder)
{
    StartOwn();
    TSettingForm& s = Settings();
    EXPECT_TRUE(s.chkOverwrite.Checked());
    EXPECT_TRUE(s.chkoutputdir.Checked());
    EXPECT_TRUE(s.chkOpenDir.Checked());
    EXPECT_TRUE(s.chkExit.Checked());
    EXPECT_TRUE(s.chkTurnoff.Checked());
    EXPECT_EQ(s.edtOutputDir.Text(), folder.path() + "\\");
    // The fixed folder is in force in the main window too.
    EXPECT_EQ(Main().edtOutputDir.Text(), folder.path() + "\\");
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), 0);
}

TEST_F(SettingsDialog, LoadDefaultThenCancelRestoresTheStoredValues)
{
    WriteWithDefaults();
    StartOwn();
    TSettingForm& s = Settings();
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), 1);
    Main().cmbProfile.SetItemIndex(0);
    s.Show();
    s.btnDefault.Click();
    EXPECT_TRUE(s.chkOverwrite.Checked());
    EXPECT_EQ(s.edtOutputDir.Text(), "C:\\factory\\");
    // Load Default puts the stored profile back, it does not change it.
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), 1);
    s.btnCancel.Click();
    EXPECT_FALSE(s.chkOverwrite.Checked());
    EXPECT_EQ(s.edtOutputDir.Text(), "C:\\mine\\");
    EXPECT_NE(File().find("Overwrite=0"), std::string::npos);
}

TEST_F(SettingsDialog, LoadDefaultThenOkWritesTheFactoryValuesIntoMain)
{
    WriteWithDefaults();
    StartOwn();
    TSettingForm& s = Settings();
    s.Show();
    s.btnDefault.Click();
    s.btnOK.Click();
    EXPECT_FALSE(s.Visible());
    const std::string file = File();
    const std::string main = file.substr(0, file.find("[Default]"));
    EXPECT_NE(main.find("Overwrite=1"), std::string::npos) << main;
    EXPECT_NE(main.find("Aptotic=0"), std::string::npos) << main;
    EXPECT_NE(main.find("Output Dir=C:\\factory\\"), std::string::npos) << main;
    EXPECT_NE(main.find("Profile=1"), std::string::npos) << main;
    // Without the fixed folder the main window's folder is left alone.
    EXPECT_EQ(Main().edtOutputDir.Text(), "C:\\mine\\");
}

TEST_F(SettingsDialog, OkCopiesTheFixedFolderAndThePreviewFlag)
{
    WriteWithDefaults();
    StartOwn();
    TSettingForm& s = Settings();
    s.Show();
    s.edtOutputDir.SetText("D:\\clips\\");
    s.chkPreview.SetChecked(false);
    s.btnOK.Click();
    EXPECT_EQ(Main().edtOutputDir.Text(), "D:\\clips\\");
    EXPECT_FALSE(Main().chkPreview.Checked());
    EXPECT_NE(File().find("Preview=0"), std::string::npos);
}

TEST_F(SettingsDialog, StoredProfileOutsideTheListSelectsNothing)
{
    Preferences prefs;
    prefs.profile = -1;
    WriteProfile("A", "avi");
    Start(prefs);
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), -1);
}

TEST_F(SettingsDialog, BrowsedFolderGetsABackslash)
{
    StartOwn();
    dialogs.QueueFolder("C:\\picked");
    Settings().bbtnBrowse.Click();
    EXPECT_EQ(Settings().edtOutputDir.Text(), "C:\\picked\\");
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Caption, "Select the output directory.");
    // A cancelled browser changes nothing.
    Settings().bbtnBrowse.Click();
    EXPECT_EQ(Settings().edtOutputDir.Text(), "C:\\picked\\");
}

TEST_F(SettingsDialog, ExitCountdownClosesTheMainWindow)
{
    StartOwn();
    TCountDownForm& countdown = *korvane.CountDownForm;
    countdown.Start(TCountDownForm::caExit);
    EXPECT_EQ(countdown.btnDoNow.Caption(), "Exit Now");
    EXPECT_EQ(countdown.labMessage.Caption(), "The program will exit within 10 seconds.");
    countdown.btnDoNow.Click();
    EXPECT_TRUE(ui::App().Terminated());
    EXPECT_EQ(powerOffs, 0);
    // Closing wrote the preferences.
    EXPECT_NE(File().find("Auto Exit="), std::string::npos);
}

TEST_F(SettingsDialog, PreferencesThatCannotBeWrittenAreReportedAndHoldNothingUp)
{
    WriteWithDefaults();
    StartOwn();
    const std::string path = folder / "Preferences.ini";
    const std::string before = File();
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    TSettingForm& s = Settings();
    const std::vector<std::string> unable{"Korvane|Unable to write to " + path + "."};

    // OK: reported, and the controls stay in force for this run.
    Main().sbtnSettings.Click();
    s.edtOutputDir.SetText("D:\\clips\\");
    s.chkOverwrite.SetChecked(true);
    s.btnOK.Click();
    EXPECT_EQ(Boxes(), unable);
    EXPECT_FALSE(s.Visible());
    EXPECT_TRUE(Main().Enabled());
    EXPECT_EQ(Main().edtOutputDir.Text(), "D:\\clips\\");
    EXPECT_TRUE(s.chkOverwrite.Checked());

    // Exit through the countdown: reported once, and the program ends.
    dialogs.ClearCalls();
    TCountDownForm& countdown = *korvane.CountDownForm;
    countdown.Start(TCountDownForm::caExit);
    countdown.btnDoNow.Click();
    EXPECT_EQ(Boxes(), unable);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(ui::App().Terminated());
    EXPECT_FALSE(Main().Visible());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(File(), before);
}

} // namespace
} // namespace korvane::testing
