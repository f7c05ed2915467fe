// The converter front-end's reading of its command line, and the engine's
// command line it makes, on arbitrary bytes; the same bytes also go through
// the reading of the engine's output.
#include "converter/ClipRequest.h"
#include "converter/EngineReport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
    return 0;
}
