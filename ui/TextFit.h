#pragma once
// Texts that fit whatever font the system gives. A window is laid out for
// one font; where the system maps its face to a wider one (another language
// edition, a missing font), a caption can run past its control or under the
// next one. Before a form is first shown every caption is measured in the
// font it is drawn in against the room its control gives it; one that does
// not fit is drawn in a smaller size of the same face, so the window keeps
// its size, its places and its look.
#include "ui/Control.h"

#include <functional>

namespace ui {

class WinControl;

// A caption's width in its control's font, and the room the control gives it.
struct TextRoom {
    bool Applies = false;   // a single-line caption that can be clipped
    int Text = 0;
    int Room = 0;
    bool Fits() const { return !Applies || Text <= Room; }
};

// The room of one control: push buttons (less their edges and glyph),
// check boxes and radio buttons (less their box), speed buttons (less the
// glyph), group boxes, and labels (a fixed label's width; a sized-to-text
// label's room ends where the next control of its row begins, or at its
// parent's edge).
TextRoom MeasureTextRoom(const Control& control);

// The smallest size a caption is shrunk to (pixels of character height).
constexpr int kSmallestFitHeight = 8;

// Shrinks the font of every caption in `root` (recursively) that does not
// fit its room; returns how many were changed.
int FitTexts(WinControl& root);

// Every control of `root` (recursively), for walks over a window.
void ForEachControl(WinControl& root, const std::function<void(Control&)>& visit);

} // namespace ui
