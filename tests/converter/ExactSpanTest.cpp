// The plan of a copy that starts exactly at the marked start: what the
// front-end reads from a listing of the source's pictures and decides.
#include "converter/ClipRequest.h"
#include "converter/ExactSpan.h"

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
TEST(ExactSpan, TheStartCutIsTheFrontEndsOwnOption)
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

// Parameter sets as the engine writes them in front of a keyframe: a high
// profile one after an SEI, an interlaced one, a baseline one, one with its
// own numbers and scaling lists; cut short, none.
TEST(ExactSpan, ReadsTheSourcesH264ParameterSets)
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
TEST(ExactSpan, FindsThePicturesToEncodeAndTheKeyframeTheCopyStartsAt)
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

// Program streams leave out when many MPEG pictures are shown: a B picture
// when it is decoded, any other when the next picture that is no B picture
// is decoded, past the list's end a picture length after its last one.
TEST(ExactSpan, PicturesWithoutAShownTimeAreShownAsADecoderShowsThem)
{
    using K = PictureKind;
    // Decoded I P B B P B B, 25 a second; the P pictures and one B lack times.
    std::vector<VideoPacket> packets = {Packet(0.00, 0.04, true), Packet(0.04, std::nullopt), Packet(0.08, std::nullopt),
                                        Packet(0.12, 0.12), Packet(0.16, std::nullopt), Packet(0.20, 0.20),
                                        Packet(0.24, 0.24)};
    FillShownTimes(packets, {K::Intra, K::Predicted, K::Bidirectional, K::Bidirectional, K::Predicted,
                             K::Bidirectional, K::Bidirectional}, 0.04);
    const double shown[] = {0.04, 0.16, 0.08, 0.12, 0.28, 0.20, 0.24};
    for (std::size_t i = 0; i < packets.size(); ++i) {
        ASSERT_TRUE(packets[i].pts) << i;
        EXPECT_NEAR(*packets[i].pts, shown[i], 1e-9) << i;
    }
}
