#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "palette.h"
#include "strokefont.h"

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;

Color toolbarAt(double y) {
    const double t = std::clamp(y / 64.0, 0.0, 1.0);
    return mix(kSlateTop, kSlateBottom, t * t * 0.35 + t * 0.65);
}

// Maps a shape drawn in a 100 x 100 design box onto a square of the given
// size with its top left at (x, y).
Sdf placed(Sdf unit, double x, double y, double size) {
    const double k = size / 100.0;
    return [unit = std::move(unit), x, y, k](double px, double py) { return unit((px - x) / k, (py - y) / k) * k; };
}

Sdf blade(Pt base, Pt tip, double baseHalf, double tipHalf) {
    const double dx = tip.x - base.x, dy = tip.y - base.y;
    const double len = std::hypot(dx, dy);
    const double nx = -dy / len, ny = dx / len;
    return polygon({{base.x + nx * baseHalf, base.y + ny * baseHalf},
                    {tip.x + nx * tipHalf, tip.y + ny * tipHalf},
                    {tip.x - nx * tipHalf, tip.y - ny * tipHalf},
                    {base.x - nx * baseHalf, base.y - ny * baseHalf}});
}

// Open scissors pointing up, in the 100 x 100 design box. Weight thickens
// blades and rings for small sizes; large sizes show the pivot as a hole.
Sdf scissorsUnit(double weight, bool pivotHole) {
    const Pt pivot{50, 47};
    const Sdf blades = unite({blade({45, 58}, {66, 3}, 6.5 * weight, 1.2 * weight),
                              blade({55, 58}, {34, 3}, 6.5 * weight, 1.2 * weight),
                              circle(pivot.x, pivot.y, 7.5 * std::sqrt(weight))});
    const Sdf arms = unite(stroke({{46, 56}, {38, 68}}, 8 * weight), stroke({{54, 56}, {62, 68}}, 8 * weight));
    const double ringR = 12.5 + (weight - 1) * 1.5;
    const Sdf rings = unite(outline(circle(50 - 18 - (weight - 1) * 2, 79, ringR), 7.5 * weight),
                            outline(circle(50 + 18 + (weight - 1) * 2, 79, ringR), 7.5 * weight));
    const Sdf all = unite({blades, arms, rings});
    return pivotHole ? subtract(all, circle(pivot.x, pivot.y, 2.8)) : all;
}

Sdf scissors(double cx, double cy, double size, double degrees, double weight = 1.0, bool pivotHole = true) {
    return rotate(placed(scissorsUnit(weight, pivotHole), cx - size / 2, cy - size / 2, size), cx, cy, degrees);
}

// The film strip of the banner and the About box, cut in two: the two pieces
// part a little along a dashed cut line, with the scissors beside the cut.
struct FilmMotif {
    Pt centre;         // the cut
    double angle = 0;  // direction of the strip, degrees counter-clockwise
    double length = 0; // whole strip, both pieces
    double width = 56;
    double gap = 16;
    double scissorsSize = 64;
    double scissorsSide = -1;  // side of the strip the scissors stand on: -1 or 1
};

