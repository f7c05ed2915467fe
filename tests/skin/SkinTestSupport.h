#pragma once
// Looking at skinned windows as the screen shows them, and reaching into
// modal loops (message boxes, the open dialog, menus) while they run.
#include "skin/SkinEngine.h"
#include "skin/SkinWindow.h"
#include "ui/Graphics.h"

#include <windows.h>

#include <functional>
#include <string>

namespace skintest {

// The screen's pixel at a screen point.
COLORREF ScreenPixel(int x, int y);
// The screen's pixel at a point of a window (window coordinates, frame included).
COLORREF WindowPixel(HWND hwnd, int x, int y);
// Whether the screen shows `picture` at `at` (window coordinates), pixel for pixel.
bool ShowsPicture(HWND hwnd, const RECT& at, const ui::Bitmap& picture);

// The window region's test at a window point; false when the window has none.
bool InRegion(HWND hwnd, int x, int y);
// Rounded: the four corner pixels lie outside the region, the middle and the
// middle of each edge inside.
bool HasRoundedRegion(HWND hwnd);

// Puts the mouse over the middle of a window rectangle and returns that screen point.
POINT PointAt(HWND hwnd, const RECT& windowRect);
// Non-client mouse messages as the system sends them, at the mouse's place.
void NcMessage(HWND hwnd, UINT msg, WPARAM hit = HTCAPTION);

// Runs `open` (which runs a modal loop) and calls `inside` once with the
// first visible window of class `windowClass` of this thread.
void WhileModal(const std::function<void()>& open, const char* windowClass,
                const std::function<void(HWND)>& inside);

// Pumps messages for a little while (painting settles).
void Settle(int rounds = 5);

} // namespace skintest
