// Every picture the program shows, drawn from geometry. Each function returns
// the finished picture at its final size; pictures for controls that treat
// their bottom-left colour as transparent already carry the key colour there.
#pragma once

#include <vector>

#include "raster.h"

namespace art {

// The colour that the glyph-drawing code treats as transparent.
Color keyColour();

// Flat colours that controls may need to match (their own backgrounds).
Color deckColour();   // left panel, band behind "Source:", progress panel
Color paperColour();  // job-settings area of the right panel

Canvas toolbarBackground();   // 783 x 65
Canvas leftPanel();           // 399 x 366
Canvas rightPanel();          // 384 x 366
Canvas progressPanel();       // 384 x 289
Canvas banner();              // 359 x 232
Canvas aboutBackground();     // 476 x 330
Canvas installerSide();       // 164 x 314, the installer's welcome and finish pages

enum class ToolGlyph { Open, Settings, About, Help };
Canvas toolbarGlyph(ToolGlyph g);  // 32 x 32, keyed

enum class PreviewGlyph { Play, Pause, Stop, StartTime, EndTime, Clear };
Canvas previewGlyph(PreviewGlyph g);  // 16 x 16, keyed

// Six 133 x 65 looks side by side: start normal, hover, pressed, then cancel
// normal, hover, pressed.
Canvas actionStrip();
constexpr int kActionWidth = 133;
constexpr int kActionHeight = 65;

Canvas countdownGlyph();  // 32 x 32, keyed

// The application icon at one size (16 or 32), with real alpha.
Canvas appIcon(int size);

}  // namespace art
