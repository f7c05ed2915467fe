// Files the program reads, broken in the ways files get broken: huge counts,
// huge or negative numbers, very long values, binary garbage, missing
// sections. The window never hangs, crashes or reports an error for them; it
// takes what is usable and the program's defaults for the rest.
#include "tests/app/KorvaneFixture.h"

#include "profiles/IniFile.h"
#include "profiles/opSettingForm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace korvane::testing {
namespace {

// Bytes of no text file: zero bytes, a UTF-16 mark, line ends, but no "["
// (so no section can appear by chance).
std::string Garbage(std::size_t size)
{
    std::string bytes = "\xFF\xFE";
    std::uint32_t state = 12345;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        const char c = static_cast<char>(state >> 24);
        bytes += c == '[' ? '\0' : c;
    }
    return bytes;
}

std::string Repeated(const std::string& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

class MalformedFiles : public KorvaneTest {
protected:
    // Starts with only the given Preferences.ini text.
    void StartWithPreferences(const std::string& text)
    {
        folder.Write("Preferences.ini", text);
        ui::App().Initialize();
        CreateKorvaneWindows(korvane);
        Main().Show();
        ui::App().ProcessMessages();
    }
};

TEST_F(MalformedFiles, ProfilesLoadIntoTheEditorAndGiveArguments)
{
    struct Case {
        const char* name;
        std::string text;
        int rows;              // in the three lists together
        std::string extension;
        std::string arguments;
    };
    const std::string rate = "[Rate]\r\nSort=2\r\nList=0\r\nCaption=128k\r\ncmd=-b:a\r\n";
    std::string many = "[Main]\r\nType=avi\r\nPara=600\r\n";
    for (int i = 0; i < 600; ++i)
        many += std::to_string(i) + "=P" + std::to_string(i) + "\r\n";
    for (int i = 0; i < 600; ++i)
        many += "[P" + std::to_string(i) + "]\r\nSort=" + std::to_string(1 + i % 3) + "\r\nList=0\r\nCaption=" +
                std::to_string(i) + "\r\ncmd=-p" + std::to_string(i) + "\r\n";
    std::string manyArguments;
    for (int i = 0; i < 600; ++i)
        manyArguments += " -p" + std::to_string(i) + " " + std::to_string(i);

    const Case cases[] = {
        {"HugePara", "[Main]\r\nType=avi\r\nPara=2000000000\r\n0=Rate\r\n" + rate, 1, ".avi", " -b:a 128k"},
        {"NegativePara", "[Main]\r\nPara=-2147483648\r\n0=Rate\r\n" + rate, 0, ".mp4", ""},
        {"ParaBeyond32Bits", "[Main]\r\nPara=99999999999\r\n0=Rate\r\n" + rate, 0, ".mp4", ""},
        {"ManyParameters", many, 600, ".avi", manyArguments},
        {"HugeNumbers",
         "[Main]\r\nPara=3\r\n0=A\r\n1=B\r\n2=C\r\n"
         "[A]\r\nSort=2147483647\r\nList=0\r\nCaption=a\r\ncmd=-a\r\n"
         "[B]\r\nSort=2\r\nCaption=x,y,\r\nValue=1,2,\r\nIndex=2147483647\r\ncmd=-b\r\n"
         "[C]\r\nSort=-2147483648\r\nList=-1\r\nCaption=c\r\ncmd=-c\r\n",
         1, ".mp4", ""},
        {"LongValues",
         "[Main]\r\nType=" + std::string(3000, 'x') + "\r\nPara=1\r\n0=Long\r\n[Long]\r\nSort=1\r\nCaption=" +
             Repeated("a,", 1500) + "\r\nValue=" + Repeated("v,", 1500) + "\r\ncmd=-l\r\n",
         1, "." + std::string(2047, 'x'), " -l v"},
        {"Garbage", Garbage(64 * 1024), 0, ".mp4", ""},
        {"NoMainSection", rate, 0, ".mp4", ""},
        {"Empty", "", 0, ".mp4", ""},
    };
    for (const Case& c : cases)
        folder.Write(std::string("Profiles\\") + c.name + ".apf", c.text);
    Start();
    ASSERT_TRUE(Boxes().empty());

    TopSettingForm& editor = *korvane.opSettingForm;
    for (const Case& c : cases) {
        SelectProfile(c.name);
        EXPECT_EQ(korvane.OutputExtension, c.extension) << c.name;
        // The job's arguments fill the editor's lists with the chosen profile.
        EXPECT_EQ(editor.BuildArguments(folder / (std::string("Profiles\\") + c.name + ".apf")), c.arguments)
            << c.name;
        EXPECT_EQ(editor.vleVideo.RowCount() + editor.vleAudio.RowCount() + editor.vleAdvanced.RowCount(), c.rows)
            << c.name;
    }
    EXPECT_TRUE(Boxes().empty());
}

struct PreferencesCase {
    const char* name;
    std::string text;
    std::string caption;
    int profile;            // the main window's selection
    bool turnOff;           // "Auto Turn Off", true by default
    std::size_t outputDirLength;   // 0: the program folder
};

class MalformedPreferences : public MalformedFiles, public ::testing::WithParamInterface<PreferencesCase> {};

TEST_P(MalformedPreferences, GiveAWorkingWindowAndAreWrittenBack)
{
    const PreferencesCase& c = GetParam();
    WriteProfile("A", "avi");
    WriteProfile("B", "mov");
    StartWithPreferences(c.text);
    EXPECT_EQ(Main().Caption(), c.caption);
    EXPECT_EQ(Main().cmbProfile.ItemIndex(), c.profile);
    EXPECT_EQ(Settings().chkTurnoff.Checked(), c.turnOff);
    if (c.outputDirLength)
        EXPECT_EQ(Settings().edtOutputDir.Text().size(), c.outputDirLength);
    else
        EXPECT_EQ(Settings().edtOutputDir.Text(), folder.path() + "\\");
    EXPECT_TRUE(Boxes().empty());
    // Closing writes the preferences back without a complaint.
    Main().Close();
    ui::App().ProcessMessages();
    EXPECT_TRUE(Boxes().empty());
    // (A file that starts like UTF-16 text is written back as UTF-16.)
    EXPECT_EQ(IniFile(folder / "Preferences.ini").ReadString("Main", "Auto Turn Off", ""), c.turnOff ? "1" : "0");
}

const std::string kLongVersion(3000, '9');

INSTANTIATE_TEST_SUITE_P(
    , MalformedPreferences,
    ::testing::Values(
        PreferencesCase{"HugeProfileIndex", "[Main]\r\nProfile=2147483647\r\n", "Korvane V1.8", -1, true, 0},
        PreferencesCase{"NegativeProfileIndex", "[Main]\r\nProfile=-2147483648\r\n", "Korvane V1.8", -1, true, 0},
        PreferencesCase{"NumbersBeyond32Bits", "[Main]\r\nProfile=99999999999\r\nAuto Turn Off=4294967296\r\n",
                        "Korvane V1.8", 0, true, 0},
        PreferencesCase{"HexadecimalFlag", "[Main]\r\nProfile=0x1\r\nAuto Turn Off=0x0\r\n", "Korvane V1.8", 1, false,
                        0},
        PreferencesCase{"LongValues",
                        "[Main]\r\nVersion=" + kLongVersion + "\r\nOutput Dir=" + std::string(3000, 'd') +
                            "\r\nAptotic=1\r\n",
                        "Korvane V" + kLongVersion.substr(0, 2047), 0, true, 2047},
        PreferencesCase{"Garbage", Garbage(256 * 1024), "Korvane V1.8", 0, true, 0},
        PreferencesCase{"OnlyFactoryValues", "[Default]\r\nAuto Turn Off=0\r\n", "Korvane V1.8", 0, true, 0},
        PreferencesCase{"Empty", "", "Korvane V1.8", 0, true, 0}),
    [](const ::testing::TestParamInfo<PreferencesCase>& param) { return std::string(param.param.name); });

// A first line that is no usable path (far too long, binary, cut by a zero
// byte) loads nothing and asks nothing.
TEST_F(MalformedFiles, ListFilesWithoutAUsableFirstLineLoadNothing)
{
    const std::pair<const char*, std::string> cases[] = {
        {"huge.tmp", std::string(8 * 1024 * 1024, 'x')},
        {"garbage.tmp", Garbage(64 * 1024)},
        {"cut.tmp", SampleVideo() + std::string(1, '\0') + ".avi\r\n"},   // the sample, were it cut there
    };
    for (const auto& [name, text] : cases) {
        korvane.CommandLineArgument = folder.Write(name, text);
        Start();
        EXPECT_FALSE(Main().SourceLoaded) << name;
        EXPECT_EQ(Main().edtSource.Text(), "") << name;
        EXPECT_TRUE(Boxes().empty()) << name;
        ui::App().DestroyForms();
        ui::App().ResetTerminated();
    }
}

} // namespace
} // namespace korvane::testing
