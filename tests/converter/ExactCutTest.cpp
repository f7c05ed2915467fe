// The plan of a copy that starts exactly at the marked start: what the
// front-end reads from the engine and decides from it, without the engine.
#include "converter/ClipRequest.h"
#include "converter/ExactCut.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvane::frontend;

namespace {

std::string Bytes(std::string_view hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string AnnexB(std::initializer_list<std::string_view> nals)
{
    std::string out;
    for (std::string_view nal : nals)
        out += std::string("\0\0\0\1", 4) + Bytes(nal);
    return out;
}

VideoPacket Packet(double dts, std::optional<double> pts, bool key = false)
{
    return VideoPacket{dts, pts, key};
}

} // namespace

// The main program's profile asks with "-cutstart"; the engine never sees it.
TEST(ExactCut, TheStartCutIsTheFrontEndsOwnOption)
{
    auto read = [](std::string_view line) { return ReadClipRequest(ArgumentWords(line)); };
    const ReadResult exact = read(" -y -i a.mp4 -ss 5 -t 8 -c copy -cutstart exact b.mp4");
    ASSERT_TRUE(exact.request) << exact.error;
    EXPECT_TRUE(exact.request->exactStart);
    for (std::string_view line : {" -y -i a.mp4 -ss 5 -cutstart keyframe -c copy b.mp4", " -y -i a.mp4 -c copy b.mp4",
                                  " -y -i a.mp4 -cutstart -c copy b.mp4"}) {
        const ReadResult r = read(line);
        ASSERT_TRUE(r.request) << line << ": " << r.error;
        EXPECT_FALSE(r.request->exactStart) << line;
        for (const std::string& word : EngineArguments(*r.request))
            EXPECT_EQ(word.find("cutstart"), std::string::npos) << line;
    }
    EXPECT_FALSE(read(" -y -i a.mp4 -cutstart nearly -c copy b.mp4").request);
}

// The engine's description of the source's picture stream, as it writes it
// for an MP4, an AVI and an interlaced broadcast capture; the description of
// the output that follows is not the source's.
TEST(ExactCut, ReadsTheSourcesPictureFacts)
{
    const auto mp4 = ReadVideoFacts(
        "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'C:\\a, Video: b.mp4':\r\n"
        "  Duration: 00:00:30.00, start: 0.000000, bitrate: 381 kb/s\r\n"
        "    Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p, 320x240 [SAR 1:1 DAR 4:3], "
        "278 kb/s, 25 fps, 25 tbr, 12800 tbn, 50 tbc (default)\r\n"
        "    Stream #0:1(und): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, mono, fltp, 96 kb/s (default)\r\n");
    ASSERT_TRUE(mp4);
    EXPECT_EQ(mp4->index, 0);
    EXPECT_EQ(mp4->codec, "h264");
    EXPECT_EQ(mp4->profile, "High");
    EXPECT_EQ(mp4->pixelFormat, "yuv420p");
    EXPECT_EQ(mp4->fieldOrder, "");
    EXPECT_EQ(mp4->width, 320);
    EXPECT_EQ(mp4->height, 240);
    EXPECT_EQ(mp4->sampleAspect, "1:1");
    EXPECT_EQ(mp4->frameRate, "25");
    EXPECT_EQ(mp4->timescale, 12800);
    EXPECT_EQ(mp4->pictureStreams, 1);

    const auto ts = ReadVideoFacts(
        "    Stream #0:1[0x1e0]: Video: h264 (Main) ([27][0][0][0] / 0x001B), yuv420p(tv, bt709, top first), "
        "1920x1080 [SAR 1:1 DAR 16:9], 29.97 fps, 29.97 tbr, 90k tbn, 59.94 tbc\r\n"
        "    Stream #0:2[0x1e1]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576, 25 fps, 90k tbn\r\n"
        "Output #0, framecrc, to 'pipe:':\r\n"
        "    Stream #0:0: Video: h264, yuv420p, 1920x1080, 90k tbn\r\n");
    ASSERT_TRUE(ts);
    EXPECT_EQ(ts->pictureStreams, 2) << "the output's are not the source's";
    EXPECT_EQ(ts->index, 1);
    EXPECT_EQ(ts->profile, "Main");
    EXPECT_EQ(ts->fieldOrder, "top first");
    EXPECT_EQ(ts->frameRate, "29.97");
    EXPECT_EQ(ts->timescale, 90000);

    const auto avi = ReadVideoFacts("    Stream #0:0: Video: mpeg4 (Simple Profile) (XVID / 0x44495658), "
                                    "yuv420p(progressive), 853x479 [SAR 1:1 DAR 853:479], 25 fps, 25 tbn\r\n");
    ASSERT_TRUE(avi);
    EXPECT_EQ(avi->codec, "mpeg4");
    EXPECT_EQ(avi->fieldOrder, "progressive");
    EXPECT_EQ(avi->width, 853);
    EXPECT_FALSE(ReadVideoFacts("Output #0, mp4:\r\n    Stream #0:0: Video: h264, yuv420p, 2x2, 25 tbn\r\n"));
}

// Parameter sets as the engine writes them in front of a keyframe: a high
// profile one after an SEI, an interlaced one, a baseline one, one with its
// own numbers and scaling lists; cut short, none.
TEST(ExactCut, ReadsTheSourcesH264ParameterSets)
{
    const auto high = ReadH264Parameters(AnnexB({"0605ff", "6764000dacd94141fb011000000300100000030320f1429960",
                                                  "68ef8fcb", "65888200"}));
    ASSERT_TRUE(high);
    EXPECT_EQ(high->profileIdc, 100);
    EXPECT_EQ(high->levelIdc, 13);
    EXPECT_EQ(high->spsId, 0);
    EXPECT_EQ(high->ppsId, 0);
    EXPECT_TRUE(high->frameMbsOnly);

    const auto interlaced = ReadH264Parameters(
        AnnexB({"67640015acd941410fcb808800000300080000030190f8a14cb0", "68fba3cb22c0"}));
    ASSERT_TRUE(interlaced);
    EXPECT_FALSE(interlaced->frameMbsOnly);

    const auto baseline = ReadH264Parameters(AnnexB({"6742c00ad9047b011000000300100000030320f1226480", "68cb83cb20"}));
    ASSERT_TRUE(baseline);
    EXPECT_EQ(baseline->profileIdc, 66);
    EXPECT_TRUE(baseline->frameMbsOnly);

    const auto numbered = ReadH264Parameters(
        AnnexB({"6764000a32cd9447b011000003000100000300320f122596", "6831abe3cb3002c0"}));
    ASSERT_TRUE(numbered);
    EXPECT_EQ(numbered->spsId, 5);
    EXPECT_EQ(numbered->ppsId, 5);
    EXPECT_EQ(numbered->levelIdc, 10);
    EXPECT_TRUE(numbered->frameMbsOnly) << "read past its scaling lists";

    EXPECT_FALSE(ReadH264Parameters(AnnexB({"67640015acd9", "68fba3cb22c0"})));
    EXPECT_FALSE(ReadH264Parameters(AnnexB({"67640015acd941410fcb808800000300080000030190f8a14cb0"})));
}

// Where the head ends: 25 pictures a second, B-pictures shown two pictures
// after they are decoded in an MP4, decoding order only in an AVI.
TEST(ExactCut, FindsThePicturesToEncodeAndTheKeyframeTheCopyStartsAt)
{
    PacketList mp4;
    mp4.sourceStart = 0;
    // Shown from 4.00, keyframes shown at 4.00 and 6.00; in each group the
    // picture after two B-pictures is decoded before them, from 3.92 on.
    std::vector<int> order;
    for (int group : {0, 50}) {
        order.push_back(group);
        for (int anchor = group + 3, previous = group; previous < group + 49; anchor = std::min(anchor + 3, group + 49)) {
            order.push_back(anchor);
            for (int b = previous + 1; b < anchor; ++b)
                order.push_back(b);
            previous = anchor;
        }
    }
    for (std::size_t i = 0; i < order.size(); ++i)
        mp4.packets.push_back(Packet(3.92 + static_cast<double>(i) * 0.04, 4.0 + order[i] * 0.04, order[i] % 50 == 0));
    const SpanResult found = FindExactSpan(mp4, 5.2, 15.2, false);
    ASSERT_TRUE(found.complete && found.span);
    EXPECT_NEAR(found.span->firstPicture, 5.2, 1e-9);
    ASSERT_TRUE(found.span->keyframe);
    EXPECT_NEAR(*found.span->keyframe, 6.0, 1e-9);
    EXPECT_EQ(found.span->headPictures, 20);
    EXPECT_NEAR(found.span->keyframeDelay, 0.08, 1e-9);
    EXPECT_NEAR(found.span->frameDuration, 0.04, 1e-9);
    EXPECT_FALSE(found.span->startsOnKeyframe);

    const SpanResult onKey = FindExactSpan(mp4, 5.9996, 15.2, false);
    ASSERT_TRUE(onKey.span);
    EXPECT_TRUE(onKey.span->startsOnKeyframe) << "a mark rounded to the millisecond before the keyframe";

    const SpanResult shortClip = FindExactSpan(mp4, 5.2, 5.6, false);
    ASSERT_TRUE(shortClip.span);
    EXPECT_FALSE(shortClip.span->keyframe) << "the clip ends before the next keyframe";
    EXPECT_EQ(shortClip.span->headPictures, 10);

    PacketList first = mp4;
    first.packets.resize(40);  // the listing ends before the next keyframe
    EXPECT_FALSE(FindExactSpan(first, 5.2, 15.2, false).complete);
    const SpanResult whole = FindExactSpan(first, 5.2, std::nullopt, true);
    ASSERT_TRUE(whole.complete && whole.span);
    EXPECT_FALSE(whole.span->keyframe);
    EXPECT_EQ(whole.span->headPictures, 10) << "the listing covers the clip: every picture is the head's";
    EXPECT_FALSE(FindExactSpan(mp4, 30, std::nullopt, true).span) << "no picture after the start";

    PacketList avi;
    avi.sourceStart = 0;
    for (int i = 100; i < 260; ++i)
        avi.packets.push_back(Packet(i / 25.0, std::nullopt, i % 100 == 0));
    const SpanResult aviSpan = FindExactSpan(avi, 5.52, 15.52, false);
    ASSERT_TRUE(aviSpan.span && aviSpan.span->keyframe);
    EXPECT_NEAR(*aviSpan.span->keyframe, 8.0, 1e-9);
    EXPECT_EQ(aviSpan.span->headPictures, 62);
    EXPECT_EQ(aviSpan.span->keyframeDelay, 0);
    EXPECT_TRUE(aviSpan.span->decodingOrderTimes);
    EXPECT_EQ(aviSpan.span->decodeFrom, 4.0);
    EXPECT_EQ(aviSpan.span->skipPictures, 38) << "from the keyframe at 4 s to the picture at 5.52 s";
}

// Which H.264 sources the engine's encoder can give a matching head: not
// the 10-bit ones, not those with a reordering deeper than it writes, and the
// head's parameter sets never take the source's numbers.
TEST(ExactCut, TheH264RecipeCoversWhatTheEnginesEncoderCanMatch)
{
    ExactSource source;
    source.container = Container::Mov;
    source.video.codec = "h264";
    source.video.pixelFormat = "yuv420p";
    source.video.timescale = 12800;
    source.span.frameDuration = 0.04;
    source.span.keyframeDelay = 0.08;
    source.h264 = H264Parameters{100, 31, false, 1, 2, true, {}};
    auto params = [](const std::vector<std::string>& options) {
        for (std::size_t i = 0; i + 1 < options.size(); ++i)
            if (options[i] == "-x264-params")
                return options[i + 1];
        return std::string();
    };
    const auto options = HeadEncoderOptions(source);
    ASSERT_TRUE(options);
    EXPECT_EQ(params(*options).find("sps-id=3"), 0u) << params(*options);

    ExactSource deep = source;
    deep.span.keyframeDelay = 0.12;
    EXPECT_FALSE(HeadEncoderOptions(deep));
    ExactSource tenBit = source;
    tenBit.video.pixelFormat = "yuv420p10le";
    EXPECT_FALSE(HeadEncoderOptions(tenBit));
    ExactSource noSets = source;
    noSets.h264.reset();
    EXPECT_FALSE(HeadEncoderOptions(noSets));
    ExactSource wmv = source;
    wmv.container = Container::Asf;
    EXPECT_FALSE(HeadEncoderOptions(wmv));
}
