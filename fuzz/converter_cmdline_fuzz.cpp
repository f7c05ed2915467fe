// The converter front-end's reading of its command line, and the engine's
// command line it makes, on arbitrary bytes; the same bytes also go through
// the reading of the engine's output.
#include "converter/ClipRequest.h"
#include "converter/EngineGuard.h"
#include "converter/EngineReport.h"
#include "converter/Tracks.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

using namespace korvane::frontend;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ReadResult read = ReadClipRequest(ArgumentWords(line));
    if (read.request) {
        const auto args = EngineArguments(*read.request);
        // The output is always last, the source always follows -i.
        if (args.empty() || args.back() != read.request->output)
            std::abort();
        JoinCommandLine(args);
        // The source is read only under the input restrictions, and no
        // option that reaches other files gets through.
        const std::vector<std::string> restrictions = InputRestrictions();
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] != "-i")
                continue;
            if (i < restrictions.size()
                || !std::equal(restrictions.begin(), restrictions.end(), args.begin() + static_cast<long>(i - restrictions.size())))
                std::abort();
            ++i;  // the source's name, which may read "-i" too
        }
        const auto& options = read.request->options;
        for (std::size_t i = 0; i < options.size(); ++i) {
            const std::string_view name = std::string_view(options[i]).substr(1);
            const bool hasValue = i + 1 < options.size() && options[i + 1].substr(0, 1) != "-";
            if (RefusedOption(name, hasValue ? std::optional<std::string_view>(options[i + 1]) : std::nullopt))
                std::abort();
            i += hasValue;
        }
        SubtitlesLeftOutText(1, PlanTracks(*read.request).subtitlesLeftOutBecause);
        if (read.request->start < 0 || (read.request->duration && !(*read.request->duration > 0)))
            std::abort();
    } else if (read.error.empty()) {
        std::abort();
    }
    ReadSeconds(line);
    EvenSize(line);

    EngineLog log;
    log.Feed(line.substr(0, size / 2));
    log.Feed(line.substr(size / 2));
    log.Finish();
    FailureReason(log.Errors());
    SourceRefused(log.Errors());
    SubtitlesTurnedDown(log.Errors());
    return 0;
}
