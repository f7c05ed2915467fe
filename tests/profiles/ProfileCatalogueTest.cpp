#include "profiles/ProfileCatalogue.h"

#include "ScratchFolder.h"
#include "ui/Error.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace korvane;
using korvane::testing::ScratchFolder;

namespace {

std::string CurrentFolder()
{
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

std::string WithoutTrailingBackslash(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

TEST(ListFilesWithExtension, OrdinaryMatchingFilesAlphabeticallyWithoutRegardToCase)
{
    const ScratchFolder dir;
    for (const char* name : {"b.apf", "C.apf", "a.apf", "Loud.APF", "my.profile.apf", "notes.txt",
                             "apf", "x.apf.bak", "x.apfx"})
        dir.Write(name, "[Main]\r\n");
    ASSERT_TRUE(CreateDirectoryA((dir / "folder.apf").c_str(), nullptr));
    const std::string hidden = dir.Write("hidden.apf", "");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string system = dir.Write("system.apf", "");
    ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(ListFilesWithExtension(dir.path(), ".apf"),
              (std::vector<std::string>{"a.apf", "b.apf", "C.apf", "Loud.APF", "my.profile.apf"}));
    EXPECT_EQ(ListFilesWithExtension(dir.path() + "\\", ".TXT"), (std::vector<std::string>{"notes.txt"}));
}

TEST(ListFilesWithExtension, TheListedFolderBecomesTheCurrentFolder)
{
    const ScratchFolder dir;
    dir.Write("a.apf", "");
    ListFilesWithExtension(dir.path() + "\\", ".apf");
    EXPECT_EQ(WithoutTrailingBackslash(CurrentFolder()), dir.path());
}

TEST(ListFilesWithExtension, AMissingFolderFailsNamingIt)
{
    const ScratchFolder dir;
    const std::string missing = dir / "Profiles\\";
    const std::string before = CurrentFolder();
    try {
        ListFilesWithExtension(missing, ".apf");
        ADD_FAILURE() << "no error";
    } catch (const ui::Error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_EQ(CurrentFolder(), before);
}

TEST(ProfileCatalogue, ProfileNamesWithoutExtensionNameTheirFiles)
{
    const ScratchFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Profiles").c_str(), nullptr));
    dir.Write("Profiles\\iPod Video.apf", "[Main]\r\nType=mp4\r\n");
    dir.Write("Profiles\\AVI (DivX).apf", "[Main]\r\nType=avi\r\n");
    dir.Write("Profiles\\Settings of the source file..apf", "[Main]\r\n");
    dir.Write("Profiles\\readme.txt", "");

    for (const std::string& programDir : {dir.path(), dir.path() + "\\"}) {
        const ProfileCatalogue catalogue = ReadProfileCatalogue(programDir);
        EXPECT_EQ(catalogue.problem, "");
        ASSERT_EQ(catalogue.names, (std::vector<std::string>{"AVI (DivX)", "iPod Video",
                                                             "Settings of the source file."}));
        for (const std::string& name : catalogue.names) {
            const std::string path = ProfilePath(programDir, name);
            EXPECT_EQ(path, dir.path() + "\\Profiles\\" + name + ".apf");
            EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
        }
    }
}

TEST(ProfileCatalogue, AMissingFolderGivesNoProfilesAndAMessage)
{
    const ScratchFolder dir;
    const ProfileCatalogue catalogue = ReadProfileCatalogue(dir.path() + "\\");
    EXPECT_TRUE(catalogue.names.empty());
    EXPECT_EQ(catalogue.problem, "Cannot open the profile folder " + dir.path() +
                                     "\\Profiles\\. No output profiles are available.");
}

TEST(ProfileCatalogue, AnEmptyFolderGivesNoProfilesAndNoMessage)
{
    const ScratchFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Profiles").c_str(), nullptr));
    const ProfileCatalogue catalogue = ReadProfileCatalogue(dir.path());
    EXPECT_TRUE(catalogue.names.empty());
    EXPECT_EQ(catalogue.problem, "");
}

TEST(ProfileCatalogue, OutputExtensionIsThePointAndTheType)
{
    const ScratchFolder dir;
    EXPECT_EQ(ReadProfileOutputExtension(dir.Write("avi.apf", "[Main]\r\nType=avi\r\n")), ".avi");
    EXPECT_EQ(ReadProfileOutputExtension(dir.Write("blank.apf", "[MAIN]\r\n type = mkv \r\n")), ".mkv");
    EXPECT_EQ(ReadProfileOutputExtension(dir.Write("none.apf", "[Main]\r\nPara=0\r\n")), ".mp4");
    EXPECT_EQ(ReadProfileOutputExtension(dir / "missing.apf"), ".mp4");
}
