#pragma once
// Time text read with the decimal separator of the user's number format.
#include "app/TimeText.h"

namespace korvane {

// The user's decimal separator (LOCALE_SDECIMAL of the user default locale).
char UserDecimalSeparator();

double TimeTextToSeconds(std::string_view text);
std::string SecondsToMarkText(double seconds);

} // namespace korvane
