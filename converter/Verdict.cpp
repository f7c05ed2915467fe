#include "converter/Verdict.h"

#include "converter/EngineReport.h"

#include <cstdio>

namespace korvane::frontend {
namespace {

Verdict Failed(std::string reason)
{
    return Verdict{kExitFailed, std::move(reason)};
}

} // namespace

Verdict ClipVerdict(const EngineOutcome& outcome)
{
    if (outcome.exitCode >= kFirstExceptionCode) {
        // Whatever it wrote last (under Wine, the debugger's report) is no reason.
        char text[80];
        std::snprintf(text, sizeof text, "The converter's engine crashed (exception 0x%08lX).",
                      static_cast<unsigned long>(outcome.exitCode));
        return Failed(text);
    }
    // An output the engine could not write to its end fails the clip, also
    // when the engine exits with 0. On a full disk its own words for that
    // vary with the system (under Wine "Bad file descriptor").
    std::string writeFailure = WriteFailureReason(outcome.errors);
    if (!writeFailure.empty() && outcome.outputDiskFull)
        writeFailure = "No space left on device";
    if (outcome.exitCode != 0 || !writeFailure.empty()) {
        std::string reason = writeFailure.empty() ? FailureReason(outcome.errors) : writeFailure;
        if (reason.empty())
            reason = "The converter's engine ended with code " + std::to_string(outcome.exitCode) + ".";
        return Failed(std::move(reason));
    }
    const bool nothingEncoded = !(outcome.lastTime.value_or(0) > 0) && !(outcome.lastFrames.value_or(0) > 0);
    if (nothingEncoded)
        return Failed("Nothing was converted: the clip starts after the end of the source.");
    if (!outcome.outputHasContent)
        return Failed("No output file was written.");
    return Verdict{};
}

} // namespace korvane::frontend
