#include "skin.h"

#include <cstring>
#include <functional>
#include <stdexcept>

#include "files.h"
#include "palette.h"
#include "pictures.h"

namespace art {

namespace {

// The skin's colours as the engine reads them (0x00BBGGRR). The frame and the
// controls are drawn from the same values, so a picture's edge meets what the
// engine fills beside it without a seam.
constexpr std::int32_t kFormBackground = 0xFFE3CA;   // light blue client area
constexpr std::int32_t kFormBorder = 0x9F7557;       // slate blue window edge
constexpr std::int32_t kTitleFont = 0x000000;
constexpr std::int32_t kMenuBackground = 0xF5ECC9;
constexpr std::int32_t kMenuBar = 0xD7BC60;
constexpr std::int32_t kMenuSelectedBackground = 0xF6F6F6;
constexpr std::int32_t kMenuSelectedBorder = 0xE2C963;
constexpr std::int32_t kMenuSelectedFont = 0xFF0000;
constexpr std::int32_t kMenuFont = 0x000000;
constexpr std::int32_t kMenuMenuBar = 0xDBDBDB;
constexpr std::int32_t kControlBorder = 0x7B7B7B;
constexpr std::int32_t kControlBackground = 0xFFFFFF;
constexpr std::int32_t kControlFont = 0x585858;
constexpr std::int32_t kScrollBarBackground = 0xF4F0EF;
constexpr std::int32_t kToolBarButtonBackground = 0xE4E4E4;
constexpr std::int32_t kToolBarButtonDownBackground = 0xF0F0F0;
constexpr std::int32_t kToolBarButtonBorder = 0x929292;

Color fromColorref(std::int32_t v) { return rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

const Color kForm = fromColorref(kFormBackground);
const Color kBorder = fromColorref(kFormBorder);
const Color kTrack = fromColorref(kScrollBarBackground);

// The frame is a light blue glass under a slate blue edge, so that the black
// caption reads on it; the controls take the form's light blue, outline in a
// blue grey between the slate edge and the grey control borders, and use the
// main window's teal for what is on, chosen or moving and its coral for
// closing, as for stopping a job.
const Color kTitleShine = rgb(250, 252, 255);
const Color kTitleTop = rgb(234, 243, 255);
const Color kTitleMiddle = rgb(214, 232, 254);
const Color kTitleBottom = rgb(192, 217, 249);
const Color kTitleSeam = mix(kBorder, kForm, 0.45);
const Color kGlyph = rgb(38, 56, 84);
const Color kLine = rgb(112, 134, 166);
const Color kLineLight = rgb(168, 184, 208);
const Color kFace = rgb(226, 237, 252);
const Color kDisabled = rgb(236, 241, 248);
const Color kThumb = rgb(186, 201, 224);
const Color kArrow = rgb(92, 110, 138);

constexpr int kTitleHeight = 24;
constexpr int kButtonTop = 5;  // "TitleBarButtonTopInt": caption buttons sit on title rows 5..17
constexpr double kCornerRadius = 9.5;  // the window region's top corners: an ellipse of 19

// Title bar rows: the window's top edge, a bright line under it, the glass
// getting deeper towards the bottom, and a seam above the client area.
Color titleAt(double y, int height = kTitleHeight) {
    if (y < 1) return kBorder;
    if (y >= height - 1) return kTitleSeam;
    if (y < 2) return kTitleShine;
    const double t = (y - 2) / (height - 3);
    return t < 0.5 ? mix(kTitleTop, kTitleMiddle, t / 0.5) : mix(kTitleMiddle, kTitleBottom, (t - 0.5) / 0.5);
}

Canvas rowsOf(int w, int h, const std::function<Color(int y)>& colour) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.at(x, y) = colour(y);
    return c;
}

Canvas mirrored(const Canvas& src) {
    Canvas out(src.width(), src.height());
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) out.at(src.width() - 1 - x, y) = src.at(x, y);
    return out;
}

Canvas turnedLeft(const Canvas& src) {
    Canvas out(src.height(), src.width());
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) out.at(y, src.width() - 1 - x) = src.at(x, y);
    return out;
}

