#pragma once
// What the converter's engine says about a source it is asked to read
// ("<engine> -i <source>"): the length of its first input, as it prints it in
// the line "  Duration: 00:01:02.50, start: ...".
#include <optional>
#include <string_view>

namespace korvane {

// Seconds of the first input's "Duration:" line; nothing when the engine
// printed none, could not tell ("N/A") or printed something else.
std::optional<double> ReportedInputDuration(std::string_view engineOutput);

} // namespace korvane
