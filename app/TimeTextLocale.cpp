#include "app/TimeTextLocale.h"

#include <windows.h>

namespace korvane {

char UserDecimalSeparator()
{
    char buf[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) > 1)
        return buf[0];
    return '.';
}

double TimeTextToSeconds(std::string_view text)
{
    return TimeTextToSeconds(text, UserDecimalSeparator());
}

std::string SecondsToMarkText(double seconds)
{
    return SecondsToMarkText(seconds, UserDecimalSeparator());
}

} // namespace korvane
