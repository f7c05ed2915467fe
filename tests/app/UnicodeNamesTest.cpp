// Names in any script: the program runs with UTF-8 as its code page (its
// manifest says so, and these tests carry the same manifest), so sources,
// folders, profiles and list files named in Japanese or Cyrillic work through
// the program's ANSI calls, the preview and the converter.
#include "tests/app/KorvaneFixture.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

namespace korvane::testing {
namespace {

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

class UnicodeNames : public KorvaneTest {
protected:
    UnicodeNames() : KorvaneTest("Корвейн 設定 ") {}

    // The sample, copied to "<program folder>\Видео 動画\<name>".
    std::string PlaceSource(const std::string& name)
    {
        videoDir = folder / "Видео 動画";
        CreateDirectoryA(videoDir.c_str(), nullptr);
        const std::string source = videoDir + "\\" + name;
        EXPECT_TRUE(CopyFileA(SampleVideo().c_str(), source.c_str(), FALSE)) << source;
        return source;
    }

    std::string videoDir;
};

TEST_F(UnicodeNames, ADroppedSourceSplitsIntoClipsNamedAfterIt)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    WriteProfile("Профиль 動画", "avi");
    Preferences prefs;
    prefs.aptotic = false;   // the clips go beside the source
    Start(prefs);
    TMainForm& main = Main();
    EXPECT_EQ(main.cmbProfile.Items(), std::vector<std::string>{"Профиль 動画"});
    EXPECT_EQ(korvane.OutputExtension, ".avi");

    const std::string source = PlaceSource("夏 Лето.avi");
    SendMessageA(main.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(source)), 0);
    EXPECT_EQ(main.edtSource.Text(), source);
    EXPECT_EQ(main.edtOutputDir.Text(), videoDir + "\\");
    // The preview opened it by its wide name.
    EXPECT_TRUE(main.PreviewAvailable());
    EXPECT_EQ(main.labRight.Caption(), "00:00:20");

    SetRange("00:00:00", "00:00:04");
    SetSections("2");
    main.imgStartClick(main.imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    for (int n = 1; n <= 2; ++n) {
        const std::string clip = videoDir + "\\夏 Лето_Clip" + std::to_string(n) + ".avi";
        // The name on disk is the real one, not a stand-in of question marks.
        EXPECT_NE(GetFileAttributesW(Wide(clip).c_str()), INVALID_FILE_ATTRIBUTES) << clip;
        EXPECT_NEAR(VideoFrames(clip), 50, 1) << clip;
    }
    EXPECT_EQ(opened, std::vector<std::string>{videoDir + "\\"});
    // Labels draw the letters, not the bytes of their UTF-8 taken as Latin ones.
    ui::WindowDC screen(nullptr);
    ui::Canvas canvas(screen.Get());
    canvas.SetFont(main.labProcessing.GetFont());
    SIZE letters{};
    GetTextExtentPoint32W(screen.Get(), L"Лето", 4, &letters);
    EXPECT_EQ(canvas.TextWidth("Лето"), letters.cx);

    // The preferences go back into the program folder of that name.
    main.Close();
    EXPECT_NE(ScratchFolder::Read(folder / "Preferences.ini").find("Profile=0"), std::string::npos);
}

// A list file from another program, in the encodings such programs write.
struct ListCase {
    const char* name;
    const char* fileName;   // UTF-8
    std::string (*encode)(const std::string& path);
};

std::string Utf8WithMark(const std::string& path) { return "\xEF\xBB\xBF" + path + "\r\n"; }

std::string Utf16WithMark(const std::string& path)
{
    const std::wstring wide = Wide(path + "\r\n");
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// The user's legacy code page (Western here): the one byte 0xE9 for "é". Such
// a file can only name a path of that code page's letters.
std::string Legacy(const std::string& path)
{
    const std::size_t at = path.find("é");
    if (at == std::string::npos)
        return path + "\r\n";
    return path.substr(0, at) + '\xE9' + path.substr(at + 2) + "\r\n";
}

class ListFiles : public UnicodeNames, public ::testing::WithParamInterface<ListCase> {
protected:
    ScratchFolder westernFolder;
};

TEST_P(ListFiles, NameTheSourceInAnyEncoding)
{
    const bool legacy = GetParam().encode == Legacy;
    const std::string source =
        legacy ? westernFolder / GetParam().fileName : PlaceSource(GetParam().fileName);
    if (legacy) {
        ASSERT_TRUE(CopyFileA(SampleVideo().c_str(), source.c_str(), FALSE));
    }
    korvane.CommandLineArgument = folder.Write("list.tmp", GetParam().encode(source));
    Start();
    EXPECT_EQ(Main().edtSource.Text(), source);
    EXPECT_TRUE(Main().SourceLoaded);
}

INSTANTIATE_TEST_SUITE_P(Encodings, ListFiles,
                         ::testing::Values(ListCase{"Utf8WithMark", "夏 Лето.avi", Utf8WithMark},
                                           ListCase{"Utf16WithMark", "夏 Лето.avi", Utf16WithMark},
                                           ListCase{"LegacyCodePage", "Café.avi", Legacy}),
                         [](const ::testing::TestParamInfo<ListCase>& p) { return std::string(p.param.name); });

} // namespace
} // namespace korvane::testing
