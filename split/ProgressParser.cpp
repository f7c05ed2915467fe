#include "split/ProgressParser.h"

#include "app/TimeText.h"
#include "split/Rounding.h"

#include <algorithm>

namespace korvane {
namespace {

constexpr std::string_view kTimeWord = "time";
// The word and the one separator character the converter writes after it.
constexpr std::size_t kCandidateOffset = kTimeWord.size() + 1;

std::string_view UpToFirstZero(std::string_view bytes)
{
    const std::size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

// "hh:mm:ss.ff"; the converter puts a minus before the whole time while its
// clock is still below zero, so the sign belongs to the whole value here,
// not to the hours field as in time text a user types.
std::optional<double> ReadConverterTimeText(std::string_view text, char separator)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    double seconds = TimeTextToSeconds(text, separator);
    if (seconds == -1 && separator != '.')
        seconds = TimeTextToSeconds(text, '.');
    if (seconds == -1)
        return std::nullopt;
    return negative ? -seconds : seconds;
}

int HeldInBar(std::int64_t position)
{
    return static_cast<int>(std::clamp<std::int64_t>(position, 0, 100));
}

} // namespace

std::optional<double> ProgressTimeInChunk(std::string_view chunk, char decimalSeparator)
{
    chunk = UpToFirstZero(chunk);
    const std::size_t word = chunk.find(kTimeWord);
    if (word == std::string_view::npos)
        return std::nullopt;
    const std::size_t begin = word + kCandidateOffset;
    if (begin >= chunk.size())
        return std::nullopt;
    // Only the space ends the number; a line break stays part of it and spoils it.
    const std::size_t end = chunk.find(' ', begin);
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view candidate = chunk.substr(begin, end - begin);
    if (candidate.empty())
        return std::nullopt;
    if (const auto seconds = ReadFloatNumber(candidate, decimalSeparator))
        return seconds;
    return ReadConverterTimeText(candidate, decimalSeparator);
}

bool ProgressParser::Feed(std::string_view bytes)
{
    const auto time = ProgressTimeInChunk(bytes, separator_);
    if (!time || !(*time > lastTime_) || !(*time < kProgressTimeLimit))
        return false;
    lastTime_ = *time;
    return true;
}

int CurrentClipPercent(double lastTime, double clipDuration, int previous)
{
    if (clipDuration == 0)
        return previous;
    return HeldInBar(RoundHalfEven(lastTime / clipDuration * 100));
}

int TotalPercent(int currentPercent, std::int32_t clipNumber, std::int32_t clipCount)
{
    if (clipCount <= 0)
        return 0;
    const double done = currentPercent + (static_cast<double>(clipNumber) - 1) * 100;
    return HeldInBar(RoundHalfEven(done / clipCount));
}

std::string PercentText(int percent)
{
    return std::to_string(percent) + "%";
}

void OutputReach::Feed(std::string_view bytes)
{
    // A line longer than this is no status line; its start is let go.
    constexpr std::size_t kLongestLine = 4096;
    for (char c : bytes) {
        if (c != '\r' && c != '\n' && c != '\0') {
            if (partLine_.size() < kLongestLine)
                partLine_ += c;
            continue;
        }
        if (const auto time = ProgressTimeInChunk(partLine_ + ' ', separator_))
            if (*time > furthest_ && *time < kProgressTimeLimit)
                furthest_ = *time;
        partLine_.clear();
    }
}

void OutputReach::Reset()
{
    partLine_.clear();
    furthest_ = 0;
}

void JobProgress::Start()
{
    parser_.Reset();
    reach_.Reset();
    bars_ = {};
}

ProgressBars JobProgress::OnOutput(std::string_view bytes, const ClipSlot& clip)
{
    parser_.Feed(bytes);
    reach_.Feed(bytes);
    bars_.current = CurrentClipPercent(parser_.LastTime(), clip.duration, bars_.current);
    bars_.total = TotalPercent(bars_.current, clip.number, clip.count);
    return bars_;
}

ProgressBars JobProgress::EndClip()
{
    parser_.Reset();
    reach_.Reset();
    bars_.current = 0;
    return bars_;
}

} // namespace korvane
