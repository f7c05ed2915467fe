#include "raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double segmentDistance(Pt p, Pt a, Pt b) {
    const double bx = b.x - a.x, by = b.y - a.y;
    const double px = p.x - a.x, py = p.y - a.y;
    const double len2 = bx * bx + by * by;
    const double t = len2 > 0 ? std::clamp((px * bx + py * by) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(px - bx * t, py - by * t);
}

Color lerpStops(const Stops& stops, double t) {
    if (stops.empty()) return Color{0, 0, 0, 0};
    if (t <= stops.front().first) return stops.front().second;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const double span = stops[i].first - stops[i - 1].first;
            const double u = span > 0 ? (t - stops[i - 1].first) / span : 1.0;
            // Smooth the blend a little so gradient ends do not show as lines.
            const double s = u * u * (3 - 2 * u) * 0.35 + u * 0.65;
            return mix(stops[i - 1].second, stops[i].second, s);
        }
    }
    return stops.back().second;
}

// Separable box blur of a coverage map, three passes approximate a Gaussian.
void boxBlur(std::vector<double>& m, int w, int h, int radius) {
    if (radius <= 0) return;
    std::vector<double> tmp(m.size());
    const double norm = 1.0 / (2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = x + k;
                    if (xx >= 0 && xx < w) s += m[static_cast<size_t>(y) * w + xx];
                }
                tmp[static_cast<size_t>(y) * w + x] = s * norm;
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < h) s += tmp[static_cast<size_t>(yy) * w + x];
                }
                m[static_cast<size_t>(y) * w + x] = s * norm;
            }
        }
    }
}

}  // namespace

Color rgb(int r, int g, int b, double a) { return Color{r / 255.0, g / 255.0, b / 255.0, a}; }

Color mix(Color x, Color y, double t) {
    return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
                 x.a + (y.a - x.a) * t};
}

Color lighter(Color c, double t) {
    const Color w{1, 1, 1, c.a};
    return mix(c, w, t);
}

Color darker(Color c, double t) {
    const Color k{0, 0, 0, c.a};
    return mix(c, k, t);
}

Color withAlpha(Color c, double a) {
    c.a = a;
    return c;
}

Canvas::Canvas(int width, int height, Color fill)
    : w_(width), h_(height), px_(static_cast<size_t>(width) * height, fill) {}

void Canvas::blend(int x, int y, Color c, double coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    const double sa = clamp01(c.a * coverage);
    if (sa <= 0) return;
    Color& d = at(x, y);
    const double oa = sa + d.a * (1 - sa);
    if (oa <= 0) {
        d = Color{0, 0, 0, 0};
        return;
    }
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
}

void Canvas::draw(const Canvas& src, int dx, int dy) {
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) blend(x + dx, y + dy, src.at(x, y), 1.0);
}

Sdf circle(double cx, double cy, double r) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf ellipse(double cx, double cy, double rx, double ry) {
    // Scaled circle: exact on the axes, close enough elsewhere for edges.
    return [=](double x, double y) {
        const double nx = (x - cx) / rx, ny = (y - cy) / ry;
        const double k = std::hypot(nx, ny);
        if (k == 0) return -std::min(rx, ry);
        const double gx = nx / rx, gy = ny / ry;
        return (k - 1) * k / std::hypot(gx, gy);
    };
}

Sdf roundRect(double x0, double y0, double x1, double y1, double radius) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    const double r = std::min({radius, hx, hy});
    return [=](double x, double y) {
        const double qx = std::abs(x - cx) - (hx - r);
        const double qy = std::abs(y - cy) - (hy - r);
        const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        const double inside = std::min(std::max(qx, qy), 0.0);
        return outside + inside - r;
    };
}

Sdf polygon(std::vector<Pt> pts) {
    return [pts = std::move(pts)](double x, double y) {
        const size_t n = pts.size();
        double d = std::numeric_limits<double>::max();
        bool inside = false;
        const Pt p{x, y};
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            d = std::min(d, segmentDistance(p, pts[j], pts[i]));
            const Pt a = pts[j], b = pts[i];
            if ((a.y > y) != (b.y > y)) {
                const double xCross = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
                if (x < xCross) inside = !inside;
            }
        }
        return inside ? -d : d;
    };
}

Sdf stroke(std::vector<Pt> pts, double width) {
    const double half = width / 2;
    return [pts = std::move(pts), half](double x, double y) {
        const Pt p{x, y};
        double d = std::numeric_limits<double>::max();
        if (pts.size() == 1) return std::hypot(x - pts[0].x, y - pts[0].y) - half;
        for (size_t i = 1; i < pts.size(); ++i) d = std::min(d, segmentDistance(p, pts[i - 1], pts[i]));
        return d - half;
    };
}

Sdf strokes(const std::vector<std::vector<Pt>>& lines, double width) {
    std::vector<Sdf> parts;
    for (const auto& l : lines) parts.push_back(stroke(l, width));
    return unite(parts);
}

