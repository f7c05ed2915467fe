#pragma once
// Whether a clip was made, decided from what the engine reported and what is
// on disk once it has ended: its exit code, its error lines, the last progress
// it wrote, and whether the output file holds anything. Pure, free of
// windows.h, so that every way a clip can fail is tested without an engine.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::frontend {

// The front-end's exit codes: 0 the output file is complete; 1 the engine
// failed or wrote nothing; 2 the command line was not understood; 3 the engine
// could not be started.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadCommandLine = 2;
inline constexpr int kExitNoEngine = 3;

// Exit codes from here on are exceptions that ended the process: a crash.
inline constexpr std::uint32_t kFirstExceptionCode = 0xC0000000u;

// What the engine's run of the clip left behind.
struct EngineOutcome {
    std::uint32_t exitCode = 0;
    std::vector<std::string> errors;     // its error lines, in order
    std::optional<double> lastTime;      // what its last progress line said
    std::optional<long> lastFrames;
    bool outputDiskFull = false;         // almost nothing left on the output's disk
    bool outputHasContent = false;       // the output file is there and not empty
};

struct Verdict {
    int exitCode = kExitDone;
    std::string reason;   // the last line the front-end writes; empty when the clip was made
};

Verdict ClipVerdict(const EngineOutcome& outcome);

} // namespace korvane::frontend
