#include "split/ClipOutcome.h"
#include "app/Text.h"
#include "app/TimeText.h"

#include <algorithm>

#include <cstdio>

namespace korvane {
namespace {

constexpr std::size_t kTailBytes = 1024;
constexpr std::size_t kLongestReason = 200;
constexpr std::size_t kListedFailures = 5;
// A clip may end up to a frame or an audio packet before its end, and a copy
// ends where the source's packets do: only more than this is worth a word.
constexpr double kShortClipTolerance = 1.0;
// Exit codes from here up are the system's own: an exception (an access
// violation, a stack overflow...) ended the process, not a code it chose.
constexpr std::uint32_t kFirstExceptionCode = 0xC0000000u;

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

void OutputTail::Feed(std::string_view bytes)
{
    if (bytes.size() >= kTailBytes)
        tail_.assign(bytes.substr(bytes.size() - kTailBytes));
    else {
        tail_.append(bytes);
        if (tail_.size() > kTailBytes)
            tail_.erase(0, tail_.size() - kTailBytes);
    }
}

std::string OutputTail::LastLine() const
{
    std::size_t end = tail_.size();
    while (end > 0) {
        while (end > 0 && IsLineEnd(tail_[end - 1]))
            --end;
        std::size_t start = end;
        while (start > 0 && !IsLineEnd(tail_[start - 1]))
            --start;
        const std::string_view line = TrimOf(std::string_view(tail_).substr(start, end - start));
        if (!line.empty())
            return std::string(line.substr(0, kLongestReason));
        end = start;
    }
    return {};
}

std::vector<std::string> OutputTail::Lines() const
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < tail_.size()) {
        std::size_t end = start;
        while (end < tail_.size() && !IsLineEnd(tail_[end]))
            ++end;
        const std::string_view line = TrimOf(std::string_view(tail_).substr(start, end - start));
        if (!line.empty())
            lines.emplace_back(line.substr(0, kLongestReason));
        start = end + 1;
    }
    return lines;
}

std::optional<std::string> ClipFailure(std::optional<std::uint32_t> exitCode, bool outputHasContent,
                                       std::string_view lastLine)
{
    if (!exitCode)
        return std::string("The converter did not end.");
    if (*exitCode >= kFirstExceptionCode) {
        // A crash leaves no words of its own: what came last is progress, or
        // under Wine the debugger's report, and neither says why.
        char text[64];
        std::snprintf(text, sizeof text, "The converter crashed (exception 0x%08lX).",
                      static_cast<unsigned long>(*exitCode));
        return std::string(text);
    }
    if (*exitCode != 0) {
        // A converter that died mid-clip leaves its progress as its last words.
        if (!lastLine.empty() && lastLine.substr(0, 5) != "time=")
            return std::string(lastLine);
        return "The converter ended with code " + std::to_string(*exitCode) + ".";
    }
    if (!outputHasContent)
        return std::string("No clip file was written.");
    return std::nullopt;
}

std::optional<double> ShortClipLength(double clipStart, double clipDuration, double sourceSeconds,
                                      double reachedSeconds)
{
    double allowed = clipDuration;
    if (sourceSeconds > 0)
        allowed = std::min(allowed, sourceSeconds - clipStart);
    if (allowed - reachedSeconds > kShortClipTolerance)
        return reachedSeconds;
    return std::nullopt;
}

std::optional<std::string> ClipNotice(std::string_view line, std::int32_t number)
{
    // Every clip of a job gets the same tracks, so the converter's word on
    // the ones it had to leave out is the same for each clip; a start is
    // each clip's own.
    for (std::string_view leftOut : {"Subtitles left out of the clip:", "Data left out of the clip:"})
        if (line.substr(0, leftOut.size()) == leftOut)
            return std::string(line);
    constexpr std::string_view kAtKeyframe = "Starts at the keyframe before its mark";
    if (line.substr(0, kAtKeyframe.size()) == kAtKeyframe)
        return "Clip " + std::to_string(number) + " starts" + std::string(line.substr(6));
    return std::nullopt;
}

std::string CompletedMessage(const std::vector<ShortClip>& shortClips, const std::vector<std::string>& notices)
{
    std::string text = "Splitting is completed successfully.";
    if (!shortClips.empty() || !notices.empty())
        text += "\n";
    for (const ShortClip& clip : shortClips)
        text += "\nClip " + std::to_string(clip.number) + " is only " + SecondsToTimeText(clip.seconds)
            + " long: the source's data ends there.";
    std::vector<std::string> said;
    for (const std::string& notice : notices) {
        if (std::find(said.begin(), said.end(), notice) != said.end())
            continue;
        said.push_back(notice);
        text += "\n" + notice;
    }
    return text;
}

std::string FailedClipsMessage(std::int32_t clipCount, const std::vector<FailedClip>& failed)
{
    std::string text = "Splitting failed: " + std::to_string(failed.size()) + " of " + std::to_string(clipCount)
        + (clipCount == 1 ? " clip" : " clips") + " could not be made.\n";
    for (std::size_t i = 0; i < failed.size() && i < kListedFailures; ++i)
        text += "\nClip " + std::to_string(failed[i].number) + ": " + failed[i].reason;
    if (failed.size() > kListedFailures)
        text += "\n...";
    return text;
}

} // namespace korvane
