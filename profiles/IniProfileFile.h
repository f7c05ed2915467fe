#pragma once
// A profile file on disk, opened for one load, save or build: the profile's
// meaning (ProfileArguments.h) read through the platform's private-profile
// functions. IniText reads the same texts in memory; the tests hold the two
// to the same answers.
#include "profiles/IniFile.h"
#include "profiles/ProfileArguments.h"

#include <string>
#include <vector>

namespace korvane {

class IniProfileFile : public ProfileFile {
public:
    explicit IniProfileFile(const std::string& path) : ini_(path) {}
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const override
    {
        return ini_.ReadString(section, key, defaultValue);
    }
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override
    {
        ini_.WriteString(section, key, value);
    }
    std::vector<std::string> ReadKeys(const std::string& section) const override
    {
        return ini_.ReadSectionKeys(section);
    }

private:
    IniFile ini_;
};

} // namespace korvane
