#pragma once
// What the engine writes (its progress line and its errors), turned into what
// the front-end writes for the main program: "time=" with plain seconds and a
// blank, and at the end one short reason when the clip failed. Pure text work,
// free of windows.h.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The output time of the engine's progress line ("frame=  25 fps=0.0 ...
// time=00:00:01.01 bitrate=..."), in seconds; nothing for any other line or
// for a time that is unknown or negative.
std::optional<double> ProgressLineTime(std::string_view line);
// The frame count of a progress line; nothing when it names none (audio only).
std::optional<long> ProgressLineFrames(std::string_view line);

// "time=12.5 " with the given decimal separator and up to two decimals, the
// form the main program reads, followed by CR LF.
std::string ProgressText(double seconds, char decimalSeparator);

// Collects the engine's output one read at a time and splits it into lines
// (CR or LF end a line: the engine redraws its progress line with a CR).
// The engine may tag its lines with their level ("[error] ", "[info] ", after
// the component's own tag): then only errors count as errors, and its
// description of the source and of the clip says which tracks each has.
// Untagged lines continue the line before; without any tag every line that
// is no progress line is an error.
class EngineLog {
public:
    struct Line {
        std::string text;
        bool progress = false;
    };
    // The complete lines that this read finishes. A line longer than a few
    // kilobytes is cut into pieces rather than held without end.
    std::vector<Line> Feed(std::string_view bytes);
    // The line left unfinished when the engine ended.
    std::vector<Line> Finish();

    // What the last progress line said.
    std::optional<double> LastTime() const { return lastTime_; }
    std::optional<long> LastFrames() const { return lastFrames_; }
    // The engine's error lines, in order; a few dozen at most.
    const std::vector<std::string>& Errors() const { return errors_; }
    // Subtitle tracks of the first source and of the first output, as the
    // engine described them.
    int SourceSubtitles() const { return sourceSubtitles_; }
    int ClipSubtitles() const { return clipSubtitles_; }

private:
    enum class Section { None, FirstInput, FirstOutput };
    Line Take(std::string text);

    std::string partial_;
    std::optional<double> lastTime_;
    std::optional<long> lastFrames_;
    std::vector<std::string> errors_;
    bool tagged_ = false;        // the engine tags its lines with their level
    bool isError_ = true;        // the level of the message the current line belongs to
    Section section_ = Section::None;
    int sourceSubtitles_ = 0;
    int clipSubtitles_ = 0;
};

// One short line in plain words for a failed clip, from the engine's error
// lines: the first error is the cause, what follows is its consequence. The
// engine's "[component @ 0x...]" tag and a leading "function(): " go, a path
// it starts with is cut to the file's name, and the line is kept short.
// An empty text when there is no error line.
std::string FailureReason(const std::vector<std::string>& errors);

// The reason, in the same few words, when the engine says it could not write
// the output to its end; empty when it says no such thing. The engine exits
// with 0 when only the file's end could not be written, and leaves a clip
// cut short behind.
std::string WriteFailureReason(const std::vector<std::string>& errors);

} // namespace korvane::frontend