Canvas strip(const std::vector<Canvas>& parts) {
    int w = 0;
    for (const Canvas& p : parts) w += p.width();
    Canvas out(w, parts.front().height());
    int x = 0;
    for (const Canvas& p : parts) {
        for (int yy = 0; yy < p.height(); ++yy)
            for (int xx = 0; xx < p.width(); ++xx) out.at(x + xx, yy) = p.at(xx, yy);
        x += p.width();
    }
    return out;
}

// Pictures drawn with the transparent colour sit on the form's light blue.
Canvas onForm(const Canvas& layer) { return keyed(layer, [](int, int) { return kForm; }, keyColour()); }

// ---- title bar -----------------------------------------------------------

// The left end: the rounded top corner of the window, its edge drawn in the
// border colour along the curve the window region cuts.
Canvas titleLeft() {
    Canvas c = rowsOf(36, kTitleHeight, [](int y) { return titleAt(y + 0.5); });
    const Sdf shape = roundRect(0, 0, 80, 60, kCornerRadius);
    fill(c, subtract(roundRect(-1, -1, 80, 60, 0), shape), kBorder);
    // The bright line under the top edge follows the curve down.
    fill(c, intersect(outline(grow(shape, -1.5), 1.0), roundRect(-1, -1, kCornerRadius + 1, kCornerRadius + 1, 0)),
         kTitleShine);
    fill(c, outline(grow(shape, -0.5), 1.0), kBorder);
    return c;
}

Canvas titleClient() { return rowsOf(11, kTitleHeight, [](int y) { return titleAt(y + 0.5); }); }

// A minimized window is all caption: the edge closes it at the bottom too.
Canvas titleMinimized() {
    return rowsOf(22, 28, [](int y) { return y == 27 ? kBorder : titleAt(y + 0.5, 27); });
}

// ---- caption buttons ----------------------------------------------------

enum class Caption { Spare, Help, Maximize, Restore, Minimize, Close };
enum class Look { Normal, Hover, Pressed };

Sdf captionGlyph(Caption g) {
    switch (g) {
        case Caption::Spare: return circle(7.5, 6.5, 1.9);
        case Caption::Help: {
            std::vector<Pt> q = arc(7.5, 4.6, 2.3, 2.1, 190, 390, 24);
            q.push_back({7.5, 7.4});
            return unite(stroke(q, 1.5), circle(7.5, 9.9, 0.95));
        }
        case Caption::Maximize:
            return unite(stroke({{4.5, 3.5}, {10.5, 3.5}, {10.5, 9.5}, {4.5, 9.5}, {4.5, 3.5}}, 1.0),
                         roundRect(4, 3, 11, 5, 0));
        case Caption::Restore:
            return unite({stroke({{6.5, 4.5}, {6.5, 2.5}, {11.5, 2.5}, {11.5, 7.5}, {9.5, 7.5}}, 1.0),
                          stroke({{3.5, 5.5}, {8.5, 5.5}, {8.5, 10.5}, {3.5, 10.5}, {3.5, 5.5}}, 1.0),
                          roundRect(3, 5, 9, 7, 0)});
        case Caption::Minimize: return roundRect(4, 8, 11, 10, 0);
        case Caption::Close:
            return unite(stroke({{4.6, 3.6}, {10.4, 9.4}}, 1.6), stroke({{10.4, 3.6}, {4.6, 9.4}}, 1.6));
    }
    return circle(7.5, 6.5, 1.9);
}

// One 15 x 13 button on the title rows it covers, opaque (the frame draws
// caption buttons without a transparent colour). Resting, only the dark glyph
// shows on the glass; under the mouse it gets a face of its own, white (coral
// for closing); pressed, the face turns slate blue (dark coral).
Canvas captionButton(Caption g, Look look) {
    Canvas c = rowsOf(15, 13, [](int y) { return titleAt(kButtonTop + y + 0.5); });
    const Sdf face = roundRect(0, 0, 15, 13, 3);
    const bool close = g == Caption::Close;
    Color ink = kGlyph;
    if (look == Look::Hover) {
        if (close) {
            fill(c, face, linear({0, 0}, {0, 13}, {{0, kCoralLight}, {1, kCoral}}));
            ink = kWhite;
        } else {
            fill(c, face, linear({0, 0}, {0, 13}, {{0, kWhite}, {1, rgb(236, 244, 255)}}));
            fill(c, outline(grow(face, -0.5), 1.0), kBorder);
            ink = rgb(16, 30, 52);
        }
    } else if (look == Look::Pressed) {
        fill(c, face, close ? kCoralDark : darker(kBorder, 0.12));
        ink = kWhite;
    }
    fill(c, captionGlyph(g), ink);
    return c;
}

