#include "ui/Graphics.h"

#include "ui/Error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ui {

COLORREF ColorToRGB(COLORREF color, COLORREF fallback)
{
    if (color == clDefault || color == clNone)
        return fallback;
    if (color & clSystemBit)
        return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0xFFFFFF;
}

GdiFont Font::Create() const
{
    LOGFONTA lf{};
    lf.lfHeight = Height;
    lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Italic ? TRUE : FALSE;
    lf.lfUnderline = Underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    const size_t n = std::min(Name.size(), sizeof lf.lfFaceName - 1);
    std::memcpy(lf.lfFaceName, Name.data(), n);
    return GdiFont(::CreateFontIndirectA(&lf));
}

// --- bitmap ------------------------------------------------------------------

BITMAPINFO Dib32(int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

HBITMAP CreateDib(int width, int height, void** bits)
{
    const BITMAPINFO bi = Dib32(width, height);
    void* p = nullptr;
    HBITMAP h = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!h)
        throw Error("Out of system resources");
    if (bits)
        *bits = p;
    return h;
}

namespace {

SIZE BitmapSize(HBITMAP h)
{
    BITMAP bm{};
    ::GetObjectA(h, sizeof bm, &bm);
    return SIZE{bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

// Pixels of a DIB are 0x00RRGGBB, COLORREF is 0x00BBGGRR.
std::uint32_t ColorToDib(COLORREF c)
{
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
        GetBValue(c);
}

// Draws `part` of the bitmap at (x, y), leaving out the colour `key`: the
// pixels are read as 32-bit colours and blended with the key's pixels fully
// transparent and the others fully opaque, which gives exactly the pixels of
// the system's transparent blit. That blit asks the
// display for its format on every call, server round trips under Wine; this
// costs none. False when the pixels cannot be read.
bool BlendLeavingOut(HDC dc, int x, int y, HBITMAP bitmap, const RECT& part, COLORREF key)
{
    const int w = part.right - part.left;
    const int h = part.bottom - part.top;
    const SIZE size = BitmapSize(bitmap);
    if (part.left < 0 || part.top < 0 || part.right > size.cx || part.bottom > size.cy)
        return false;
    BITMAPINFO bi = Dib32(size.cx, size.cy);
    std::vector<std::uint32_t> all(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    MemoryDC reader(dc);
    if (all.empty() ||
        ::GetDIBits(reader.Get(), bitmap, 0, static_cast<UINT>(size.cy), all.data(), &bi, DIB_RGB_COLORS) != size.cy)
        return false;
    void* bits = nullptr;
    GdiBitmap keyed(CreateDib(w, h, &bits));
    auto* out = static_cast<std::uint32_t*>(bits);
    const std::uint32_t keyDib = ColorToDib(key);
    for (int row = 0; row < h; ++row) {
        const std::uint32_t* in = all.data() + static_cast<size_t>(part.top + row) * size.cx + part.left;
        for (int col = 0; col < w; ++col) {
            const std::uint32_t v = in[col] & 0xFFFFFFu;
            *out++ = v == keyDib ? 0u : (v | 0xFF000000u);
        }
    }
    MemoryDC blend(dc);
    SelectObjectScope s(blend.Get(), keyed.Get());
    const BLENDFUNCTION opaque{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return ::AlphaBlend(dc, x, y, w, h, blend.Get(), 0, 0, w, h, opaque) != FALSE;
}

} // namespace

Bitmap::Bitmap(int width, int height)
{
    SetSize(width, height);
}

Bitmap::~Bitmap() = default;

void Bitmap::LoadFromFile(const std::string& path)
{
    HANDLE h = ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!h)
        throw Error("Cannot load the picture " + path);
    Attach(static_cast<HBITMAP>(h));
}

void Bitmap::LoadFromResource(const std::string& name, HINSTANCE module)
{
    if (!module)
        module = ::GetModuleHandleA(nullptr);
    HANDLE h = ::LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!h)
        throw Error("Cannot load the picture resource " + name);
    Attach(static_cast<HBITMAP>(h));
}

void Bitmap::Attach(HBITMAP bitmap)
{
    bitmap_.Reset(bitmap);
    const SIZE s = bitmap ? BitmapSize(bitmap) : SIZE{0, 0};
    width_ = s.cx;
    height_ = s.cy;
    Changed();
}

void Bitmap::Assign(const Bitmap& other)
{
    if (&other == this)
        return;
    if (other.Empty()) {
        bitmap_.Reset();
        width_ = height_ = 0;
        transparentColor_ = other.transparentColor_;
        Changed();
        return;
    }
    GdiBitmap copy(CreateDib(other.width_, other.height_, nullptr));
    {
        MemoryDC src, dst;
        SelectObjectScope s1(src.Get(), other.bitmap_.Get());
        SelectObjectScope s2(dst.Get(), copy.Get());
        ::BitBlt(dst.Get(), 0, 0, other.width_, other.height_, src.Get(), 0, 0, SRCCOPY);
    }
    bitmap_ = std::move(copy);
    width_ = other.width_;
    height_ = other.height_;
    transparentColor_ = other.transparentColor_;
    Changed();
}

void Bitmap::AssignDisabled(const Bitmap& other)
{
    const COLORREF key = other.TransparentColor();
    auto onChange = std::move(OnChange);
    Assign(other);
    OnChange = std::move(onChange);
    if (Empty()) {
        Changed();
        return;
    }
    DIBSECTION ds{};
    if (::GetObjectA(bitmap_.Get(), sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits) {
        ::GdiFlush();
        auto* px = static_cast<std::uint32_t*>(ds.dsBm.bmBits);
        const std::uint32_t keyDib = key == clNone ? 0xFFFFFFFFu : ColorToDib(key);
        for (int i = 0; i < width_ * height_; ++i) {
            const std::uint32_t v = px[i] & 0xFFFFFF;
            if (v == keyDib)
                continue;
            const unsigned lum = (((v >> 16) & 0xFF) * 30 + ((v >> 8) & 0xFF) * 59 + (v & 0xFF) * 11) / 100;
            unsigned g = 128 + lum / 2;   // washed-out grey
            if (g > 0xF0)
                g = 0xF0;
            std::uint32_t out = (g << 16) | (g << 8) | g;
            if (out == keyDib)   // never turn into the transparent colour
                out ^= 1;
            px[i] = out;
        }
    }
    transparentColor_ = key;
    Changed();
}

void Bitmap::SetSize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        Clear();
        return;
    }
    bitmap_.Reset(CreateDib(width, height, nullptr));
    width_ = width;
    height_ = height;
    Changed();
}

void Bitmap::Clear()
{
    bitmap_.Reset();
    width_ = height_ = 0;
    Changed();
}

COLORREF Bitmap::TransparentColor() const
{
    if (transparentColor_ != clDefault)
        return transparentColor_;
    if (Empty())
        return clNone;
    return Pixel(0, height_ - 1);
}

COLORREF Bitmap::Pixel(int x, int y) const
{
    if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    MemoryDC dc;
    SelectObjectScope s(dc.Get(), bitmap_.Get());
    return ::GetPixel(dc.Get(), x, y);
}

void Bitmap::Draw(HDC dc, int x, int y) const
{
    if (Empty())
        return;
    MemoryDC src(dc);
    SelectObjectScope s(src.Get(), bitmap_.Get());
    ::BitBlt(dc, x, y, width_, height_, src.Get(), 0, 0, SRCCOPY);
}

void Bitmap::DrawTransparent(HDC dc, int x, int y) const
{
    DrawPart(dc, x, y, RECT{0, 0, width_, height_}, true);
}

void Bitmap::DrawPart(HDC dc, int x, int y, const RECT& source, bool transparent) const
{
    if (Empty())
        return;
    const int w = source.right - source.left;
    const int h = source.bottom - source.top;
    if (w <= 0 || h <= 0)
        return;
    // The key is read before the bitmap is selected: it can be in one DC only.
    const COLORREF key = transparent ? TransparentColor() : clNone;
    const bool keyed = key != clNone && key != CLR_INVALID;
    if (keyed && BlendLeavingOut(dc, x, y, bitmap_.Get(), source, key))
        return;
    MemoryDC src(dc);
    SelectObjectScope s(src.Get(), bitmap_.Get());
    if (!keyed)
        ::BitBlt(dc, x, y, w, h, src.Get(), source.left, source.top, SRCCOPY);
    else
        ::TransparentBlt(dc, x, y, w, h, src.Get(), source.left, source.top, w, h, key);
}

void Bitmap::StretchDraw(HDC dc, const RECT& target, bool transparent) const
{
    if (Empty())
        return;
    const int w = target.right - target.left;
    const int h = target.bottom - target.top;
    if (w <= 0 || h <= 0)
        return;
    const COLORREF key = transparent ? TransparentColor() : clNone;
    MemoryDC src(dc);
    SelectObjectScope s(src.Get(), bitmap_.Get());
    if (key == clNone || key == CLR_INVALID) {
        const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, target.left, target.top, w, h, src.Get(), 0, 0, width_, height_, SRCCOPY);
        ::SetStretchBltMode(dc, oldMode);
    } else {
        ::TransparentBlt(dc, target.left, target.top, w, h, src.Get(), 0, 0, width_, height_, key);
    }
}

