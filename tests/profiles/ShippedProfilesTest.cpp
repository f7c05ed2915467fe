// The profiles the program ships, each run as a real job through the main
// window with the real converter: every profile with its default choices
// makes a clip of the expected type, and a choice of each kind made in the
// profile editor shows in what the converter writes.
#include "tests/app/KorvaneFixture.h"
#include "tests/support/FilesMatching.h"
#include "tests/support/Pump.h"
#include "tests/ui/UiTestSupport.h"

#include "app/FileNames.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <cstdlib>
#include <limits>
#include <regex>
#include <sstream>
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
    bool hasEncoderTag = false;   // an "encoder" tag that names the libraries' version
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
        // "encoder : Lavf59.27.100"; bit-exact output names no version ("Lavc libx264").
        if (line.find("encoder ") != std::string::npos && std::regex_search(line, std::regex(R"(Lav[fc]\d)")))
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
    return FilesMatching(WinePath(KORVANE_DIST_DIR "/Profiles/*.apf"));
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

// AV1 in MP4, as the web and newer phones store it: every profile makes a
// clip of it, which the engine reads through dav1d. Where the preview cannot
// show AV1 the file still loads, its length from the engine.
TEST_P(EachShippedProfile, MakesAClipOfAnAv1Source)
{
    const Expected& e = GetParam();
    StartWithShippedProfiles();
    SelectProfile(e.profile);
    const bool copy = std::string(e.profile) == "Settings of the source file.";
    ui::Guard([&] { Main().LoadSource(WinePath(KORVANE_TEST_MEDIA_DIR "/av1.mp4")); });
    const auto pump = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    };
    ASSERT_TRUE(testsupport::PumpUntilDeadline([&] { return Main().SourceSeconds() > 0; }, 30000, pump))
        << "the length of the AV1 source never came";
    EXPECT_NEAR(Main().SourceSeconds(), 3.0, 0.1);
    dialogs.ClearCalls();
    SetRange("00:00:01", "00:00:02");
    Main().imgStartClick(Main().imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});

    const std::string clip = OutputDir() + "av1_Clip1" + (copy ? std::string(".mp4") : korvane.OutputExtension);
    const Probe p = ProbeMedia(clip);
    EXPECT_EQ(p.video, copy ? "av1" : e.video) << p.text;
    EXPECT_EQ(p.audio, copy ? "aac" : e.audio) << p.text;
    EXPECT_NEAR(MediaDuration(clip), 1.0, 0.3) << p.text;
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

// --- copies that start exactly at the marked start -------------------------------------------

// The packets of a file's first stream of a kind, as the engine reads them
// (edit lists read, or ignored as some players do).
struct Packets {
    std::vector<std::string> sums;  // checksums in decoding order
    std::vector<bool> keys;
    double firstTime = 0;           // the first packet's presentation time (its decoding time where there is none)
    double firstDuration = 0;
};

Packets ListPackets(const std::string& path, char kind, bool ignoreEditList = false)
{
    const std::string text = RunAndCapture(EngineExe(), std::string(" -hide_banner -nostats -loglevel error")
                                                            + (ignoreEditList ? " -ignore_editlist 1" : "") + " -i \""
                                                            + path + "\" -map 0:" + kind + ":0 -c copy -f framecrc -");
    Packets p;
    std::smatch m;
    double tick = 0;
    if (std::regex_search(text, m, std::regex(R"(#tb 0: (\d+)/(\d+))")))
        tick = std::stod(m[1]) / std::stod(m[2]);
    const std::regex line(R"(^0,\s*(-?\d+),\s*(-?\d+),\s*(\d+),\s*\d+,\s*(0x[0-9a-f]{8})(, F=0x([0-9A-F]+))?)");
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) {
        if (!std::regex_search(l, m, line))
            continue;
        if (p.sums.empty()) {
            const long long pts = std::stoll(m[2]);
            p.firstTime = (pts == std::numeric_limits<long long>::min() ? std::stoll(m[1]) : pts) * tick;
            p.firstDuration = std::stoll(m[3]) * tick;
        }
        p.sums.push_back(m[4]);
        p.keys.push_back(!m[5].matched || (std::stoi(m[6], nullptr, 16) & 1));
    }
    return p;
}

// One picture of a file as 8-bit grey samples, as the engine decodes and
// shows it: its picture number `picture`, counted in the order shown.
std::string GreyPicture(const std::string& path, int picture, bool ignoreEditList)
{
    return RunAndCapture(EngineExe(), std::string(" -hide_banner -nostats -loglevel quiet")
                                          + (ignoreEditList ? " -ignore_editlist 1" : "") + " -i \"" + path
                                          + "\" -vf \"select=eq(n\\," + std::to_string(picture)
                                          + "),format=gray\" -frames:v 1 -f rawvideo -");
}

