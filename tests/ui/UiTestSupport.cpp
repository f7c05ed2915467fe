#include "UiTestSupport.h"

#include "tests/support/Pump.h"

#include <windowsx.h>

namespace uitest {

void UiTest::SetUp()
{
    ui::App().Initialize();
    ui::App().SetTitle("Korvane Test");
}

void UiTest::TearDown()
{
    ui::App().DestroyForms();
    ui::App().ResetTerminated();
    ui::App().ProcessMessages();
    ui::App().ResetTerminated();
}

ProbeGraphic::ProbeGraphic(ui::Component* owner, COLORREF fill) : ui::GraphicControl(owner), Fill(fill)
{
    OnMouseDown = [this](ui::Control&, ui::MouseButton b, ui::ShiftState, int x, int y) {
        Log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    OnMouseUp = [this](ui::Control&, ui::MouseButton b, ui::ShiftState, int x, int y) {
        Log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    OnClick = [this](ui::Component&) { Log.push_back("click"); };
    OnMouseEnter = [this](ui::Component&) { Log.push_back("enter"); };
    OnMouseLeave = [this](ui::Component&) { Log.push_back("leave"); };
}

void ProbeGraphic::Paint(ui::Canvas& canvas)
{
    canvas.FillRect(ClientRect(), Fill);
}

void FillBitmap(ui::Bitmap& bitmap, int width, int height, COLORREF color)
{
    bitmap.SetSize(width, height);
    ui::BitmapCanvas canvas(bitmap);
    canvas.FillRect(RECT{0, 0, width, height}, color);
}

void SetBitmapPixel(ui::Bitmap& bitmap, int x, int y, COLORREF color)
{
    ui::BitmapCanvas canvas(bitmap);
    ::SetPixel(canvas.Handle(), x, y, color);
}

Snapshot::Snapshot(HWND hwnd)
{
    ::UpdateWindow(hwnd);
    RECT r{};
    ::GetClientRect(hwnd, &r);
    width_ = r.right;
    height_ = r.bottom;
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    ui::WindowDC dc(hwnd);
    ui::MemoryDC mem(dc.Get());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ui::GdiBitmap bmp(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        ui::SelectObjectScope s(mem.Get(), bmp.Get());
        ::BitBlt(mem.Get(), 0, 0, width_, height_, dc.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    const auto* px = static_cast<const unsigned*>(bits);
    pixels_.assign(px, px + static_cast<size_t>(width_) * height_);
}

COLORREF Snapshot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    const unsigned v = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void MouseDown(HWND hwnd, int x, int y)
{
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void MouseUp(HWND hwnd, int x, int y)
{
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void MouseMove(HWND hwnd, int x, int y, WPARAM keys)
{
    ::SendMessageA(hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
}

void Click(HWND hwnd, int x, int y)
{
    MouseDown(hwnd, x, y);
    MouseUp(hwnd, x, y);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    return korvane::testsupport::PumpUntilDeadline(done, timeoutMs, [] { ui::App().ProcessMessages(); });
}

std::string AtomName(HWND hwnd, const char* property)
{
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(::GetPropA(hwnd, property)));
    if (!atom)
        return {};
    char name[256] = {};
    const UINT n = ::GlobalGetAtomNameA(atom, name, sizeof name);
    return std::string(name, n);
}

} // namespace uitest
