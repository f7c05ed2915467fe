#include "preview/MediaUnits.h"
#include "preview/MovieRotation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace korvane {
namespace {

TEST(ReferenceTimeToMs, TruncatesAndWrapsTo32Bits)
{
    struct Case {
        std::int64_t in;
        std::int32_t out;
    } cases[] = {
        {0, 0},
        {9999, 0},
        {10000, 1},
        {200400000, 20040},
        {-9999, 0},  // truncation goes toward zero
        {-10000, -1},
        // 2^31 ms does not fit: taken modulo 2^32 as the 32-bit integer does
        {INT64_C(21474836480000), INT32_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReferenceTimeToMs(c.in), c.out) << c.in;
}

TEST(LinearToDirectShowVolume, LogarithmicScale)
{
    struct Case {
        std::int32_t in;
        std::int32_t out;
    } cases[] = {
        {0, -10000},   {10000, 0},   {1000, -2499}, {5000, -752},
        {1, -9247},    // ln 2 * 1085.73 = 752.57 -> 753
        {-5, -10000},  // clamped to silence
        {20000, 0},    // clamped to full
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinearToDirectShowVolume(c.in), c.out) << c.in;
}

TEST(PlainToDirectShowVolume, OffsetAndClamp)
{
    EXPECT_EQ(PlainToDirectShowVolume(0), -10000);
    EXPECT_EQ(PlainToDirectShowVolume(10000), 0);
    EXPECT_EQ(PlainToDirectShowVolume(2500), -7500);
    EXPECT_EQ(PlainToDirectShowVolume(12000), 0);
    EXPECT_EQ(PlainToDirectShowVolume(-1), -10000);
}

TEST(LinearToDirectShowBalance, AttenuatesTheOtherSide)
{
    EXPECT_EQ(LinearToDirectShowBalance(0), 0);
    EXPECT_EQ(LinearToDirectShowBalance(10000), 10000);
    EXPECT_EQ(LinearToDirectShowBalance(-10000), -10000);
    EXPECT_EQ(LinearToDirectShowBalance(9000), 2499);
    EXPECT_EQ(LinearToDirectShowBalance(-5000), -752);
    EXPECT_EQ(LinearToDirectShowBalance(30000), 10000);
}

TEST(ClampVolumeAndBalance, Ranges)
{
    EXPECT_EQ(ClampVolume(-1), 0);
    EXPECT_EQ(ClampVolume(10001), 10000);
    EXPECT_EQ(ClampVolume(5000), 5000);
    EXPECT_EQ(ClampBalance(-10001), -10000);
    EXPECT_EQ(ClampBalance(10001), 10000);
    EXPECT_EQ(ClampBalance(-3), -3);
}

TEST(DirectShowErrorMessage, TextBlankCodeInParenthesesFullStop)
{
    struct Case {
        const char* text;
        std::int32_t hr;
        const char* out;
    } cases[] = {
        {"No such file.", static_cast<std::int32_t>(0x80070002u), "No such file. ($80070002)."},
        {"Bad", static_cast<std::int32_t>(0x80040218u), "Bad ($80040218)."},
        {"", static_cast<std::int32_t>(0x8000ffffu), " ($8000FFFF)."},
        // no leading zeros
        {"x", 0x1A, "x ($1A)."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirectShowErrorMessage(c.text, c.hr), c.out);
}

// Frames of a third of a 100 ns unit's fraction: every frame start found
// again from itself, never a frame before, and its millisecond not after it.
TEST(FrameTimes, StartsOfThirtyFramesASecondFindThemselvesAndCutToMillisecondsEarly)
{
    const double frame = 10000000.0 / 30;
    for (std::int64_t n = 0; n < 3000; ++n) {
        const std::int64_t start = FrameStart(n, frame);
        ASSERT_EQ(FrameAt(start, frame), n);
        ASSERT_EQ(FrameAt(start - 1, frame), n) << "a position reported a unit early";
        ASSERT_EQ(FrameAt(FrameStart(n + 1, frame) - 3, frame), n);
        // Frame n begins exactly at n / 30 s: compared in whole numbers.
        const std::int64_t ms = start / 10000;
        ASSERT_LE(ms * 30, n * 1000) << n;
        ASSERT_GT(ms * 30, (n - 1) * 1000) << n;
    }
    EXPECT_EQ(FrameStart(7, frame), 2333334);
    EXPECT_EQ(LastFrame(40000000, frame), 119) << "4 s: frames 0 to 119";
    EXPECT_EQ(LastFrame(40000001, frame), 120);
    EXPECT_EQ(FrameStart(25, 400000), 10000000);
}

TEST(FitPicture, KeepsTheShapeCentredInTheArea)
{
    const PictureFit portrait = FitPicture(180, 320, 359, 232);
    EXPECT_EQ(portrait.height, 232);
    EXPECT_EQ(portrait.width, 130);
    EXPECT_EQ(portrait.left, (359 - 130) / 2);
    EXPECT_EQ(portrait.top, 0);
    const PictureFit wide = FitPicture(1920, 800, 359, 232);
    EXPECT_EQ(wide.width, 359);
    EXPECT_EQ(wide.height, 149);
    EXPECT_EQ(wide.top, (232 - 149) / 2);
    EXPECT_EQ(FitPicture(0, 0, 359, 232).width, 359) << "no picture size: the whole area";
}

// A movie's boxes built in memory: moov > trak > (tkhd, mdia > hdlr).
std::string Box(const char* type, const std::string& body)
{
    const std::uint32_t size = static_cast<std::uint32_t>(body.size() + 8);
    std::string box = {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
    return box + type + body;
}
std::string Track(const char* handler, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, int version)
{
    std::string tkhd(std::size_t(4 + (version ? 32 : 20) + 16), '\0');
    tkhd[0] = char(version);
    for (std::int32_t v : {a, b, 0, c, d, 0, 0, 0, 0x40000000})
        tkhd += std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    tkhd += std::string(8, '\0');
    const std::string hdlr = std::string(8, '\0') + handler + std::string(12, '\0');
    return Box("trak", Box("tkhd", tkhd) + Box("mdia", Box("hdlr", hdlr)));
}
int Rotation(const std::string& file)
{
    const ByteReader read = [&](std::uint64_t at, std::uint32_t n, unsigned char* out) {
        if (at + n > file.size())
            return false;
        std::memcpy(out, file.data() + at, n);
        return true;
    };
    return MovieRotationDegrees(read, file.size());
}

TEST(MovieRotation, TheVideoTracksMatrixGivesTheTurn)
{
    constexpr std::int32_t one = 0x10000;
    const std::string ftyp = Box("ftyp", "qt  ");
    EXPECT_EQ(Rotation(ftyp + Box("moov", Track("vide", 0, one, -one, 0, 0))), 90);
    EXPECT_EQ(Rotation(ftyp + Box("moov", Track("vide", -one, 0, 0, -one, 1))), 180);
    EXPECT_EQ(Rotation(Box("mdat", std::string(100, 'x')) + Box("moov", Track("vide", 0, -one, one, 0, 0))), 270);
    // The sound track's matrix is not the picture's.
    EXPECT_EQ(Rotation(Box("moov", Track("soun", 0, one, -one, 0, 0) + Track("vide", one, 0, 0, one, 0))), 0);
    EXPECT_EQ(Rotation(Box("moov", Track("vide", -one, 0, 0, one, 0))), 0) << "mirrored is no turn";
    // Not a movie, or one cut short: no turn and no read past the end.
    EXPECT_EQ(Rotation("RIFF\x10\0\0\0AVI LIST"), 0);
    const std::string whole = Box("moov", Track("vide", 0, one, -one, 0, 0));
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        ASSERT_EQ(Rotation(whole.substr(0, cut)), 0) << cut;
}

TEST(TurnPicture, QuarterTurnsClockwiseInBothRowOrders)
{
    // 3 x 2, top row first:  1 2 3 / 4 5 6.
    const std::vector<std::uint32_t> topDown = {1, 2, 3, 4, 5, 6};
    const std::vector<std::uint32_t> bottomUp = {4, 5, 6, 1, 2, 3};
    struct Case {
        int degrees;
        std::vector<std::uint32_t> seen;   // top row first
        int width;
    } cases[] = {
        {90, {4, 1, 5, 2, 6, 3}, 2},
        {180, {6, 5, 4, 3, 2, 1}, 3},
        {270, {3, 6, 2, 5, 1, 4}, 2},
        {0, {1, 2, 3, 4, 5, 6}, 3},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> out(6);
        TurnPicture(topDown.data(), out.data(), 3, 2, false, c.degrees);
        EXPECT_EQ(out, c.seen) << c.degrees;
        TurnPicture(bottomUp.data(), out.data(), 3, 2, true, c.degrees);
        // Stored last row first: compare row by row from the bottom.
        std::vector<std::uint32_t> rows;
        for (int r = 6 / c.width - 1; r >= 0; --r)
            rows.insert(rows.end(), out.begin() + r * c.width, out.begin() + (r + 1) * c.width);
        EXPECT_EQ(rows, c.seen) << c.degrees << " bottom-up";
    }
}

} // namespace
} // namespace korvane
