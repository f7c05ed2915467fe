#include "prefs/SettingForm.h"

#include "app/FileNames.h"
#include "app/MainForm.h"
#include "profiles/IniFile.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

namespace korvane {
namespace {

const char* const kFlagKeys[] = {"Preview", "Overwrite", "Aptotic"};

} // namespace

TSettingForm::TSettingForm(Korvane& korvane) : ui::Form("TSettingForm"), korvane_(korvane)
{
    korvane_.SettingForm = this;
    SetCaption("Settings");
    SetBorderStyle(ui::bsDialog);
    SetPosition(ui::poMainFormCenter);
    SetClientSize(372, 226);

    chkPreview.Place(this, 16, 8, 330, 17);
    chkPreview.SetCaption("Preview the video when it is splitted.");
    chkPreview.Hide();
    chkOverwrite.Place(this, 16, 16, 330, 17);
    chkOverwrite.SetCaption("Overwrite existent output files.");
    chkoutputdir.Place(this, 16, 42, 330, 17);
    chkoutputdir.SetCaption("Use the aptotic output directory.");
    edtOutputDir.Place(this, 34, 66, 250, 21);
    bbtnBrowse.Place(this, 290, 65, 65, 23);
    bbtnBrowse.SetCaption("Browse");
    chkOpenDir.Place(this, 16, 100, 340, 17);
    chkOpenDir.SetCaption("Open the output directory when the task is completed. ");
    chkExit.Place(this, 16, 126, 340, 17);
    chkExit.SetCaption("Exit the program when the task is completed.");
    chkTurnoff.Place(this, 16, 152, 340, 17);
    chkTurnoff.SetCaption("Turn off the computer when the task is completed.");
    btnDefault.Place(this, 16, 188, 95, 25);
    btnDefault.SetCaption("&Load Default");
    btnOK.Place(this, 196, 188, 75, 25);
    btnOK.SetCaption("&OK");
    btnOK.SetDefault(true);
    btnCancel.Place(this, 280, 188, 75, 25);
    btnCancel.SetCaption("&Cancel");
    btnCancel.SetCancel(true);

    OnCreate = ui::Handler(this, &TSettingForm::FormCreate);
    OnShow = ui::Handler(this, &TSettingForm::FormShow);
    OnHide = ui::Handler(this, &TSettingForm::FormHide);
    btnOK.OnClick = ui::Handler(this, &TSettingForm::btnOKClick);
    btnCancel.OnClick = ui::Handler(this, &TSettingForm::btnCancelClick);
    btnDefault.OnClick = ui::Handler(this, &TSettingForm::btnDefaultClick);
    bbtnBrowse.OnClick = ui::Handler(this, &TSettingForm::bbtnBrowseClick);
}

std::string TSettingForm::PreferencesPath() const
{
    return korvane_.ProgramDir + "Preferences.ini";
}

void TSettingForm::LoadPreferences(bool useDefaults)
{
    IniFile ini(PreferencesPath());
    const std::string section = useDefaults ? "Default" : "Main";
    chkPreview.SetChecked(ini.ReadBool(section, kFlagKeys[0], true));
    chkOverwrite.SetChecked(ini.ReadBool(section, kFlagKeys[1], true));
    chkoutputdir.SetChecked(ini.ReadBool(section, kFlagKeys[2], true));
    edtOutputDir.SetText(ini.ReadString(section, "Output Dir", korvane_.ProgramDir));
    chkOpenDir.SetChecked(ini.ReadBool(section, "Auto Open Dir", true));
    chkExit.SetChecked(ini.ReadBool(section, "Auto Exit", true));
    chkTurnoff.SetChecked(ini.ReadBool(section, "Auto Turn Off", true));
    if (korvane_.MainForm)
        korvane_.MainForm->cmbProfile.SetItemIndex(ini.ReadInteger("Main", "Profile", 0));
}

void TSettingForm::SavePreferences()
{
    IniFile ini(PreferencesPath());
    ini.WriteBool("Main", "Preview", chkPreview.Checked());
    ini.WriteBool("Main", "Overwrite", chkOverwrite.Checked());
    ini.WriteBool("Main", "Aptotic", chkoutputdir.Checked());
    ini.WriteString("Main", "Output Dir", edtOutputDir.Text());
    ini.WriteBool("Main", "Auto Open Dir", chkOpenDir.Checked());
    ini.WriteBool("Main", "Auto Exit", chkExit.Checked());
    ini.WriteBool("Main", "Auto Turn Off", chkTurnoff.Checked());
    if (korvane_.MainForm)
        ini.WriteInteger("Main", "Profile", korvane_.MainForm->cmbProfile.ItemIndex());
}

void TSettingForm::FormCreate(ui::Component&)
{
    LoadPreferences(false);
    if (chkoutputdir.Checked() && korvane_.MainForm)
        korvane_.MainForm->edtOutputDir.SetText(edtOutputDir.Text());
}

void TSettingForm::FormShow(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(false);
}

void TSettingForm::FormHide(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(true);
}

void TSettingForm::btnOKClick(ui::Component&)
{
    // A file that cannot be written (a program folder the user may not
    // write to) is reported; what the controls hold stays in force for this run.
    ui::Guard([this] { SavePreferences(); });
    if (korvane_.MainForm) {
        if (chkoutputdir.Checked())
            korvane_.MainForm->edtOutputDir.SetText(edtOutputDir.Text());
        korvane_.MainForm->chkPreview.SetChecked(chkPreview.Checked());
    }
    Close();
}

void TSettingForm::btnCancelClick(ui::Component&)
{
    Close();
    LoadPreferences(false);
}

void TSettingForm::btnDefaultClick(ui::Component&)
{
    LoadPreferences(true);
}

void TSettingForm::bbtnBrowseClick(ui::Component&)
{
    std::string folder;
    if (ui::BrowseForFolder(Handle(), "Select the output directory.", folder))
        edtOutputDir.SetText(WithTrailingBackslash(folder));
}

} // namespace korvane