void drawFilm(Canvas& c, const FilmMotif& m) {
    const double halfW = m.width / 2;
    const double perfBand = m.width * 0.2;
    const double frameH = m.width - 2 * perfBand - 2;
    const double frameW = frameH * 1.3;
    auto local = [&](Sdf s) { return rotate(translate(std::move(s), m.centre.x, m.centre.y), m.centre.x, m.centre.y, m.angle); };

    // Pieces in strip coordinates: u along the strip, v across it, cut at u = 0.
    struct Piece {
        double u0, u1, shiftV, tilt;
    };
    const Piece pieces[2] = {{-m.length / 2, -m.gap / 2, -2.0, 0.0}, {m.gap / 2, m.length / 2, 3.0, -2.5}};

    for (const Piece& p : pieces) {
        auto piece = [&](Sdf s) {
            const double pivotU = p.u0 < 0 ? p.u1 : p.u0;
            return local(rotate(translate(std::move(s), 0, p.shiftV), pivotU, p.shiftV, p.tilt));
        };
        const Sdf body = roundRect(p.u0, -halfW, p.u1, halfW, 3);
        std::vector<Sdf> holes;
        const double pitch = perfBand * 1.15;
        for (double u = std::ceil(p.u0 / pitch) * pitch + pitch * 0.25; u + pitch * 0.6 < p.u1; u += pitch) {
            const double hw = pitch * 0.28, hh = perfBand * 0.26;
            holes.push_back(roundRect(u - hw, -halfW + perfBand / 2 - hh, u + hw, -halfW + perfBand / 2 + hh, 1.2));
            holes.push_back(roundRect(u - hw, halfW - perfBand / 2 - hh, u + hw, halfW - perfBand / 2 + hh, 1.2));
        }
        std::vector<Sdf> frames;
        const double framePitch = frameW + 5;
        const bool before = p.u0 < 0;  // the piece ends at the cut
        for (int k = 0; k < 64; ++k) {
            const double fu0 = before ? p.u1 - 4 - frameW - k * framePitch : p.u0 + 4 + k * framePitch;
            const double fu1 = fu0 + frameW;
            if (fu1 < p.u0 || fu0 > p.u1) break;
            frames.push_back(intersect(roundRect(fu0, -frameH / 2, fu1, frameH / 2, 2.5),
                                       roundRect(p.u0 + 2, -halfW, p.u1 - 2, halfW, 2)));
        }
        const Sdf allFrames = unite(frames);
        const Sdf allHoles = unite(holes);

        shadow(c, piece(body), withAlpha(kBlack, 0.55), 10, 0, 5);
        // The base of the strip fades out towards its far ends.
        const double far = m.length / 2;
        const Pt a = {m.centre.x, m.centre.y};
        const double rad = m.angle * kPi / 180.0;
        const Pt dir{std::cos(rad), -std::sin(rad)};
        auto along = [=](double x, double y) { return (x - a.x) * dir.x + (y - a.y) * dir.y; };
        auto fade = [=](double x, double y) {
            const double t = std::abs(along(x, y)) / far;
            return 1.0 - std::clamp((t - 0.45) / 0.55, 0.0, 1.0) * 0.85;
        };
        fill(c, piece(subtract(body, allHoles)), alphaScaled(solid(rgb(48, 56, 68)), fade));
        fill(c, piece(outline(body, 1.0)), alphaScaled(solid(rgb(78, 90, 106)), fade));
        // Frames: a teal picture lit from the cut outwards.
        auto frameLight = [=](double x, double y) {
            const double t = std::abs(along(x, y)) / far;
            return std::clamp(1.0 - t * 1.1, 0.12, 1.0);
        };
        fill(c, piece(allFrames),
             alphaScaled(linear({0, m.centre.y - 80}, {0, m.centre.y + 80},
                                {{0, withAlpha(kTealLight, 0.75)}, {1, withAlpha(kTealDark, 0.75)}}),
                         frameLight));
        fill(c, piece(outline(allFrames, 1.0)), alphaScaled(solid(withAlpha(kTealLight, 0.55)), frameLight));
        // Edges at the cut glow.
        const double edgeU = p.u0 < 0 ? p.u1 : p.u0;
        fill(c, piece(stroke({{edgeU, -halfW}, {edgeU, halfW}}, 2.0)), withAlpha(kTealLight, 0.9));
    }

    // Dashed cut line across the gap, a little longer than the strip is wide.
    const double reach = 16;
    std::vector<Sdf> dashes;
    for (double v = -halfW - reach; v < halfW + reach; v += 9) dashes.push_back(stroke({{0, v}, {0, v + 4}}, 1.8));
    const Sdf cut = local(unite(dashes));
    fill(c, cut, alphaScaled(solid(kTealLight), [&](double x, double y) {
             const double d = std::hypot(x - m.centre.x, y - m.centre.y);
             return 1.1 - d / (halfW + reach + 6);
         }));

    // Scissors at one end of the cut line, blade tips on it.
    const double rad = m.angle * kPi / 180.0;
    const Pt across{std::sin(rad), std::cos(rad)};  // direction of +v on screen
    const double side = m.scissorsSide < 0 ? -1.0 : 1.0;
    const double dist = halfW + reach + m.scissorsSize * 0.44;
    const Pt s{m.centre.x + across.x * side * dist, m.centre.y + across.y * side * dist};
    const double turn = m.angle + (side < 0 ? 180.0 : 0.0);
    const Sdf sc = scissors(s.x, s.y, m.scissorsSize, turn);
    shadow(c, sc, withAlpha(kBlack, 0.6), 6, 0, 3);
    fill(c, sc, linear({s.x, s.y - m.scissorsSize / 2}, {s.x, s.y + m.scissorsSize / 2},
                       {{0, kTealLight}, {1, kTeal}}));
}

