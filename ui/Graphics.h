#pragma once
// Colours, fonts, bitmaps, icons and the Canvas that Paint methods draw on.
//
// Colours are COLORREF values; besides plain RGB values there are
//   clDefault      "not set": take the parent's or the system's colour
//   clNone         "nothing" (e.g. no transparent colour)
//   clBtnFace ...  system colours, 0x80000000 | COLOR_xxx, resolved at use by
//                  ColorToRGB.
//
// Font: a value (name, height, bold, italic, underline, colour). Height is in
// LOGFONT terms: negative = character height in pixels.
//
// Bitmap (also spelled Picture): owns one HBITMAP (a 32-bit top-down DIB
// section when made here, whatever LoadImage returns when loaded). Loads a BMP
// from a file or from a resource by name. `OnChange` is called after every
// change (load, assign, size, drawing through a BitmapCanvas), so the control
// that shows the bitmap repaints. Its transparent colour, when drawn
// transparent, is the bottom-left pixel unless set explicitly. While a
// BitmapCanvas draws into a bitmap, that bitmap cannot be drawn or read
// elsewhere (a bitmap sits in one device context at a time).
//
// Canvas: a thin wrapper over an HDC it does not own. It saves the DC state
// when made and restores it when destroyed, and frees the fonts, brushes and
// pens it created. Coordinates are those of the DC.
#include "ui/Handles.h"

#include <functional>
#include <string>
#include <string_view>

namespace ui {

// --- colours ---------------------------------------------------------------

constexpr COLORREF clDefault = 0x20000000;
constexpr COLORREF clNone = 0x1FFFFFFF;
constexpr COLORREF clSystemBit = 0x80000000;
constexpr COLORREF clScrollBar = clSystemBit | COLOR_SCROLLBAR;
constexpr COLORREF clBackground = clSystemBit | COLOR_BACKGROUND;
constexpr COLORREF clActiveCaption = clSystemBit | COLOR_ACTIVECAPTION;
constexpr COLORREF clMenu = clSystemBit | COLOR_MENU;
constexpr COLORREF clWindow = clSystemBit | COLOR_WINDOW;
constexpr COLORREF clWindowText = clSystemBit | COLOR_WINDOWTEXT;
constexpr COLORREF clMenuText = clSystemBit | COLOR_MENUTEXT;
constexpr COLORREF clHighlight = clSystemBit | COLOR_HIGHLIGHT;
constexpr COLORREF clHighlightText = clSystemBit | COLOR_HIGHLIGHTTEXT;
constexpr COLORREF clBtnFace = clSystemBit | COLOR_BTNFACE;
constexpr COLORREF clBtnShadow = clSystemBit | COLOR_BTNSHADOW;
constexpr COLORREF clBtnHighlight = clSystemBit | COLOR_BTNHIGHLIGHT;
constexpr COLORREF clBtnText = clSystemBit | COLOR_BTNTEXT;
constexpr COLORREF clGrayText = clSystemBit | COLOR_GRAYTEXT;
constexpr COLORREF clInfoBk = clSystemBit | COLOR_INFOBK;
constexpr COLORREF clInfoText = clSystemBit | COLOR_INFOTEXT;
constexpr COLORREF clBlack = RGB(0, 0, 0);
constexpr COLORREF clWhite = RGB(255, 255, 255);
constexpr COLORREF clRed = RGB(255, 0, 0);
constexpr COLORREF clLime = RGB(0, 255, 0);
constexpr COLORREF clGreen = RGB(0, 128, 0);
constexpr COLORREF clBlue = RGB(0, 0, 255);
constexpr COLORREF clNavy = RGB(0, 0, 128);
constexpr COLORREF clYellow = RGB(255, 255, 0);
constexpr COLORREF clFuchsia = RGB(255, 0, 255);
constexpr COLORREF clGray = RGB(128, 128, 128);
constexpr COLORREF clSilver = RGB(192, 192, 192);
constexpr COLORREF clMaroon = RGB(128, 0, 0);

// System colours resolved through GetSysColor; clDefault and clNone are given
// back as `fallback`.
COLORREF ColorToRGB(COLORREF color, COLORREF fallback = RGB(0, 0, 0));

// --- font ------------------------------------------------------------------

struct Font {
    std::string Name = "MS Sans Serif";
    int Height = -11;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    COLORREF Color = clWindowText;

    // A new GDI font for this description.
    GdiFont Create() const;
    bool operator==(const Font&) const = default;
};

// --- bitmap ----------------------------------------------------------------

// The header of 32-bit top-down pixels of a size, as every bitmap here
// keeps them.
BITMAPINFO Dib32(int width, int height);

// Text of the program's code page, drawn through the wide calls: GDI's own
// conversion follows the font's character set, not the code page the program
// runs in (UTF-8), and would draw the bytes of another script as Latin letters.
std::wstring ProgramTextToWide(std::string_view text);
// Wide text back into the program's text.
std::string WideToProgramText(std::wstring_view text);
int DrawProgramText(HDC dc, std::string_view text, RECT& rect, UINT format);

class Canvas;

// A 32-bit top-down DIB section; `bits`, when given, receives the pixel
// pointer. Off-screen drawing uses it rather than a bitmap compatible with a
// window's DC: asking the display for its format costs server round trips
// under Wine on every creation and selection, and a 32-bit picture is what
// the display takes anyway. Throws when the system has no room for it.
HBITMAP CreateDib(int width, int height, void** bits = nullptr);

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap();

