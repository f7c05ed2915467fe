// The colours of the main window's pictures. The built-in skin has colours
// of its own (skin.cpp) and borrows the teal and coral accents from here, so
// that the frame and the controls belong with the main window.
#pragma once

#include "raster.h"

namespace art {

// One palette for the whole program: slate greys, one teal accent, a warm
// red only for stopping a job.
inline const Color kSlateTop = rgb(53, 61, 74);
inline const Color kSlateBottom = rgb(32, 38, 47);
inline const Color kDeck = rgb(30, 35, 43);
inline const Color kDeckLine = rgb(58, 67, 80);
inline const Color kDeckShade = rgb(20, 24, 30);
inline const Color kPaper = rgb(238, 241, 245);
inline const Color kPaperLine = rgb(210, 216, 224);
inline const Color kTeal = rgb(22, 166, 158);
inline const Color kTealLight = rgb(70, 206, 194);
inline const Color kTealDark = rgb(10, 112, 108);
inline const Color kCoral = rgb(222, 82, 70);
inline const Color kCoralLight = rgb(244, 124, 108);
inline const Color kCoralDark = rgb(160, 46, 38);
inline const Color kLightShade = rgb(196, 204, 214);
inline const Color kWhite = rgb(255, 255, 255);
inline const Color kBlack = rgb(0, 0, 0);

}  // namespace art
