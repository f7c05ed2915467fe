#pragma once
// Shared pieces of the framework's window tests: a fixture that scripts every
// modal question and tears the forms down, a plain test form, pixel reading
// and mouse input sent straight to windows.
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

class TestForm : public ui::Form {
public:
    explicit TestForm(std::string className = "TTestForm") : ui::Form(std::move(className))
    {
        SetBorderStyle(ui::bsSingle);
        SetBounds(40, 40, 10, 10);
        SetClientSize(400, 300);
    }
};

class UiTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every message box and file dialog of the test lands here.
    ui::ScriptedDialogs dialogs;
};

// A graphic control that paints itself in one colour and logs its events.
class ProbeGraphic : public ui::GraphicControl {
public:
    ProbeGraphic(ui::Component* owner, COLORREF fill);
    COLORREF Fill;
    std::vector<std::string> Log;

protected:
    void Paint(ui::Canvas& canvas) override;
};

// A bitmap of one colour.
void FillBitmap(ui::Bitmap& bitmap, int width, int height, COLORREF color);
// Sets one pixel of a bitmap.
void SetBitmapPixel(ui::Bitmap& bitmap, int x, int y, COLORREF color);

// The client area of a window as the screen shows it, after painting is done.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd);
    COLORREF At(int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    std::vector<unsigned> pixels_;
    int width_ = 0;
    int height_ = 0;
};

// Mouse input delivered to a window's procedure (client coordinates).
void MouseDown(HWND hwnd, int x, int y);
void MouseUp(HWND hwnd, int x, int y);
void MouseMove(HWND hwnd, int x, int y, WPARAM keys = 0);
void Click(HWND hwnd, int x, int y);

// Serves the application's messages until `done` holds; the deadline, in
// milliseconds, only ends a test that hangs (a fresh Wine prefix's first
// media graph takes half a minute), and comes before the suite's own limit
// so that the test says what did not come.
inline constexpr DWORD kHangMs = 100000;
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kHangMs);

// A thread timer whose tick runs inside whatever loop serves the thread's
// messages (a job's pumping, a modal box): what a user does while the program
// is busy. The tick returns true when it is done; the timer then stops.
class PumpTimer {
public:
    PumpTimer(UINT intervalMs, std::function<bool()> tick) : tick_(std::move(tick))
    {
        active_ = this;
        id_ = ::SetTimer(nullptr, 0, intervalMs, &PumpTimer::Proc);
    }
    ~PumpTimer()
    {
        ::KillTimer(nullptr, id_);
        active_ = nullptr;
    }
    PumpTimer(const PumpTimer&) = delete;
    PumpTimer& operator=(const PumpTimer&) = delete;

    // Ticks run so far.
    int Ticks() const { return ticks_; }

private:
    static void CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD)
    {
        if (active_ == nullptr || active_->id_ != id)
            return;
        ++active_->ticks_;
        if (active_->tick_ && active_->tick_())
            active_->tick_ = nullptr;
    }
    static inline PumpTimer* active_ = nullptr;
    std::function<bool()> tick_;
    UINT_PTR id_ = 0;
    int ticks_ = 0;
};

std::string AtomName(HWND hwnd, const char* property);

} // namespace uitest