    // Throws ui::Error with the path or name when the bitmap cannot be loaded.
    void LoadFromFile(const std::string& path);
    void LoadFromResource(const std::string& name, HINSTANCE module = nullptr);
    // Copies the pixels of another bitmap (same size, own handle).
    void Assign(const Bitmap& other);
    // Takes ownership of a bitmap handle.
    void Attach(HBITMAP bitmap);
    // A copy with the look of a disabled glyph: grey, lighter, the
    // transparent colour left as it is.
    void AssignDisabled(const Bitmap& other);
    // Resizes to a new blank (black) 32-bit bitmap; 0 x 0 empties it.
    void SetSize(int width, int height);
    void Clear();

    bool Empty() const { return !bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HBITMAP Handle() const { return bitmap_.Get(); }

    // clDefault (the default) means "the bottom-left pixel".
    void SetTransparentColor(COLORREF color) { transparentColor_ = color; }
    COLORREF TransparentColor() const;
    COLORREF Pixel(int x, int y) const;

    // Draws at (x, y) of the DC, opaque or leaving out the transparent colour.
    void Draw(HDC dc, int x, int y) const;
    void DrawTransparent(HDC dc, int x, int y) const;
    void StretchDraw(HDC dc, const RECT& target, bool transparent = false) const;
    // Draws part of the bitmap.
    void DrawPart(HDC dc, int x, int y, const RECT& source, bool transparent) const;

    // Called after every change of content.
    std::function<void()> OnChange;
    void Changed();

private:
    GdiBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
    COLORREF transparentColor_ = clDefault;
};

using Picture = Bitmap;

// --- icon ------------------------------------------------------------------

class Icon {
public:
    Icon() = default;
    void LoadFromResource(const std::string& name, int size = 0, HINSTANCE module = nullptr);
    void LoadFromResource(int id, int size = 0, HINSTANCE module = nullptr);
    void LoadFromFile(const std::string& path, int size = 0);
    // A copy of an icon the caller keeps.
    void Assign(HICON icon);
    HICON Handle() const { return icon_.Get(); }
    bool Empty() const { return !icon_; }

private:
    IconHandle icon_;
};

// --- canvas ----------------------------------------------------------------

enum class TextAlign { Left, Center, Right };

class Canvas {
public:
    explicit Canvas(HDC dc);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Handle() const { return dc_; }

    // Text drawing state: font (with its colour) and background mode.
    void SetFont(const Font& font);
    void SetTextColor(COLORREF color);
    void SetTransparentText(bool transparent);   // true by default
    void SetTextBackground(COLORREF color);       // used when not transparent

    void TextOut(int x, int y, std::string_view text);
    // DrawText with the given DT_ flags; returns the height drawn.
    int DrawText(RECT rect, std::string_view text, UINT format);
    // One line aligned inside rect, vertically centred.
    void TextRect(const RECT& rect, std::string_view text, TextAlign align);
    SIZE TextExtent(std::string_view text);
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    void FillRect(const RECT& rect, COLORREF color);
    void FillRect(const RECT& rect, HBRUSH brush);
    void FrameRect(const RECT& rect, COLORREF color);
    // Outline in pen colour, inside filled in brush colour (clNone: hollow).
    void Rectangle(const RECT& rect, COLORREF pen, COLORREF brush);
    void Line(int x1, int y1, int x2, int y2, COLORREF color, int width = 1);
    void Edge(RECT rect, UINT edge, UINT flags);   // DrawEdge
    void FocusRect(const RECT& rect);

    void Draw(int x, int y, const Bitmap& bitmap);
    void DrawTransparent(int x, int y, const Bitmap& bitmap);
    void StretchDraw(const RECT& target, const Bitmap& bitmap, bool transparent = false);

    // Clipping, in DC coordinates; restored with the DC state at destruction.
    void IntersectClip(const RECT& rect);

private:
    HDC dc_;
    int saved_;
    GdiFont font_;
    COLORREF fontColor_ = RGB(0, 0, 0);
};

namespace detail {
// Tells the bitmap it changed once drawing is over and it is deselected
// (the first base, so it goes last).
struct BitmapChangeNotifier {
    Bitmap& target;
    ~BitmapChangeNotifier();
};
// Holds the memory DC a BitmapCanvas draws on; a base so it exists before the Canvas.
struct BitmapDcHolder {
    explicit BitmapDcHolder(Bitmap& bitmap);
    ~BitmapDcHolder();
    BitmapDcHolder(const BitmapDcHolder&) = delete;
    BitmapDcHolder& operator=(const BitmapDcHolder&) = delete;
    MemoryDC memoryDc;
    HGDIOBJ oldBitmap = nullptr;
};
} // namespace detail

// A canvas drawing into a bitmap; the bitmap's OnChange fires when it goes.
class BitmapCanvas : private detail::BitmapChangeNotifier, private detail::BitmapDcHolder, public Canvas {
public:
    explicit BitmapCanvas(Bitmap& bitmap);
    ~BitmapCanvas();
};

} // namespace ui
