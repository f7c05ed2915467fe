#include "app/TimeText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace korvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipLeadingBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendPadded(std::string& out, std::int64_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(value));
    out += buf;
}

} // namespace

std::string SecondsToTimeText(double seconds)
{
    // Truncation toward zero; values outside the 64-bit range (and NaN) are
    // pinned rather than left to undefined conversion.
    std::int64_t total = 0;
    if (std::isnan(seconds))
        total = 0;
    else if (seconds >= 9.2e18)
        total = std::numeric_limits<std::int64_t>::max();
    else if (seconds <= -9.2e18)
        total = std::numeric_limits<std::int64_t>::min();
    else
        total = static_cast<std::int64_t>(seconds);

    const std::int64_t hours = total / 3600;
    const std::int64_t minutes = (total - hours * 3600) / 60;
    const std::int64_t secs = total - hours * 3600 - minutes * 60;
    std::string text;
    AppendPadded(text, hours);
    text += ':';
    AppendPadded(text, minutes);
    text += ':';
    AppendPadded(text, secs);
    return text;
}

std::string SecondsToMarkText(double seconds, char decimalSeparator)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= 9.2e15)
        return SecondsToTimeText(seconds);
    const auto ms = static_cast<std::int64_t>(std::llround(seconds * 1000));
    std::string text = SecondsToTimeText(static_cast<double>(ms / 1000));
    if (ms % 1000 != 0) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, "%03d", static_cast<int>(ms % 1000));
        text += decimalSeparator;
        text += fraction;
    }
    return text;
}

std::optional<std::int32_t> ReadWholeNumber(std::string_view text)
{
    std::string_view s = SkipLeadingBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && (s.front() == '$' || s.front() == 'x' || s.front() == 'X')) {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    // Accumulate in 64 bits; anything past 2^31 fails before it can overflow.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (char c : s) {
        const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<double> ReadFloatNumber(std::string_view text, char decimalSeparator)
{
    std::string_view s = SkipLeadingBlanks(text);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    if (s.empty())
        return std::nullopt;

    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Rebuilt in the form from_chars reads, whatever the user's separator is.
    std::string normal;
    std::size_t i = 0;
    std::size_t mantissaDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        normal += s[i++];
        ++mantissaDigits;
    }
    bool hasSeparator = false;
    if (i < s.size() && s[i] == decimalSeparator) {
        hasSeparator = true;
        normal += '.';
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            normal += s[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        // The separator alone (no digits, no exponent) reads as 0.
        if (hasSeparator && i == s.size())
            return negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            normal += s[i++];
        std::size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            normal += s[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc() || end != normal.data() + normal.size())
        return std::nullopt;
    return negative ? -value : value;
}

double TimeTextToSeconds(std::string_view text, char decimalSeparator)
{
    constexpr double kFailure = -1;
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos)
        return kFailure;
    const std::string_view hh = text.substr(0, first);
    const std::string_view rest = text.substr(first + 1);
    const std::size_t second = rest.find(':');
    if (second == std::string_view::npos)
        return kFailure;
    const std::string_view mm = rest.substr(0, second);
    const std::string_view ss = rest.substr(second + 1);

    const auto hours = ReadWholeNumber(hh);
    const auto minutes = ReadWholeNumber(mm);
    const auto secs = ReadFloatNumber(ss, decimalSeparator);
    // ".5" would read as a number, but a seconds field may not start with the point.
    if (!hours || !minutes || !secs || (!ss.empty() && ss.front() == decimalSeparator))
        return kFailure;
    // Whole part in 64 bits: huge hour fields give their true value, never a wrapped one.
    const std::int64_t whole = std::int64_t{*hours} * 3600 + std::int64_t{*minutes} * 60;
    return static_cast<double>(whole) + *secs;
}

} // namespace korvane
