#pragma once
// File-system questions about paths, answered by Windows.
#include <optional>
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

// The first line of a text file, in the program's code page; nothing when the
// file cannot be read. A list file may come from any program: UTF-16 with its
// byte-order mark and UTF-8 with or without one are read as such, and text
// that is no UTF-8 while the program runs in UTF-8 is taken to be in the
// user's legacy code page.
std::optional<std::string> ReadFirstLine(const std::string& path);

} // namespace korvane