Sdf unite(Sdf a, Sdf b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

Sdf unite(const std::vector<Sdf>& shapes) {
    return [shapes](double x, double y) {
        double d = std::numeric_limits<double>::max();
        for (const auto& s : shapes) d = std::min(d, s(x, y));
        return d;
    };
}

Sdf intersect(Sdf a, Sdf b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

Sdf subtract(Sdf a, Sdf b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

Sdf grow(Sdf a, double by) {
    return [a = std::move(a), by](double x, double y) { return a(x, y) - by; };
}

Sdf outline(Sdf a, double width) {
    return [a = std::move(a), half = width / 2](double x, double y) { return std::abs(a(x, y)) - half; };
}

Sdf translate(Sdf a, double dx, double dy) {
    return [a = std::move(a), dx, dy](double x, double y) { return a(x - dx, y - dy); };
}

Sdf rotate(Sdf a, double cx, double cy, double degrees) {
    const double t = -degrees * kPi / 180.0;
    const double c = std::cos(t), s = std::sin(t);
    // Inverse rotation of the query point.
    return [a = std::move(a), cx, cy, c, s](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        return a(cx + dx * c + dy * s, cy - dx * s + dy * c);
    };
}

Sdf scale(Sdf a, double cx, double cy, double factor) {
    return [a = std::move(a), cx, cy, factor](double x, double y) {
        return a(cx + (x - cx) / factor, cy + (y - cy) / factor) * factor;
    };
}

std::vector<Pt> arc(double cx, double cy, double rx, double ry, double fromDeg, double toDeg, int segments) {
    std::vector<Pt> pts;
    for (int i = 0; i <= segments; ++i) {
        const double a = (fromDeg + (toDeg - fromDeg) * i / segments) * kPi / 180.0;
        pts.push_back(Pt{cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

std::vector<Pt> rotated(std::vector<Pt> points, double cx, double cy, double degrees) {
    const double t = -degrees * kPi / 180.0;
    const double c = std::cos(t), s = std::sin(t);
    for (auto& p : points) {
        const double dx = p.x - cx, dy = p.y - cy;
        p = Pt{cx + dx * c - dy * s, cy + dx * s + dy * c};
    }
    return points;
}

Paint solid(Color c) {
    return [c](double, double) { return c; };
}

Paint linear(Pt from, Pt to, Stops stops) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double len2 = dx * dx + dy * dy;
    return [=](double x, double y) {
        const double t = len2 > 0 ? ((x - from.x) * dx + (y - from.y) * dy) / len2 : 0.0;
        return lerpStops(stops, t);
    };
}

Paint radial(Pt centre, double radius, Stops stops) {
    return [=](double x, double y) { return lerpStops(stops, std::hypot(x - centre.x, y - centre.y) / radius); };
}

Paint alphaScaled(Paint p, std::function<double(double, double)> factor) {
    return [p = std::move(p), f = std::move(factor)](double x, double y) {
        Color c = p(x, y);
        c.a *= clamp01(f(x, y));
        return c;
    };
}

void fill(Canvas& c, const Sdf& shape, const Paint& paint) {
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double cov = clamp01(0.5 - shape(px, py));
            if (cov > 0) c.blend(x, y, paint(px, py), cov);
        }
    }
}

void fill(Canvas& c, const Sdf& shape, Color colour) { fill(c, shape, solid(colour)); }

void shadow(Canvas& c, const Sdf& shape, Color colour, double blurRadius, double dx, double dy) {
    const int w = c.width(), h = c.height();
    std::vector<double> m(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m[static_cast<size_t>(y) * w + x] = clamp01(0.5 - shape(x + 0.5 - dx, y + 0.5 - dy));
    boxBlur(m, w, h, static_cast<int>(std::lround(blurRadius / 1.7)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.blend(x, y, colour, m[static_cast<size_t>(y) * w + x]);
}

void paintAll(Canvas& c, const Paint& paint) {
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) c.blend(x, y, paint(x + 0.5, y + 0.5), 1.0);
}

Canvas flatten(const Canvas& layer, Color background) {
    return flatten(layer, [background](int, int) { return background; });
}

Canvas flatten(const Canvas& layer, const std::function<Color(int x, int y)>& background) {
    Canvas out(layer.width(), layer.height());
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            Color bg = background(x, y);
            bg.a = 1;
            out.at(x, y) = bg;
            out.blend(x, y, layer.at(x, y), 1.0);
        }
    }
    return out;
}

Canvas keyed(const Canvas& layer, const std::function<Color(int x, int y)>& background, Color key,
             double threshold) {
    Canvas out = flatten(layer, background);
    key.a = 1;
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            if (layer.at(x, y).a < threshold) out.at(x, y) = key;
    return out;
}

}  // namespace art
