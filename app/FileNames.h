#pragma once
// Small helpers on Windows path texts. Pure string work: nothing here touches
// the file system, so it is built and tested natively as well.
//
// A path's folder separators are "\" and "/" (Windows accepts both), and the
// ":" after a drive letter ends the drive part ("C:movie.avi" names the file
// movie.avi). The file-name part is what follows the last of these.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The folder with a "\" appended unless its last character already is one.
// An empty text gives "\".
std::string WithTrailingBackslash(std::string_view folder);

// The part after the last separator: "C:\a.b\movie.avi" gives "movie.avi".
std::string ExtractFileName(std::string_view path);

// Everything up to and including the last separator: "C:\a\x.avi" gives "C:\a\".
std::string ExtractFilePath(std::string_view path);

// The folder without its final backslash, except where the backslash is the
// root itself: "C:\a\x.avi" gives "C:\a", "D:\y.avi" gives "D:\".
std::string ExtractFileDir(std::string_view path);

// The last extension of the file-name part, point included, letter case kept;
// empty when the file name has no point ("C:\a.b\c" has none).
std::string ExtractFileExt(std::string_view path);

// The name without its last extension: "my.movie.avi" gives "my.movie", a name
// ending in a point loses only that point. A point inside a folder name is
// not an extension, so "C:\a.b\c" comes back whole.
std::string StripExtension(std::string_view name);

// ASCII lower case, the way extensions are compared.
std::string LowerCaseAscii(std::string_view text);

// True when the extension of the path's file-name part, in lower case, equals
// one of the entries exactly. Entries are lower case with their point.
bool IsSupportedExtension(std::string_view path, std::span<const std::string> extensions);

// Paths of this many characters or more need the extended-length form in the
// system's file calls (a folder's plain form ends at 248, a file's at 260).
inline constexpr std::size_t kLongPathLength = 248;

// The extended-length form of a full path: "C:\a\b" gives "\\?\C:\a\b",
// "\\server\share\x" gives "\\?\UNC\server\share\x", with every "/" turned
// into "\" (that form takes no other separator). A path already in that form,
// or one that is not full (relative, "C:x"), comes back unchanged.
std::wstring ExtendedLengthForm(std::wstring_view fullPath);

// The source types the program offers, in the order the open dialog lists them.
std::vector<std::string> SupportedSourceExtensions();

// The open dialog's "description|pattern|..." filter for the given extensions:
// first all of them together, then one entry per extension, then all files.
// Both pattern lists of the first entry keep their trailing semicolon.
std::string BuildOpenDialogFilter(std::span<const std::string> extensions);

} // namespace korvane
