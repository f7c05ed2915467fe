#include "profiles/IniFile.h"

#include "ScratchFolder.h"
#include "profiles/IniProfileFile.h"
#include "profiles/IniText.h"
#include "tests/support/FilesMatching.h"
#include "tests/support/WinePath.h"
#include "ui/Error.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

using korvane::IniFile;
using korvane::testing::ScratchFolder;

namespace {

// A profile as a user's text editor might leave it: odd letter case, blanks
// around names and values, an empty value.
const char kProfile[] =
    "[Main]\r\n"
    "Type=avi\r\n"
    "Para=2\r\n"
    "  Padded Key  =  padded value  \r\n"
    "Empty=\r\n"
    "[Video Size]\r\n"
    "Caption=Original Size,Custom Size,\r\n"
    "Index=1\r\n";

// Holds a file open without sharing it, as another program might.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~HeldOpen() { Release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release()
    {
        if (held())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

} // namespace

TEST(IniFile, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed)
{
    const ScratchFolder dir;
    const IniFile ini(dir.Write("p.apf", kProfile));
    EXPECT_EQ(ini.ReadString("main", "TYPE", "x"), "avi");
    EXPECT_EQ(ini.ReadString("VIDEO SIZE", "caption", "x"), "Original Size,Custom Size,");
    EXPECT_EQ(ini.ReadString("Main", "Padded Key", "x"), "padded value");
    EXPECT_EQ(ini.ReadString("Main", "  Padded Key ", "x"), "padded value");
    EXPECT_EQ(ini.ReadInteger("main", "para", -1), 2);
}

TEST(IniFile, DefaultsForMissingFileSectionAndKeyButNotForEmptyValues)
{
    const ScratchFolder dir;
    const IniFile ini(dir.Write("p.apf", kProfile));
    const IniFile missing(dir / "nothing.ini");

    EXPECT_EQ(missing.ReadString("Main", "Type", "mp4"), "mp4");
    EXPECT_EQ(ini.ReadString("Audio", "Type", "mp4"), "mp4");
    EXPECT_EQ(ini.ReadString("Main", "Sort", "mp4"), "mp4");
    // The default comes back exactly as given, blanks included.
    EXPECT_EQ(ini.ReadString("Main", "Sort", " two  "), " two  ");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "mp4"), "");

    EXPECT_EQ(missing.ReadInteger("Main", "Para", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Main", "Sort", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Main", "Empty", 9), 9);
    EXPECT_TRUE(missing.ReadBool("Main", "List", true));
    EXPECT_FALSE(missing.ReadBool("Main", "ReadOnly", false));
    // Reading never makes the file.
    EXPECT_EQ(GetFileAttributesA((dir / "nothing.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(IniFile, IntegersAndFlagsAsStoredText)
{
    struct Case {
        const char* stored;
        int integer;  // read with the default 77
        bool flag;    // read with the default true
    };
    const Case cases[] = {
        {"12", 12, true},
        {"-12", -12, true},
        {"0", 0, false},
        {"0x1F", 31, true},
        {"0XfF", 255, true},
        {"0xFFFFFFFF", -1, true},
        {"  5  ", 5, true},
        {"0x", 77, true},
        {"$10", 77, true},
        {"1.5", 77, true},
        {"yes", 77, true},
        {"99999999999", 77, true},
    };
    const ScratchFolder dir;
    std::string content = "[N]\r\n";
    const auto keyOf = [](std::size_t i) { return std::string(1, 'k') += std::to_string(i); };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        content += keyOf(i) + "=" + cases[i].stored + "\r\n";
    const IniFile ini(dir.Write("n.ini", content));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string key = keyOf(i);
        EXPECT_EQ(ini.ReadInteger("N", key, 77), cases[i].integer) << cases[i].stored;
        EXPECT_EQ(ini.ReadBool("N", key, true), cases[i].flag) << cases[i].stored;
    }
    // A text that is no number falls back to the flag's default either way.
    EXPECT_FALSE(ini.ReadBool("N", "k10", false));
}

TEST(IniFile, StringsAreCutAt2047Characters)
{
    const ScratchFolder dir;
    const std::string longValue(2047, 'a');
    const IniFile ini(dir.Write("long.ini", "[S]\r\nfits=" + longValue + "\r\ncut=" + longValue + "bcd\r\n"));
    EXPECT_EQ(ini.ReadString("S", "fits", ""), longValue);
    EXPECT_EQ(ini.ReadString("S", "cut", ""), longValue);
}

TEST(IniFile, WrittenValuesAreSeenThroughAnotherIniFile)
{
    const ScratchFolder dir;
    const std::string path = dir / "Preferences.ini";
    {
        IniFile writer(path);
        writer.WriteString("Main", "Version", "2.0");
        writer.WriteInteger("Main", "Profile", -1);
        writer.WriteBool("Main", "Aptotic", false);
        writer.WriteBool("Main", "Overwrite", true);
        writer.WriteString("Main", "Version", "2.1");  // replaces, does not add

        const IniFile reader(path);
        EXPECT_EQ(reader.ReadString("main", "version", ""), "2.1");
        EXPECT_EQ(reader.ReadInteger("Main", "Profile", 0), -1);
        EXPECT_FALSE(reader.ReadBool("Main", "Aptotic", true));
        EXPECT_TRUE(reader.ReadBool("Main", "Overwrite", false));
        EXPECT_EQ(reader.ReadString("Main", "Aptotic", ""), "0");
        EXPECT_EQ(reader.ReadString("Main", "Overwrite", ""), "1");
        EXPECT_EQ(reader.ReadSectionKeys("Main"),
                  (std::vector<std::string>{"Version", "Profile", "Aptotic", "Overwrite"}));
    }
    // Once both are released the text is on disk for anyone to read.
    const std::string onDisk = ScratchFolder::Read(path);
    EXPECT_NE(onDisk.find("[Main]"), std::string::npos) << onDisk;
    EXPECT_NE(onDisk.find("Version=2.1"), std::string::npos) << onDisk;
    EXPECT_EQ(onDisk.find("2.0"), std::string::npos) << onDisk;
}

TEST(IniFile, WritingIntoAnExistingFileKeepsTheOtherEntries)
{
    const ScratchFolder dir;
    const std::string path = dir.Write("p.apf", kProfile);
    {
        IniFile ini(path);
        ini.WriteInteger("video size", "index", 0);
        ini.WriteString("Audio", "Sort", "2");
    }
    const IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Video Size", "Index", -1), 0);
    EXPECT_EQ(ini.ReadString("Video Size", "Caption", ""), "Original Size,Custom Size,");
    EXPECT_EQ(ini.ReadString("Main", "Type", ""), "avi");
    EXPECT_EQ(ini.ReadString("Audio", "Sort", ""), "2");
    EXPECT_EQ(ini.ReadSectionNames(), (std::vector<std::string>{"Main", "Video Size", "Audio"}));
}

TEST(IniFile, FailedWriteRaisesUnableToWrite)
{
    const ScratchFolder dir;
    const std::string readOnly = dir.Write("locked.ini", "[Main]\r\nVersion=1.8\r\n");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string held = dir.Write("held.ini", "[Main]\r\nVersion=1.8\r\n");
    HeldOpen holder(held);
    ASSERT_TRUE(holder.held());
    const std::string noFolder = dir / "missing\\Preferences.ini";

    for (const std::string& path : {readOnly, held, noFolder}) {
        IniFile ini(path);
        try {
            ini.WriteString("Main", "Version", "2.0");
            ADD_FAILURE() << "no error for " << path;
        } catch (const ui::Error& e) {
            EXPECT_STREQ(e.what(), ("Unable to write to " + path).c_str());
        }
        EXPECT_THROW(ini.WriteBool("Main", "Exit", true), ui::Error) << path;
        EXPECT_THROW(ini.WriteInteger("Main", "Profile", 3), ui::Error) << path;
    }
    holder.Release();
    EXPECT_EQ(IniFile(readOnly).ReadString("Main", "Version", ""), "1.8");
    EXPECT_EQ(IniFile(held).ReadString("Main", "Version", ""), "1.8");
    EXPECT_EQ(GetFileAttributesA((dir / "missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(IniFile, SectionAndKeyListsForMissingParts)
{
    const ScratchFolder dir;
    const IniFile ini(dir.Write("p.apf", kProfile));
    EXPECT_EQ(ini.ReadSectionKeys("Main"),
              (std::vector<std::string>{"Type", "Para", "Padded Key", "Empty"}));
    EXPECT_TRUE(ini.ReadSectionKeys("Audio").empty());
    EXPECT_TRUE(IniFile(dir / "none.ini").ReadSectionNames().empty());
}

TEST(IniFile, LongKeyListsAreReadWhole)
{
    const ScratchFolder dir;
    std::string content = "[Many]\r\n";
    for (int i = 0; i < 600; ++i)
        content += "Key number " + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const IniFile ini(dir.Write("many.ini", content));
    const std::vector<std::string> keys = ini.ReadSectionKeys("Many");
    ASSERT_EQ(keys.size(), 600u);
    EXPECT_EQ(keys.front(), "Key number 0");
    EXPECT_EQ(keys.back(), "Key number 599");
}

// The program reads profiles through the platform (IniProfileFile); the
// argument builder's tests and the fuzz target read them in memory (IniText).
// Both give the same answer for every section and key named in texts a text
// editor, a careless hand or the shipped set leaves, in any letter case, and
// for names that are not there.
TEST(IniFile, ProfileTextsReadTheSameInMemoryAndThroughThePlatform)
{
    std::vector<std::string> texts = {
        kProfile,
        "Type=before any section\r\n[Main]\r\nType=avi\r\n[main]\r\nType=second section\r\nPara=1\r\n"
        "Para=2\r\n[ Spaced ]\r\n  Key\t=\tvalue\t\r\n[Unclosed\r\nKey=u\r\n[Main2]extra\r\nKey=e\r\n",
        "[Q]\r\nDouble=\"quoted\"\r\nSingle='single'\r\nOpen=\"open\r\nEmpty=\"\"\r\nPadded=\" in \"\r\n"
        "Mixed=\"a'\r\nInner=a \"b\" c\r\nEquals=a=b=c\r\n;Comment=1\r\nNoEquals\r\n=nameless\r\n",
        "[Bare]\nLf=only\n[Long]\nValue=" + std::string(3000, 'v') + "\n",
    };
    const std::string shipped = korvane::testing::WinePath(KORVANE_SOURCE_DIR "/data/profiles/");
    const std::vector<std::string> profiles = korvane::testing::FilesMatching(shipped + "*.apf");
    ASSERT_FALSE(profiles.empty()) << "no shipped profiles in " << shipped;
    for (const std::string& name : profiles) {
        std::ifstream in(shipped + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        texts.push_back(text.str());
    }

    const ScratchFolder dir;
    for (std::size_t t = 0; t < texts.size(); ++t) {
        const std::string path = dir.Write("p" + std::to_string(t) + ".apf", texts[t]);
        const korvane::IniText memory(texts[t]);
        const korvane::IniProfileFile file(path);
        // Every name either reader knows, as written, in other cases, and missing.
        std::set<std::string> sections = {"Missing", "Unclosed", "Main2", "Spaced", " Spaced "};
        for (const std::string& section : IniFile(path).ReadSectionNames())
            sections.insert(section);
        for (std::string section : std::set<std::string>(sections)) {
            for (char& c : section)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            sections.insert(section);
        }
        for (const std::string& section : sections) {
            EXPECT_EQ(memory.ReadKeys(section), file.ReadKeys(section)) << "text " << t << " [" << section << "]";
            std::set<std::string> keys = {"Missing", "key", "TYPE"};
            for (const std::string& key : file.ReadKeys(section))
                keys.insert(key);
            for (const std::string& key : memory.ReadKeys(section))
                keys.insert(key);
            for (const std::string& key : keys) {
                if (key.empty())
                    continue;
                EXPECT_EQ(memory.ReadString(section, key, "<none>"), file.ReadString(section, key, "<none>"))
                    << "text " << t << " [" << section << "] " << key;
            }
        }
    }
}