void Bitmap::Changed()
{
    if (OnChange)
        OnChange();
}

// --- icon ----------------------------------------------------------------------

void Icon::LoadFromResource(const std::string& name, int size, HINSTANCE module)
{
    if (!module)
        module = ::GetModuleHandleA(nullptr);
    HANDLE h = ::LoadImageA(module, name.c_str(), IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE);
    if (!h)
        throw Error("Cannot load the icon resource " + name);
    icon_.Reset(static_cast<HICON>(h));
}

void Icon::LoadFromResource(int id, int size, HINSTANCE module)
{
    if (!module)
        module = ::GetModuleHandleA(nullptr);
    HANDLE h = ::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE);
    if (!h)
        throw Error("Cannot load the icon resource " + std::to_string(id));
    icon_.Reset(static_cast<HICON>(h));
}

void Icon::LoadFromFile(const std::string& path, int size)
{
    HANDLE h = ::LoadImageA(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE | (size ? 0 : LR_DEFAULTSIZE));
    if (!h)
        throw Error("Cannot load the icon " + path);
    icon_.Reset(static_cast<HICON>(h));
}

void Icon::Assign(HICON icon)
{
    icon_.Reset(icon ? ::CopyIcon(icon) : nullptr);
}

// --- canvas ----------------------------------------------------------------------

