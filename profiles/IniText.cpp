#include "profiles/IniText.h"
#include "app/Text.h"

#include <algorithm>

namespace korvane {
namespace {

// The longest text a read returns, as through the platform's functions.
constexpr std::size_t kValueLimit = 2047;

std::string_view Trimmed(std::string_view s)
{
    return TrimOf(s, " \t\r\v\f");
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view WithoutQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

bool IniText::NameLess::operator()(std::string_view a, std::string_view b) const
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = LowerAscii(a[i]);
        const char y = LowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

IniText::IniText(std::string_view text)
{
    Section* current = &Add("");   // lines before the first section
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        // A "[" without its "]" opens no section: its keys stay in the one before.
        if (line.front() == '[' && line.find(']') != std::string_view::npos) {
            current = &Add(Trimmed(line.substr(1, line.find(']') - 1)));
            continue;
        }
        const std::size_t eq = line.find('=');
        const std::string_view name = eq == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, eq));
        // A value without a name is no key.
        if (name.empty())
            continue;
        AddKey(*current, std::string(name), std::string(WithoutQuotes(Trimmed(line.substr(eq + 1)))));
    }
}

IniText::Section& IniText::Add(std::string_view name)
{
    sections_.emplace_back();
    firstSection_.emplace(std::string(name), sections_.size() - 1);
    return sections_.back();
}

void IniText::AddKey(Section& section, std::string name, std::string value)
{
    section.first.emplace(name, section.keys.size());
    section.keys.push_back({std::move(name), std::move(value)});
}

const IniText::Section* IniText::FindSection(std::string_view name) const
{
    const auto found = firstSection_.find(name);
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

std::string IniText::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    // Names asked for are taken without the blanks around them, as in the file.
    const Section* s = FindSection(Trimmed(section));
    if (!s)
        return defaultValue;
    const auto found = s->first.find(Trimmed(key));
    return found == s->first.end() ? defaultValue : s->keys[found->second].value.substr(0, kValueLimit);
}

void IniText::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    Section* s = const_cast<Section*>(FindSection(section));
    if (!s)
        s = &Add(section);
    if (const auto found = s->first.find(std::string_view(key)); found != s->first.end())
        s->keys[found->second].value = value;
    else
        AddKey(*s, key, value);
}

std::vector<std::string> IniText::ReadKeys(const std::string& section) const
{
    std::vector<std::string> names;
    // Unlike a read, the list takes the name as it is given.
    if (const Section* s = FindSection(section))
        for (const Key& k : s->keys)
            names.push_back(k.name);
    return names;
}

} // namespace korvane
