#include "app/FileNamesWin.h"
#include "tests/support/FreshFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace korvane;

namespace {

// A fresh folder with one file in it, removed again after the test.
class Scratch {
public:
    Scratch()
    {
        folder_ = korvane::testsupport::MakeFreshFolder(korvane::testsupport::TempFolder(), "korvane-filenames-");
        file_ = folder_ + "\\clip.avi";
        const HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(h);
    }
    ~Scratch()
    {
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& file() const { return file_; }

private:
    std::string folder_;
    std::string file_;
};

} // namespace

TEST(FileNamesWin, ASourceMustBeAnExistingFileNotAFolder)
{
    const Scratch s;
    EXPECT_TRUE(IsValidSourceFile(s.file()));
    EXPECT_TRUE(FileExists(s.file()));
    EXPECT_FALSE(IsValidSourceFile(s.folder()));
    EXPECT_FALSE(IsValidSourceFile(s.folder() + "\\missing.avi"));
    EXPECT_FALSE(IsValidSourceFile(""));
}

TEST(FileNamesWin, DirectoryExistsOnlyForFolders)
{
    const Scratch s;
    EXPECT_TRUE(DirectoryExists(s.folder()));
    EXPECT_TRUE(DirectoryExists(s.folder() + "\\"));
    EXPECT_FALSE(DirectoryExists(s.file()));
    EXPECT_FALSE(DirectoryExists(s.folder() + "\\missing"));
}

TEST(FileNamesWin, ProgramDirIsTheFolderOfTheRunningExecutable)
{
    const std::string dir = ProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_NE(dir.substr(0, dir.size() - 1).back(), '\\');
    EXPECT_TRUE(FileExists(dir + "test_app_filenames_win.exe")) << dir;
}
