#pragma once
// File-system questions about paths, answered by Windows.
#include <cstdint>
#include <optional>
#include <string>

namespace korvane {

// The path as the system's wide file calls take it. A path too long for the
// plain form is made full and given the extended-length form, so that files
// and folders deeper than 260 characters are reached (the program's own
// paths are texts in its code page, whose calls stop at 260).
std::wstring SystemPath(const std::string& path);
// The same for another program that opens the path itself (the converter and
// its engine, which read it as plain text in the program's code page): a long
// path in its extended-length form, any other unchanged.
std::string PathForOtherPrograms(const std::string& path);
// Whether a program in that file can be started: the system starts none from
// a path too long for its plain form.
bool CanStartProgramAt(const std::string& path);

// True when the path names an existing file (not a folder); the extension is
// not looked at.
bool IsValidSourceFile(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// An existing file that holds at least one byte.
bool FileHasContent(const std::string& path);

// What tells a file's content apart from what it was: its size and the time
// it was last written.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// Nothing when no file is there.
std::optional<FileStamp> FileStampOf(const std::string& path);
// Deletes the file; a file still held by a process that is ending is waited
// for a moment. True when no file is left under the name.
bool RemoveFile(const std::string& path);

// The folder of the running executable, always ending in a backslash.
std::string ProgramDir();

// The first line of a text file, in the program's code page; nothing when the
// file cannot be read. A list file may come from any program: UTF-16 with its
// byte-order mark and UTF-8 with or without one are read as such, and text
// that is no UTF-8 while the program runs in UTF-8 is taken to be in the
// user's legacy code page.
std::optional<std::string> ReadFirstLine(const std::string& path);

} // namespace korvane
