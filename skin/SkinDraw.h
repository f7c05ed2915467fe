#pragma once
// Drawing helpers of the skin: pictures cut into parts and stretched, the
// way skin pictures are laid over rectangles of any size.
//
// Transparent drawing leaves out magenta (0xFF00FF), the skin's transparent
// colour. Three slices: a strip picture's left third at the left end, its
// right third at the right end, its middle third stretched between (top,
// middle, bottom for the vertical kind); a rectangle narrower than a third
// gets the left third cut to its width. Nine slices (push buttons): each
// corner of the rectangle gets the picture's matching quarter at its own
// size (cut when the rectangle is smaller); the bands between them and the
// middle are the picture's middle column, row and pixel stretched.
#include "ui/Graphics.h"

#include <string>

namespace korvane {

constexpr COLORREF kSkinTransparentColor = RGB(255, 0, 255);

// `source` of `picture` stretched over `dest`.
void DrawPictureRect(HDC dc, const RECT& dest, const ui::Bitmap& picture, const RECT& source, bool transparent);
void DrawThreeSlices(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent);
void DrawThreeSlicesVertical(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent);
void DrawNineSlices(HDC dc, const RECT& dest, const ui::Bitmap& picture, bool transparent);

void FillSolid(HDC dc, const RECT& rect, COLORREF color);
void FrameSolid(HDC dc, const RECT& rect, COLORREF color);

// The longest leading run of whole characters of `text` (at least one)
// that, followed by "...", fits `width` pixels in the DC's font; the text
// itself when it fits.
std::wstring ShortenToWidth(HDC dc, std::wstring_view text, int width);

// An off-screen picture of a size: drawn on, then copied in one step.
class OffscreenBuffer {
public:
    OffscreenBuffer(HDC reference, int width, int height);
    ~OffscreenBuffer();
    OffscreenBuffer(const OffscreenBuffer&) = delete;
    OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;
    HDC Dc() const { return dc_.Get(); }
    void CopyTo(HDC target, int x, int y) const;
    void CopyTo(HDC target, int x, int y, const RECT& source) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    ui::MemoryDC dc_;
    ui::GdiBitmap bitmap_;
    HGDIOBJ old_ = nullptr;
    int width_, height_;
};

} // namespace korvane
