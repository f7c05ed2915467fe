#pragma once
// Time text "hh:mm:ss" as shown to and typed by the user. Free of windows.h:
// the user's decimal separator is passed in by the caller.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The fraction of a second is dropped, never rounded: 59.9 gives "00:00:59".
std::string SecondsToTimeText(double seconds);

// A mark of the range to the millisecond: "hh:mm:ss" for whole seconds,
// "hh:mm:ss.fff" otherwise, with the given decimal separator. The seconds are
// taken to the nearest millisecond first, so a mark read back from its own
// text gives the same text. A negative time with a fraction is shown as
// SecondsToTimeText shows it (it is never a mark on the bar).
std::string SecondsToMarkText(double seconds, char decimalSeparator);

// Seconds, or exactly -1 when the text is not a valid time.
double TimeTextToSeconds(std::string_view text, char decimalSeparator);

// The field readers behind TimeTextToSeconds, also used where the user types numbers.
// Whole number: optional leading blanks, optional sign, decimal digits, or hex
// digits after $, x, X, 0x or 0X; must fit a 32-bit signed integer.
std::optional<std::int32_t> ReadWholeNumber(std::string_view text);
// Floating-point number with the given decimal separator, optional exponent,
// blanks allowed around it. The separator alone reads as 0.
std::optional<double> ReadFloatNumber(std::string_view text, char decimalSeparator);

} // namespace korvane
