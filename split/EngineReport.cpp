#include "split/EngineReport.h"

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

} // namespace korvane
