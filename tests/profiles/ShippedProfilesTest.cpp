// The profiles the program ships, each run as a real job through the main
// window with the real converter: every profile with its default choices
// makes a clip of the expected type, and a choice of each kind made in the
// profile editor shows in what the converter writes.
#include "tests/app/KorvaneFixture.h"

#include "app/FileNames.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace korvane::testing {
namespace {

// What the converter reads from a media file's header.
struct Probe {
    std::string text;        // all it printed
    std::string container;   // "avi", "mov,mp4,m4a,3gp,3g2,mj2", "asf"...
    std::string video;       // codec of the first video stream, "" when none
    std::string audio;       // codec of the first audio stream, "" when none
    int width = 0;
    int height = 0;
    int videoKbps = 0;
    std::string fps;
    bool hasEncoderTag = false;
};

std::string CodecAfter(const std::string& line, const std::string& marker)
{
    const std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + marker.size();
    const std::size_t end = line.find_first_of(" ,\r\n", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

Probe ProbeMedia(const std::string& path)
{
    Probe p;
    p.text = RunAndCapture(EngineExe(), " -hide_banner -i \"" + path + "\"");
    std::size_t lineStart = 0;
    while (lineStart < p.text.size()) {
        std::size_t lineEnd = p.text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = p.text.size();
        const std::string line = p.text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.rfind("Input #0, ", 0) == 0) {
            const std::size_t from = line.find(", from ");
            p.container = line.substr(10, from == std::string::npos ? std::string::npos : from - 10);
        }
        if (line.find("encoder ") != std::string::npos)
            p.hasEncoderTag = true;
        if (line.find("Stream #0:") == std::string::npos)
            continue;
        if (p.video.empty() && line.find("Video: ") != std::string::npos) {
            p.video = CodecAfter(line, "Video: ");
            std::smatch m;
            if (std::regex_search(line, m, std::regex(R"(, (\d{2,5})x(\d{2,5})[ ,])"))) {
                p.width = std::stoi(m[1]);
                p.height = std::stoi(m[2]);
            }
            if (std::regex_search(line, m, std::regex(R"(, (\d+) kb/s)")))
                p.videoKbps = std::stoi(m[1]);
            if (std::regex_search(line, m, std::regex(R"(, ([\d.]+) fps)")))
                p.fps = m[1];
        }
        if (p.audio.empty() && line.find("Audio: ") != std::string::npos)
            p.audio = CodecAfter(line, "Audio: ");
    }
    return p;
}

std::vector<std::string> ShippedProfileFiles()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(WinePath(KORVANE_DIST_DIR "/Profiles/*.apf").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.emplace_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class ShippedProfiles : public KorvaneTest {
protected:
    // The shipped profiles in the test's program folder, the windows up and
    // the sample loaded.
    void StartWithShippedProfiles()
    {
        for (const std::string& file : ShippedProfileFiles()) {
            ASSERT_TRUE(CopyFileA(WinePath(std::string(KORVANE_DIST_DIR "/Profiles/") + file).c_str(),
                                  (folder / ("Profiles\\" + file)).c_str(), FALSE))
                << file;
        }
        Preferences prefs;
        prefs.overwrite = true;
        Start(prefs);
        Main().LoadSource(SampleVideo());
        ASSERT_TRUE(Main().SourceLoaded);
    }

    // The editor as the user meets it: opened by "Detail" on the main window's profile.
    TopSettingForm& Editor()
    {
        if (!korvane.opSettingForm->Visible())
            Main().BitBtn1Click(Main().BitBtn1);
        return *korvane.opSettingForm;
    }

    void Choose(ui::ValueListEditor& list, const std::string& key, const std::string& value)
    {
        int row = -1;
        ASSERT_TRUE(list.FindRow(key, row)) << key;
        list.SetRow(row);
        list.SetValue(row, value);
    }

    // Runs the job on two seconds of the sample; returns the clip's path.
    std::string RunJob()
    {
        dialogs.ClearCalls();
        SetRange("00:00:02", "00:00:04");
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
        std::string extension = korvane.OutputExtension;
        if (Main().cmbProfile.Text() == "Settings of the source file.")
            extension = ".avi";   // the source's own type
        const std::string clip = OutputDir() + "sample_Clip1" + extension;
        EXPECT_TRUE(FileExistsAt(clip)) << clip;
        return clip;
    }

    // Keeps the clip for a look with the host's tools when asked to.
    static void Keep(const std::string& clip, const std::string& as)
    {
        if (const char* keep = std::getenv("KORVANE_KEEP_CLIPS"))
            CopyFileA(clip.c_str(), (std::string(keep) + "\\" + as).c_str(), FALSE);
    }
};

// --- every profile with its default choices -------------------------------------------------

struct Expected {
    const char* profile;
    const char* extension;
    const char* container;
    const char* video;   // "" for none
    const char* audio;
};

// Names the case in test listings by its output type alone.
void PrintTo(const Expected& e, std::ostream* os)
{
    *os << e.extension;
}

const Expected kShipped[] = {
    {"AVI video, MPEG-4 and MP3", ".avi", "avi", "mpeg4", "mp3"},
    {"DVD video VOB, MPEG-2 and AC-3", ".vob", "mpeg", "mpeg2video", "ac3"},
    {"MOV video, H.264 and AAC", ".mov", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
    {"MP3 audio only", ".mp3", "mp3", "", "mp3"},
    {"MP4 video, H.264 and AAC", ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
    {"MPEG video, MPEG-2", ".mpeg", "mpeg", "mpeg2video", "mp2"},
    {"MPG video, MPEG-1", ".mpg", "mpeg", "mpeg1video", "mp2"},
    {"Settings of the source file.", ".avi", "avi", "mpeg4", "mp3"},
    {"Windows Media ASF, MPEG-4 v3 and WMA", ".asf", "asf", "msmpeg4v3", "wmav2"},
    {"WMV video, Windows Media 8", ".wmv", "asf", "wmv2", "wmav2"},
};

TEST(ShippedProfileSet, CoversEverySourceTypeAndEveryProfileIsChecked)
{
    std::vector<std::string> names;
    for (const std::string& file : ShippedProfileFiles())
        names.push_back(file.substr(0, file.size() - 4));
    std::sort(names.begin(), names.end());
    std::vector<std::string> checked;
    for (const Expected& e : kShipped)
        checked.push_back(e.profile);
    std::sort(checked.begin(), checked.end());
    EXPECT_EQ(names, checked);

    std::set<std::string> types;
    for (const std::string& file : ShippedProfileFiles()) {
        const std::string path = WinePath(std::string(KORVANE_DIST_DIR "/Profiles/") + file);
        types.insert("." + IniFile(path).ReadString("Main", "Type", "mp4"));
        // Every profile carries the rows the editor knows, in their groups.
        const IniFile ini(path);
        const char* rows[] = {"Video Codec", "Video Size", "Bit Rate", "Frame Rate", "Aspect", "Disable Video",
                              "Audio Codec", "Audio Bitrate", "Sample Rate", "Channels", "Volumn",
                              "Disable Audio", "Bit Exact Algorithms", "Deinterlace"};
        // ... in this order, among rows of the profile's own.
        std::vector<std::string> order;
        for (int i = 0; i < ini.ReadInteger("Main", "Para", 0); ++i)
            order.push_back(ini.ReadString("Main", std::to_string(i), ""));
        std::size_t next = 0;
        for (int i = 0; i < 14; ++i) {
            const auto at = std::find(order.begin() + next, order.end(), rows[i]);
            ASSERT_NE(at, order.end()) << file << " " << rows[i];
            next = static_cast<std::size_t>(at - order.begin()) + 1;
            EXPECT_EQ(ini.ReadInteger(rows[i], "Sort", -1), i < 6 ? 1 : i < 12 ? 2 : 3) << file << " " << rows[i];
        }
        const std::string sizes = ini.ReadString("Video Size", "Caption", "");
        EXPECT_EQ(sizes.rfind("Original Size,", 0), 0u) << file;
        EXPECT_NE(sizes.find(",Custom Size,"), std::string::npos) << file;
        EXPECT_EQ(ini.ReadInteger("Video Size", "Index", -1), 0) << file;
    }
    for (const std::string& type : SupportedSourceExtensions())
        EXPECT_TRUE(types.count(type)) << type << " is made by no profile";
}

// --- every profile with its default choices, on sources shaped as real ones ------------------

// Short sources as cameras, broadcasts and films make them: H.264 and AAC in MP4.
struct Shape {
    const char* file;   // in KORVANE_PROFILES_MEDIA_DIR
    int width, height;
    const char* fps;    // as the engine prints the rate
    bool pal;
};
const Shape kShapes[] = {
    {"hd-29.97.mp4", 1280, 720, "29.97", false},
    {"pal-25.mp4", 720, 576, "25", true},
    {"film-23.976.mp4", 640, 360, "23.98", false},
};

// Where the index of an MP4 or MOV file lies: true when "moov" comes before "mdat".
bool IndexFirst(const std::string& path)
{
    const std::string bytes = ScratchFolder::Read(path);
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        const auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
        std::uint64_t size = (std::uint64_t(b(0)) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "moov")
            return true;
        if (type == "mdat")
            return false;
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | b(i);
        }
        if (size < 8)
            return false;
        at += size;
    }
    return false;
}

class EachShippedProfile : public ShippedProfiles, public ::testing::WithParamInterface<Expected> {};

TEST_P(EachShippedProfile, MakesClipsOfRealSourcesWithItsDefaults)
{
    const Expected& e = GetParam();
    StartWithShippedProfiles();
    SelectProfile(e.profile);
    EXPECT_EQ(korvane.OutputExtension, e.extension);
    const std::string type = e.extension;
    const bool copy = std::string(e.profile) == "Settings of the source file.";
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.file);
        const std::string source = WinePath(std::string(KORVANE_PROFILES_MEDIA_DIR "/") + shape.file);
        Main().LoadSource(source);
        dialogs.ClearCalls();
        SetRange("00:00:00", "00:00:01");
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
        const std::string clip =
            OutputDir() + StripExtension(shape.file) + "_Clip1" + (copy ? std::string(".mp4") : type);
        ASSERT_TRUE(FileExistsAt(clip)) << clip;

        const Probe p = ProbeMedia(clip);
        EXPECT_EQ(p.container, copy ? "mov,mp4,m4a,3gp,3g2,mj2" : e.container) << p.text;
        EXPECT_EQ(p.video, copy ? "h264" : e.video) << p.text;
        EXPECT_EQ(p.audio, copy ? "aac" : e.audio) << p.text;
        if (!p.video.empty()) {
            int width = shape.width, height = shape.height;
            std::string fps = shape.fps;
            if (type == ".vob") {   // the DVD standard the source's rate asks for
                width = 720;
                height = shape.pal ? 576 : 480;
                fps = shape.pal ? "25" : "29.97";
            } else if (type == ".mpg" && width > 640) {   // MPEG-1 keeps to 640 wide
                height = height * 640 / width;
                width = 640;
            }
            EXPECT_EQ(p.width, width) << p.text;
            EXPECT_EQ(p.height, height) << p.text;
            EXPECT_EQ(p.fps, fps) << p.text;
        }
        EXPECT_NEAR(MediaDuration(clip), 1.0, 0.3) << p.text;
        // Decodes from start to end without a word from the decoders.
        EXPECT_EQ(DecodeErrors(clip), "") << clip;
        if (type == ".mp4" || type == ".mov") {
            EXPECT_TRUE(IndexFirst(clip)) << clip;
        }
        Keep(clip, std::string(copy ? "source" : e.extension + 1) + "-" + ExtractFileName(clip));
    }
}

// A source of odd width and height: every profile makes a clip that decodes
// without errors, its picture made even wherever it is encoded.
TEST_P(EachShippedProfile, MakesACleanClipOfAnOddSizedSource)
{
    const Expected& e = GetParam();
    StartWithShippedProfiles();
    Main().LoadSource(WinePath(KORVANE_TEST_MEDIA_DIR "/odd.avi"));
    SelectProfile(e.profile);
    SetRange("00:00:02", "00:00:04");
    Main().imgStartClick(Main().imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});

