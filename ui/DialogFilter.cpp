#include "ui/DialogFilter.h"

namespace ui {

std::string FilterToDoubleNul(std::string_view filter)
{
    if (filter.empty())
        return {};
    std::string out(filter);
    for (char& c : out)
        if (c == '|')
            c = '\0';
    // Closes the last pattern, then the list.
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

std::vector<std::pair<std::string, std::string>> SplitFilter(std::string_view filter)
{
    std::vector<std::string> parts;
    if (!filter.empty()) {
        size_t start = 0;
        for (;;) {
            const size_t bar = filter.find('|', start);
            if (bar == std::string_view::npos) {
                parts.emplace_back(filter.substr(start));
                break;
            }
            parts.emplace_back(filter.substr(start, bar - start));
            start = bar + 1;
        }
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i < parts.size(); i += 2)
        pairs.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string());
    return pairs;
}

} // namespace ui