Canvas captionButtons() {
    std::vector<Canvas> parts;
    for (Caption g : {Caption::Spare, Caption::Help, Caption::Maximize, Caption::Restore, Caption::Minimize,
                      Caption::Close})
        for (Look l : {Look::Normal, Look::Hover, Look::Pressed}) parts.push_back(captionButton(g, l));
    return strip(parts);
}

// ---- push buttons ----------------------------------------------------------

// White glass turning light blue, a blue grey outline; teal under the mouse,
// pressed in slate blue with a shade along the top.
Canvas pushButton(Look look, int w = 85, int h = 25) {
    Canvas c(w, h);
    const double W = w, H = h;
    const Sdf body = roundRect(0, 0, W, H, 3.5);
    Color top = kWhite, bottom = kFace, line = kLine;
    if (look == Look::Hover) {
        bottom = rgb(212, 241, 238);
        line = kTeal;
    } else if (look == Look::Pressed) {
        top = rgb(190, 211, 240);
        bottom = rgb(214, 230, 251);
        line = kBorder;
    }
    fill(c, body, linear({0, 1}, {0, H - 1}, {{0, top}, {0.45, mix(top, bottom, 0.35)}, {1, bottom}}));
    const Sdf rim = subtract(grow(body, -1), translate(grow(body, -1), 0, 1.2));
    fill(c, rim, look == Look::Pressed ? withAlpha(kBorder, 0.25) : withAlpha(kWhite, 0.95));
    fill(c, outline(grow(body, -0.5), 1.0), line);
    return onForm(c);
}

enum class Arrow { Left, Right, Up, Down };

// A solid triangle pointing its way, `along` long and `across` wide.
Sdf arrowHead(Arrow a, double cx, double cy, double along, double across) {
    const double l = along / 2, w = across / 2;
    switch (a) {
        case Arrow::Left: return polygon({{cx + l, cy - w}, {cx - l, cy}, {cx + l, cy + w}});
        case Arrow::Right: return polygon({{cx - l, cy - w}, {cx + l, cy}, {cx - l, cy + w}});
        case Arrow::Up: return polygon({{cx - w, cy + l}, {cx, cy - l}, {cx + w, cy + l}});
        case Arrow::Down: return polygon({{cx - w, cy - l}, {cx, cy + l}, {cx + w, cy - l}});
    }
    return circle(cx, cy, l);
}

// Four 25 x 25 arrow buttons in the push-button look: up, down, left, right.
Canvas scrollButtons() {
    std::vector<Canvas> parts;
    for (Arrow a : {Arrow::Up, Arrow::Down, Arrow::Left, Arrow::Right}) {
        Canvas c(25, 25);
        const Sdf body = roundRect(0, 0, 25, 25, 3.5);
        fill(c, body, linear({0, 1}, {0, 24}, {{0, kWhite}, {1, kFace}}));
        fill(c, outline(grow(body, -0.5), 1.0), kLine);
        fill(c, arrowHead(a, 12.5, 12.5, 5, 9), kGlyph);
        parts.push_back(onForm(c));
    }
    return strip(parts);
}

// ---- check boxes and radio buttons -------------------------------------------