void darkBackdrop(Canvas& c, Pt glowAt, double glowRadius) {
    paintAll(c, linear({0, 0}, {0, static_cast<double>(c.height())}, {{0, rgb(30, 36, 45)}, {1, rgb(17, 20, 26)}}));
    paintAll(c, radial(glowAt, glowRadius, {{0, withAlpha(kTeal, 0.30)}, {0.5, withAlpha(kTeal, 0.10)}, {1, withAlpha(kTeal, 0)}}));
}

// ---- glyphs ---------------------------------------------------------------

Paint lightFill(double top, double bottom) {
    return linear({0, top}, {0, bottom}, {{0, kWhite}, {1, kLightShade}});
}

Paint tealFill(double top, double bottom) {
    return linear({0, top}, {0, bottom}, {{0, kTealLight}, {1, kTeal}});
}

Canvas keyedOnToolbar(const Canvas& layer) {
    const int top = 22 + (40 - layer.height()) / 2;  // where the button centres it
    return keyed(layer, [top](int, int y) { return toolbarAt(top + y + 0.5); }, keyColour());
}

Canvas keyedOn(const Canvas& layer, Color bg) {
    return keyed(layer, [bg](int, int) { return bg; }, keyColour());
}

Canvas openGlyph() {
    Canvas c(32, 32);
    const Sdf back = unite(roundRect(3, 6, 14, 12, 2), roundRect(3, 8, 29, 26, 2.5));
    fill(c, back, linear({0, 6}, {0, 26}, {{0, rgb(178, 188, 200)}, {1, rgb(138, 149, 163)}}));
    const Sdf front = roundRect(3, 12, 29, 27, 2.5);
    shadow(c, front, withAlpha(kBlack, 0.35), 2, 0, -1);
    fill(c, front, lightFill(12, 27));
    const Sdf badge = circle(23.5, 23.5, 7.5);
    fill(c, grow(badge, 1.3), withAlpha(kSlateBottom, 1.0));
    fill(c, badge, tealFill(16, 31));
    fill(c, grow(polygon({{21.4, 19.8}, {27.4, 23.5}, {21.4, 27.2}}), 0.6), kWhite);
    return keyedOnToolbar(c);
}

Canvas settingsGlyph() {
    Canvas c(32, 32);
    const double cx = 16, cy = 16;
    std::vector<Sdf> parts{circle(cx, cy, 10.2)};
    for (int k = 0; k < 8; ++k)
        parts.push_back(rotate(roundRect(cx - 2.9, cy - 14.2, cx + 2.9, cy - 8, 1.3), cx, cy, k * 45.0));
    const Sdf gear = subtract(unite(parts), circle(cx, cy, 5.6));
    fill(c, gear, lightFill(2, 30));
    fill(c, circle(cx, cy, 3.6), tealFill(12, 20));
    return keyedOnToolbar(c);
}

