#include "profiles/IniFile.h"

#include "profiles/IniNumber.h"
#include "ui/Error.h"

#include <windows.h>

#include <utility>

namespace korvane {
namespace {

constexpr DWORD kStringCapacity = 2048;  // 2047 characters and the terminating zero

// Stands in for the caller's default: the platform would trim trailing blanks
// off a default, and an empty default could not be told from an empty value.
constexpr char kMissing[] = "\x01\x02korvane-missing\x02\x01";

// A double-zero-terminated name list, read into a buffer grown until it fits
// (the platform returns capacity - 2 when the list was cut).
template <typename Read>
std::vector<std::string> ReadNameList(Read read)
{
    std::vector<char> buffer(4096);
    DWORD length = 0;
    for (;;) {
        length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length + 2 < buffer.size())
            break;
        buffer.resize(buffer.size() * 2);
    }
    std::vector<std::string> names;
    for (const char* p = buffer.data(); p < buffer.data() + length && *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile::~IniFile()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    char buffer[kStringCapacity];
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buffer,
                                                  kStringCapacity, path_.c_str());
    std::string value(buffer, length);
    if (value == kMissing)
        return defaultValue;
    return value;
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const
{
    return ParseIniInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    // A read-only file is refused here first: not every system makes the
    // private-profile write fail for it when the user is an administrator.
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly || !WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()))
        throw ui::Error("Unable to write to " + path_);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::ReadSectionKeys(const std::string& section) const
{
    return ReadNameList([&](char* buffer, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size, path_.c_str());
    });
}

std::vector<std::string> IniFile::ReadSectionNames() const
{
    return ReadNameList([&](char* buffer, DWORD size) {
        return GetPrivateProfileSectionNamesA(buffer, size, path_.c_str());
    });
}

} // namespace korvane
