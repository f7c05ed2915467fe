#include "skin/SkinDraw.h"

#include "skin/TextShorten.h"

#include <algorithm>
#include <cstdint>

namespace korvane {

namespace {

// A 32-bit top-down DIB section with its pixels.
struct Dib {
    Dib(int w, int h) : width(w), height(h)
    {
        void* p = nullptr;
        bitmap.Reset(ui::CreateDib(w, h, &p));
        pixels = static_cast<std::uint32_t*>(p);
        old = ::SelectObject(dc.Get(), bitmap.Get());
    }
    ~Dib() { ::SelectObject(dc.Get(), old); }
    int width, height;
    ui::MemoryDC dc;
    ui::GdiBitmap bitmap;
    std::uint32_t* pixels = nullptr;
    HGDIOBJ old = nullptr;
};

// The picture's part stretched over `dest`, leaving out the transparent colour.
// Composed here pixel by pixel: the system's transparent stretching does
// not keep the colours exactly on every platform.
void DrawTransparentPart(HDC dc, const RECT& dest, HDC source, const RECT& part)
{
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    Dib picture(dw, dh);
    Dib under(dw, dh);
    if (!picture.pixels || !under.pixels)
        return;
    const int old = ::SetStretchBltMode(picture.dc.Get(), COLORONCOLOR);
    ::StretchBlt(picture.dc.Get(), 0, 0, dw, dh, source, part.left, part.top, part.right - part.left,
                 part.bottom - part.top, SRCCOPY);
    ::SetStretchBltMode(picture.dc.Get(), old);
    ::BitBlt(under.dc.Get(), 0, 0, dw, dh, dc, dest.left, dest.top, SRCCOPY);
    ::GdiFlush();
    const std::uint32_t key = 0xFF00FF;   // magenta as a DIB pixel
    for (int i = 0; i < dw * dh; ++i)
        if ((picture.pixels[i] & 0xFFFFFF) != key)
            under.pixels[i] = picture.pixels[i];
    ::BitBlt(dc, dest.left, dest.top, dw, dh, under.dc.Get(), 0, 0, SRCCOPY);
}

} // namespace

void DrawPictureRect(HDC dc, const RECT& dest, const ui::Bitmap& picture, const RECT& source, bool transparent)
{
    const int dw = dest.right - dest.left;
    const int dh = dest.bottom - dest.top;
    const int sw = source.right - source.left;
    const int sh = source.bottom - source.top;
    if (picture.Empty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    ui::MemoryDC src(dc);
    ui::SelectObjectScope sel(src.Get(), picture.Handle());
    if (transparent) {
        DrawTransparentPart(dc, dest, src.Get(), source);
    } else if (dw == sw && dh == sh) {
        ::BitBlt(dc, dest.left, dest.top, dw, dh, src.Get(), source.left, source.top, SRCCOPY);
    } else {
        const int old = ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, dest.left, dest.top, dw, dh, src.Get(), source.left, source.top, sw, sh, SRCCOPY);
        ::SetStretchBltMode(dc, old);
    }
}

void DrawThreeSlices(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent)
{
    const int w = picture.Width();
    const int h = picture.Height();
    const int third = w / 3;
    const int dw = dest.right - dest.left;
    if (third <= 0 || dw <= 0)
        return;
    if (dw < third) {
        DrawPictureRect(dc, dest, picture, RECT{0, 0, dw, h}, transparent);
        return;
    }
    DrawPictureRect(dc, RECT{dest.left, dest.top, dest.left + third, dest.bottom}, picture, RECT{0, 0, third, h},
                    transparent);
    const int right = std::max(dest.left + third, dest.right - third);
    DrawPictureRect(dc, RECT{right, dest.top, dest.right, dest.bottom}, picture,
                    RECT{w - (dest.right - right), 0, w, h}, transparent);
    DrawPictureRect(dc, RECT{dest.left + third, dest.top, right, dest.bottom}, picture,
                    RECT{third, 0, w - third, h}, transparent);
}

void DrawThreeSlicesVertical(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent)
{
    const int w = picture.Width();
    const int h = picture.Height();
    const int third = h / 3;
    const int dh = dest.bottom - dest.top;
    if (third <= 0 || dh <= 0)
        return;
    if (dh < third) {
        DrawPictureRect(dc, dest, picture, RECT{0, 0, w, dh}, transparent);
        return;
    }
    DrawPictureRect(dc, RECT{dest.left, dest.top, dest.right, dest.top + third}, picture, RECT{0, 0, w, third},
                    transparent);
    const int bottom = std::max(dest.top + third, dest.bottom - third);
    DrawPictureRect(dc, RECT{dest.left, bottom, dest.right, dest.bottom}, picture,
                    RECT{0, h - (dest.bottom - bottom), w, h}, transparent);
    DrawPictureRect(dc, RECT{dest.left, dest.top + third, dest.right, bottom}, picture,
                    RECT{0, third, w, h - third}, transparent);
}

void DrawNineSlices(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent)
{
    const int pw = picture.Width();
    const int ph = picture.Height();
    const int W = dest.right - dest.left;
    const int H = dest.bottom - dest.top;
    if (pw <= 1 || ph <= 1 || W <= 0 || H <= 0)
        return;
    const int hw = pw / 2, hh = ph / 2;
    // Corner sizes: the quarters, cut when the rectangle is smaller.
    const int L = std::min(hw, W / 2);
    const int R = std::min(pw - hw, W - L);
    const int T = std::min(hh, H / 2);
    const int B = std::min(ph - hh, H - T);
    const int x0 = dest.left, y0 = dest.top, x1 = dest.right, y1 = dest.bottom;
    const RECT midCol{hw, 0, hw + 1, ph};
    const RECT midRow{0, hh, pw, hh + 1};
    // Bands and middle first, corners over them.
    DrawPictureRect(dc, RECT{x0 + L, y0, x1 - R, y0 + T}, picture, RECT{midCol.left, 0, midCol.right, T}, transparent);
    DrawPictureRect(dc, RECT{x0 + L, y1 - B, x1 - R, y1}, picture, RECT{midCol.left, ph - B, midCol.right, ph},
                    transparent);
    DrawPictureRect(dc, RECT{x0, y0 + T, x0 + L, y1 - B}, picture, RECT{0, midRow.top, L, midRow.bottom}, transparent);
    DrawPictureRect(dc, RECT{x1 - R, y0 + T, x1, y1 - B}, picture, RECT{pw - R, midRow.top, pw, midRow.bottom},
                    transparent);
    DrawPictureRect(dc, RECT{x0 + L, y0 + T, x1 - R, y1 - B}, picture, RECT{hw, hh, hw + 1, hh + 1}, transparent);
    DrawPictureRect(dc, RECT{x0, y0, x0 + L, y0 + T}, picture, RECT{0, 0, L, T}, transparent);
    DrawPictureRect(dc, RECT{x1 - R, y0, x1, y0 + T}, picture, RECT{pw - R, 0, pw, T}, transparent);
    DrawPictureRect(dc, RECT{x0, y1 - B, x0 + L, y1}, picture, RECT{0, ph - B, L, ph}, transparent);
    DrawPictureRect(dc, RECT{x1 - R, y1 - B, x1, y1}, picture, RECT{pw - R, ph - B, pw, ph}, transparent);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color)
{
    const COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF color)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    FillSolid(dc, RECT{rect.left, rect.top, rect.right, rect.top + 1}, color);
    FillSolid(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    FillSolid(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    FillSolid(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}

std::wstring ShortenToWidth(HDC dc, std::wstring_view text, int width)
{
    return ShortenByCharacters(text, width, [dc](std::wstring_view s) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, s.data(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    });
}

OffscreenBuffer::OffscreenBuffer(HDC reference, int width, int height)
    : dc_(reference), width_(std::max(1, width)), height_(std::max(1, height))
{
    bitmap_.Reset(ui::CreateDib(width_, height_));
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
}

OffscreenBuffer::~OffscreenBuffer()
{
    if (old_)
        ::SelectObject(dc_.Get(), old_);
}

void OffscreenBuffer::CopyTo(HDC target, int x, int y) const
{
    ::BitBlt(target, x, y, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
}

void OffscreenBuffer::CopyTo(HDC target, int x, int y, const RECT& source) const
{
    ::BitBlt(target, x, y, source.right - source.left, source.bottom - source.top, dc_.Get(), source.left, source.top,
             SRCCOPY);
}

} // namespace korvane
