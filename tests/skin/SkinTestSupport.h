#pragma once
// Looking at skinned windows as the screen shows them, and reaching into
// modal loops (message boxes, the open dialog, menus) while they run.
#include "skin/SkinEngine.h"
#include "skin/SkinWindow.h"
#include "ui/Graphics.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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

// The mouse as the user moves it: the system's input queue gets the move
// (or a left button going down or up there) and routes it as it would a real one.
void RealMouse(POINT screen, DWORD buttonFlags = 0);
// Which of a caption button's parts the screen shows: 0 normal, 1 hover,
// 2 pressed, -1 none of them.
int ShownPart(HWND hwnd, korvane::TSkinEngine& engine, korvane::SkinHit element, int normalPart);
// A caption button pressed with the real mouse, which then leaves the window
// and lets go outside it, clicks the plain caption, comes back over the
// button and moves off it again: the part shown at each of those steps
// (hover, pressed, released outside, hovered again, left).
std::vector<int> PartsWhenReleasedOutside(HWND hwnd, korvane::TSkinEngine& engine, korvane::SkinHit element,
                                          int normalPart);

// Runs `open` (which runs a modal loop) and calls `inside` once with the
// first visible window of class `windowClass` of this thread. A failure of
// the test when the loop ends without that window, or when it has not come
// within 20 s (the loop is then ended).
void WhileModal(const std::function<void()>& open, const char* windowClass,
                const std::function<void(HWND)>& inside);

// Pumps messages until painting has settled: `quietLooks` looks of 10 ms in a
// row find nothing new but timers (a failure after 5 s of steady work).
void Settle(int quietLooks = 5);

} // namespace skintest