// Parts: checked, unchecked, checked and disabled, unchecked and disabled.
// Opaque: the frame draws them without a transparent colour, on `paper`.
Canvas checkBox(bool checked, bool enabled, Color paper) {
    Canvas c(15, 13);
    const Sdf box = roundRect(0, 0, 13, 13, 2.5);
    if (checked && enabled) {
        fill(c, box, linear({0, 0}, {0, 13}, {{0, kTealLight}, {1, kTeal}}));
        fill(c, outline(grow(box, -0.5), 1.0), kTealDark);
        fill(c, stroke({{3.4, 6.5}, {5.6, 8.7}, {9.7, 4.0}}, 1.9), kWhite);
    } else {
        fill(c, box, enabled ? linear({0, 0}, {0, 13}, {{0, kFace}, {0.6, kWhite}}) : solid(kDisabled));
        fill(c, outline(grow(box, -0.5), 1.0), enabled ? kLine : kLineLight);
        if (checked) fill(c, stroke({{3.4, 6.5}, {5.6, 8.7}, {9.7, 4.0}}, 1.9), kLineLight);
    }
    return flatten(c, paper);
}

Canvas checkBoxes(Color paper) {
    return strip({checkBox(true, true, paper), checkBox(false, true, paper), checkBox(true, false, paper),
                  checkBox(false, false, paper)});
}

Canvas radioButton(bool checked, bool enabled) {
    Canvas c(15, 13);
    const Sdf ring = circle(6.5, 6.5, 6.5);
    fill(c, ring, enabled ? linear({0, 0}, {0, 13}, {{0, kFace}, {0.6, kWhite}}) : solid(kDisabled));
    const Color line = !enabled ? kLineLight : checked ? kTealDark : kLine;
    fill(c, outline(grow(ring, -0.5), 1.0), line);
    if (checked)
        fill(c, circle(6.5, 6.5, 3.3),
             enabled ? linear({0, 3}, {0, 10}, {{0, kTealLight}, {1, kTeal}}) : solid(kLineLight));
    return onForm(c);
}

Canvas radioButtons() {
    return strip({radioButton(true, true), radioButton(false, true), radioButton(true, false),
                  radioButton(false, false)});
}

// ---- bars, sliders, tabs --------------------------------------------------------

// Stretched over the filled part in both directions, so it changes only
// from top to bottom: the main window's teal with a light upper half.
Canvas progressFill() {
    return rowsOf(80, 21, [](int y) {
        if (y == 0) return mix(kTealLight, kWhite, 0.45);
        if (y == 20) return kTealDark;
        if (y < 10) return mix(mix(kTealLight, kWhite, 0.2), kTealLight, (y - 1) / 9.0);
        return mix(kTeal, mix(kTeal, kTealLight, 0.4), (y - 10) / 9.0);
    });
}

// A groove drawn in three slices, its rounded ends kept, on the form's
// light blue that the engine fills the bar with.
Canvas trackChannel() {
    Canvas c(40, 4);
    const Sdf groove = roundRect(0, 0, 40, 4, 2);
    fill(c, groove, linear({0, 0}, {0, 4}, {{0, kLine}, {0.5, kLineLight}, {1, kWhite}}));
    return flatten(c, kForm);
}

Canvas trackThumb() {
    Canvas c(10, 22);
    const Sdf body = roundRect(0, 0, 10, 22, 3);
    fill(c, body, linear({0, 0}, {0, 22}, {{0, kTealLight}, {1, kTeal}}));
    fill(c, outline(grow(body, -0.5), 1.0), kTealDark);
    for (double y : {8.5, 11.0, 13.5}) fill(c, stroke({{3.2, y}, {6.8, y}}, 1.0), withAlpha(kWhite, 0.85));
    return onForm(c);
}

// Arrow buttons of horizontal scroll bars: left arrow normal, hover, pressed,
// then right arrow normal, hover, pressed. Turned left they serve vertical
// bars: the right arrow then points up, the left one down.
Canvas scrollBarButton(Arrow a, Look look) {
    Canvas c(15, 17, kTrack);
    const Sdf face = roundRect(1, 1, 14, 16, 2);
    Color ink = kArrow;
    if (look == Look::Hover) {
        fill(c, face, kFace);
        fill(c, outline(grow(face, -0.5), 1.0), kLineLight);
        ink = kGlyph;
    } else if (look == Look::Pressed) {
        fill(c, face, kBorder);
        ink = kWhite;
    }
    fill(c, arrowHead(a, 7.5, 8.5, 4, 7), ink);
    return c;
}

