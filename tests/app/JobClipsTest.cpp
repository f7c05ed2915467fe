#include "app/JobClips.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace korvane;

namespace {

// The source as the engine would tell it, counting what it is asked.
class FakeSource : public ISourceReader {
public:
    bool ListPackets(double, double, std::optional<SourcePackets>& packets) override
    {
        ++listings;
        packets = listed;
        return !cancelListing;
    }
    bool ReadFrameRate(std::optional<double>& rate) override
    {
        ++rateReadings;
        rate = frameRate;
        return !cancelRate;
    }
    std::optional<double> BytesPerSecond() override { return ownRate; }

    std::optional<SourcePackets> listed;
    std::optional<double> frameRate;
    std::optional<double> ownRate;
    bool cancelListing = false;
    bool cancelRate = false;
    int listings = 0;
    int rateReadings = 0;
};

ModeValues Mode(SplitMode mode)
{
    ModeValues values;
    values.mode = mode;
    values.sections = 4;
    values.pieceLength = 7;
    values.pieceBytes = 1e6;
    return values;
}

constexpr char kEncode[] = " -c:v libx264 -b:v 800k -b:a 128k";
constexpr char kCopy[] = " -b:v 800k -c copy";

} // namespace

TEST(PlanClips, OnlyPiecesReadTheSourceAndAReadingThatEndsTheJobEndsThePlan)
{
    FakeSource silent;
    silent.cancelListing = silent.cancelRate = true;
    for (const SplitMode mode : {SplitMode::OneClip, SplitMode::EqualSections}) {
        std::optional<JobClips> clips = PlanClips(Mode(mode), 10, 20, kCopy, silent);
        ASSERT_TRUE(clips);
        EXPECT_EQ(clips->ExpectedCount(), mode == SplitMode::OneClip ? 1 : 4);
        EXPECT_FALSE(clips->Measured());
    }
    EXPECT_EQ(silent.listings + silent.rateReadings, 0);

    // A copy's pieces wait for the listing; an encoding's for the frame rate.
    EXPECT_FALSE(PlanClips(Mode(SplitMode::PieceSize), 10, 20, kCopy, silent));
    EXPECT_EQ(silent.listings, 1);
    EXPECT_FALSE(PlanClips(Mode(SplitMode::PieceSize), 10, 20, kEncode, silent));
    EXPECT_EQ(silent.listings, 1);
    EXPECT_EQ(silent.rateReadings, 1);
}

TEST(PlanClips, PiecesOfASizeAreMeasuredByTheProfilesRateOrElseTheSourcesOwn)
{
    const auto firstPiece = [](const char* arguments, std::optional<double> ownRate) {
        FakeSource source;
        source.ownRate = ownRate;
        source.frameRate = 25;
        std::optional<JobClips> clips = PlanClips(Mode(SplitMode::PieceSize), 10, 600, arguments, source);
        EXPECT_TRUE(clips && clips->Measured());
        return clips ? clips->Clip(1)->duration : 0.0;
    };
    const auto expected = [](double rate) {
        return EncodedPieces(10, 600, 1e6, rate, 25).Next()->duration;
    };
    // The profile's 928 kbit/s, whatever the source holds.
    EXPECT_DOUBLE_EQ(firstPiece(kEncode, 50000), expected(BytesPerSecondOfArguments(kEncode)));
    // A profile without rates, and a copy the engine could not list, go by the source.
    EXPECT_DOUBLE_EQ(firstPiece(" -c:v libx264", 50000), expected(50000));
    EXPECT_DOUBLE_EQ(firstPiece(kCopy, 50000), expected(50000));
    EXPECT_DOUBLE_EQ(firstPiece(kCopy, std::nullopt), expected(0));
}
