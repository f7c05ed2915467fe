#include "profiles/SizeForm.h"

#include "app/MainForm.h"
#include "app/TimeText.h"
#include "profiles/opSettingForm.h"
#include "ui/Dialogs.h"

namespace korvane {
namespace {

constexpr char kVideoSize[] = "Video Size";

} // namespace

TSizeForm::TSizeForm(Korvane& korvane) : ui::Form("TSizeForm"), korvane_(korvane)
{
    korvane_.SizeForm = this;
    SetCaption("Video Size of output files");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons(ui::biSystemMenu);
    SetPosition(ui::poMainFormCenter);
    SetClientSize(236, 117);

    Label1.Place(this, 16, 20, 40, 13);
    Label1.SetCaption("Width:");
    edtWidth.Place(this, 72, 16, 148, 21);
    edtWidth.SetTabStop(true);
    Label2.Place(this, 16, 52, 40, 13);
    Label2.SetCaption("Height:");
    edtHeight.Place(this, 72, 48, 148, 21);
    edtHeight.SetTabStop(true);
    btnOK.Place(this, 64, 82, 75, 25);
    btnOK.SetCaption("&OK");
    btnOK.SetDefault(true);
    btnOK.SetTabStop(true);
    btnCancel.Place(this, 145, 82, 75, 25);
    btnCancel.SetCaption("&Cancel");
    btnCancel.SetCancel(true);
    btnCancel.SetTabStop(true);

    OnShow = ui::Handler(this, &TSizeForm::FormShow);
    OnClose = ui::Handler(this, &TSizeForm::FormClose);
    btnOK.OnClick = ui::Handler(this, &TSizeForm::btnOKClick);
    btnCancel.OnClick = ui::Handler(this, &TSizeForm::btnCancelClick);
}

std::string TSizeForm::VideoSize() const
{
    const TopSettingForm* editor = korvane_.opSettingForm;
    return editor ? editor->vleVideo.Values(kVideoSize) : std::string();
}

void TSizeForm::SetVideoSize(const std::string& value)
{
    TopSettingForm* editor = korvane_.opSettingForm;
    int row = 0;
    if (editor && editor->vleVideo.FindRow(kVideoSize, row))
        editor->vleVideo.SetValue(row, value);
}

void TSizeForm::FormShow(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(false);
}

void TSizeForm::FormClose(ui::Form&, ui::CloseAction&)
{
    // A size that was asked for and not given falls back to the source's.
    if (VideoSize() == "Custom Size")
        SetVideoSize("Original Size");
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(true);
}

void TSizeForm::btnOKClick(ui::Component&)
{
    if (!ReadWholeNumber(edtWidth.Text())) {
        ui::ShowMessageBox("Please specify a proper width for output videos.", "Incorrect Width",
                           MB_OK | MB_ICONINFORMATION);
        edtWidth.SetFocus();
        return;
    }
    if (!ReadWholeNumber(edtHeight.Text())) {
        ui::ShowMessageBox("Please specify a proper height for output videos.", "Incorrect Height",
                           MB_OK | MB_ICONINFORMATION);
        edtHeight.SetFocus();
        return;
    }
    SetVideoSize(edtWidth.Text() + "x" + edtHeight.Text());
    Close();
}

void TSizeForm::btnCancelClick(ui::Component&)
{
    Close();
}

} // namespace korvane
