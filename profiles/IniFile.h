#pragma once
// An INI text file (profiles, Preferences.ini) on the platform's private-profile
// functions. Open one on a full path (a bare name would resolve to the Windows
// folder), do a few reads or writes, and let it go: releasing it flushes the
// platform's cache of the file.
//
// Section and key names match without regard to letter case, and blanks around
// names and values are not part of them. Reads never fail; a failed write
// raises ui::Error("Unable to write to <path>").
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

class IniFile {
public:
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& Path() const { return path_; }

    // The stored text, at most 2047 characters; the default, exactly as given,
    // when the file, section or key is missing. A key with an empty value
    // yields "", not the default.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // See ParseIniInteger; a missing key or a text that is no whole number
    // yields the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // Any non-zero number is true.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Written to the file at once; file, section and key are made when missing.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"

    // Names in file order; empty when the file or section is missing.
    std::vector<std::string> ReadSectionKeys(const std::string& section) const;
    std::vector<std::string> ReadSectionNames() const;

private:
    std::string path_;
};

} // namespace korvane