Canvas aboutGlyph() {
    Canvas c(32, 32);
    const Sdf disc = circle(16, 16, 13.5);
    fill(c, disc, tealFill(2.5, 29.5));
    fill(c, outline(circle(16, 16, 13), 1.0), withAlpha(kWhite, 0.18));
    fill(c, circle(16, 9.6, 2.3), kWhite);
    fill(c, stroke({{16, 14.6}, {16, 22.8}}, 3.6), kWhite);
    return keyedOnToolbar(c);
}

Canvas helpGlyph() {
    Canvas c(32, 32);
    const Sdf bubble = unite(roundRect(3, 3, 29, 24, 6.5), polygon({{8, 22}, {15.5, 22}, {7.5, 29.5}}));
    fill(c, bubble, lightFill(3, 29));
    std::vector<Pt> q = arc(16, 10.2, 4.2, 4.0, 190, 390, 40);
    q.push_back({16, 15.8});
    q.push_back({16, 16.6});
    fill(c, stroke(q, 2.8), tealFill(5, 18));
    fill(c, circle(16, 20.2, 1.75), kTeal);
    return keyedOnToolbar(c);
}

Canvas previewLayer(PreviewGlyph g) {
    Canvas c(16, 16);
    const Paint light = linear({0, 2}, {0, 14}, {{0, kWhite}, {1, rgb(205, 212, 222)}});
    const Paint teal = linear({0, 2}, {0, 14}, {{0, kTealLight}, {1, kTeal}});
    switch (g) {
        case PreviewGlyph::Play:
            fill(c, grow(polygon({{5.2, 3.6}, {12.6, 8}, {5.2, 12.4}}), 0.8), teal);
            break;
        case PreviewGlyph::Pause:
            fill(c, unite(roundRect(4, 3, 7, 13, 1), roundRect(9, 3, 12, 13, 1)), light);
            break;
        case PreviewGlyph::Stop:
            fill(c, roundRect(3.5, 3.5, 12.5, 12.5, 1.6), light);
            break;
        case PreviewGlyph::StartTime:
            fill(c, stroke({{6.6, 2.5}, {3.5, 2.5}, {3.5, 13.5}, {6.6, 13.5}}, 1.8), light);
            fill(c, grow(polygon({{8.3, 5.2}, {12.6, 8}, {8.3, 10.8}}), 0.6), teal);
            break;
        case PreviewGlyph::EndTime:
            fill(c, stroke({{9.4, 2.5}, {12.5, 2.5}, {12.5, 13.5}, {9.4, 13.5}}, 1.8), light);
            fill(c, grow(polygon({{3.4, 5.2}, {7.7, 8}, {3.4, 10.8}}), 0.6), teal);
            break;
        case PreviewGlyph::Clear: {
            const Sdf body = rotate(roundRect(3.2, 5.5, 14.2, 11.5, 1.6), 8.7, 8.5, 45);
            const Sdf tip = intersect(body, rotate(roundRect(0, 0, 8.7, 16, 0), 8.7, 8.5, 45));
            fill(c, body, light);
            fill(c, tip, teal);
            fill(c, stroke({{8.5, 14.2}, {14, 14.2}}, 1.3), withAlpha(kLightShade, 0.9));
            break;
        }
    }
    return c;
}

// ---- the Split and Stop pictures ----------------------------------------

enum class Look { Normal, Hover, Pressed };

