#pragma once
// Korvane's own small filter that turns the preview's picture: a phone video
// stored sideways with a rotation in its header is shown upright. The
// system's video renderer cannot turn a picture, so the filter sits between
// the decoder and the renderer, takes 32-bit RGB frames and hands on each
// frame turned by a quarter, half or three quarters clockwise. Seeking and
// the other questions the renderer asks upstream pass through it.
#include <windows.h>
#include <dshow.h>

#include <string>

namespace korvane {

// Puts a turn of `degrees` (90, 180 or 270) between the renderer and the
// filter that feeds its input. S_FALSE when there is nothing to turn (no
// degrees, or the renderer is not connected); a failure leaves the graph as
// it was found, connected as before.
HRESULT InsertPictureTurn(IFilterGraph2* graph, IBaseFilter* renderer, int degrees);

// The clockwise turn a movie file's video track asks for (0 for any other file).
int MovieFileRotation(const std::string& path);

} // namespace korvane