Canvas scrollBarButtons() {
    std::vector<Canvas> parts;
    for (Arrow a : {Arrow::Left, Arrow::Right})
        for (Look l : {Look::Normal, Look::Hover, Look::Pressed}) parts.push_back(scrollBarButton(a, l));
    return strip(parts);
}

// The thumb of a horizontal scroll bar: its two-pixel ends are rounded and
// kept, the middle is even and stretched along the bar.
Canvas scrollBarThumb() {
    Canvas c(8, 17, kTrack);
    const Sdf body = roundRect(0, 3, 8, 14, 2);
    fill(c, body, kThumb);
    fill(c, outline(grow(body, -0.5), 1.0), kLineLight);
    return c;
}

// Picture 1 the chosen tab, the form's light blue like the page under it with
// a teal edge on top; picture 2 the others, lower and a deeper blue.
Canvas tab(bool chosen) {
    Canvas c(94, 27);
    const double top = chosen ? 0 : 3;
    const Sdf face = roundRect(0, top, 94, 40, 4);
    fill(c, face, chosen ? linear({0, 0}, {0, 27}, {{0, mix(kForm, kWhite, 0.6)}, {1, kForm}})
                         : linear({0, 3}, {0, 27}, {{0, kFace}, {1, rgb(186, 208, 238)}}));
    fill(c, outline(grow(face, -0.5), 1.0), chosen ? kLine : kLineLight);
    if (chosen) fill(c, intersect(face, roundRect(0, 0, 94, 3, 0)), kTeal);
    return onForm(c);
}

Canvas tabBar() { return rowsOf(29, 2, [](int y) { return y == 0 ? kLine : kForm; }); }

// ---- pieces nothing asks for yet ----------------------------------------------

Canvas sideHandle() {
    Canvas c(8, 86);
    const Sdf body = roundRect(0, 0, 8, 86, 3);
    fill(c, body, linear({0, 0}, {8, 0}, {{0, lighter(kBorder, 0.15)}, {1, darker(kBorder, 0.1)}}));
    for (double y : {37.0, 43.0, 49.0}) fill(c, circle(4, y, 1.3), kTealLight);
    return onForm(c);
}

Canvas sideBar() {
    return rowsOf(1, 28, [](int y) { return mix(kTitleTop, kTitleBottom, y / 27.0); });
}

}  // namespace

