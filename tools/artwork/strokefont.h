// A tiny monoline font for the few words painted into pictures (the faces
// of the Split and Stop buttons). Letters are centre lines drawn with round
// caps, so one weight parameter makes them lighter or bolder.
#pragma once

#include <string>

#include "raster.h"

namespace art {

struct TextStyle {
    double capHeight = 16;  // pixels from baseline to the top of a capital
    double weight = 2.4;    // stroke width in pixels
    double tracking = 0.22; // extra space between letters, in cap heights
};

// Width in pixels of the ink of the text (stroke ends included).
double textWidth(const std::string& text, const TextStyle& style);
// The text with its ink starting at x and its baseline at y.
Sdf text(const std::string& text, double x, double baseline, const TextStyle& style);

}  // namespace art
