#include "app/AboutForm.h"

#include "app/MainForm.h"

namespace korvane {

TAboutForm::TAboutForm(Korvane& korvane) : ui::Form("TAboutForm"), korvane_(korvane)
{
    korvane_.AboutForm = this;
    SetCaption("About");
    SetBorderStyle(ui::bsDialog);
    SetPosition(ui::poMainFormCenter);
    SetClientSize(476, 330);

    imgBackground.Place(this, 0, 0, 476, 330);
    imgBackground.Picture().LoadFromResource("ABOUT");
    labProgramName.SetAutoSize(false);
    labProgramName.Place(this, 259, 21, 201, 20);
    labProgramName.SetAlignment(ui::taRightJustify);
    labProgramName.SetTransparent(true);
    ui::Font nameFont = GetFont();
    nameFont.Name = "Verdana";
    nameFont.Height = -15;
    nameFont.Bold = true;
    labProgramName.SetFont(nameFont);
    labVersion.Place(this, 400, 48, 60, 13);
    labVersion.SetTransparent(true);
    labDescription.SetAutoSize(false);
    labDescription.Place(this, 259, 180, 201, 80);
    labDescription.SetWordWrap(true);
    labDescription.SetAlignment(ui::taRightJustify);
    labDescription.SetTransparent(true);
    labDescription.SetCaption("Cuts the marked range of a video out as one clip, or splits it into equal "
                              "sections, with the output profile you choose.");
    btnOK.Place(this, 376, 284, 75, 25);
    btnOK.SetCaption("&OK");
    btnOK.SetDefault(true);
    btnOK.SetCancel(true);

    OnCreate = ui::Handler(this, &TAboutForm::FormCreate);
    OnShow = ui::Handler(this, &TAboutForm::FormShow);
    OnHide = ui::Handler(this, &TAboutForm::FormHide);
    btnOK.OnClick = ui::Handler(this, &TAboutForm::btnOKClick);
}

void TAboutForm::FormCreate(ui::Component&)
{
    labProgramName.SetCaption(korvane_.ProductName);
    labVersion.SetCaption("Version " + korvane_.VersionText);
}

void TAboutForm::FormShow(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(false);
}

void TAboutForm::FormHide(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(true);
}

void TAboutForm::btnOKClick(ui::Component&)
{
    Close();
}

} // namespace korvane
