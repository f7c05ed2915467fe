#pragma once
// The converter's command line with numbers in the user's number format.
#include "split/CommandLine.h"

namespace korvane {

std::string BuildConverterCommandLine(std::string_view sourcePath, double clipStart,
                                      double clipDuration, std::string_view profileArguments,
                                      std::string_view outputPath, bool exactStart = false);

} // namespace korvane
