#pragma once
// The converter's command line for one clip. Pure text work: the decimal
// separator of the user's number format is passed in by the caller
// (CommandLineLocale.h supplies the process locale's).
#include <string>
#include <string_view>

namespace korvane {

// Seconds rounded to one decimal place ("0.0"). The number is first taken to
// the 15 significant digits it is shown with elsewhere, and that decimal is
// rounded with halves away from zero, the way a user rounds by hand: 0.15
// gives "0.2" although the nearest double lies just below 0.15; -0.25 gives
// "-0.3". A value that rounds to zero is written "0.0", without a sign.
std::string FormatOneDecimal(double seconds, char decimalSeparator);

// A clip's start: with one decimal as FormatOneDecimal writes it when the
// number (taken to 15 significant digits) has no more than one, else to the
// millisecond, cut rather than rounded and without trailing zeros ("3.366",
// 10/3 as "3.333"). A cut never moves a start past the frame it was marked
// on: a one-decimal start could fall up to 0.05 s early, a rounded one late.
std::string FormatStartSeconds(double seconds, char decimalSeparator);

// The shortest general decimal form with up to 15 significant digits: 45 gives
// "45", 10/3 gives "3.33333333333333". Values below 0.00001 or with more than
// 15 whole digits take the exponent form ("1E-6", "1.5E20").
std::string FormatGeneral(double value, char decimalSeparator);

// " -y -i \"<source>\" -ss <start (FormatStartSeconds)> -t <duration><profile arguments> \"<output>\"".
// Paths are placed between double quotes as they are, without escaping; the
// profile arguments carry their own leading blank when not empty. The start
// has one decimal, or, with exactStart, the general form of the duration:
// pieces that follow each other meet exactly, at keyframes for a copy.
std::string BuildConverterCommandLine(std::string_view sourcePath, double clipStart,
                                      double clipDuration, std::string_view profileArguments,
                                      std::string_view outputPath, char decimalSeparator,
                                      bool exactStart = false);

} // namespace korvane
