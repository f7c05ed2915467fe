#include "split/EngineReport.h"

#include <string>

namespace korvane {
namespace {

// Whole digits at `at`, moving past them; nothing when there are none.
std::optional<long long> Digits(std::string_view text, std::size_t& at)
{
    const std::size_t start = at;
    long long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 12)
        value = value * 10 + (text[at++] - '0');
    if (at == start)
        return std::nullopt;
    return value;
}

bool Skip(std::string_view text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

} // namespace

std::optional<double> ReportedInputDuration(std::string_view engineOutput)
{
    // The first input's header comes before anything about outputs.
    std::size_t at = engineOutput.find("Input #0");
    if (at == std::string_view::npos)
        return std::nullopt;
    at = engineOutput.find("Duration: ", at);
    if (at == std::string_view::npos)
        return std::nullopt;
    at += 10;
    const auto hours = Digits(engineOutput, at);
    if (!hours || !Skip(engineOutput, at, ':'))
        return std::nullopt;
    const auto minutes = Digits(engineOutput, at);
    if (!minutes || *minutes > 59 || !Skip(engineOutput, at, ':'))
        return std::nullopt;
    const auto seconds = Digits(engineOutput, at);
    if (!seconds || *seconds > 59)
        return std::nullopt;
    double fraction = 0;
    if (Skip(engineOutput, at, '.')) {
        double scale = 0.1;
        while (at < engineOutput.size() && engineOutput[at] >= '0' && engineOutput[at] <= '9') {
            fraction += (engineOutput[at++] - '0') * scale;
            scale /= 10;
        }
    }
    return static_cast<double>(*hours * 3600 + *minutes * 60 + *seconds) + fraction;
}

std::optional<double> ReportedFrameRate(std::string_view engineOutput)
{
    std::size_t at = engineOutput.find("Input #0");
    if (at == std::string_view::npos)
        return std::nullopt;
    at = engineOutput.find("Video: ", at);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t lineEnd = engineOutput.find('\n', at);
    const std::string_view line =
        engineOutput.substr(at, lineEnd == std::string_view::npos ? lineEnd : lineEnd - at);
    const std::size_t fps = line.find(" fps");
    if (fps == std::string_view::npos)
        return std::nullopt;
    std::size_t start = fps;
    while (start > 0 && (line[start - 1] == '.' || (line[start - 1] >= '0' && line[start - 1] <= '9')))
        --start;
    double value = 0, scale = 0;
    for (std::size_t i = start; i < fps; ++i) {
        if (line[i] == '.') {
            scale = 0.1;
        } else if (scale == 0) {
            value = value * 10 + (line[i] - '0');
        } else {
            value += (line[i] - '0') * scale;
            scale /= 10;
        }
    }
    if (start == fps || value <= 0)
        return std::nullopt;
    return value;
}

namespace {

constexpr std::string_view kSourceDvd = " -target dvd";

std::size_t SourceDvdAt(std::string_view arguments)
{
    for (std::size_t at = arguments.find(kSourceDvd); at != std::string_view::npos;
         at = arguments.find(kSourceDvd, at + 1)) {
        const std::size_t end = at + kSourceDvd.size();
        if (end == arguments.size() || arguments[end] == ' ')
            return at;
    }
    return std::string_view::npos;
}

} // namespace

bool LeavesDvdStandardToSource(std::string_view arguments)
{
    return SourceDvdAt(arguments) != std::string_view::npos;
}

std::string WithDvdStandard(std::string arguments, std::optional<double> framesPerSecond)
{
    const std::size_t at = SourceDvdAt(arguments);
    if (at == std::string::npos)
        return arguments;
    auto near = [&](double rate) {
        return framesPerSecond && *framesPerSecond > rate - 0.5 && *framesPerSecond < rate + 0.5;
    };
    const bool pal = near(25) || near(50);
    arguments.replace(at, kSourceDvd.size(), pal ? " -target pal-dvd" : " -target ntsc-dvd");
    return arguments;
}

} // namespace korvane