Canvas::Canvas(HDC dc) : dc_(dc), saved_(::SaveDC(dc))
{
    ::SetBkMode(dc_, TRANSPARENT);
}

Canvas::~Canvas()
{
    // Restoring the state deselects our font before it is deleted.
    ::RestoreDC(dc_, saved_);
}

void Canvas::SetFont(const Font& font)
{
    GdiFont created = font.Create();
    ::SelectObject(dc_, created.Get());
    font_ = std::move(created);
    fontColor_ = ColorToRGB(font.Color);
    ::SetTextColor(dc_, fontColor_);
}

void Canvas::SetTextColor(COLORREF color)
{
    ::SetTextColor(dc_, ColorToRGB(color));
}

void Canvas::SetTransparentText(bool transparent)
{
    ::SetBkMode(dc_, transparent ? TRANSPARENT : OPAQUE);
}

void Canvas::SetTextBackground(COLORREF color)
{
    ::SetBkColor(dc_, ColorToRGB(color));
}

std::wstring ProgramTextToWide(std::string_view text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string WideToProgramText(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string narrow(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr,
                              nullptr);
    return narrow;
}

int DrawProgramText(HDC dc, std::string_view text, RECT& rect, UINT format)
{
    const std::wstring wide = ProgramTextToWide(text);
    return ::DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &rect, format);
}

