#include "split/CommandLineLocale.h"

#include "app/TimeTextLocale.h"

namespace korvane {

std::string BuildConverterCommandLine(std::string_view sourcePath, double clipStart,
                                      double clipDuration, std::string_view profileArguments,
                                      std::string_view outputPath, bool exactStart)
{
    return BuildConverterCommandLine(sourcePath, clipStart, clipDuration, profileArguments,
                                     outputPath, UserDecimalSeparator(), exactStart);
}

} // namespace korvane
