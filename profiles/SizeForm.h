#pragma once
// The output size dialog: asks for the width and height of the output video
// when "Custom Size" is chosen in the profile editor, and writes the answer
// ("640x480") into the editor's "Video Size" row. The main window is disabled
// while it is shown; the profile editor stays usable.
#include "app/Korvane.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace korvane {

class TSizeForm : public ui::Form {
public:
    explicit TSizeForm(Korvane& korvane);

    ui::Label& Label1 = MakeNamed<ui::Label>("Label1");
    ui::Edit& edtWidth = MakeNamed<ui::Edit>("edtWidth");
    ui::Label& Label2 = MakeNamed<ui::Label>("Label2");
    ui::Edit& edtHeight = MakeNamed<ui::Edit>("edtHeight");
    ui::Button& btnOK = MakeNamed<ui::Button>("btnOK");
    ui::Button& btnCancel = MakeNamed<ui::Button>("btnCancel");

    void FormShow(ui::Component& sender);
    void FormClose(ui::Form& sender, ui::CloseAction& action);
    void btnOKClick(ui::Component& sender);
    void btnCancelClick(ui::Component& sender);

private:
    // The editor's "Video Size" row: sets it when it exists.
    void SetVideoSize(const std::string& value);
    std::string VideoSize() const;

    Korvane& korvane_;
};

} // namespace korvane
