#include "skin/SkinReader.h"

#include "ContainerBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace korvane;
using korvane::test::Bitmap24;
using korvane::test::ContainerBytes;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Three entries of each kind, with a repeated name in another letter case
// and a record of an unknown kind.
ContainerBytes Sample()
{
    ContainerBytes c;
    c.Picture("ButtonImage", Bitmap24(3, 1, {kRed, kGreen, kBlue}))
        .Integer("TitleBarButtonTopInt", 5)
        .Entry("Unknown", 7, {1, 2, 3, 4})
        .Integer("TITLEBARBUTTONTOPINT", 9)
        .Integer("TitleBarButtonRightOffsetInt", -11)
        .Switch("ButtonTransparentBool", 7)
        .Switch("TitleBarButtonTransparentBool", 0)
        .Picture("buttonimage", Bitmap24(1, 1, {kBlue}));
    return c;
}

} // namespace

TEST(SkinReader, AnswersByNameIgnoringCaseAndTheFirstOfANameWins)
{
    TSkinReader r;
    int loaded = 0;
    r.OnLoaded = [&] { ++loaded; };
    r.ReadSkinData(Sample().Bytes());
    EXPECT_EQ(loaded, 1);
    ASSERT_TRUE(r.Ready());
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonTopInt"), 5);
    EXPECT_EQ(r.GetSkinInt("titlebarbuttontopint"), 5);
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonRightOffsetInt"), -11);
    EXPECT_EQ(r.GetSkinInt("Unknown"), -1) << "a record of an unknown kind is skipped";
    EXPECT_EQ(r.GetSkinInt("Absent"), -1);
    EXPECT_TRUE(r.GetSkinBool("buttontransparentbool"));
    EXPECT_FALSE(r.GetSkinBool("TitleBarButtonTransparentBool"));
    EXPECT_FALSE(r.GetSkinBool("Absent"));

    SkinImage mixed, lower;
    ASSERT_TRUE(r.GetSkinBitmap("ButtonImage", mixed));
    ASSERT_TRUE(r.GetSkinBitmap("buttonimage", lower));
    EXPECT_EQ(mixed, lower);
    EXPECT_EQ(mixed.pixels, (std::vector<std::uint32_t>{kRed, kGreen, kBlue}));

    SkinImage part;
    ASSERT_TRUE(r.GetSkinBitmapPart("BUTTONIMAGE", part, 2, 3));
    EXPECT_EQ(part.pixels, std::vector<std::uint32_t>{kGreen});
    EXPECT_FALSE(r.GetSkinBitmapPart("Absent", part, 1, 3));
    EXPECT_EQ(part.pixels, std::vector<std::uint32_t>{kGreen}) << "a failed look-up leaves the target alone";

    EXPECT_EQ(r.Count(SkinEntryKind::Picture), 2u);
    EXPECT_EQ(r.Count(SkinEntryKind::Integer), 3u);
    EXPECT_EQ(r.Count(SkinEntryKind::Switch), 2u);
}

TEST(SkinReader, APictureThatIsNoBitmapFailsOnlyItsOwnLookUp)
{
    TSkinReader r;
    r.ReadSkinData(ContainerBytes().Picture("Broken", {'B', 'M', 1, 2}).Integer("Size", 3).Bytes());
    ASSERT_TRUE(r.Ready());
    SkinImage image(2, 2, kRed);
    EXPECT_FALSE(r.GetSkinBitmap("Broken", image));
    EXPECT_EQ(image, SkinImage(2, 2, kRed));
    EXPECT_EQ(r.GetSkinInt("Size"), 3);
}

TEST(SkinReader, AChainEndingAtItsFirstRecordIsAnEmptyReadySkin)
{
    TSkinReader r;
    int loaded = 0;
    r.OnLoaded = [&] { ++loaded; };
    r.ReadSkinData(ContainerBytes().Bytes());
    EXPECT_TRUE(r.Ready());
    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(r.Entries().empty());
}