Canvas actionFace(bool start, Look look) {
    const Color base = start ? kTeal : kCoral;
    const Color light = start ? kTealLight : kCoralLight;
    const Color dark = start ? kTealDark : kCoralDark;
    Canvas c(kActionWidth, kActionHeight);
    const double press = look == Look::Pressed ? 1.0 : 0.0;
    const Sdf body = roundRect(4, 4 + press, 129, 59 + press * 0.5, 14);

    if (look == Look::Pressed)
        shadow(c, body, withAlpha(kBlack, 0.22), 2, 0, 1);
    else if (look == Look::Hover)
        shadow(c, body, withAlpha(darker(base, 0.5), 0.42), 6, 0, 3);
    else
        shadow(c, body, withAlpha(kBlack, 0.26), 5, 0, 2.5);

    Color top = mix(light, base, 0.15), bottom = base;
    if (look == Look::Hover) {
        top = lighter(light, 0.06);
        bottom = lighter(base, 0.08);
    } else if (look == Look::Pressed) {
        top = darker(base, 0.10);
        bottom = mix(base, dark, 0.45);
    }
    fill(c, body, linear({0, 4}, {0, 59}, {{0, top}, {1, bottom}}));
    // A soft sheen on the upper half, none when pressed.
    if (look != Look::Pressed)
        fill(c, intersect(body, roundRect(4, 4, 129, 32, 14)),
             linear({0, 4}, {0, 32}, {{0, withAlpha(kWhite, 0.16)}, {1, withAlpha(kWhite, 0.0)}}));
    // Inner top highlight, or an inner top shade when pressed.
    const Sdf rim = subtract(body, translate(body, 0, 1.3));
    fill(c, rim, withAlpha(look == Look::Pressed ? kBlack : kWhite, look == Look::Pressed ? 0.18 : 0.38));
    fill(c, outline(body, 1.0), withAlpha(dark, 0.55));

    // Content: icon and word, centred together.
    TextStyle ts;
    ts.capHeight = 17;
    ts.weight = 2.7;
    ts.tracking = 0.16;
    const std::string word = start ? "Split" : "Stop";
    const double iconSize = 28;
    const double gapPx = 9;
    const double total = iconSize * 0.72 + gapPx + textWidth(word, ts);
    const double x0 = (kActionWidth - total) / 2;
    const double cy = 31.5 + press;
    Sdf icon;
    if (start)
        icon = scissors(x0 + iconSize * 0.36, cy, iconSize, -90, 1.3, false);
    else
        icon = roundRect(x0 + 1, cy - 9.5, x0 + 20, cy + 9.5, 4);
    const double baseline = cy + ts.capHeight / 2;
    const Sdf words = text(word, x0 + iconSize * 0.72 + gapPx, baseline, ts);
    const Sdf content = unite(icon, words);
    fill(c, translate(content, 0, 1.2), withAlpha(darker(dark, 0.2), look == Look::Pressed ? 0.25 : 0.35));
    fill(c, content, kWhite);
    return keyed(c, [](int, int) { return kPaper; }, keyColour(), 0.03);
}

}  // namespace

Color keyColour() { return rgb(255, 0, 255); }
Color deckColour() { return kDeck; }
Color paperColour() { return kPaper; }

Canvas toolbarBackground() {
    Canvas c(783, 65);
    paintAll(c, [](double, double y) { return toolbarAt(y); });
    // A faint film strip runs out to the right, away from the buttons.
    std::vector<Sdf> marks;
    for (double x = 470; x < 790; x += 13) {
        marks.push_back(roundRect(x, 6, x + 6, 10, 1.2));
        marks.push_back(roundRect(x, 53, x + 6, 57, 1.2));
    }
    for (double x = 476; x < 790; x += 52) marks.push_back(roundRect(x, 15, x + 46, 48, 3));
    fill(c, unite(marks), alphaScaled(solid(kWhite), [](double x, double) {
             return std::clamp((x - 470) / 300.0, 0.0, 1.0) * 0.055;
         }));
    fill(c, roundRect(-1, 0, 784, 1, 0), withAlpha(kWhite, 0.10));
    fill(c, roundRect(-1, 62, 784, 63, 0), kDeckShade);
    fill(c, roundRect(-1, 63, 784, 65, 0), linear({0, 0}, {783, 0}, {{0, kTealDark}, {0.5, kTeal}, {1, kTealDark}}));
    return flatten(c, kSlateBottom);
}

