#include "prefs/CountDownForm.h"

#include "app/MainForm.h"

namespace korvane {

TCountDownForm::TCountDownForm(Korvane& korvane) : ui::Form("TCountDownForm"), korvane_(korvane)
{
    korvane_.CountDownForm = this;
    SetCaption("Countdown");
    SetBorderStyle(ui::bsDialog);
    SetPosition(ui::poMainFormCenter);
    SetClientSize(340, 104);

    imgIcon.Place(this, 16, 16, 32, 32);
    imgIcon.SetTransparent(true);
    imgIcon.Picture().LoadFromResource("COUNTDOWN");
    labMessage.SetAutoSize(false);
    labMessage.Place(this, 60, 24, 268, 26);
    labMessage.SetWordWrap(true);
    btnDoNow.Place(this, 132, 66, 100, 25);
    btnCancel.Place(this, 240, 66, 88, 25);
    btnCancel.SetCaption("Cancel");
    btnCancel.SetCancel(true);
    tmrCountdown.SetEnabled(false);
    tmrCountdown.SetInterval(1000);

    OnShow = ui::Handler(this, &TCountDownForm::FormShow);
    OnHide = ui::Handler(this, &TCountDownForm::FormHide);
    OnClose = ui::Handler(this, &TCountDownForm::FormClose);
    tmrCountdown.OnTimer = ui::Handler(this, &TCountDownForm::tmrCountdownTimer);
    btnDoNow.OnClick = ui::Handler(this, &TCountDownForm::btnDoNowClick);
    btnCancel.OnClick = ui::Handler(this, &TCountDownForm::btnCancelClick);
}

void TCountDownForm::Start(Action action)
{
    CountdownAction = action;
    if (action == caPowerOff) {
        btnDoNow.SetCaption("Turn off Now");
        CountdownText = "The computer will be turned off within";
    } else {
        btnDoNow.SetCaption("Exit Now");
        CountdownText = "The program will exit within";
    }
    Show();
}

void TCountDownForm::FormShow(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(false);
    labMessage.SetCaption(CountdownText + " 10 seconds.");
    SecondsLeft = 10;
    tmrCountdown.SetEnabled(true);
}

void TCountDownForm::FormHide(ui::Component&)
{
    tmrCountdown.SetEnabled(false);
    if (korvane_.MainForm)
        korvane_.MainForm->SetEnabled(true);
}

// Closed by its frame or Alt+F4 the countdown is given up as with Cancel:
// otherwise the main window would keep its busy look with nothing left to end it.
void TCountDownForm::FormClose(ui::Form&, ui::CloseAction&)
{
    tmrCountdown.SetEnabled(false);
    if (korvane_.MainForm)
        korvane_.MainForm->LeaveBusyState();
}

void TCountDownForm::tmrCountdownTimer(ui::Component&)
{
    --SecondsLeft;
    labMessage.SetCaption(CountdownText + " " + std::to_string(SecondsLeft) + " seconds.");
    if (SecondsLeft <= 0) {
        tmrCountdown.SetEnabled(false);
        btnDoNow.Click();
    }
}

void TCountDownForm::btnDoNowClick(ui::Component&)
{
    if (CountdownAction == caPowerOff) {
        // The dialog stays open: the system is going down.
        if (korvane_.PowerOff)
            korvane_.PowerOff();
        return;
    }
    if (korvane_.MainForm)
        korvane_.MainForm->Close();
}

void TCountDownForm::btnCancelClick(ui::Component&)
{
    if (korvane_.MainForm)
        korvane_.MainForm->LeaveBusyState();
    Close();
}

} // namespace korvane
