#include "strokefont.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

namespace art {

namespace {

// Glyph space: baseline at y = 0, y upwards, capitals 10 high, x-height 7.
using Line = std::vector<Pt>;

struct Glyph {
    std::vector<Line> lines;
    double minX = 0, maxX = 0;
};

Line arcUp(double cx, double cy, double rx, double ry, double fromDeg, double toDeg) {
    // arc() works on screen (y down); mirror the angles for y up.
    Line l = arc(cx, -cy, rx, ry, -fromDeg, -toDeg, 40);
    for (auto& p : l) p.y = -p.y;
    return l;
}

Line join(Line a, const Line& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Glyph make(std::vector<Line> lines) {
    Glyph g;
    g.lines = std::move(lines);
    g.minX = 1e9;
    g.maxX = -1e9;
    for (const auto& l : g.lines)
        for (const auto& p : l) {
            g.minX = std::min(g.minX, p.x);
            g.maxX = std::max(g.maxX, p.x);
        }
    return g;
}

const std::map<char, Glyph>& glyphs() {
    static const std::map<char, Glyph> table = [] {
        std::map<char, Glyph> t;
        t['S'] = make({join(arcUp(3.0, 7.55, 2.75, 2.45, 28, 270), arcUp(3.0, 2.55, 3.0, 2.55, 90, -152))});
        t['p'] = make({{{0, 7}, {0, -3.2}}, arcUp(3.25, 3.5, 3.25, 3.5, 0, 360)});
        t['o'] = make({arcUp(3.4, 3.5, 3.4, 3.5, 0, 360)});
        t['l'] = make({{{0, 0}, {0, 10.6}}});
        t['i'] = make({{{0, 0}, {0, 7}}, {{0, 9.6}}});
        t['t'] = make({join(Line{{0, 9.8}, {0, 1.9}}, arcUp(1.9, 1.9, 1.9, 1.9, 180, 270)),
                       {{-1.5, 7}, {2.6, 7}}});
        return t;
    }();
    return table;
}

const Glyph& glyph(char c) {
    const auto it = glyphs().find(c);
    if (it == glyphs().end()) throw std::runtime_error(std::string("no glyph for '") + c + "'");
    return it->second;
}

}  // namespace

double textWidth(const std::string& s, const TextStyle& style) {
    const double unit = style.capHeight / 10.0;
    double w = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const Glyph& g = glyph(s[i]);
        w += (g.maxX - g.minX) * unit;
        if (i + 1 < s.size()) w += style.tracking * style.capHeight + style.weight;
    }
    return w + style.weight;
}

Sdf text(const std::string& s, double x, double baseline, const TextStyle& style) {
    const double unit = style.capHeight / 10.0;
    std::vector<std::vector<Pt>> all;
    double pen = x + style.weight / 2;
    for (const char c : s) {
        const Glyph& g = glyph(c);
        for (const auto& l : g.lines) {
            std::vector<Pt> out;
            for (const auto& p : l) out.push_back(Pt{pen + (p.x - g.minX) * unit, baseline - p.y * unit});
            all.push_back(std::move(out));
        }
        pen += (g.maxX - g.minX) * unit + style.tracking * style.capHeight + style.weight;
    }
    return strokes(all, style.weight);
}

}  // namespace art
