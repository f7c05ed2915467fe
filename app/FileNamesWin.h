#pragma once
// File-system questions about paths, answered by Windows.
#include <string>

namespace korvane {

// True when the path names an existing file (not a folder); the extension is
// not looked at.
bool IsValidSourceFile(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// An existing file that holds at least one byte.
bool FileHasContent(const std::string& path);

// The folder of the running executable, always ending in a backslash.
std::string ProgramDir();

} // namespace korvane
