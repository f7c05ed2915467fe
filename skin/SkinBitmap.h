#pragma once
// The skin's pictures as GDI bitmaps: the reader's look-ups and the picture
// routines on ui::Bitmap, the pictures prepared once per skin for scroll bars
// and tabs, and the built-in skin compiled into the program. The work itself
// is done on SkinImage (skin/SkinImage.h); this layer only moves pixels in and
// out of 32-bit DIB sections.
#include "skin/SkinReader.h"
#include "ui/Graphics.h"

#include <array>
#include <span>
#include <string_view>

namespace korvane {

// The target becomes a 32-bit DIB section holding the image (empty for an
// empty image); its transparent colour and change handler stay.
void AssignImage(ui::Bitmap& target, const SkinImage& image);
// The pixels of any bitmap; empty for an empty one.
SkinImage ImageOf(const ui::Bitmap& bitmap);

// The reader's picture look-ups into a GDI bitmap (see TSkinReader).
bool GetSkinBitmap(const TSkinReader& reader, std::string_view name, ui::Bitmap& target);
bool GetSkinBitmapPart(const TSkinReader& reader, std::string_view name, ui::Bitmap& target, int index, int count);

// The picture routines of skin/SkinImage.h on GDI bitmaps.
void SplitBitmap(const ui::Bitmap& source, ui::Bitmap& target, int count, int index);
void RotateBitmapLeft(ui::Bitmap& bitmap);
void RotateBitmapHalf(ui::Bitmap& bitmap);
void RotateBitmapRight(ui::Bitmap& bitmap);

enum class SkinTurn { Stored, Left, Half, Right };

// Pictures prepared from the skin once, and again whenever a skin is read.
class TSkinRes {
public:
    explicit TSkinRes(const TSkinReader& reader) : reader_(reader) {}
    virtual ~TSkinRes() = default;
    TSkinRes(const TSkinRes&) = delete;
    TSkinRes& operator=(const TSkinRes&) = delete;

    virtual void Reload() = 0;

protected:
    const TSkinReader& reader_;
};

// The six arrow-button parts of "ScrollBarButtonImage", as stored (horizontal
// bars) and turned left (vertical bars), and "ScrollBarSliderImage" as stored
// and turned right. A picture the skin lacks stays empty.
class TSkinScrollBtnRes : public TSkinRes {
public:
    using TSkinRes::TSkinRes;
    void Reload() override;

    // part 1..6, turn Stored or Left; anything else gives an empty bitmap.
    const ui::Bitmap& Button(int part, SkinTurn turn) const;
    // turn Stored or Right.
    const ui::Bitmap& Slider(SkinTurn turn) const;

private:
    std::array<ui::Bitmap, 6> buttons_;
    std::array<ui::Bitmap, 6> buttonsLeft_;
    ui::Bitmap slider_;
    ui::Bitmap sliderRight_;
    ui::Bitmap none_;
};

// "TabControlBarImage" and the two parts of "TabControlTabImage", each in all
// four turnings (for tabs along the top, left, bottom and right).
class TSkinTabRes : public TSkinRes {
public:
    using TSkinRes::TSkinRes;
    void Reload() override;

    const ui::Bitmap& Bar(SkinTurn turn) const;
    // part 1 or 2; anything else gives an empty bitmap.
    const ui::Bitmap& Tab(int part, SkinTurn turn) const;

private:
    std::array<ui::Bitmap, 4> bar_;
    std::array<std::array<ui::Bitmap, 4>, 2> tabs_;   // part 2 first, then part 1
    ui::Bitmap none_;
};

// The built-in skin: the container compiled into the program as the RCDATA
// resource KORVANE_SKIN. Empty when the module carries none.
std::span<const unsigned char> BuiltInSkinData(HINSTANCE module = nullptr);
// Reads it from memory into the reader; false when the module carries none.
// A damaged container throws SkinReadError as ReadSkinData does.
bool ReadBuiltInSkin(TSkinReader& reader, HINSTANCE module = nullptr);

} // namespace korvane
