// Exact starts of MPEG-1 and MPEG-2 program streams: where the head ends, and
// the byte join of head and tail. The clips themselves are checked under Wine
// (scripts/check-exact-cuts.sh).
#include <gtest/gtest.h>
#include "converter/AviMpeg4Exact.h"
#include "converter/ProgramStreamExact.h"

#include <string>

using namespace korvane::frontend;

namespace {

constexpr long long kFrame = 3600;  // 25 fps in 90 kHz ticks
constexpr long long kOrigin = 45000;  // the source's first timestamp, 0.5 s

// An open group of 12 pictures in decoding order I B B P B B ...: the two B
// pictures after each keyframe are shown before it. Keyframes carry no
// presentation time, as program streams often leave it out.
std::string Listing(int groups)
{
    std::string text = "Input #0, mpeg, from 'x.vob':\n  Duration: 00:00:30.00, start: 0.500000, bitrate: 1 kb/s\n"
                       "#tb 0: 1/90000\n";
    for (int g = 0; g < groups; ++g) {
        for (int i = 0; i < 12; ++i) {
            const long long dts = kOrigin + (12LL * g + i) * kFrame;
            const bool b = i % 3 != 0;
            const std::string pts = i == 0 ? "-9223372036854775808" : std::to_string(b ? dts : dts + 3 * kFrame);
            text += "0, " + std::to_string(dts) + ", " + pts + ", 3600, 100, 0x0" + (i == 0 ? "\n" : ", F=0x0\n");
        }
    }
    return text;
}

std::string Unit(unsigned char code, std::string body)
{
    return std::string("\0\0\1", 3) + static_cast<char>(code) + body;
}

// A picture header: temporal reference 0, then the coding type, then a slice.
std::string Picture(int type, char mark)
{
    return Unit(0x00, std::string(1, '\0') + static_cast<char>(type << 3) + "\xFF\xF8")
        + Unit(0x01, std::string(4, mark));
}

} // namespace

TEST(ProgramStreamExact, FindsTheFirstPictureTheHeadAndTheTailsKeyframe)
{
    // Keyframes are shown at 0.12 s + 0.48 s n from the source's start, and
    // decoded three pictures earlier.
    struct Case {
        const char* name;
        double start, end;
        double firstPicture;  // from the source's start
        int headPictures;
        double keyframeDts;   // -1: none, the head is the whole clip
    } cases[] = {
        {"on a picture", 1.0, 5.0, 1.0, 2, 0.96},
        {"between two pictures", 1.01, 5.0, 1.04, 1, 0.96},
        {"on a keyframe", 1.08, 5.0, 1.08, 0, 0.96},
        {"clip ends before the next keyframe", 1.0, 1.06, 1.0, 2, -1},
        {"no keyframe in the listing, clip ends within it", 2.1, 2.2, 2.12, 2, -1},
    };
    const PacketList list = ReadPacketList(Listing(5));
    for (const Case& c : cases) {
        const std::optional<ProgramSpan> span = FindProgramSpan(list, c.start, c.end, 0.04);
        ASSERT_TRUE(span) << c.name;
        EXPECT_NEAR(span->firstPicture, 0.5 + c.firstPicture, 1e-6) << c.name;
        EXPECT_EQ(span->headPictures, c.headPictures) << c.name;
        if (c.keyframeDts < 0)
            EXPECT_FALSE(span->keyframeDts) << c.name;
        else
            EXPECT_NEAR(span->keyframeDts.value_or(0), 0.5 + c.keyframeDts, 1e-6) << c.name;
    }
    // The clip goes on past a listing without a keyframe after its start: a
    // keyframe cut rather than a guess.
    EXPECT_FALSE(FindProgramSpan(ReadPacketList(Listing(1)), 0.3, 5.0, 0.04));
}

TEST(ProgramStreamExact, JoinsTheHeadToTheTailWithoutThePicturesShownBeforeItsKeyframe)
{
    constexpr int I = 1, P = 2, B = 3;
    const std::string sequence = Unit(0xB3, "seq") + Unit(0xB8, "gop");
    const std::string head = sequence + Picture(I, 'h') + Picture(P, 'h') + Unit(0xB7, "");
    const std::string tail = sequence + Picture(I, 'k') + Picture(B, 'x') + Picture(B, 'y') + Picture(P, 'p')
        + Picture(B, 'b') + Picture(B, 'c') + sequence + Picture(I, 'j') + Picture(B, 'z');

    // The head's sequence end would stop a decoder; the two B pictures after
    // the tail's keyframe lean on pictures before it; later ones stay.
    EXPECT_EQ(JoinProgramVideo(head, tail),
              sequence + Picture(I, 'h') + Picture(P, 'h') + sequence + Picture(I, 'k') + Picture(P, 'p')
                  + Picture(B, 'b') + Picture(B, 'c') + sequence + Picture(I, 'j') + Picture(B, 'z'));
    // Without a tail (the clip ends before the next keyframe), the head alone.
    EXPECT_EQ(JoinProgramVideo(head, ""), sequence + Picture(I, 'h') + Picture(P, 'h'));
}

