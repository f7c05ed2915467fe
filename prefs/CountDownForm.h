#pragma once
// The ten-second countdown before the program exits or the computer is
// turned off at the end of a job; the user can act at once or cancel.
#include "app/Korvane.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace korvane {

class TCountDownForm : public ui::Form {
public:
    enum Action { caExit = 0, caPowerOff = 1 };

    explicit TCountDownForm(Korvane& korvane);

    int CountdownAction = caExit;
    std::string CountdownText;
    int SecondsLeft = 0;

    // What the job hands over: the action with its button caption and text, then shows the dialog.
    void Start(Action action);

    ui::Image& imgIcon = MakeNamed<ui::Image>("imgIcon");
    ui::Label& labMessage = MakeNamed<ui::Label>("labMessage");
    ui::Button& btnDoNow = MakeNamed<ui::Button>("btnDoNow");
    ui::Button& btnCancel = MakeNamed<ui::Button>("btnCancel");
    ui::Timer& tmrCountdown = MakeNamed<ui::Timer>("tmrCountdown");

    void FormShow(ui::Component& sender);
    void FormHide(ui::Component& sender);
    void FormClose(ui::Form& sender, ui::CloseAction& action);
    void tmrCountdownTimer(ui::Component& sender);
    void btnDoNowClick(ui::Component& sender);
    void btnCancelClick(ui::Component& sender);

private:
    Korvane& korvane_;
};

} // namespace korvane
