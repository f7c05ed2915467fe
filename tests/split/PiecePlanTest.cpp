#include "split/PiecePlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace korvane;

namespace {

// The engine's listing of a source that starts at 1.4 s: video in 1/90000
// ticks, 25 pictures a second, a keyframe every `gop` pictures, each picture
// `pictureBytes` (a keyframe four times that), and sound packets beside it.
std::string Listing(int seconds, int gop, int pictureBytes)
{
    std::string text = "  Duration: 00:01:00.00, start: 1.400000, bitrate: 900 kb/s\n"
                       "#tb 0: 1/48000\n#media_type 0: audio\n#tb 1: 1/90000\n#media_type 1: video\n";
    for (int i = 0; i < seconds * 25; ++i) {
        const long long pts = 126000 + i * 3600LL;
        const bool key = i % gop == 0;
        text += "1, " + std::to_string(pts - 7200) + ", " + std::to_string(pts) + ", 3600, " +
                std::to_string(key ? 4 * pictureBytes : pictureBytes) + ", 0x1234abcd" +
                (key ? "\n" : ", F=0x0\n");
        text += "0, " + std::to_string(67200 + i * 1920LL) + ", " + std::to_string(67200 + i * 1920LL) +
                ", 1920, 400, 0x00000001\n";
    }
    return text;
}

double End(const ClipSpan& s) { return s.start + s.duration; }

} // namespace

TEST(PiecePlan, PiecesOfALengthFollowEachOtherAndTheLastIsShorter)
{
    const auto pieces = PiecesOfLength(10, 65, 30);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_DOUBLE_EQ(pieces[0].start, 10);
    EXPECT_DOUBLE_EQ(pieces[1].start, End(pieces[0]));
    EXPECT_DOUBLE_EQ(pieces[2].start, End(pieces[1]));
    EXPECT_DOUBLE_EQ(pieces[2].duration, 5);
    // A length that divides the range leaves no sliver behind; none when nothing fits.
    EXPECT_EQ(PiecesOfLength(0, 0.3, 0.1).size(), 3u);
    EXPECT_TRUE(PiecesOfLength(0, 10, 0).empty());
}

TEST(PiecePlan, ACopyIsCutAtKeyframesWithinTheSize)
{
    const SourcePackets source = ReadSourcePackets(Listing(60, 50, 4000));
    ASSERT_EQ(source.keyframes.size(), 30u);
    // Times count from the source's first timestamp; keyframes every 2 s,
    // decoded two pictures before they are shown.
    EXPECT_NEAR(source.keyframes[1].time, 2, 1e-9);
    EXPECT_NEAR(source.keyframes[1].decode, 1.92, 1e-9);

    // About 120 kB a second from 3 s to 57 s, at most 1 MB a piece.
    const auto pieces = PiecesOfSizeAtKeyframes(source, 3, 54, 1e6);
    ASSERT_GE(pieces.size(), 7u);
    EXPECT_DOUBLE_EQ(pieces.front().start, 3);
    EXPECT_NEAR(End(pieces.back()), 57, 1e-9);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        // The next piece starts on a keyframe, where this one ends.
        const double cut = pieces[i + 1].start;
        EXPECT_NEAR(std::fmod(cut, 2.0), 0, 1e-9) << "piece " << i + 2 << " starts off a keyframe";
        EXPECT_NEAR(End(pieces[i]), cut, 1e-9);
        // As long as it can be: one keyframe further would pass the size.
        double bytes = 0;
        for (const auto& p : source.packets)
            if (p.time >= pieces[i].start && p.time < cut + 2)
                bytes += p.size;
        EXPECT_GT(bytes, 0.9e6) << "piece " << i + 1;
    }
    // A stretch between keyframes bigger than the size is a piece of its own.
    const auto big = PiecesOfSizeAtKeyframes(source, 0, 60, 100000);
    EXPECT_EQ(big.size(), 30u);
}

TEST(PiecePlan, EncodedPiecesLearnTheRateFromEveryPieceMade)
{
    // 100 s at a profile's 1 Mbit/s, at most 5 MB a piece: about 36 s first.
    EncodedPieces pieces(0, 100, 5e6, BytesPerSecondOfArguments(" -c:v libx264 -b:v 872k -b:a 128k -ar 48000"));
    auto first = pieces.Next();
    ASSERT_TRUE(first);
    EXPECT_GT(first->duration, 30);
    EXPECT_LT(first->duration, 40);
    EXPECT_EQ(pieces.ExpectedCount(), 3);
    // The encoder made twice the rate: the piece passed the size and is made
    // again, about half as long, and more pieces are expected.
    EXPECT_TRUE(pieces.Made(first->duration * 250000));
    auto again = pieces.Next();
    ASSERT_TRUE(again);
    EXPECT_DOUBLE_EQ(again->start, 0);
    EXPECT_LT(again->duration * 250000, 5e6);
    EXPECT_GT(again->duration * 250000, 4.5e6);
    EXPECT_GE(pieces.ExpectedCount(), 5);
    EXPECT_FALSE(pieces.Made(again->duration * 250000));
    auto second = pieces.Next();
    ASSERT_TRUE(second);
    EXPECT_DOUBLE_EQ(second->start, End(*again));
    double end = End(*second);
    while (auto next = pieces.Next()) {
        EXPECT_DOUBLE_EQ(next->start, end);
        end = End(*next);
        pieces.Made(next->duration * 250000);
    }
    EXPECT_DOUBLE_EQ(end, 100);
}
