// The stand-in converter (tests/split/StandInConverter.cpp) put into a
// program folder in place of the converter or of its engine, where a test
// needs that part slow, silent, crashing or flooding its output.
#pragma once

#include <string>

namespace korvane::testing {

// Replaces `role` ("wmaspi.dll" or "kvengine.exe") in the program folder with
// the stand-in, keeps the real program beside it as "real-<role>" for the
// script's "pass", and writes the script ("stand-in.txt", one rule a line).
// A failure is reported to the running test.
void PutStandIn(const std::string& folder, const std::string& role, const std::string& script);

// Writes a new script for the stand-in already in the folder; the next start
// of the stand-in follows it.
void RescriptStandIn(const std::string& folder, const std::string& script);

} // namespace korvane::testing