Canvas leftPanel() {
    Canvas c(399, 366, kDeck);
    // The video sits in a recessed frame.
    const Sdf video = roundRect(34, 6, 393, 238, 0);
    shadow(c, video, withAlpha(kBlack, 0.6), 4, 0, 1);
    fill(c, outline(roundRect(32.5, 4.5, 394.5, 239.5, 2), 1.0), kDeckLine);
    fill(c, video, kBlack);
    // A groove above the transport buttons.
    auto fadeEnds = [](double x, double) { return std::clamp(std::min(x - 14, 392 - x) / 40.0, 0.0, 1.0); };
    fill(c, roundRect(14, 307, 392, 308, 0), alphaScaled(solid(kDeckShade), fadeEnds));
    fill(c, roundRect(14, 308, 392, 309, 0), alphaScaled(solid(rgb(46, 53, 64)), fadeEnds));
    return flatten(c, kDeck);
}

Canvas rightPanel() {
    Canvas c(384, 366, kPaper);
    fill(c, roundRect(-1, -1, 385, 46, 0), kDeck);
    fill(c, roundRect(-1, 46, 385, 56, 0),
         linear({0, 46}, {0, 56}, {{0, withAlpha(kBlack, 0.10)}, {1, withAlpha(kBlack, 0.0)}}));
    fill(c, roundRect(-1, 45, 385, 47, 0), linear({0, 0}, {384, 0}, {{0, kTeal}, {1, kTealDark}}));
    fill(c, roundRect(0, 47, 1, 367, 0), kPaperLine);
    auto fadeEnds = [](double x, double) { return std::clamp(std::min(x - 12, 372 - x) / 30.0, 0.0, 1.0); };
    fill(c, roundRect(12, 205, 372, 206, 0), alphaScaled(solid(kPaperLine), fadeEnds));
    fill(c, roundRect(12, 271, 372, 272, 0), alphaScaled(solid(kPaperLine), fadeEnds));
    return flatten(c, kPaper);
}

Canvas progressPanel() {
    Canvas c(384, 289, kDeck);
    const Sdf mark = scissors(318, 196, 112, -28);
    fill(c, mark, withAlpha(kWhite, 0.03));
    fill(c, roundRect(-1, 285, 385, 287, 0), kDeckShade);
    fill(c, roundRect(-1, 287, 385, 289, 0), linear({0, 0}, {384, 0}, {{0, kTeal}, {1, kTealDark}}));
    return flatten(c, kDeck);
}

// The program's film on a dark glowing panel; the vignette keeps the eye on
// the cut and the corners calm.
struct FilmPanel {
    int width, height;
    Pt glowAt;
    double glowRadius;
    FilmMotif film;
    Pt vignetteAt;
    double vignetteRadius;
    double vignetteDepth;
};

Canvas filmPanel(const FilmPanel& p) {
    Canvas c(p.width, p.height);
    darkBackdrop(c, p.glowAt, p.glowRadius);
    drawFilm(c, p.film);
    paintAll(c, radial(p.vignetteAt, p.vignetteRadius,
                       {{0.55, withAlpha(kBlack, 0)}, {1, withAlpha(kBlack, p.vignetteDepth)}}));
    return c;
}

Canvas banner() {
    // The top right is left calm for the program's name.
    return flatten(filmPanel({359, 232, {150, 150}, 220, {{168, 142}, -17, 520, 54, 16, 58}, {170, 130}, 260, 0.45}),
                   kBlack);
}

Canvas aboutBackground() {
    Canvas c(476, 330, kPaper);
    c.draw(flatten(filmPanel({234, 330, {118, 170}, 200, {{112, 176}, -72, 470, 54, 16, 60}, {118, 165}, 230, 0.4}),
                   kBlack),
           0, 0);
    fill(c, roundRect(234, -1, 236, 331, 0), linear({0, 0}, {0, 330}, {{0, kTeal}, {1, kTealDark}}));
    auto fadeRight = [](double x, double) { return std::clamp((460 - x) / 40.0, 0.0, 1.0); };
    fill(c, roundRect(259, 76, 460, 77, 0), alphaScaled(solid(kPaperLine), fadeRight));
    fill(c, roundRect(259, 268, 460, 269, 0), alphaScaled(solid(kPaperLine), fadeRight));
    return flatten(c, kPaper);
}

