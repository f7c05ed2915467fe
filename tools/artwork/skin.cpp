#include "skin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "files.h"
#include "palette.h"
#include "pictures.h"

namespace art {

namespace {

// Colours of the frame and controls, beside the program's palette: the title
// bar continues the toolbar's slate, dialogs are the right panel's paper, and
// teal marks what is on, chosen or moving.
const Color kTitleTop = rgb(64, 73, 88);
const Color kTitleBottom = rgb(46, 54, 66);
const Color kBorder = rgb(26, 31, 38);
const Color kCaptionText = rgb(235, 235, 235);
const Color kGlyph = rgb(200, 207, 217);
const Color kControlLine = rgb(150, 160, 174);
const Color kControlLineLight = rgb(186, 194, 205);
const Color kMenuPaper = rgb(250, 251, 252);
const Color kBand = rgb(226, 231, 237);
const Color kTealTint = rgb(221, 242, 240);
const Color kTrack = rgb(232, 236, 241);
const Color kThumb = rgb(178, 187, 199);
const Color kArrow = rgb(104, 114, 128);
const Color kText = kSlateBottom;

constexpr int kTitleHeight = 24;
constexpr int kButtonTop = 5;  // "TitleBarButtonTopInt": caption buttons sit on title rows 5..17
constexpr double kCornerRadius = 9.5;  // the window region's top corners: an ellipse of 19

std::int32_t colorref(Color c) {
    auto byte = [](double v) { return static_cast<std::int32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return byte(c.r) | byte(c.g) << 8 | byte(c.b) << 16;
}

// Title bar rows: a slate gradient with a light first row under the window's
// top edge and a dark last row above the client area.
Color titleAt(double y, int height = kTitleHeight) {
    if (y < 1) return kBorder;
    if (y >= height - 1) return kBorder;
    const Color base = mix(kTitleTop, kTitleBottom, (y - 1) / (height - 2));
    return y < 2 ? mix(base, kWhite, 0.12) : base;
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

Canvas onPaper(const Canvas& layer) { return keyed(layer, [](int, int) { return kPaper; }, keyColour()); }

// ---- title bar -----------------------------------------------------------

// The left end: the rounded top corner of the window, its edge drawn in the
// border colour along the curve the window region cuts.
Canvas titleLeft() {
    Canvas c = rowsOf(36, kTitleHeight, [](int y) { return titleAt(y + 0.5); });
    const Sdf shape = roundRect(0, 0, 80, 60, kCornerRadius);
    fill(c, subtract(roundRect(-1, -1, 80, 60, 0), shape), kBorder);
    // The first row's light line follows the curve down.
    fill(c, intersect(outline(grow(shape, -1.5), 1.0), roundRect(-1, -1, kCornerRadius + 1, kCornerRadius + 1, 0)),
         titleAt(1.5));
    fill(c, outline(grow(shape, -0.5), 1.0), kBorder);
    return c;
}

Canvas titleClient() { return rowsOf(11, kTitleHeight, [](int y) { return titleAt(y + 0.5); }); }

Canvas titleMinimized() {
    return rowsOf(22, 28, [](int y) { return titleAt(y + 0.5, 28); });
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
// caption buttons without a transparent colour).
Canvas captionButton(Caption g, Look look) {
    Canvas c = rowsOf(15, 13, [](int y) { return titleAt(kButtonTop + y + 0.5); });
    const Sdf face = roundRect(0, 0, 15, 13, 3);
    const bool close = g == Caption::Close;
    Color ink = kGlyph;
    if (look == Look::Hover) {
        fill(c, face, close ? kCoral : withAlpha(kWhite, 0.16));
        ink = kWhite;
    } else if (look == Look::Pressed) {
        fill(c, face, close ? kCoralDark : kTealDark);
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

Canvas pushButton(Look look, int w = 85, int h = 25) {
    Canvas c(w, h);
    const double W = w, H = h;
    const Sdf body = roundRect(0, 0, W, H, 4);
    Color top = kWhite, bottom = rgb(234, 238, 243), line = kControlLine;
    if (look == Look::Hover) {
        bottom = rgb(226, 244, 241);
        line = kTeal;
    } else if (look == Look::Pressed) {
        top = rgb(216, 224, 232);
        bottom = rgb(232, 237, 242);
        line = kTealDark;
    }
    fill(c, body, linear({0, 1}, {0, H - 1}, {{0, top}, {1, bottom}}));
    const Sdf rim = subtract(grow(body, -1), translate(grow(body, -1), 0, 1.2));
    fill(c, rim, look == Look::Pressed ? withAlpha(kBlack, 0.10) : withAlpha(kWhite, 0.9));
    fill(c, outline(grow(body, -0.5), 1.0), line);
    return onPaper(c);
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
        const Sdf body = roundRect(0, 0, 25, 25, 4);
        fill(c, body, linear({0, 1}, {0, 24}, {{0, kWhite}, {1, rgb(234, 238, 243)}}));
        fill(c, outline(grow(body, -0.5), 1.0), kControlLine);
        fill(c, arrowHead(a, 12.5, 12.5, 5, 9), kTeal);
        parts.push_back(onPaper(c));
    }
    return strip(parts);
}

// ---- check boxes and radio buttons -------------------------------------------

// Parts: checked, unchecked, checked and disabled, unchecked and disabled.
Canvas checkBox(bool checked, bool enabled, Color paper) {
    Canvas c(15, 13);
    const Sdf box = roundRect(0, 0, 13, 13, 2.5);
    if (checked) {
        fill(c, box, enabled ? linear({0, 0}, {0, 13}, {{0, kTealLight}, {1, kTeal}}) : solid(kLightShade));
        fill(c, outline(grow(box, -0.5), 1.0), enabled ? kTealDark : kControlLineLight);
        fill(c, stroke({{3.4, 6.5}, {5.6, 8.7}, {9.7, 4.0}}, 1.9), kWhite);
    } else {
        fill(c, box, enabled ? linear({0, 0}, {0, 13}, {{0, rgb(244, 246, 249)}, {1, kWhite}})
                             : solid(rgb(244, 246, 249)));
        fill(c, outline(grow(box, -0.5), 1.0), enabled ? kControlLine : kControlLineLight);
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
    fill(c, ring, enabled ? kWhite : rgb(244, 246, 249));
    const Color line = !enabled ? kControlLineLight : checked ? kTeal : kControlLine;
    fill(c, outline(grow(ring, -0.5), 1.0), line);
    if (checked) fill(c, circle(6.5, 6.5, 3.1), enabled ? kTeal : kLightShade);
    return onPaper(c);
}

Canvas radioButtons() {
    return strip({radioButton(true, true), radioButton(false, true), radioButton(true, false),
                  radioButton(false, false)});
}

// ---- bars, sliders, tabs --------------------------------------------------------

// Stretched over the filled part in both directions, so it changes only
// from top to bottom.
Canvas progressFill() {
    return rowsOf(80, 21, [](int y) {
        if (y == 0) return mix(kTealLight, kWhite, 0.35);
        if (y == 20) return kTealDark;
        return mix(kTealLight, kTeal, (y - 1) / 19.0);
    });
}

// A groove drawn in three slices, its rounded ends kept.
Canvas trackChannel() {
    Canvas c(40, 4);
    const Sdf groove = roundRect(0, 0, 40, 4, 2);
    fill(c, groove, linear({0, 0}, {0, 4}, {{0, kControlLine}, {0.5, kLightShade}, {1, rgb(214, 220, 228)}}));
    return flatten(c, kPaper);
}

Canvas trackThumb() {
    Canvas c(10, 22);
    const Sdf body = roundRect(0, 0, 10, 22, 3);
    fill(c, body, linear({0, 0}, {0, 22}, {{0, kTealLight}, {1, kTeal}}));
    fill(c, outline(grow(body, -0.5), 1.0), kTealDark);
    for (double y : {8.5, 11.0, 13.5}) fill(c, stroke({{3.2, y}, {6.8, y}}, 1.0), withAlpha(kWhite, 0.85));
    return onPaper(c);
}

// Arrow buttons of horizontal scroll bars: left arrow normal, hover, pressed,
// then right arrow normal, hover, pressed. Turned left they serve vertical
// bars: the right arrow then points up, the left one down.
Canvas scrollBarButton(Arrow a, Look look) {
    Canvas c(15, 17, kTrack);
    const Sdf face = roundRect(1, 1, 14, 16, 2);
    Color ink = kArrow;
    if (look == Look::Hover) {
        fill(c, face, kBand);
        fill(c, outline(grow(face, -0.5), 1.0), kControlLineLight);
        ink = kText;
    } else if (look == Look::Pressed) {
        fill(c, face, kTeal);
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

// The thumb of a horizontal scroll bar, stretched along the bar.
Canvas scrollBarThumb() {
    return rowsOf(8, 17, [](int y) {
        if (y < 3 || y > 13) return kTrack;
        if (y == 3) return kControlLineLight;
        if (y == 13) return kControlLine;
        return kThumb;
    });
}

// Part 1 the chosen tab, part 2 the others (lower, on the band colour).
Canvas tab(bool chosen) {
    Canvas c(94, 27);
    const double top = chosen ? 0 : 3;
    const Sdf face = roundRect(0, top, 94, 40, 4);
    fill(c, face, chosen ? kPaper : kBand);
    fill(c, outline(grow(face, -0.5), 1.0), chosen ? kControlLine : kControlLineLight);
    if (chosen) fill(c, intersect(face, roundRect(0, 0, 94, 3, 0)), kTeal);
    return onPaper(c);
}

Canvas tabBar() { return rowsOf(29, 2, [](int y) { return y == 0 ? kControlLine : kWhite; }); }

// ---- pieces nothing asks for yet ----------------------------------------------

Canvas sideHandle() {
    Canvas c(8, 86);
    const Sdf body = roundRect(0, 0, 8, 86, 3);
    fill(c, body, linear({0, 0}, {8, 0}, {{0, kSlateTop}, {1, kSlateBottom}}));
    for (double y : {37.0, 43.0, 49.0}) fill(c, circle(4, y, 1.3), kTealLight);
    return onPaper(c);
}

Canvas sideBar() {
    return rowsOf(1, 28, [](int y) { return mix(kSlateTop, kSlateBottom, y / 27.0); });
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
    auto colour = [&](const char* name, Color c) { integer(name, colorref(c)); };
    auto flag = [&](const char* name, bool v) { e.push_back({name, SkinEntry::Switch, Canvas(0, 0), v ? 1 : 0}); };

    picture("ButtonImage", strip({pushButton(Look::Normal), pushButton(Look::Hover), pushButton(Look::Pressed)}),
            255, 25);
    picture("CheckBoxImage", checkBoxes(kPaper), 60, 13);
    picture("RadioButtonImage", radioButtons(), 60, 13);
    picture("TitleBarButtonImage", captionButtons(), 270, 13);
    picture("TitleBarLeftImage", titleLeft(), 36, 24);
    picture("TitleBarClientImage", titleClient(), 11, 24);
    picture("TitleBarRightImage", mirrored(titleLeft()), 36, 24);
    picture("TitleBarMinimizedImage", titleMinimized(), 22, 28);
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
    colour("FormBackgroundColor", kPaper);
    colour("FormBorderColor", kBorder);
    colour("TitleBarFontColor", kCaptionText);
    colour("MenuBackgroundColor", kMenuPaper);
    colour("MenuBarColor", kBand);
    colour("MenuSelectedBackgroundColor", kTealTint);
    colour("MenuSelectedBorderColor", kTeal);
    colour("MenuSelectedFontColor", kTealDark);
    colour("MenuFontColor", kText);
    colour("MenuMenuBarColor", kBand);
    colour("ControlBorderColor", kControlLine);
    colour("ControlBackgroundColor", kWhite);
    colour("ControlFontColor", kText);
    colour("ScrollBarBackgroundColor", kTrack);
    colour("ToolBarButtonBackgroundColor", kBand);
    colour("ToolBarButtonDownBackgroundColor", kTealTint);
    colour("ToolBarButtonBorderColor", kControlLine);

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
