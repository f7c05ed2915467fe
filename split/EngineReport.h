#pragma once
// What the converter's engine says about a source it is asked to read
// ("<engine> -i <source>"): the length of its first input, as it prints it in
// the line "  Duration: 00:01:02.50, start: ...".
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Seconds of the first input's "Duration:" line; nothing when the engine
// printed none, could not tell ("N/A") or printed something else.
std::optional<double> ReportedInputDuration(std::string_view engineOutput);

// Frames a second of the first input's first video stream (", 29.97 fps");
// nothing when it has none or the engine could not tell.
std::optional<double> ReportedFrameRate(std::string_view engineOutput);

// The engine's DVD preset "-target dvd" guesses PAL or NTSC from the source's
// time base, which most containers do not tie to the frame rate, and gives up.
// A profile that leaves the choice to the source says "-target dvd"; the job
// makes it "pal-dvd" for a source at 25 or 50 frames a second and "ntsc-dvd"
// for any other rate (or an unknown one).
bool LeavesDvdStandardToSource(std::string_view arguments);
std::string WithDvdStandard(std::string arguments, std::optional<double> framesPerSecond);

} // namespace korvane
