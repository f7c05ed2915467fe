#include "converter/EngineReport.h"
#include "app/Text.h"

#include <charconv>
#include <cstddef>

namespace korvane::frontend {
namespace {

constexpr std::size_t kLongestLine = 4096;
constexpr std::size_t kMostErrors = 40;
constexpr std::size_t kLongestReason = 160;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool IsProgressLine(std::string_view line)
{
    line = TrimOf(line);
    return (StartsWith(line, "frame=") || StartsWith(line, "size=")) && line.find(" time=") != std::string_view::npos;
}

// The progress line in a line: all of it, or what follows a message the
// engine wrote without its line end, which runs into the next progress line.
// Empty when there is none.
std::string_view ProgressPart(std::string_view line)
{
    if (IsProgressLine(line))
        return line;
    const std::size_t at = line.rfind("frame=");
    if (at != std::string_view::npos && IsProgressLine(line.substr(at)))
        return line.substr(at);
    return {};
}

// The value after "key=" in a progress line; the engine pads values with
// blanks after the equals sign.
std::optional<std::string_view> Field(std::string_view line, std::string_view key)
{
    std::size_t at = 0;
    for (;;) {
        at = line.find(key, at);
        if (at == std::string_view::npos)
            return std::nullopt;
        if (at == 0 || line[at - 1] == ' ')
            break;
        at += key.size();
    }
    std::string_view rest = line.substr(at + key.size());
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    const std::size_t end = rest.find(' ');
    return rest.substr(0, end);
}

template <class T>
std::optional<T> WholeNumber(std::string_view text)
{
    T value{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "[mpeg @ 04ffe700] [warning] text" -> the level "warning" and the line
// without it, "[mpeg @ 04ffe700] text".
std::optional<std::string_view> LevelTag(std::string_view line, std::string& rest)
{
    std::size_t at = 0;
    if (StartsWith(line, "[") && line.find(" @ ") < line.find(']')) {
        at = line.find("] ");
        if (at == std::string_view::npos)
            return std::nullopt;
        at += 2;
    }
    static constexpr std::string_view kLevels[] = {"panic", "fatal", "error", "warning", "info",
                                                   "verbose", "debug", "trace"};
    for (std::string_view level : kLevels) {
        const std::string tag = "[" + std::string(level) + "] ";
        if (line.substr(at, tag.size()) == tag) {
            rest = std::string(line.substr(0, at)) + std::string(line.substr(at + tag.size()));
            return level;
        }
    }
    return std::nullopt;
}

bool IsPathCharacterBeforeName(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

std::optional<double> ProgressLineTime(std::string_view line)
{
    if (!IsProgressLine(line))
        return std::nullopt;
    const auto value = Field(line, "time=");
    if (!value)
        return std::nullopt;
    // hh:mm:ss.cc; a leading minus or "N/A" is no time a clip has reached.
    const std::string_view text = *value;
    if (text.empty() || text[0] == '-')
        return std::nullopt;
    const std::size_t c1 = text.find(':');
    const std::size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos)
        return std::nullopt;
    const auto hours = WholeNumber<long>(text.substr(0, c1));
    const auto minutes = WholeNumber<long>(text.substr(c1 + 1, c2 - c1 - 1));
    double seconds = 0;
    const std::string_view sec = text.substr(c2 + 1);
    const auto r = std::from_chars(sec.data(), sec.data() + sec.size(), seconds);
    if (!hours || !minutes || *hours < 0 || *minutes < 0 || r.ec != std::errc() || r.ptr != sec.data() + sec.size()
        || seconds < 0 || sec.empty())
        return std::nullopt;
    return static_cast<double>(*hours) * 3600 + static_cast<double>(*minutes) * 60 + seconds;
}

std::optional<long> ProgressLineFrames(std::string_view line)
{
    if (!IsProgressLine(line))
        return std::nullopt;
    const auto value = Field(line, "frame=");
    if (!value)
        return std::nullopt;
    return WholeNumber<long>(*value);
}

std::string ProgressText(double seconds, char decimalSeparator)
{
    if (!(seconds >= 0))
        seconds = 0;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    std::string number(buf, static_cast<std::size_t>(r.ptr - buf));
    for (char& c : number)
        if (c == '.')
            c = decimalSeparator;
    return "time=" + number + " \r\n";
}

std::vector<EngineLog::Line> EngineLog::Feed(std::string_view bytes)
{
    std::vector<Line> lines;
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!partial_.empty())
                lines.push_back(Take(std::move(partial_)));
            partial_.clear();
            continue;
        }
        partial_ += c;
        if (partial_.size() >= kLongestLine) {
            lines.push_back(Take(std::move(partial_)));
            partial_.clear();
        }
    }
    return lines;
}

std::vector<EngineLog::Line> EngineLog::Finish()
{
    std::vector<Line> lines;
    if (!partial_.empty())
        lines.push_back(Take(std::move(partial_)));
    partial_.clear();
    return lines;
}

EngineLog::Line EngineLog::Take(std::string text)
{
    std::string untagged;
    if (const auto level = LevelTag(text, untagged)) {
        tagged_ = true;
        isError_ = *level == "error" || *level == "fatal" || *level == "panic";
        text = std::move(untagged);
    }
    if (tagged_ && !isError_) {
        // "Input #0, mpeg, from 'a.vob':" ... "    Stream #0:4[0x20]: Subtitle: dvd_subtitle"
        const std::string_view plain = TrimOf(text);
        if (StartsWith(plain, "Input #") || StartsWith(plain, "Output #"))
            section_ = StartsWith(plain, "Input #0,") ? Section::FirstInput
                : StartsWith(plain, "Output #0,") ? Section::FirstOutput : Section::None;
        else if (StartsWith(plain, "Stream mapping:"))
            section_ = Section::None;
        else if (section_ != Section::None && StartsWith(plain, "Stream #") && plain.find(": Subtitle: ") != std::string_view::npos)
            ++(section_ == Section::FirstInput ? sourceSubtitles_ : clipSubtitles_);
    }
    Line line;
    const std::string_view progress = ProgressPart(text);
    line.progress = !progress.empty();
    if (line.progress) {
        if (const auto t = ProgressLineTime(progress))
            lastTime_ = t;
        lastFrames_ = ProgressLineFrames(progress);
    }
    const std::string_view message = TrimOf(std::string_view(text).substr(0, text.size() - progress.size()));
    if (!message.empty() && isError_ && errors_.size() < kMostErrors)
        errors_.emplace_back(message);
    line.text = std::move(text);
    return line;
}

std::string FailureReason(const std::vector<std::string>& errors)
{
    for (const std::string& error : errors) {
        std::string_view text = TrimOf(error);
        // "Last message repeated 3 times" repeats, it tells nothing new.
        if (text.empty() || StartsWith(text, "Last message repeated"))
            continue;
        // "[libx264 @ 0x1234abcd] width not divisible by 2"
        while (!text.empty() && text.front() == '[') {
            const std::size_t close = text.find("] ");
            if (close == std::string_view::npos)
                break;
            text = TrimOf(text.substr(close + 2));
        }
        // "av_interleaved_write_frame(): No space left on device"
        const std::size_t call = text.find("(): ");
        if (call != std::string_view::npos && text.substr(0, call).find(' ') == std::string_view::npos)
            text = TrimOf(text.substr(call + 4));
        // "C:\clips\a b\my video.avi: No such file or directory": the name is enough.
        std::string reason;
        const std::size_t colon = text.find(": ");
        if (colon != std::string_view::npos) {
            const std::string_view head = text.substr(0, colon);
            std::size_t slash = std::string_view::npos;
            for (std::size_t i = 0; i < head.size(); ++i)
                if (IsPathCharacterBeforeName(head[i]))
                    slash = i;
            if (slash != std::string_view::npos)
                reason = std::string(head.substr(slash + 1)) + std::string(text.substr(colon));
        }
        if (reason.empty())
            reason = std::string(text);
        if (reason.empty())
            continue;
        if (reason.size() > kLongestReason) {
            reason.resize(kLongestReason - 3);
            // Not in the middle of a UTF-8 character.
            while (!reason.empty() && (static_cast<unsigned char>(reason.back()) & 0xC0) == 0x80)
                reason.pop_back();
            if (!reason.empty() && static_cast<unsigned char>(reason.back()) >= 0xC0)
                reason.pop_back();
            reason += "...";
        }
        return reason;
    }
    return {};
}

std::string WriteFailureReason(const std::vector<std::string>& errors)
{
    static constexpr std::string_view kWriteFailures[] = {"Error writing trailer", "Could not write header",
                                                          "Error closing file", "av_interleaved_write_frame(): "};
    for (std::size_t i = 0; i < errors.size(); ++i) {
        std::string_view text = TrimOf(errors[i]);
        while (!text.empty() && text.front() == '[' && text.find("] ") != std::string_view::npos)
            text = TrimOf(text.substr(text.find("] ") + 2));
        for (std::string_view failure : kWriteFailures)
            if (StartsWith(text, failure))
                return FailureReason(std::vector<std::string>(errors.begin() + static_cast<std::ptrdiff_t>(i),
                                                              errors.end()));
    }
    return {};
}

} // namespace korvane::frontend