TEST(ProgramStreamExact, ReadsTheSourceAndCutsExactlyOnlyWhatItCanJoinWhole)
{
    const std::string dvd =
        "Input #0, mpeg, from 'a.vob':\n"
        "  Duration: 00:00:30.02, start: 0.500000, bitrate: 1749 kb/s\n"
        "    Stream #0:0[0x1bf]: Data: dvd_nav_packet\n"
        "    Stream #0:1[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576 [SAR 64:45 DAR 16:9], "
        "9800 kb/s, 25 fps, 25 tbr, 90k tbn, 50 tbc\n"
        "    Stream #0:2[0x80]: Audio: ac3, 48000 Hz, stereo, fltp, 448 kb/s\n"
        "    Stream #0:3[0x81]: Audio: mp2, 48000 Hz, stereo, s16p, 192 kb/s\n"
        "Output #0, framecrc, to 'pipe:':\n"
        "    Stream #0:0: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576, 25 fps\n";
    const std::optional<ProgramStreamFacts> facts = ReadProgramStreamFacts(dvd);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->videoCodec, "mpeg2video");
    EXPECT_EQ(facts->profile, "Main");
    EXPECT_EQ(facts->pixelFormat, "yuv420p");
    EXPECT_EQ(facts->fieldOrder, "top first");
    EXPECT_EQ(facts->audioCodecs, (std::vector<std::string>{"ac3", "mp2"}));
    EXPECT_TRUE(CanCutProgramStreamExactly(*facts));
    EXPECT_NEAR(FrameDuration(*facts).value_or(0), 0.04, 1e-9);

    ProgramStreamFacts ntsc = *facts;
    ntsc.frameRate = "29.97";
    EXPECT_NEAR(FrameDuration(ntsc).value_or(0), 1001.0 / 30000, 1e-12);
    // Sound without a raw form, and subtitles, would be lost: keyframe cut.
    ProgramStreamFacts lpcm = *facts;
    lpcm.audioCodecs.push_back("pcm_dvd");
    EXPECT_FALSE(CanCutProgramStreamExactly(lpcm));
    ProgramStreamFacts subtitled = *facts;
    subtitled.subtitleTracks = 1;
    EXPECT_FALSE(CanCutProgramStreamExactly(subtitled));
    ProgramStreamFacts h264 = *facts;
    h264.videoCodec = "h264";
    EXPECT_FALSE(CanCutProgramStreamExactly(h264));
}

// MPEG-4 in AVI: decoding order I P B B P B B ... from an encoder that keeps
// one picture of delay; B pictures carry their time, reference pictures none.
TEST(AviMpeg4Exact, FindsTheFirstPictureAndTheKeyframeFromReferencePicturesWithoutTimes)
{
    std::string listing = "  Duration: 00:00:20.00, start: 0.000000, bitrate: 1 kb/s\n#tb 0: 1/25\n";
    const char* kNone = "-9223372036854775808";
    // Keyframes decoded at 0 and 49; the B pictures at 50 and 51 are shown
    // before the keyframe decoded at 49, which is shown at 51.
    for (int dts = 0; dts < 100; ++dts) {
        const bool key = dts == 0 || dts == 49;
        const bool reference = key || dts % 3 == 1;
        listing += "0, " + std::to_string(dts) + ", " + (reference ? kNone : std::to_string(dts).c_str())
            + ", 1, 100, 0x0" + (key ? "\n" : ", F=0x0\n");
    }
    const PacketList list = ReadPacketList(listing);
    const std::optional<AviSpan> span = FindAviSpan(list, 1.8, 2.0, 0.04);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->firstPicture, 45);
    EXPECT_EQ(span->headPictures, 51 - 45);
    EXPECT_NEAR(span->keyframeDts.value_or(0), 49 * 0.04, 1e-9);
    EXPECT_EQ(span->delay, 1);
    EXPECT_EQ(span->seek, 0);
    // On the keyframe's picture: nothing to encode.
    EXPECT_EQ(FindAviSpan(list, 51 * 0.04, 2.0, 0.04).value_or(AviSpan{}).headPictures, 0);
    // Ending before the keyframe's picture: the head is the clip.
    const std::optional<AviSpan> shortClip = FindAviSpan(list, 1.8, 0.12, 0.04);
    ASSERT_TRUE(shortClip);
    EXPECT_EQ(shortClip->headPictures, 3);
    EXPECT_FALSE(shortClip->keyframeDts);
}

TEST(AviMpeg4Exact, TheTailGainsTheStreamHeaderAndLosesThePicturesShownBeforeItsKeyframe)
{
    auto unit = [](unsigned char code, const std::string& body) {
        return std::string("\0\0\1", 3) + static_cast<char>(code) + body;
    };
    // vop_coding_type in the top two bits: I 0, P 1, B 2.
    auto picture = [&](int type, char mark) { return unit(0xB6, std::string(1, static_cast<char>(type << 6)) + mark); };
    const std::string header = unit(0xB0, "s") + unit(0xB5, "o") + unit(0x00, "") + unit(0x20, "layer");
    const std::string tail = picture(0, 'k') + picture(2, 'x') + picture(2, 'y') + picture(1, 'p') + picture(2, 'b');

    EXPECT_EQ(Mpeg4Header(header + tail), header);
    EXPECT_EQ(PrepareMpeg4Tail(header, tail), header + picture(0, 'k') + picture(1, 'p') + picture(2, 'b'));
    // A keyframe with its own header keeps it and gains no second one.
    EXPECT_EQ(PrepareMpeg4Tail(header, unit(0x20, "own") + tail),
              unit(0x20, "own") + picture(0, 'k') + picture(1, 'p') + picture(2, 'b'));
}
