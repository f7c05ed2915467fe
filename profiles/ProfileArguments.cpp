#include "profiles/ProfileArguments.h"

#include "profiles/IniNumber.h"

#include <algorithm>

namespace korvane {
namespace {

const std::string kMain = "Main";

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::vector<std::string> SplitByComma(std::string_view text)
{
    std::vector<std::string> items;
    for (std::size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',')) {
        items.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    return items;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int IndexOfIgnoringCase(const std::vector<std::string>& items, std::string_view text)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (SameTextIgnoringCase(items[i], text))
            return static_cast<int>(i);
    return -1;
}

// --- the file -------------------------------------------------------------------------

std::int32_t ProfileFile::ReadInteger(const std::string& section, const std::string& key,
                                      std::int32_t defaultValue) const
{
    return ParseIniInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool ProfileFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void ProfileFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

bool IsProfileGroup(std::int32_t sort)
{
    return sort == pgVideo || sort == pgAudio || sort == pgAdvanced;
}

namespace {

// The position a key of "Main" stands for: decimal digits without leading
// zeros, as "0" to "N-1" are written; anything else names no position.
std::optional<std::int32_t> PositionOfKey(std::string_view key)
{
    if (key.empty() || (key.size() > 1 && key.front() == '0'))
        return std::nullopt;
    for (char c : key)
        if (c < '0' || c > '9')
            return std::nullopt;
    return ParseIniInteger(key);
}

} // namespace

std::vector<ProfileParameter> ReadProfileParameters(const ProfileFile& profile)
{
    // A position without its key would read an empty name, which has no
    // group, option or row: walking the keys the file holds instead of every
    // position up to "Para" gives the same parameters, and a "Para" of two
    // billion no longer holds the window for good.
    const std::int32_t count = profile.ReadInteger(kMain, "Para", 0);
    std::vector<std::int32_t> positions;
    for (const std::string& key : profile.ReadKeys(kMain))
        if (const auto position = PositionOfKey(key); position && *position < count)
            positions.push_back(*position);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    if (positions.size() > kMaxProfileParameters)
        positions.resize(kMaxProfileParameters);

    std::vector<ProfileParameter> parameters;
    for (const std::int32_t i : positions) {
        ProfileParameter p;
        p.Name = profile.ReadString(kMain, std::to_string(i), "");
        p.Sort = profile.ReadInteger(p.Name, "Sort", -1);
        p.ReadOnly = profile.ReadBool(p.Name, "ReadOnly", false);
        p.Option = profile.ReadString(p.Name, "cmd", "");
        p.IsList = profile.ReadBool(p.Name, "List", true);
        p.Caption = profile.ReadString(p.Name, "Caption", "");
        p.Value = profile.ReadString(p.Name, "Value", "");
        p.Index = profile.ReadInteger(p.Name, "Index", 0);
        parameters.push_back(std::move(p));
    }
    return parameters;
}

std::string ReadOutputExtension(const ProfileFile& profile)
{
    std::string extension = ".";
    extension += profile.ReadString(kMain, "Type", "mp4");
    return extension;
}

// --- arguments ------------------------------------------------------------------------

void BuildProfileArguments(const ProfileFile& profile, const ShownRows& shown, std::string& text)
{
    for (const ProfileParameter& p : ReadProfileParameters(profile)) {
        const std::string shownValue = shown.ShownValue(p.Sort, p.Name).value_or(std::string());
        std::string value;
        if (p.IsList) {
            const std::vector<std::string> values = SplitByComma(p.Value);
            const int k = IndexOfIgnoringCase(SplitByComma(p.Caption), shownValue);
            if (k < 0)
                value = shownValue;   // a custom size, or any text that is no caption
            else if (k < static_cast<int>(values.size()))
                value = values[static_cast<std::size_t>(k)];
            // A caption without a value item yields nothing.
        } else if (p.ReadOnly) {
            value = p.Value;
        } else {
            value = shownValue;
        }
        if (p.Option.empty() || value.empty())
            continue;
        if (value == "\\")
            value.clear();
        text += ' ';
        text += p.Option;
        text += ' ';
        text += value;
    }
}

// --- the editor -----------------------------------------------------------------------

std::vector<EditorRow> ProfileEditorRows(const ProfileFile& profile)
{
    std::vector<EditorRow> rows;
    for (const ProfileParameter& p : ReadProfileParameters(profile)) {
        if (!IsProfileGroup(p.Sort))
            continue;
        EditorRow row;
        row.Sort = p.Sort;
        row.Key = p.Name;
        row.ReadOnly = p.ReadOnly;
        if (p.IsList) {
            row.PickList = true;
            row.ReadOnly = true;
            row.Items = SplitByComma(p.Caption);
            if (p.Index >= 0 && p.Index < static_cast<std::int32_t>(row.Items.size()))
                row.Value = row.Items[static_cast<std::size_t>(p.Index)];
        } else {
            row.Value = p.Caption;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void SaveShownValues(ProfileFile& profile, const ShownRows& shown)
{
    for (const ProfileParameter& p : ReadProfileParameters(profile)) {
        if (p.ReadOnly)
            continue;
        const std::optional<std::string> value = shown.ShownValue(p.Sort, p.Name);
        if (!value)
            continue;
        if (p.IsList) {
            profile.WriteInteger(p.Name, "Index", IndexOfIgnoringCase(shown.PickItems(p.Sort, p.Name), *value));
        } else {
            profile.WriteString(p.Name, "Caption", *value);
            profile.WriteString(p.Name, "Value", *value);
        }
    }
}

} // namespace korvane
