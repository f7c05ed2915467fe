#pragma once
// The About box: product name and version over the program's picture.
#include "app/Korvane.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace korvane {

class TAboutForm : public ui::Form {
public:
    explicit TAboutForm(Korvane& korvane);

    ui::Image& imgBackground = MakeNamed<ui::Image>("imgBackground");
    ui::Label& labProgramName = MakeNamed<ui::Label>("labProgramName");
    ui::Label& labVersion = MakeNamed<ui::Label>("labVersion");
    ui::Label& labDescription = MakeNamed<ui::Label>("labDescription");
    ui::Button& btnOK = MakeNamed<ui::Button>("btnOK");

    void FormCreate(ui::Component& sender);
    void FormShow(ui::Component& sender);
    void FormHide(ui::Component& sender);
    void btnOKClick(ui::Component& sender);

private:
    Korvane& korvane_;
};

} // namespace korvane