void Canvas::TextOut(int x, int y, std::string_view text)
{
    const std::wstring wide = ProgramTextToWide(text);
    ::TextOutW(dc_, x, y, wide.data(), static_cast<int>(wide.size()));
}

int Canvas::DrawText(RECT rect, std::string_view text, UINT format)
{
    return DrawProgramText(dc_, text, rect, format);
}

void Canvas::TextRect(const RECT& rect, std::string_view text, TextAlign align)
{
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    format |= align == TextAlign::Center ? DT_CENTER : align == TextAlign::Right ? DT_RIGHT : DT_LEFT;
    DrawText(rect, text, format);
}

SIZE Canvas::TextExtent(std::string_view text)
{
    SIZE s{0, 0};
    const std::wstring wide = ProgramTextToWide(text);
    ::GetTextExtentPoint32W(dc_, wide.data(), static_cast<int>(wide.size()), &s);
    return s;
}

void Canvas::FillRect(const RECT& rect, COLORREF color)
{
    GdiBrush b(::CreateSolidBrush(ColorToRGB(color)));
    ::FillRect(dc_, &rect, b.Get());
}

void Canvas::FillRect(const RECT& rect, HBRUSH brush)
{
    ::FillRect(dc_, &rect, brush);
}

void Canvas::FrameRect(const RECT& rect, COLORREF color)
{
    GdiBrush b(::CreateSolidBrush(ColorToRGB(color)));
    ::FrameRect(dc_, &rect, b.Get());
}

void Canvas::Rectangle(const RECT& rect, COLORREF pen, COLORREF brush)
{
    GdiPen p(::CreatePen(PS_SOLID, 1, ColorToRGB(pen)));
    GdiBrush b(brush == clNone ? nullptr : ::CreateSolidBrush(ColorToRGB(brush)));
    SelectObjectScope sp(dc_, p.Get());
    SelectObjectScope sb(dc_, b ? static_cast<HGDIOBJ>(b.Get()) : ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void Canvas::Line(int x1, int y1, int x2, int y2, COLORREF color, int width)
{
    GdiPen p(::CreatePen(PS_SOLID, width, ColorToRGB(color)));
    SelectObjectScope sp(dc_, p.Get());
    ::MoveToEx(dc_, x1, y1, nullptr);
    ::LineTo(dc_, x2, y2);
}

void Canvas::Edge(RECT rect, UINT edge, UINT flags)
{
    ::DrawEdge(dc_, &rect, edge, flags);
}

void Canvas::FocusRect(const RECT& rect)
{
    ::DrawFocusRect(dc_, &rect);
}

void Canvas::Draw(int x, int y, const Bitmap& bitmap)
{
    bitmap.Draw(dc_, x, y);
}

void Canvas::DrawTransparent(int x, int y, const Bitmap& bitmap)
{
    bitmap.DrawTransparent(dc_, x, y);
}

void Canvas::StretchDraw(const RECT& target, const Bitmap& bitmap, bool transparent)
{
    bitmap.StretchDraw(dc_, target, transparent);
}

void Canvas::IntersectClip(const RECT& rect)
{
    ::IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

namespace detail {

BitmapDcHolder::BitmapDcHolder(Bitmap& bitmap)
{
    if (bitmap.Empty())
        throw Error("Cannot draw on an empty picture");
    oldBitmap = ::SelectObject(memoryDc.Get(), bitmap.Handle());
}

BitmapDcHolder::~BitmapDcHolder()
{
    if (oldBitmap)
        ::SelectObject(memoryDc.Get(), oldBitmap);
}

BitmapChangeNotifier::~BitmapChangeNotifier()
{
    ::GdiFlush();
    target.Changed();
}

} // namespace detail

BitmapCanvas::BitmapCanvas(Bitmap& bitmap)
    : detail::BitmapChangeNotifier{bitmap}, detail::BitmapDcHolder(bitmap), Canvas(memoryDc.Get())
{
}

BitmapCanvas::~BitmapCanvas() = default;

} // namespace ui
