#include "split/CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace korvane {
namespace {

constexpr int kSignificantDigits = 15;

// A finite number taken to 15 significant digits: digits d0 d1 ... d14 with
// the value d0.d1d2... x 10^exponent. Correctly rounded by to_chars and free
// of the C locale's own decimal point.
struct Decimal15 {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal15 ToDecimal15(double value)
{
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                      kSignificantDigits - 1);
    const std::string_view text(buf, static_cast<std::size_t>(result.ptr - buf));
    Decimal15 d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    d.exponent = std::atoi(std::string(text.substr(i + 1)).c_str());
    return d;
}

std::string NonFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Adds one unit in the last place of a digit string, carrying leftwards.
void IncrementDigits(std::string& digits)
{
    for (std::size_t i = digits.size(); i > 0; --i) {
        if (digits[i - 1] != '9') {
            ++digits[i - 1];
            return;
        }
        digits[i - 1] = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

std::string FormatOneDecimal(double seconds, char decimalSeparator)
{
    if (!std::isfinite(seconds))
        return NonFinite(seconds);
    const Decimal15 d = ToDecimal15(seconds);

    // Whole digits and fraction digits of the 15-digit decimal.
    std::string whole;
    std::string fraction;
    if (d.exponent >= 0) {
        const std::size_t wholeCount = static_cast<std::size_t>(d.exponent) + 1;
        if (wholeCount >= d.digits.size()) {
            whole = d.digits + std::string(wholeCount - d.digits.size(), '0');
        } else {
            whole = d.digits.substr(0, wholeCount);
            fraction = d.digits.substr(wholeCount);
        }
    } else {
        whole = "0";
        fraction = std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }

    // Keep one fraction digit; the next one decides, halves going up in
    // magnitude, i.e. away from zero.
    std::string kept = whole + (fraction.empty() ? '0' : fraction[0]);
    if (fraction.size() > 1 && fraction[1] >= '5')
        IncrementDigits(kept);

    std::string wholeOut = kept.substr(0, kept.size() - 1);
    const std::size_t firstNonZero = wholeOut.find_first_not_of('0');
    wholeOut = firstNonZero == std::string::npos ? "0" : wholeOut.substr(firstNonZero);
    const bool isZero = kept.find_first_not_of('0') == std::string::npos;

    std::string text;
    if (d.negative && !isZero)
        text += '-';
    text += wholeOut;
    text += decimalSeparator;
    text += kept.back();
    return text;
}

std::string FormatStartSeconds(double seconds, char decimalSeparator)
{
    if (!std::isfinite(seconds))
        return NonFinite(seconds);
    const Decimal15 d = ToDecimal15(seconds);
    const std::size_t lastNonZero = d.digits.find_last_not_of('0');
    const int wholeCount = d.exponent + 1;
    // Digits after the point that are not zero, counted up to the last one.
    const int fractionDigits =
        lastNonZero == std::string::npos ? 0 : static_cast<int>(lastNonZero) + 1 - wholeCount;
    if (fractionDigits <= 1)
        return FormatOneDecimal(seconds, decimalSeparator);

    std::string whole;
    std::string fraction;
    if (wholeCount > 0) {
        whole = d.digits.substr(0, static_cast<std::size_t>(wholeCount));
        fraction = d.digits.substr(static_cast<std::size_t>(wholeCount));
    } else {
        whole = "0";
        fraction = std::string(static_cast<std::size_t>(-wholeCount), '0') + d.digits;
    }
    fraction.resize(3, '0');
    while (fraction.size() > 1 && fraction.back() == '0')
        fraction.pop_back();
    if (fraction == "0")
        return FormatOneDecimal(seconds, decimalSeparator);
    return (d.negative ? "-" : "") + whole + decimalSeparator + fraction;
}

std::string FormatGeneral(double value, char decimalSeparator)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    Decimal15 d = ToDecimal15(value);
    const std::size_t lastNonZero = d.digits.find_last_not_of('0');
    if (lastNonZero == std::string::npos)
        return "0";
    d.digits.resize(lastNonZero + 1);

    std::string text = d.negative ? "-" : "";
    if (d.exponent >= -5 && d.exponent < kSignificantDigits) {
        if (d.exponent >= 0) {
            const std::size_t wholeCount = static_cast<std::size_t>(d.exponent) + 1;
            if (d.digits.size() <= wholeCount) {
                text += d.digits + std::string(wholeCount - d.digits.size(), '0');
            } else {
                text += d.digits.substr(0, wholeCount);
                text += decimalSeparator;
                text += d.digits.substr(wholeCount);
            }
        } else {
            text += '0';
            text += decimalSeparator;
            text += std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
        }
        return text;
    }

    text += d.digits[0];
    if (d.digits.size() > 1) {
        text += decimalSeparator;
        text += d.digits.substr(1);
    }
    text += 'E';
    text += std::to_string(d.exponent);
    return text;
}

std::string BuildConverterCommandLine(std::string_view sourcePath, double clipStart,
                                      double clipDuration, std::string_view profileArguments,
                                      std::string_view outputPath, char decimalSeparator,
                                      bool exactStart)
{
    std::string line = " -y -i \"";
    line += sourcePath;
    line += "\" -ss ";
    line += exactStart ? FormatGeneral(clipStart, decimalSeparator) : FormatStartSeconds(clipStart, decimalSeparator);
    line += " -t ";
    line += FormatGeneral(clipDuration, decimalSeparator);
    line += profileArguments;
    line += " \"";
    line += outputPath;
    line += '"';
    return line;
}

} // namespace korvane
