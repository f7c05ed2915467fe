#pragma once
// A profile held in memory as INI text, read with the rules of the platform's
// private-profile functions that profiles rely on: section and key names
// without regard to letter case, blanks around names and values dropped, a
// pair of quotes around a value stripped, the first of two equal names wins,
// lines before the first section belong to the section of no name, and a
// value is read as at most 2047 characters. Free of windows.h: it lets the
// profile's meaning be tested and fuzzed natively.
#include "profiles/ProfileArguments.h"

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
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections_;
};

} // namespace korvane
