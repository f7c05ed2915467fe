#pragma once
// Following the converter's progress: the time it has reached, picked out of
// its console output one pipe read at a time, and the two progress bars that
// time gives. Pure text and arithmetic, free of windows.h; the user's decimal
// separator is passed in (app/TimeTextLocale.h supplies it).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Times of 1e9 seconds or more are taken for garbage, never for progress.
inline constexpr double kProgressTimeLimit = 1e9;

// The time one chunk of output announces, or nothing. The chunk is one read's
// bytes up to the first zero byte. Only the first "time" in it counts; the
// candidate starts five characters after it (the word and its separator) and
// ends before the next space, and a chunk that holds no space after that
// yields no candidate: a number cut off by the end of a read is never
// guessed at. The candidate is taken as plain seconds when it reads as a
// number with the given decimal separator, otherwise as "hh:mm:ss.ff" time
// text (read with the given separator, or with the point the converter
// writes whatever the user's number format is).
std::optional<double> ProgressTimeInChunk(std::string_view chunk, char decimalSeparator);

// The greatest converter time accepted in the current clip. Chunks are looked
// at one by one, with nothing carried over from one read to the next.
class ProgressParser {
public:
    explicit ProgressParser(char decimalSeparator) : separator_(decimalSeparator) {}

    // Accepts the chunk's time when it moves forward and stays below
    // kProgressTimeLimit; times that repeat or go backwards are ignored.
    // True when a new time was accepted.
    bool Feed(std::string_view bytes);

    double LastTime() const { return lastTime_; }
    // After every clip the next one starts from 0 again.
    void Reset() { lastTime_ = 0; }

private:
    char separator_;
    double lastTime_ = 0;
};

// How far the converter got in the current clip, for telling a clip cut
// short from a whole one. Unlike the bars' parser it reads every status
// line: lines that arrive in one read (a converter that outran a busy
// window) and a line cut in two by the end of a read count too.
class OutputReach {
public:
    explicit OutputReach(char decimalSeparator) : separator_(decimalSeparator) {}
    void Feed(std::string_view bytes);
    double Furthest() const { return furthest_; }
    void Reset();

private:
    char separator_;
    std::string partLine_;   // the last line, while its end has not come
    double furthest_ = 0;
};

// Positions of the current-clip and whole-job bars, 0 to 100.
struct ProgressBars {
    int current = 0;
    int total = 0;

    friend bool operator==(const ProgressBars&, const ProgressBars&) = default;
};

// The bars' positions are whole percentages, rounded to nearest with halves
// to even and held within 0..100 as the bars hold them.
//
// Current bar: lastTime / clipDuration x 100. A clip of duration 0 has no
// share to show, and the bar keeps `previous`.
int CurrentClipPercent(double lastTime, double clipDuration, int previous);
// Total bar: the clips before this one count 100 each, this one its current
// percentage, out of clipCount clips. With no clips at all it is 0.
int TotalPercent(int currentPercent, std::int32_t clipNumber, std::int32_t clipCount);
// "25%".
std::string PercentText(int percent);

// Which clip of the job is being made. Numbers count from 1.
struct ClipSlot {
    std::int32_t number = 1;
    std::int32_t count = 1;
    double duration = 0;  // seconds
};

// One job's progress: the parser and the bars it moves, clip after clip.
// The job feeds every chunk the read loop delivers and shows the result.
class JobProgress {
public:
    explicit JobProgress(char decimalSeparator) : parser_(decimalSeparator), reach_(decimalSeparator) {}

    // Both bars at 0, no time accepted yet.
    void Start();
    // One chunk of the current clip's output; the bars move for every chunk,
    // also when it carries no new time.
    ProgressBars OnOutput(std::string_view bytes, const ClipSlot& clip);
    // The clip's output has ended: the current bar and the accepted time go
    // back to 0, the total bar stays.
    ProgressBars EndClip();

    ProgressBars Bars() const { return bars_; }
    double LastTime() const { return parser_.LastTime(); }
    // The furthest time in the current clip's whole output (OutputReach).
    double Reached() const { return reach_.Furthest(); }

private:
    ProgressParser parser_;
    OutputReach reach_;
    ProgressBars bars_;
};

} // namespace korvane
