#pragma once
// A profile held in memory as INI text, read with the rules of the platform's
// private-profile functions that profiles rely on: section and key names
// without regard to letter case, blanks around names and values dropped, a
// pair of quotes around a value stripped, the first of two equal names wins,
// lines before the first section belong to the section of no name, a "["
// without its "]" opens no section, a line without a name is no key, the
// names a value is read by are taken without their blanks (a section's key
// list takes its name as given), and a value is read as at most 2047
// characters. Free of windows.h: it lets the profile's meaning be tested and
// fuzzed natively.
#include "profiles/ProfileArguments.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class IniText : public ProfileFile {
public:
    explicit IniText(std::string_view text);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const override;
    // Replaces the first value of that name, or adds the key (and the section)
    // at the end.
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    std::vector<std::string> ReadKeys(const std::string& section) const override;

private:
    struct Key {
        std::string name;
        std::string value;
    };
    // Names compared without regard to (ASCII) letter case.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using NameIndex = std::map<std::string, std::size_t, NameLess>;
    struct Section {
        std::vector<Key> keys;
        NameIndex first;   // name: its first key
    };
    Section& Add(std::string_view name);
    static void AddKey(Section& section, std::string name, std::string value);
    const Section* FindSection(std::string_view name) const;

    // Sections of the same name after the first are kept apart and never read,
    // as the platform does.
    std::vector<Section> sections_;
    NameIndex firstSection_;   // name: its first section
};

} // namespace korvane