std::vector<SkinEntry> builtInSkin() {
    std::vector<SkinEntry> e;
    auto picture = [&](const char* name, Canvas c, int w, int h) {
        if (c.width() != w || c.height() != h)
            throw std::runtime_error(std::string("skin picture ") + name + " drawn at the wrong size");
        e.push_back({name, SkinEntry::Picture, std::move(c), 0});
    };
    auto integer = [&](const char* name, std::int32_t v) { e.push_back({name, SkinEntry::Integer, Canvas(0, 0), v}); };
    auto flag = [&](const char* name, bool v) { e.push_back({name, SkinEntry::Switch, Canvas(0, 0), v ? 1 : 0}); };

    picture("ButtonImage", strip({pushButton(Look::Normal), pushButton(Look::Hover), pushButton(Look::Pressed)}),
            255, 25);
    picture("CheckBoxImage", checkBoxes(kForm), 60, 13);
    picture("RadioButtonImage", radioButtons(), 60, 13);
    picture("TitleBarButtonImage", captionButtons(), 270, 13);
    picture("TitleBarLeftImage", titleLeft(), 36, 24);
    picture("TitleBarClientImage", titleClient(), 11, 24);
    picture("TitleBarRightImage", mirrored(titleLeft()), 36, 24);
    picture("TitleBarMinimizedImage", titleMinimized(), 22, 28);
    // The bottom edge is painted in the border colour: the sides match it.
    picture("FormLeftBorderImage", rowsOf(1, 21, [](int) { return kBorder; }), 1, 21);
    picture("ProgressBarImage", progressFill(), 80, 21);
    picture("TrackBarBarImage", trackChannel(), 40, 4);
    picture("TrackBarSliderImage", trackThumb(), 10, 22);
    picture("TrackBarSliderVImage", turnedLeft(trackThumb()), 22, 10);
    picture("ScrollBarButtonImage", scrollBarButtons(), 90, 17);
    picture("ScrollBarSliderImage", scrollBarThumb(), 8, 17);
    picture("TabControlTabImage", strip({tab(true), tab(false)}), 188, 27);
    picture("TabControlBarImage", tabBar(), 29, 2);
    picture("CheckListBoxImage", checkBoxes(kWhite), 60, 13);
    picture("ScrollButtonImage", scrollButtons(), 100, 25);
    picture("SideChannelHandleImage", sideHandle(), 8, 86);
    picture("SideChannelBarImage", sideBar(), 1, 28);

    integer("TitleBarButtonLeftOffsetInt", 6);
    integer("TitleBarButtonRightOffsetInt", -11);
    integer("TitleBarButtonTopInt", kButtonTop);
    integer("FormMinWidthInt", 200);
    integer("FormRoundCornerInt", 19);
    integer("FormBottomRoundCornerInt", 11);
    integer("FormBorderWidthInt", 1);
    integer("FormBackgroundColor", kFormBackground);
    integer("FormBorderColor", kFormBorder);
    integer("TitleBarFontColor", kTitleFont);
    integer("MenuBackgroundColor", kMenuBackground);
    integer("MenuBarColor", kMenuBar);
    integer("MenuSelectedBackgroundColor", kMenuSelectedBackground);
    integer("MenuSelectedBorderColor", kMenuSelectedBorder);
    integer("MenuSelectedFontColor", kMenuSelectedFont);
    integer("MenuFontColor", kMenuFont);
    integer("MenuMenuBarColor", kMenuMenuBar);
    integer("ControlBorderColor", kControlBorder);
    integer("ControlBackgroundColor", kControlBackground);
    integer("ControlFontColor", kControlFont);
    integer("ScrollBarBackgroundColor", kScrollBarBackground);
    integer("ToolBarButtonBackgroundColor", kToolBarButtonBackground);
    integer("ToolBarButtonDownBackgroundColor", kToolBarButtonDownBackground);
    integer("ToolBarButtonBorderColor", kToolBarButtonBorder);

    flag("ButtonTransparentBool", true);
    flag("TitleBarButtonTransparentBool", false);
    return e;
}

std::vector<unsigned char> skinContainer(const std::vector<SkinEntry>& entries) {
    std::vector<unsigned char> out = {'K', 'v', 'S', 'k', 'i', 'n', 'F', 'i', 'l', 'e', 0, 0};
    auto put32 = [](std::vector<unsigned char>& v, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>((x >> (8 * i)) & 0xFF));
    };
    put32(out, 24);  // header length
    put32(out, 1);
    put32(out, 24);  // first record
    auto record = [&](const std::string& name, std::uint8_t kind, const std::vector<unsigned char>& data, bool last) {
        if (name.size() >= 64) throw std::runtime_error("skin entry name too long: " + name);
        const std::uint32_t at = static_cast<std::uint32_t>(out.size());
        std::vector<unsigned char> rec(64, 0);
        std::memcpy(rec.data(), name.data(), name.size());
        rec.push_back(kind);
        const std::uint32_t dataAt = last ? 0 : at + 77;
        put32(rec, dataAt);
        put32(rec, static_cast<std::uint32_t>(data.size()));
        put32(rec, last ? 0 : at + 77 + static_cast<std::uint32_t>(data.size()));
        out.insert(out.end(), rec.begin(), rec.end());
        out.insert(out.end(), data.begin(), data.end());
    };
    for (const SkinEntry& e : entries) {
        std::vector<unsigned char> data;
        switch (e.kind) {
            case SkinEntry::Picture: data = bmpBytes(e.picture, false); break;
            case SkinEntry::Integer: put32(data, static_cast<std::uint32_t>(e.value)); break;
            case SkinEntry::Switch: data.push_back(e.value ? 1 : 0); break;
        }
        record(e.name, e.kind, data, false);
    }
    record("", SkinEntry::Switch, {}, true);
    return out;
}

Canvas menuCheckMark() {
    Canvas c(16, 16);
    fill(c, stroke({{3.5, 8.2}, {6.6, 11.3}, {12.6, 4.6}}, 2.2), kTealDark);
    return flatten(c, kWhite);
}

}  // namespace art
