#pragma once
#include <windows.h>

namespace korvane {

// A failing HRESULT raises EDirectShowException with DirectShow's own error
// text; any success code comes back unchanged.
HRESULT CheckResult(HRESULT hr);

} // namespace korvane