// How close the clip's first picture is to the source's picture number
// `picture` (counted in the order they are shown): the peak signal-to-noise
// ratio of their brightness in dB, 100 when they are the same, -1 when
// either cannot be had or their sizes differ.
double FirstPictureLikeness(const std::string& clip, const std::string& source, int picture, bool ignoreEditList)
{
    const std::string a = GreyPicture(clip, 0, ignoreEditList);
    const std::string b = GreyPicture(source, picture, ignoreEditList);
    if (a.empty() || a.size() != b.size())
        return -1;
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
        squares += d * d;
    }
    if (squares == 0)
        return 100;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
}

// H.264 with B-pictures and a keyframe every 10 s in MP4, MOV (turned a
// quarter when shown, as phones store them) and AVI, cut from 5 s: the clip
// shows the source's picture at 5 s first, turned as the source's are, even
// to a player that ignores edit lists, and from the keyframe at 10 s on holds the
// source's own packets; it decodes without errors, and its sound starts with
// its picture. HEVC keeps the cut at the keyframe before, and the job's
// message says so; H.264 too when the profile's "Start" says so.
TEST_F(ShippedProfiles, CopiesStartExactlyAtTheMarkedPicture)
{
    StartWithShippedProfiles();
    SelectProfile("Settings of the source file.");
    auto cut = [&](const std::string& name, const std::string& said = "") {
        Main().LoadSource(WinePath(std::string(KORVANE_TEST_MEDIA_DIR "/") + name));
        dialogs.ClearCalls();
        SetRange("00:00:05", "00:00:13");
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully." + said});
        return OutputDir() + name.substr(0, name.find('.')) + "_Clip1" + name.substr(name.find('.'));
    };
    for (const std::string name : {"gop.mp4", "gop.mov", "gop.avi"}) {
        SCOPED_TRACE(name);
        const std::string source = WinePath(std::string(KORVANE_TEST_MEDIA_DIR "/") + name);
        const std::string clip = cut(name);
        const bool editList = name != "gop.avi";
        EXPECT_GT(FirstPictureLikeness(clip, source, 125, editList), 38);
        EXPECT_LT(FirstPictureLikeness(clip, source, 124, editList), 30) << "not its neighbour";

        const Packets pictures = ListPackets(clip, 'v');
        const Packets original = ListPackets(source, 'v');
        const auto keyframe = std::find(pictures.keys.begin() + 1, pictures.keys.end(), true);
        ASSERT_NE(keyframe, pictures.keys.end());
        const std::size_t k = static_cast<std::size_t>(keyframe - pictures.keys.begin());
        EXPECT_EQ(k, 125u) << "5 s of pictures encoded before the keyframe at 10 s";
        const auto same = std::find(original.sums.begin(), original.sums.end(), pictures.sums[k]);
        ASSERT_NE(same, original.sums.end()) << "the keyframe is the source's own";
        ASSERT_GE(original.sums.end() - same, static_cast<long>(pictures.sums.size() - k));
        EXPECT_TRUE(std::equal(pictures.sums.begin() + static_cast<long>(k), pictures.sums.end(), same));
        EXPECT_NEAR(VideoFrames(clip) / 25.0, 8.0, 0.1);

        EXPECT_EQ(DecodeErrors(clip), "");
        const Packets sound = ListPackets(clip, 'a');
        EXPECT_NEAR(sound.firstTime, pictures.firstTime, sound.firstDuration + 0.001);
        Keep(clip, "exact-" + ExtractFileName(clip));
    }

    const std::string hevc = cut("hevc.mp4", "\n\nClip 1 starts at the keyframe before its mark, 00:00:00.000: its "
                                             "exact start could not be made (its pictures are hevc, which are "
                                             "started exactly only as H.264, MPEG-1, MPEG-2 or MPEG-4).");
    EXPECT_GT(FirstPictureLikeness(hevc, WinePath(KORVANE_TEST_MEDIA_DIR "/hevc.mp4"), 0, true), 38)
        << "the keyframe at 0 s, which the edit list hides";
    Choose(Editor().vleAdvanced, "Start", "At the keyframe before it");
    const std::string mp4 = cut("gop.mp4");
    EXPECT_GT(FirstPictureLikeness(mp4, WinePath(KORVANE_TEST_MEDIA_DIR "/gop.mp4"), 0, true), 38)
        << "the keyframe at 0 s, as the profile says";
}

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
