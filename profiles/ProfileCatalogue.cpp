#include "profiles/ProfileCatalogue.h"

#include "app/FileNames.h"
#include "profiles/IniFile.h"
#include "ui/Error.h"

#include <windows.h>

#include <algorithm>

namespace korvane {
namespace {

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    const std::string la = LowerCaseAscii(a);
    const std::string lb = LowerCaseAscii(b);
    return la != lb ? la < lb : a < b;
}

} // namespace

std::vector<std::string> ListFilesWithExtension(const std::string& folder, std::string_view extension)
{
    // Changing into the folder first is also the check that it exists.
    if (!SetCurrentDirectoryA(folder.c_str()))
        throw ui::Error("The folder " + folder + " cannot be opened");

    const std::string wanted = LowerCaseAscii(extension);
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const FindHandle find(FindFirstFileA((WithTrailingBackslash(folder) + "*").c_str(), &data));
    if (!find.valid())
        return names;
    constexpr DWORD kSkipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (data.dwFileAttributes & kSkipped)
            continue;
        if (LowerCaseAscii(ExtractFileExt(data.cFileName)) == wanted)
            names.emplace_back(data.cFileName);
    } while (FindNextFileA(find.get(), &data));
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::string ProfilePath(std::string_view programDir, std::string_view name)
{
    return WithTrailingBackslash(programDir) + "Profiles\\" + std::string(name) + ".apf";
}

ProfileCatalogue ReadProfileCatalogue(std::string_view programDir)
{
    const std::string folder = WithTrailingBackslash(programDir) + "Profiles\\";
    ProfileCatalogue catalogue;
    try {
        for (const std::string& file : ListFilesWithExtension(folder, ".apf"))
            catalogue.names.push_back(StripExtension(file));
    } catch (const ui::Error&) {
        catalogue.problem = "Cannot open the profile folder " + folder +
                            ". No output profiles are available.";
    }
    return catalogue;
}

std::string ReadProfileOutputExtension(const std::string& profilePath)
{
    std::string extension = ".";
    extension += IniFile(profilePath).ReadString("Main", "Type", "mp4");
    return extension;
}

} // namespace korvane