Canvas installerSide() {
    // The About box's film, standing upright, so that setup greets the user
    // with the program's own look.
    Canvas c = filmPanel({164, 314, {82, 150}, 190, {{58, 160}, -72, 440, 50, 15, 48}, {82, 150}, 210, 0.4});
    fill(c, roundRect(161, -1, 165, 315, 0), linear({0, 0}, {0, 314}, {{0, kTeal}, {1, kTealDark}}));
    return flatten(c, kBlack);
}

Canvas toolbarGlyph(ToolGlyph g) {
    switch (g) {
        case ToolGlyph::Open: return openGlyph();
        case ToolGlyph::Settings: return settingsGlyph();
        case ToolGlyph::About: return aboutGlyph();
        case ToolGlyph::Help: return helpGlyph();
    }
    return openGlyph();
}

Canvas previewGlyph(PreviewGlyph g) { return keyedOn(previewLayer(g), kDeck); }

Canvas actionStrip() {
    Canvas strip(kActionWidth * 6, kActionHeight);
    const Look looks[3] = {Look::Normal, Look::Hover, Look::Pressed};
    for (int i = 0; i < 6; ++i) strip.draw(actionFace(i < 3, looks[i % 3]), i * kActionWidth, 0);
    return strip;
}

Canvas countdownGlyph() {
    Canvas c(32, 32);
    const double cx = 16, cy = 18;
    fill(c, roundRect(13.5, 1.5, 18.5, 5, 1.2), kTealDark);
    fill(c, stroke({{16, 4}, {16, 7}}, 2.4), kTealDark);
    fill(c, rotate(roundRect(24.5, 5.5, 28, 8.5, 1), 26, 7, -45), kTealDark);
    const Sdf face = circle(cx, cy, 12.5);
    fill(c, face, tealFill(5, 31));
    fill(c, circle(cx, cy, 9.8), kWhite);
    // The time left, as a sector.
    std::vector<Pt> sector{{cx, cy}};
    for (const Pt& p : arc(cx, cy, 8.2, 8.2, -90, 30, 24)) sector.push_back(p);
    fill(c, polygon(sector), withAlpha(kTealLight, 0.55));
    fill(c, stroke({{cx, cy}, {cx, cy - 7.5}}, 2.0), kTealDark);
    fill(c, circle(cx, cy, 1.8), kTealDark);
    return keyedOn(c, kPaper);
}

Canvas appIcon(int size) {
    Canvas c(size, size);
    const double s = size;
    const double inset = size <= 16 ? 0.5 : 1.0;
    const double radius = size <= 16 ? 3.5 : 7.0;
    const Sdf tile = roundRect(inset, inset, s - inset, s - inset, radius);
    fill(c, tile, linear({0, 0}, {0, s}, {{0, kTealLight}, {1, kTealDark}}));
    fill(c, subtract(tile, translate(tile, 0, size <= 16 ? 0.8 : 1.2)), withAlpha(kWhite, 0.35));
    if (size <= 16) {
        // Too small for the design: two blades and two rings on the pixel grid.
        const Sdf shape = unite({stroke({{6.9, 9.2}, {10.9, 2.3}}, 1.7), stroke({{9.1, 9.2}, {5.1, 2.3}}, 1.7),
                                 outline(circle(4.9, 11.9, 2.2), 1.5), outline(circle(11.1, 11.9, 2.2), 1.5)});
        fill(c, shape, kWhite);
    } else {
        const Sdf sc = scissors(s / 2, s / 2 + 0.5, s * 0.8, 0, 1.55, false);
        fill(c, translate(sc, 0, 1), withAlpha(kTealDark, 0.6));
        fill(c, sc, kWhite);
    }
    return c;
}

}  // namespace art
