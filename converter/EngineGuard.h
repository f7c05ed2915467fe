#pragma once
// What keeps the engine to the one file the user chose and the one clip the
// main program names, beside what is not built into it at all (filters that
// open files, writers of several files, network and devices): the input
// restrictions every engine command line carries (real media containers,
// local files), the refusal of the engine's own options that read or write
// other files, and the words for a source the restrictions turned away. Plain text work,
// free of windows.h: the length probe of the main program uses it too.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The engine's input options, put right before its -i: demuxers of real media
// containers only (no playlists, concatenation lists, image sequences, text
// or network descriptions), local files only, and pictures of a size a
// 32-bit process can hold.
std::vector<std::string> InputRestrictions();

// Why an output option of a profile may not be passed to the engine: it names
// a file the engine would read or write beside the clip (a statistics file,
// a log, an attachment, a filter script, a preset), or flags the engine
// cannot be trusted with unless they are named. Nothing when the option
// (with its value, when it takes one) is harmless.
std::optional<std::string> RefusedOption(std::string_view name, std::optional<std::string_view> value);

// True when the engine's error lines say it turned the source away: no
// reader for it (a playlist, a list of files) or one the input restrictions
// leave out.
bool SourceRefusedLine(std::string_view line);
bool SourceRefused(const std::vector<std::string>& errors);

// "<file name> is not a video file this program can read."
std::string NotAVideoFile(std::string_view path);

} // namespace korvane::frontend
