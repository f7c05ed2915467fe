#include "app/FileNames.h"

#include <algorithm>

namespace korvane {
namespace {

bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }
bool IsSeparator(char c) { return IsFolderSeparator(c) || c == ':'; }

// Index just past the last separator: the start of the file-name part.
std::size_t FileNameStart(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return i;
    return 0;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string WithTrailingBackslash(std::string_view folder)
{
    std::string result(folder);
    if (result.empty() || result.back() != '\\')
        result += '\\';
    return result;
}

std::string ExtractFileName(std::string_view path)
{
    return std::string(path.substr(FileNameStart(path)));
}

std::string ExtractFilePath(std::string_view path)
{
    return std::string(path.substr(0, FileNameStart(path)));
}

std::string ExtractFileDir(std::string_view path)
{
    std::size_t end = FileNameStart(path);
    // Drop the final backslash unless the one before it is a separator too
    // ("C:\" stays a root, "\\server\share\" keeps its share).
    if (end > 1 && IsFolderSeparator(path[end - 1]) && !IsSeparator(path[end - 2]))
        --end;
    return std::string(path.substr(0, end));
}

std::string ExtractFileExt(std::string_view path)
{
    const std::string_view name = path.substr(FileNameStart(path));
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return std::string(name.substr(dot));
}

std::string StripExtension(std::string_view name)
{
    const std::size_t start = FileNameStart(name);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < start)
        return std::string(name);
    return std::string(name.substr(0, dot));
}

std::string LowerCaseAscii(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), LowerAscii);
    return result;
}

bool IsSupportedExtension(std::string_view path, std::span<const std::string> extensions)
{
    const std::string ext = LowerCaseAscii(ExtractFileExt(path));
    if (ext.empty())
        return false;
    return std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

std::vector<std::string> SupportedSourceExtensions()
{
    return {".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".mov", ".vob", ".asf"};
}

std::string BuildOpenDialogFilter(std::span<const std::string> extensions)
{
    std::string perType;
    std::string allPatterns;
    for (const std::string& ext : extensions) {
        std::string upper;
        for (char c : ext)
            if (c != '.')
                upper += UpperAscii(c);
        perType += upper + " Files (*" + ext + ")|*" + ext + "|";
        allPatterns += "*" + ext + ";";
    }
    return "All Support Files(" + allPatterns + ")|" + allPatterns + "|" + perType +
           "All Files (*.*)|*.*";
}

std::wstring ExtendedLengthForm(std::wstring_view fullPath)
{
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (fullPath.rfind(L"\\\\?\\", 0) == 0)
        return std::wstring(fullPath);
    std::wstring path(fullPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.size() >= 3 && path[1] == L':' && separator(path[2]))
        return L"\\\\?\\" + path;
    if (path.size() > 2 && separator(path[0]) && separator(path[1]) && !separator(path[2])
        && path[2] != L'.' && path[2] != L'?')
        return L"\\\\?\\UNC\\" + path.substr(2);
    return std::wstring(fullPath);
}

} // namespace korvane
