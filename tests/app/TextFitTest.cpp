// Every caption of every window fits its control, measured in the font it
// is drawn in: run in the project's prefix and (e2e_text_fit_plain_fonts)
// in one without the project's font set-up, where the windows' face maps
// to a wider one.
#include "app/AboutForm.h"
#include "prefs/CountDownForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "tests/app/KorvaneFixture.h"
#include "ui/Graphics.h"
#include "ui/TextFit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

using namespace korvane;

namespace {

class TextFit : public korvane::testing::KorvaneTest {
protected:
    // The captions of a shown window that are clipped or run under another control.
    std::vector<std::string> Clipped(ui::Form& form, const std::string& window)
    {
        std::vector<std::string> clipped;
        int measured = 0;
        int tightest = 1 << 20;
        ui::ForEachControl(form, [&](ui::Control& c) {
            if (!c.Showing())
                return;
            ui::TextRoom room = ui::MeasureTextRoom(c);
            if (!room.Applies)
                return;
            // A windowed control draws in the font its window was given.
            if (auto* w = dynamic_cast<ui::WinControl*>(&c); w && w->HandleAllocated()) {
                HWND h = w->HandleIfAllocated();
                HDC dc = ::GetDC(h);
                HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(h, WM_GETFONT, 0, 0)));
                RECT r{0, 0, 0, 0};
                ui::DrawProgramText(dc, c.Caption(), r, DT_CALCRECT | DT_SINGLELINE);
                ::SelectObject(dc, old);
                ::ReleaseDC(h, dc);
                room.Text = std::max(room.Text, static_cast<int>(r.right));
            }
            ++measured;
            tightest = std::min(tightest, room.Room - room.Text);
            if (c.GetFont().Height != form.GetFont().Height && c.GetFont().Name == form.GetFont().Name)
                std::printf("  drawn at %d: %s \"%s\"\n", c.GetFont().Height, c.Name().c_str(), c.Caption().c_str());
            const std::string what = window + ": " + c.ClassName() + " \"" + c.Caption() + "\"";
            if (!room.Fits())
                clipped.push_back(what + " needs " + std::to_string(room.Text) + " px, has " +
                                  std::to_string(room.Room));
            // A label sized to its text does not run under the next control of its row.
            auto* label = dynamic_cast<ui::Label*>(&c);
            if (!label || !label->AutoSize() || !c.Parent())
                return;
            const RECT mine = c.BoundsRect();
            for (ui::Control* other : c.Parent()->ControlsList()) {
                if (other == &c || !other->Visible() || other->Left() <= mine.left)
                    continue;   // itself, hidden, or a picture under everything
                const RECT theirs = other->BoundsRect();
                RECT both{};
                if (::IntersectRect(&both, &mine, &theirs))
                    clipped.push_back(what + " runs under " + other->ClassName() + " \"" + other->Name() + "\"");
            }
        });
        std::printf("%-16s %2d captions, tightest %d px to spare, %d drawn smaller\n", window.c_str(), measured,
                    tightest, form.TextsShrunk());
        return clipped;
    }
};

} // namespace

TEST_F(TextFit, EveryCaptionOfEveryWindowFitsItsControl)
{
    Start();
    std::vector<std::string> clipped;
    auto add = [&](std::vector<std::string> more) { clipped.insert(clipped.end(), more.begin(), more.end()); };
    add(Clipped(Main(), "main window"));
    // The busy look: the progress panel over the job settings.
    Main().panProgress.Show();
    ui::App().ProcessMessages();
    add(Clipped(Main(), "main, busy"));
    Main().panProgress.Hide();

    auto shown = [&](ui::Form& form, const char* name, const std::function<void()>& show) {
        show();
        ui::App().ProcessMessages();
        add(Clipped(form, name));
        form.Hide();
        Main().SetEnabled(true);
    };
    shown(*korvane.SettingForm, "settings", [&] { korvane.SettingForm->Show(); });
    shown(*korvane.AboutForm, "about", [&] { korvane.AboutForm->Show(); });
    shown(*korvane.opSettingForm, "profile editor", [&] { korvane.opSettingForm->ShowFor(0); });
    shown(*korvane.SizeForm, "size dialog", [&] { korvane.SizeForm->Show(); });
    shown(*korvane.CountDownForm, "countdown", [&] {
        korvane.CountDownForm->Start(TCountDownForm::caExit);
        korvane.CountDownForm->tmrCountdown.SetEnabled(false);
    });
    for (const std::string& c : clipped)
        ADD_FAILURE() << c;
}
