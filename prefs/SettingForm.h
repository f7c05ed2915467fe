#pragma once
// The settings dialog. Its controls are the preferences in force while the
// program runs: the job reads them at the moment it needs them; the file is
// read at start-up, on Cancel and on Load Default, written on OK and at exit.
#include "app/Korvane.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace korvane {

class TSettingForm : public ui::Form {
public:
    explicit TSettingForm(Korvane& korvane);

    // Reads the seven dialog keys from "Default" (or "Main") into the
    // controls, then the stored profile selection from "Main" into the main
    // window's profile box.
    void LoadPreferences(bool useDefaults);
    // Writes the controls and the main window's profile selection into "Main".
    void SavePreferences();
    std::string PreferencesPath() const;

    ui::CheckBox& chkPreview = MakeNamed<ui::CheckBox>("chkPreview");
    ui::CheckBox& chkOverwrite = MakeNamed<ui::CheckBox>("chkOverwrite");
    ui::CheckBox& chkoutputdir = MakeNamed<ui::CheckBox>("chkoutputdir");
    ui::Edit& edtOutputDir = MakeNamed<ui::Edit>("edtOutputDir");
    ui::BitBtn& bbtnBrowse = MakeNamed<ui::BitBtn>("bbtnBrowse");
    ui::CheckBox& chkOpenDir = MakeNamed<ui::CheckBox>("chkOpenDir");
    ui::CheckBox& chkExit = MakeNamed<ui::CheckBox>("chkExit");
    ui::CheckBox& chkTurnoff = MakeNamed<ui::CheckBox>("chkTurnoff");
    ui::Button& btnDefault = MakeNamed<ui::Button>("btnDefault");
    ui::Button& btnOK = MakeNamed<ui::Button>("btnOK");
    ui::Button& btnCancel = MakeNamed<ui::Button>("btnCancel");

    void FormCreate(ui::Component& sender);
    void FormShow(ui::Component& sender);
    void FormHide(ui::Component& sender);
    void btnOKClick(ui::Component& sender);
    void btnCancelClick(ui::Component& sender);
    void btnDefaultClick(ui::Component& sender);
    void bbtnBrowseClick(ui::Component& sender);

private:
    Korvane& korvane_;
};

} // namespace korvane
