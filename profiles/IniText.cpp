#include "profiles/IniText.h"

namespace korvane {
namespace {

// The longest text a read returns, as through the platform's functions.
constexpr std::size_t kValueLimit = 2047;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view WithoutQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

IniText::IniText(std::string_view text)
{
    sections_.push_back({});   // lines before the first section
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            sections_.push_back({std::string(Trimmed(line.substr(1, close == std::string_view::npos ? line.npos
                                                                                                    : close - 1))),
                                 {}});
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        sections_.back().keys.push_back(
            {std::string(Trimmed(line.substr(0, eq))), std::string(WithoutQuotes(Trimmed(line.substr(eq + 1))))});
    }
}

const IniText::Section* IniText::FindSection(std::string_view name) const
{
    for (const Section& s : sections_)
        if (SameTextIgnoringCase(s.name, name))
            return &s;
    return nullptr;
}

std::string IniText::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    if (const Section* s = FindSection(section))
        for (const Key& k : s->keys)
            if (SameTextIgnoringCase(k.name, key))
                return k.value.substr(0, kValueLimit);
    return defaultValue;
}

void IniText::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    Section* s = const_cast<Section*>(FindSection(section));
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (Key& k : s->keys)
        if (SameTextIgnoringCase(k.name, key)) {
            k.value = value;
            return;
        }
    s->keys.push_back({key, value});
}

std::vector<std::string> IniText::ReadKeys(const std::string& section) const
{
    std::vector<std::string> names;
    if (const Section* s = FindSection(section))
        for (const Key& k : s->keys)
            names.push_back(k.name);
    return names;
}

} // namespace korvane
