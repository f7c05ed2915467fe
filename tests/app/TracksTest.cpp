// Jobs on sources with several tracks, long-GOP program streams and a file
// that is not what its name says, through the main window with the real
// converter. e2e_clip_tracks_ffprobe looks at the kept clips again with the
// host's tools.
#include "tests/app/KorvaneFixture.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>

namespace korvane::testing {
namespace {

constexpr char kSourceProfile[] = "Settings of the source file.";
constexpr char kMp4Profile[] = "MP4 video, H.264 and AAC";

std::string Media(const std::string& name)
{
    return WinePath(std::string(KORVANE_TEST_MEDIA_DIR "/") + name);
}

// The streams of a file by kind ("Video", "Audio", "Subtitle"), as the engine
// describes it.
std::map<std::string, int> StreamKinds(const std::string& path)
{
    const std::string text = RunAndCapture(EngineExe(), " -hide_banner -i \"" + path + "\"");
    std::map<std::string, int> kinds;
    for (std::size_t at = text.find("Stream #0:"); at != std::string::npos; at = text.find("Stream #0:", at + 1)) {
        const std::size_t colon = text.find(": ", at + 10);
        const std::size_t end = text.find(':', colon + 2);
        if (colon != std::string::npos && end != std::string::npos)
            ++kinds[text.substr(colon + 2, end - colon - 2)];
    }
    return kinds;
}

struct TrackCase;

class Tracks : public KorvaneTest {
protected:
    void SplitAndCount(const std::string& source, std::initializer_list<TrackCase> cases);
    void StartWithProfiles()
    {
        Preferences prefs;
        prefs.overwrite = true;
        WriteProfile(kSourceProfile, "mp4");
        // The shipped profile, as a user has it.
        const std::string shipped = std::string(KORVANE_DIST_DIR "/Profiles/") + kMp4Profile + ".apf";
        ASSERT_TRUE(CopyFileA(WinePath(shipped).c_str(), (folder / ("Profiles\\" + std::string(kMp4Profile) + ".apf")).c_str(),
                              FALSE));
        Start(prefs);
    }
    // Splits the source's first 20 s into two sections: one from the
    // beginning, one from 10 s, which no keyframe of these sources hits.
    void Split(const std::string& source, const std::string& profile)
    {
        ui::Guard([&] { Main().LoadSource(Media(source)); });
        SelectProfile(profile);
        SetRange("00:00:00", "00:00:20");
        SetSections("2");
        dialogs.ClearCalls();
        Main().imgStartClick(Main().imgStart);
    }
    std::string Clip(const std::string& source, int n, const std::string& ext) const
    {
        return OutputDir() + source.substr(0, source.find('.')) + "_Clip" + std::to_string(n) + ext;
    }
    void Keep(const std::string& clip, const std::string& name)
    {
        if (const char* keep = std::getenv("KORVANE_KEEP_CLIPS"))
            CopyFileA(clip.c_str(), (std::string(keep) + "\\" + name).c_str(), FALSE);
    }
};

// Every sound track and the subtitles the clip's container can hold, in every
// clip of the job, copied or encoded; an encoded clip of 10 s at 25 frames a
// second has 250 pictures. Subtitles left out are said once, when the job
// is done.
struct TrackCase {
    const char* profile;
    const char* ext;
    std::map<std::string, int> kinds;
    const char* leftOut = nullptr;  // the completion message's line on subtitles left out
};

void Tracks::SplitAndCount(const std::string& source, std::initializer_list<TrackCase> cases)
{
    StartWithProfiles();
    for (const TrackCase& c : cases) {
        SCOPED_TRACE(source + " with " + c.profile);
        Split(source, c.profile);
        std::string expected = "Completed|Splitting is completed successfully.";
        if (c.leftOut)
            expected += std::string("\n\n") + c.leftOut;
        EXPECT_EQ(Boxes(), std::vector<std::string>{expected});
        const bool encoded = std::string(c.profile) == kMp4Profile;
        for (int n = 1; n <= 2; ++n) {
            const std::string clip = Clip(source, n, c.ext);
            EXPECT_EQ(StreamKinds(clip), c.kinds) << clip;
            if (encoded) {
                EXPECT_NEAR(VideoFrames(clip), 250, 1) << clip;
            }
            Keep(clip, source + (encoded ? "-mp4" : "-source") + "_Clip" + std::to_string(n) + c.ext);
        }
    }
}

TEST_F(Tracks, DvdClipsKeepBothSoundTracksAndTheSubpictures)
{
    SplitAndCount("tracks.vob", {{kSourceProfile, ".vob", {{"Video", 1}, {"Audio", 2}, {"Subtitle", 1}}},
                                 {kMp4Profile, ".mp4", {{"Video", 1}, {"Audio", 2}},
                                  "Subtitles left out of the clip: 1 track (MP4 and MOV files hold text subtitles only)."}});
}

TEST_F(Tracks, Mp4ClipsKeepBothLanguagesAndTheTextSubtitles)
{
    SplitAndCount("tracks.mp4", {{kSourceProfile, ".mp4", {{"Video", 1}, {"Audio", 2}, {"Subtitle", 1}}},
                                 {kMp4Profile, ".mp4", {{"Video", 1}, {"Audio", 2}, {"Subtitle", 1}}}});
}

TEST_F(Tracks, AviClipsKeepBothSoundTracks)
{
    SplitAndCount("tracks.avi", {{kSourceProfile, ".avi", {{"Video", 1}, {"Audio", 2}}},
                                 {kMp4Profile, ".mp4", {{"Video", 1}, {"Audio", 2}}}});
}

// A copy of a long-GOP program stream starts on the keyframe before the start
// however far back it lies: the clip's pictures run from there, none missing
// at its head, and it lasts at least as long as marked.
TEST_F(Tracks, LongGopCopiesStartOnTheKeyframeBeforeTheStart)
{
    struct Case {
        const char* source;
        const char* start;
        const char* end;
        double keyframeBack;  // seconds from that keyframe to the start
    };
    StartWithProfiles();
    for (const Case& c : {Case{"gop10.mpg", "00:00:05", "00:00:08", 5}, Case{"gop24.mpg", "00:00:47", "00:00:50", 23}}) {
        SCOPED_TRACE(c.source);
        ui::Guard([&] { Main().LoadSource(Media(c.source)); });
        SelectProfile(kSourceProfile);
        SetRange(c.start, c.end);
        SetSections("1");
        Main().rdbStartEnd.SetChecked(true);
        dialogs.ClearCalls();
        Main().imgStartClick(Main().imgStart);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
        const std::string clip = Clip(c.source, 1, ".mpg");
        // The 3 s marked and the pictures from the keyframe before them.
        EXPECT_NEAR(VideoFrames(clip) / 25.0, 3 + c.keyframeBack, 0.2) << clip;
        Keep(clip, c.source);
    }
}

// A text playlist named like a video is not followed to the file it names:
// loading it says so, and no job runs on it.
TEST_F(Tracks, APlaylistDressedAsAVideoIsRefusedAtLoad)
{
    StartWithProfiles();
    TMainForm& main = Main();
    ui::Guard([&] { main.LoadSource(Media("playlist.avi")); });
    ASSERT_TRUE(uitest::PumpUntil([&] { return Boxes().size() >= 2; })) << ::testing::PrintToString(Boxes());
    EXPECT_EQ(Boxes().back(), "Korvane|playlist.avi is not a video file this program can read.");
    EXPECT_EQ(main.labRight.Caption(), "00:00:00");
}

} // namespace
} // namespace korvane::testing
