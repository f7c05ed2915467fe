#include "skin/SkinBitmap.h"

#include "ui/Error.h"

#include <cstring>

namespace korvane {

namespace {

template <class Turn>
void Apply(ui::Bitmap& bitmap, Turn turn)
{
    SkinImage image = ImageOf(bitmap);
    turn(image);
    AssignImage(bitmap, image);
}

void Turned(const ui::Bitmap& source, ui::Bitmap& target, SkinTurn turn)
{
    SkinImage image = ImageOf(source);
    switch (turn) {
    case SkinTurn::Stored:
        break;
    case SkinTurn::Left:
        RotateBitmapLeft(image);
        break;
    case SkinTurn::Half:
        RotateBitmapHalf(image);
        break;
    case SkinTurn::Right:
        RotateBitmapRight(image);
        break;
    }
    AssignImage(target, image);
}

} // namespace

void AssignImage(ui::Bitmap& target, const SkinImage& image)
{
    if (image.Empty()) {
        target.Clear();
        return;
    }
    const BITMAPINFO bi = ui::Dib32(image.width, image.height);
    void* bits = nullptr;
    HBITMAP h = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!h)
        throw ui::Error("Out of system resources");
    std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof image.pixels[0]);
    target.Attach(h);
}

SkinImage ImageOf(const ui::Bitmap& bitmap)
{
    if (bitmap.Empty())
        return SkinImage();
    SkinImage image(bitmap.Width(), bitmap.Height());
    BITMAPINFO bi = ui::Dib32(image.width, image.height);
    ui::MemoryDC dc;
    if (::GetDIBits(dc.Get(), bitmap.Handle(), 0, static_cast<UINT>(image.height), image.pixels.data(), &bi,
                    DIB_RGB_COLORS) != image.height)
        throw ui::Error("Cannot read the picture's pixels");
    for (std::uint32_t& p : image.pixels)
        p &= 0xFFFFFF;
    return image;
}

bool GetSkinBitmap(const TSkinReader& reader, std::string_view name, ui::Bitmap& target)
{
    SkinImage image;
    if (!reader.GetSkinBitmap(name, image))
        return false;
    AssignImage(target, image);
    return true;
}

bool GetSkinBitmapPart(const TSkinReader& reader, std::string_view name, ui::Bitmap& target, int index, int count)
{
    SkinImage image;
    if (!reader.GetSkinBitmapPart(name, image, index, count))
        return false;
    AssignImage(target, image);
    return true;
}

void SplitBitmap(const ui::Bitmap& source, ui::Bitmap& target, int count, int index)
{
    SkinImage part;
    SplitBitmap(ImageOf(source), part, count, index);
    AssignImage(target, part);
}

void RotateBitmapLeft(ui::Bitmap& bitmap)
{
    Apply(bitmap, [](SkinImage& i) { RotateBitmapLeft(i); });
}

void RotateBitmapHalf(ui::Bitmap& bitmap)
{
    Apply(bitmap, [](SkinImage& i) { RotateBitmapHalf(i); });
}

void RotateBitmapRight(ui::Bitmap& bitmap)
{
    Apply(bitmap, [](SkinImage& i) { RotateBitmapRight(i); });
}

// --- prepared pictures -------------------------------------------------------

void TSkinScrollBtnRes::Reload()
{
    for (int part = 1; part <= 6; ++part) {
        ui::Bitmap& stored = buttons_[static_cast<std::size_t>(part - 1)];
        if (!GetSkinBitmapPart(reader_, "ScrollBarButtonImage", stored, part, 6))
            stored.Clear();
        Turned(stored, buttonsLeft_[static_cast<std::size_t>(part - 1)], SkinTurn::Left);
    }
    if (!GetSkinBitmap(reader_, "ScrollBarSliderImage", slider_))
        slider_.Clear();
    Turned(slider_, sliderRight_, SkinTurn::Right);
}

const ui::Bitmap& TSkinScrollBtnRes::Button(int part, SkinTurn turn) const
{
    if (part < 1 || part > 6)
        return none_;
    const auto i = static_cast<std::size_t>(part - 1);
    if (turn == SkinTurn::Stored)
        return buttons_[i];
    return turn == SkinTurn::Left ? buttonsLeft_[i] : none_;
}

const ui::Bitmap& TSkinScrollBtnRes::Slider(SkinTurn turn) const
{
    if (turn == SkinTurn::Stored)
        return slider_;
    return turn == SkinTurn::Right ? sliderRight_ : none_;
}

void TSkinTabRes::Reload()
{
    constexpr SkinTurn turns[4] = {SkinTurn::Stored, SkinTurn::Left, SkinTurn::Half, SkinTurn::Right};
    ui::Bitmap bar;
    if (!GetSkinBitmap(reader_, "TabControlBarImage", bar))
        bar.Clear();
    for (std::size_t t = 0; t < 4; ++t)
        Turned(bar, bar_[t], turns[t]);
    for (int part : {2, 1}) {
        ui::Bitmap tab;
        if (!GetSkinBitmapPart(reader_, "TabControlTabImage", tab, part, 2))
            tab.Clear();
        for (std::size_t t = 0; t < 4; ++t)
            Turned(tab, tabs_[part == 2 ? 0 : 1][t], turns[t]);
    }
}

const ui::Bitmap& TSkinTabRes::Bar(SkinTurn turn) const
{
    return bar_[static_cast<std::size_t>(turn)];
}

const ui::Bitmap& TSkinTabRes::Tab(int part, SkinTurn turn) const
{
    if (part != 1 && part != 2)
        return none_;
    return tabs_[part == 2 ? 0 : 1][static_cast<std::size_t>(turn)];
}

// --- the built-in skin -------------------------------------------------------

std::span<const unsigned char> BuiltInSkinData(HINSTANCE module)
{
    if (!module)
        module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(module, "KORVANE_SKIN", RT_RCDATA);
    if (!info)
        return {};
    HGLOBAL loaded = ::LoadResource(module, info);
    const DWORD size = ::SizeofResource(module, info);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0)
        return {};
    // Resources stay mapped as long as the module is loaded.
    return {static_cast<const unsigned char*>(bytes), size};
}

bool ReadBuiltInSkin(TSkinReader& reader, HINSTANCE module)
{
    const std::span<const unsigned char> data = BuiltInSkinData(module);
    if (data.empty())
        return false;
    reader.ReadSkinData(data);
    return true;
}

} // namespace korvane