// A next-offset that comes back to a record already read, or whose record
// would not lie inside the file, ends the chain; what was read is the skin.
TEST(SkinReader, ChainsThatLoopOrLeaveTheFileEndThere)
{
    struct Case {
        const char* what;
        std::uint32_t (*next)(const ContainerBytes&, std::size_t size);
    };
    const Case cases[] = {
        {"back to the first record", [](const ContainerBytes& c, std::size_t) { return c.Record(0); }},
        {"back to itself", [](const ContainerBytes& c, std::size_t) { return c.Record(2); }},
        {"past the end", [](const ContainerBytes&, std::size_t size) { return static_cast<std::uint32_t>(size + 100); }},
        {"a record cut by the end", [](const ContainerBytes&, std::size_t size) { return static_cast<std::uint32_t>(size - 40); }},
        {"far beyond", [](const ContainerBytes&, std::size_t) { return 0xFFFFFFF0u; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ContainerBytes c;
        c.Integer("First", 1).Switch("Second", 1).Integer("Third", 3).Integer("Fourth", 4);
        std::vector<unsigned char> bytes = c.Bytes();
        ContainerBytes::Set32(bytes, c.Record(2) + 73, k.next(c, bytes.size()));
        TSkinReader r;
        r.ReadSkinData(bytes);
        ASSERT_TRUE(r.Ready());
        EXPECT_EQ(r.Entries().size(), 3u);
        EXPECT_EQ(r.GetSkinInt("First"), 1);
        EXPECT_TRUE(r.GetSkinBool("Second"));
        EXPECT_EQ(r.GetSkinInt("Third"), 3);
        EXPECT_EQ(r.GetSkinInt("Fourth"), -1);
    }
}

TEST(SkinReader, DamagedContainersThrowAndLeaveTheReaderEmpty)
{
    using Bend = void (*)(std::vector<unsigned char>&, const ContainerBytes&);
    struct Case {
        const char* what;
        Bend bend;
    };
    const Case cases[] = {
        {"another magic", [](auto& b, const auto&) { b[0] = 'k'; }},
        {"header shorter than 24", [](auto& b, const auto&) { ContainerBytes::Set32(b, 12, 20); }},
        {"header longer than the file", [](auto& b, const auto&) { ContainerBytes::Set32(b, 12, 0x7FFFFFFF); }},
        {"first record outside", [](auto& b, const auto&) { ContainerBytes::Set32(b, 20, static_cast<std::uint32_t>(b.size())); }},
        {"picture data outside", [](auto& b, const auto& c) { ContainerBytes::Set32(b, c.Record(0) + 69, 0xFFFFFF00u); }},
        {"integer data outside", [](auto& b, const auto& c) {
             ContainerBytes::Set32(b, c.Record(1) + 65, static_cast<std::uint32_t>(b.size() - 2)); }},
        {"switch data outside", [](auto& b, const auto& c) { ContainerBytes::Set32(b, c.Record(2) + 65, 0xFFFFFFFFu); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ContainerBytes c;
        c.Picture("Pic", Bitmap24(1, 1, {kRed})).Integer("Int", 1).Switch("Bool", 1);
        std::vector<unsigned char> bytes = c.Bytes();
        k.bend(bytes, c);
        TSkinReader r;
        r.ReadSkinData(Sample().Bytes());
        int loaded = 0;
        r.OnLoaded = [&] { ++loaded; };
        EXPECT_THROW(r.ReadSkinData(bytes), SkinReadError);
        EXPECT_FALSE(r.Ready());
        EXPECT_EQ(loaded, 0);
        EXPECT_TRUE(r.Entries().empty());
        EXPECT_EQ(r.GetSkinInt("TitleBarButtonTopInt"), -1);
    }
}

// Every prefix of a container either throws or reads the entries before the
// cut and nothing else: a cut never yields garbage.
TEST(SkinReader, EveryTruncationReadsSafely)
{
    TSkinReader whole;
    const std::vector<unsigned char> bytes = Sample().Bytes();
    whole.ReadSkinData(bytes);
    int partial = 0, refused = 0;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        TSkinReader r;
        try {
            r.ReadSkinData(std::span(bytes).first(n));
        } catch (const SkinReadError&) {
            ++refused;
            EXPECT_FALSE(r.Ready());
            continue;
        }
        ASSERT_TRUE(r.Ready());
        const auto& got = r.Entries();
        ASSERT_LE(got.size(), whole.Entries().size()) << "cut at " << n;
        partial += got.size() < whole.Entries().size();
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i].name, whole.Entries()[i].name) << "cut at " << n;
        const std::int32_t top = r.GetSkinInt("TitleBarButtonTopInt");
        EXPECT_TRUE(top == 5 || top == -1) << "cut at " << n;
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(partial, 0);
}

TEST(SkinReader, ReadsFilesAndAMissingFileOnlyClearsReady)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    // Unique: other checkouts on the machine run this test too.
    const std::string path =
        (dir / ("korvane-skin-reader-" + std::to_string(std::random_device{}()) + ".kvskin")).string();
    {
        const std::vector<unsigned char> bytes = Sample().Bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    TSkinReader r;
    int loaded = 0;
    r.OnLoaded = [&] { ++loaded; };
    r.ReadSkinFile(path);
    std::filesystem::remove(path);
    EXPECT_EQ(loaded, 1);
    ASSERT_TRUE(r.Ready());
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonTopInt"), 5);

    r.ReadSkinFile(path);
    EXPECT_EQ(loaded, 1);
    EXPECT_FALSE(r.Ready());
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonTopInt"), -1);
    EXPECT_FALSE(r.GetSkinBool("ButtonTransparentBool"));
    SkinImage image;
    EXPECT_FALSE(r.GetSkinBitmap("ButtonImage", image));
}