    const bool copied = Main().cmbProfile.Text() == "Settings of the source file.";
    const std::string clip = OutputDir() + "odd_Clip1" + (copied ? ".avi" : korvane.OutputExtension);
    const Probe p = ProbeMedia(clip);
    EXPECT_EQ(p.video, e.video) << p.text;
    if (copied) {
        EXPECT_EQ(p.width, 853) << p.text;
        EXPECT_EQ(p.height, 479) << p.text;
    } else if (*e.video) {
        EXPECT_GT(p.width, 0) << p.text;
        EXPECT_EQ(p.width % 2, 0) << p.text;
        EXPECT_EQ(p.height % 2, 0) << p.text;
    }
    EXPECT_EQ(DecodeErrors(clip), "") << clip;
}

INSTANTIATE_TEST_SUITE_P(Shipped, EachShippedProfile, ::testing::ValuesIn(kShipped),
                         [](const ::testing::TestParamInfo<Expected>& param) {
                             std::string name = param.param.profile;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// --- one choice of each kind reaches the converter -------------------------------------------

TEST_F(ShippedProfiles, PickListChoicesChangeCodecAndFrameRate)
{
    StartWithShippedProfiles();
    SelectProfile("MP4 video, H.264 and AAC");
    Choose(Editor().vleAudio, "Audio Codec", "MP3");
    Choose(Editor().vleVideo, "Frame Rate", "29.97");
    const Probe p = ProbeMedia(RunJob());
    EXPECT_EQ(p.video, "h264") << p.text;
    EXPECT_EQ(p.audio, "mp3") << p.text;
    EXPECT_EQ(p.fps, "29.97") << p.text;
}

TEST_F(ShippedProfiles, AFreeTextBitRateReachesTheEncoder)
{
    StartWithShippedProfiles();
    SelectProfile("MP4 video, H.264 and AAC");
    // Constant quality by default; the bit rate counts once the user says so.
    Choose(Editor().vleVideo, "Quality", "Use the bit rate");
    const Probe byDefault = ProbeMedia(RunJob());
    EXPECT_GT(byDefault.videoKbps, 200) << byDefault.text;
    Choose(Editor().vleVideo, "Bit Rate", "100k");
    const Probe low = ProbeMedia(RunJob());
    EXPECT_GT(low.videoKbps, 0) << low.text;
    EXPECT_LT(low.videoKbps, 150) << low.text;
}

TEST_F(ShippedProfiles, OptionsWithoutValueLeaveOutTheAudioAndTheEncoderTag)
{
    StartWithShippedProfiles();
    SelectProfile("MP4 video, H.264 and AAC");
    const Probe byDefault = ProbeMedia(RunJob());
    EXPECT_TRUE(byDefault.hasEncoderTag) << byDefault.text;
    Choose(Editor().vleAudio, "Disable Audio", "Yes");
    Choose(Editor().vleAdvanced, "Bit Exact Algorithms", "Yes");
    const Probe p = ProbeMedia(RunJob());
    EXPECT_EQ(p.video, "h264") << p.text;
    EXPECT_EQ(p.audio, "") << p.text;
    EXPECT_FALSE(p.hasEncoderTag) << p.text;
}

TEST_F(ShippedProfiles, SourceSettingsCopyOnlyWhatIsLeftIn)
{
    StartWithShippedProfiles();
    SelectProfile("Settings of the source file.");
    Choose(Editor().vleVideo, "Disable Video", "Yes");
    const Probe p = ProbeMedia(RunJob());
    EXPECT_EQ(p.container, "avi") << p.text;
    EXPECT_EQ(p.video, "") << p.text;
    EXPECT_EQ(p.audio, "mp3") << p.text;
}

TEST_F(ShippedProfiles, ACustomSizeChosenInTheEditorSizesTheClip)
{
    StartWithShippedProfiles();
    SelectProfile("AVI video, MPEG-4 and MP3");
    Main().BitBtn1Click(Main().BitBtn1);
    TSizeForm& size = *korvane.SizeForm;
    Choose(Editor().vleVideo, "Video Size", "Custom Size");
    ASSERT_TRUE(size.Visible());
    size.edtWidth.SetText("640");
    size.edtHeight.SetText("480");
    size.btnOK.Click();
    // Saved with OK: the file keeps "Original Size", the run keeps 640x480.
    Editor().Button1.Click();
    const std::string profile = ProfilePath(korvane.ProgramDir, "AVI video, MPEG-4 and MP3");
    EXPECT_EQ(IniFile(profile).ReadString("Video Size", "Index", ""), "0");

    const std::string clip = RunJob();
    const Probe p = ProbeMedia(clip);
    EXPECT_EQ(p.video, "mpeg4") << p.text;
    EXPECT_EQ(p.width, 640) << p.text;
    EXPECT_EQ(p.height, 480) << p.text;
    Keep(clip, "custom-size.avi");

    // The next start reads the profile file alone: the source's size again.
    Editor().LoadProfileIntoEditor(profile);
    const Probe again = ProbeMedia(RunJob());
    EXPECT_EQ(again.width, 320) << again.text;
}

} // namespace
} // namespace korvane::testing
