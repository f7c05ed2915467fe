#include "preview/CheckResult.h"

#include <errors.h>

#include "preview/MediaErrors.h"
#include "preview/MediaUnits.h"
#include "ui/SystemDll.h"

namespace korvane {

HRESULT CheckResult(HRESULT hr)
{
    if (hr >= 0)
        return hr;
    char text[256] = {};
    using ErrorTextFn = DWORD(WINAPI*)(HRESULT, char*, DWORD);
    if (const auto errorText = ui::SystemFunction<ErrorTextFn>("quartz.dll", "AMGetErrorTextA"))
        errorText(hr, text, 255);
    text[255] = '\0';
    throw EDirectShowException(DirectShowErrorMessage(text, static_cast<std::int32_t>(hr)),
                               static_cast<std::int32_t>(hr));
}

} // namespace korvane
