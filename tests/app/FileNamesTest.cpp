#include "app/FileNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvane;

namespace {

struct PathCase {
    const char* path;
    const char* expected;
};

} // namespace

TEST(FileNames, ExtractFileExtTakesTheLastExtensionOfTheFileNameOnly)
{
    const PathCase cases[] = {
        {"my.movie.avi", ".avi"},
        {"C:\\Videos\\clip.AVI", ".AVI"},
        {"C:\\a.b\\c", ""},
        {"C:\\a.b\\c.d", ".d"},
        {"movie", ""},
        {"name.", "."},
        {"C:movie.mp4", ".mp4"},
        {"Z:/tmp/v2.0/clip", ""},
        {"LIST.TMP", ".TMP"},
        {"", ""},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(ExtractFileExt(c.path), c.expected) << c.path;
}

TEST(FileNames, StripExtensionRemovesOnlyTheLastExtension)
{
    const PathCase cases[] = {
        {"my.movie.avi", "my.movie"},
        {"movie", "movie"},
        {"name.", "name"},
        {"", ""},
        {"Fast.apf", "Fast"},
        {"LIST.TMP", "LIST"},
        {".apf", ""},
        // A point in a folder name is not an extension.
        {"C:\\a.b\\c", "C:\\a.b\\c"},
        {"C:\\a.b\\c.d", "C:\\a.b\\c"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(StripExtension(c.path), c.expected) << c.path;
}

TEST(FileNames, ExtractFileNameAndFolderParts)
{
    EXPECT_EQ(ExtractFileName("C:\\in\\my.movie.avi"), "my.movie.avi");
    EXPECT_EQ(ExtractFileName("C:movie.avi"), "movie.avi");
    EXPECT_EQ(ExtractFileName("movie.avi"), "movie.avi");
    EXPECT_EQ(ExtractFileName("C:\\in\\"), "");
    EXPECT_EQ(ExtractFileName("Z:/tmp/a.avi"), "a.avi");

    EXPECT_EQ(ExtractFilePath("C:\\in\\my.movie.avi"), "C:\\in\\");
    EXPECT_EQ(ExtractFilePath("movie.avi"), "");

    const PathCase dirs[] = {
        {"C:\\a\\x.avi", "C:\\a"},
        {"D:\\y.avi", "D:\\"},
        {"C:\\a\\b\\", "C:\\a\\b"},
        {"\\\\server\\share\\x.avi", "\\\\server\\share"},
        {"C:x.avi", "C:"},
        {"x.avi", ""},
    };
    for (const PathCase& c : dirs)
        EXPECT_EQ(ExtractFileDir(c.path), c.expected) << c.path;
}

TEST(FileNames, OutputFolderOfASourceEndsInOneBackslash)
{
    // The folder a loaded source gives the output when it follows the source.
    EXPECT_EQ(WithTrailingBackslash(ExtractFileDir("C:\\a\\x.avi")), "C:\\a\\");
    EXPECT_EQ(WithTrailingBackslash(ExtractFileDir("D:\\y.avi")), "D:\\");
}

TEST(FileNames, WithTrailingBackslashAppendsOnlyWhenMissing)
{
    EXPECT_EQ(WithTrailingBackslash("C:\\Out"), "C:\\Out\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\Out\\"), "C:\\Out\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingBackslash(""), "\\");
}

TEST(FileNames, IsSupportedExtensionIgnoresLetterCaseOfThePath)
{
    const std::vector<std::string> list = SupportedSourceExtensions();
    EXPECT_TRUE(IsSupportedExtension("C:\\v\\clip.avi", list));
    EXPECT_TRUE(IsSupportedExtension("C:\\v\\CLIP.AVI", list));
    EXPECT_TRUE(IsSupportedExtension("C:\\v\\clip.MpEg", list));
    EXPECT_TRUE(IsSupportedExtension("a.b.asf", list));
    EXPECT_FALSE(IsSupportedExtension("C:\\v\\avi", list));
    EXPECT_FALSE(IsSupportedExtension("C:\\v.avi\\clip", list));
    EXPECT_FALSE(IsSupportedExtension("clip.mkv", list));
    EXPECT_FALSE(IsSupportedExtension("clip.avi.txt", list));
    EXPECT_FALSE(IsSupportedExtension("clip.", list));
    EXPECT_FALSE(IsSupportedExtension("clip.av", list));
}

TEST(FileNames, SupportedSourceExtensionsInDialogOrder)
{
    EXPECT_EQ(SupportedSourceExtensions(),
              (std::vector<std::string>{".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".mov", ".vob", ".asf"}));
}

TEST(FileNames, OpenDialogFilterListsAllTypesThenEachThenAllFiles)
{
    const std::pair<const char*, const char*> entries[] = {
        {"All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)",
         "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;"},
        {"AVI Files (*.avi)", "*.avi"},
        {"MPG Files (*.mpg)", "*.mpg"},
        {"MPEG Files (*.mpeg)", "*.mpeg"},
        {"MP4 Files (*.mp4)", "*.mp4"},
        {"WMV Files (*.wmv)", "*.wmv"},
        {"MOV Files (*.mov)", "*.mov"},
        {"VOB Files (*.vob)", "*.vob"},
        {"ASF Files (*.asf)", "*.asf"},
        {"All Files (*.*)", "*.*"},
    };
    std::string expected;
    for (const auto& [description, pattern] : entries)
        expected += std::string(expected.empty() ? "" : "|") + description + "|" + pattern;

    EXPECT_EQ(BuildOpenDialogFilter(SupportedSourceExtensions()), expected);
}

TEST(FileNames, OpenDialogFilterUpperCasesTheTypeName)
{
    const std::vector<std::string> one{".mkv"};
    EXPECT_EQ(BuildOpenDialogFilter(one),
              "All Support Files(*.mkv;)|*.mkv;|MKV Files (*.mkv)|*.mkv|All Files (*.*)|*.*");
}

TEST(FileNames, ExtendedLengthFormOfFullPathsOnly)
{
    EXPECT_EQ(ExtendedLengthForm(L"C:\\a/b\\c.avi"), L"\\\\?\\C:\\a\\b\\c.avi");
    EXPECT_EQ(ExtendedLengthForm(L"\\\\server\\share\\c.avi"), L"\\\\?\\UNC\\server\\share\\c.avi");
    for (const wchar_t* unchanged : {L"\\\\?\\C:\\a", L"\\\\.\\pipe\\x", L"a\\b.avi", L"C:b.avi", L"\\a.avi", L""})
        EXPECT_EQ(ExtendedLengthForm(unchanged), unchanged);
}
