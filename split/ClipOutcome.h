#pragma once
// Whether a clip was made, and what the job tells the user when clips were
// not. Pure: the exit code, the output file's state and the converter's last
// words are passed in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The last line a converter wrote, kept from its output read by read: a
// converter that fails says why in its last line.
class OutputTail {
public:
    void Feed(std::string_view bytes);
    void Clear() { tail_.clear(); }
    // The last line that is not blank, without its line end; long lines are cut.
    std::string LastLine() const;
    // The lines that are not blank, in their order, cut alike.
    std::vector<std::string> Lines() const;

private:
    std::string tail_;
};

// Why a clip that ran to its end was not made, or nothing when it was: made
// means the converter exited with 0 and the output file exists and is not
// empty. exitCode is empty when the converter's end could not be seen.
std::optional<std::string> ClipFailure(std::optional<std::uint32_t> exitCode, bool outputHasContent,
                                       std::string_view lastLine);

struct FailedClip {
    std::int32_t number = 0;
    std::string reason;
};

// The length of a clip that came out more than a second shorter than the
// source allows, or nothing. The source allows the clip's duration, cut at
// the source's end (sourceSeconds, 0 when unknown): a range marked past the
// end runs to the end and is no shorter than asked. reachedSeconds is the
// furthest time the converter reported, which is how far its output got.
std::optional<double> ShortClipLength(double clipStart, double clipDuration, double sourceSeconds,
                                      double reachedSeconds);

struct ShortClip {
    std::int32_t number = 0;
    double seconds = 0;
};

// A line of a made clip's converter that the user should read once the job
// is done (tracks its file type could not hold, a start that could not be
// exact), said of clip `number` where it concerns that clip alone; or
// nothing.
std::optional<std::string> ClipNotice(std::string_view line, std::int32_t number);

// "Splitting is completed successfully.", one line for each clip that came
// out short, then the converters' notices, each said once.
std::string CompletedMessage(const std::vector<ShortClip>& shortClips,
                             const std::vector<std::string>& notices = {});

// The job's one message about its failed clips: how many out of how many,
// then the number and reason of the first five, and "..." for the rest.
std::string FailedClipsMessage(std::int32_t clipCount, const std::vector<FailedClip>& failed);

} // namespace korvane
