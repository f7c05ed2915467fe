// A small raster kit for the artwork generator: shapes are signed distance
// functions (in pixels, negative inside), so every edge is anti-aliased by
// the same rule and shapes combine with min/max.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace art {

// sRGB components in 0..1 with straight (not premultiplied) alpha.
struct Color {
    double r = 0, g = 0, b = 0, a = 1;
};

Color rgb(int r, int g, int b, double a = 1.0);
Color mix(Color x, Color y, double t);
Color lighter(Color c, double t);  // towards white
Color darker(Color c, double t);   // towards black
Color withAlpha(Color c, double a);

struct Pt {
    double x = 0, y = 0;
};

class Canvas {
public:
    Canvas(int width, int height, Color fill = Color{0, 0, 0, 0});

    int width() const { return w_; }
    int height() const { return h_; }
    Color& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Color& at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }

    // Source-over of colour c, its alpha scaled by coverage.
    void blend(int x, int y, Color c, double coverage);
    // Source-over of a whole canvas placed with its top left at (dx, dy).
    void draw(const Canvas& src, int dx, int dy);

private:
    int w_, h_;
    std::vector<Color> px_;
};

using Sdf = std::function<double(double x, double y)>;
using Paint = std::function<Color(double x, double y)>;

// Shapes. Coordinates are continuous: pixel (i, j) covers [i, i+1) x [j, j+1).
Sdf circle(double cx, double cy, double r);
Sdf ellipse(double cx, double cy, double rx, double ry);
Sdf roundRect(double x0, double y0, double x1, double y1, double radius);
Sdf polygon(std::vector<Pt> points);
// A polyline of the given width with round caps and joins; one point is a dot.
Sdf stroke(std::vector<Pt> points, double width);
Sdf strokes(const std::vector<std::vector<Pt>>& lines, double width);

// Combinators.
Sdf unite(Sdf a, Sdf b);
Sdf unite(const std::vector<Sdf>& shapes);
Sdf intersect(Sdf a, Sdf b);
Sdf subtract(Sdf a, Sdf b);
Sdf grow(Sdf a, double by);          // negative shrinks
Sdf outline(Sdf a, double width);    // a band of the width centred on the edge
Sdf translate(Sdf a, double dx, double dy);
Sdf rotate(Sdf a, double cx, double cy, double degrees);  // counter-clockwise on screen
Sdf scale(Sdf a, double cx, double cy, double factor);

// Points on an elliptical arc; angles in degrees, 0 = +x, 90 = down (screen).
std::vector<Pt> arc(double cx, double cy, double rx, double ry, double fromDeg, double toDeg,
                    int segments = 48);
std::vector<Pt> rotated(std::vector<Pt> points, double cx, double cy, double degrees);

// Paints.
Paint solid(Color c);
using Stops = std::vector<std::pair<double, Color>>;
Paint linear(Pt from, Pt to, Stops stops);
Paint radial(Pt centre, double radius, Stops stops);
Paint alphaScaled(Paint p, std::function<double(double x, double y)> factor);

// Filling: coverage of each pixel from the distance at its centre.
void fill(Canvas& c, const Sdf& shape, const Paint& paint);
void fill(Canvas& c, const Sdf& shape, Color colour);
// A blurred copy of the shape's coverage, offset, drawn in one colour.
void shadow(Canvas& c, const Sdf& shape, Color colour, double blurRadius, double dx, double dy);
// Per-pixel function (for backgrounds): replaces nothing, blends the result.
void paintAll(Canvas& c, const Paint& paint);

// Opaque copy over a background colour.
Canvas flatten(const Canvas& layer, Color background);
Canvas flatten(const Canvas& layer, const std::function<Color(int x, int y)>& background);

// A picture for controls that treat one colour as transparent: pixels the
// layer barely touches become the key colour, the rest are blended over the
// background the picture is expected to sit on.
Canvas keyed(const Canvas& layer, const std::function<Color(int x, int y)>& background, Color key,
             double threshold = 0.12);

}  // namespace art
