// A copied clip's edit list ends where its pictures stop following each other.
#include "converter/MovieEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvane::frontend {
namespace {

std::string Number(std::uint64_t value, int bytes)
{
    std::string out(static_cast<std::size_t>(bytes), '\0');
    for (int i = bytes; i-- > 0; value >>= 8)
        out[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xff);
    return out;
}

std::string Box(const std::string& type, const std::string& payload)
{
    return Number(8 + payload.size(), 4) + type + payload;
}

std::string FullBox(const std::string& type, const std::string& payload)
{
    return Box(type, Number(0, 4) + payload);
}

// A movie at 1000 ticks a second with one picture track at 90000 ticks a
// second: pictures 3600 ticks long, decoded in the given order of
// presentation times, and an edit that shows the media from `mediaStart` for
// `shownTicks` (movie ticks) after an empty edit of `lead`; a sound track
// lasting `soundTicks`.
std::string Movie(const std::vector<std::int64_t>& shown, std::int64_t mediaStart, std::uint32_t shownTicks,
                  std::uint32_t lead = 0, std::uint32_t soundTicks = 0)
{
    std::string stts = Number(1, 4) + Number(shown.size(), 4) + Number(3600, 4);
    std::string ctts = Number(shown.size(), 4);
    for (std::size_t i = 0; i < shown.size(); ++i)
        ctts += Number(1, 4) + Number(static_cast<std::uint32_t>(shown[i] - static_cast<std::int64_t>(i) * 3600), 4);
    std::string elst = Number(lead ? 2 : 1, 4);
    if (lead)
        elst += Number(lead, 4) + Number(0xffffffff, 4) + Number(0x10000, 4);
    elst += Number(shownTicks, 4) + Number(static_cast<std::uint64_t>(mediaStart), 4) + Number(0x10000, 4);
    const std::string picture = Box(
        "trak", FullBox("tkhd", Number(0, 8) + Number(1, 4) + Number(0, 4) + Number(lead + shownTicks, 4))
                    + Box("edts", FullBox("elst", elst))
                    + Box("mdia", FullBox("mdhd", Number(0, 8) + Number(90000, 4) + Number(0, 4))
                                      + FullBox("hdlr", Number(0, 4) + "vide" + std::string(12, '\0'))
                                      + Box("minf", Box("stbl", FullBox("stts", stts) + FullBox("ctts", ctts)))));
    const std::string sound =
        Box("trak", FullBox("tkhd", Number(0, 8) + Number(2, 4) + Number(0, 4) + Number(soundTicks, 4))
                        + Box("mdia", FullBox("hdlr", Number(0, 4) + "soun" + std::string(12, '\0'))));
    const std::uint32_t longest = std::max(lead + shownTicks, soundTicks);
    return Box("moov", FullBox("mvhd", Number(0, 8) + Number(1000, 4) + Number(longest, 4)) + picture + sound);
}

// The edit's shown span, the picture track's and the movie's durations.
struct Durations {
    std::uint64_t edit, track, movie;
};
Durations Read(const std::string& moov)
{
    auto at = [&](const std::string& type) { return moov.find(type) - 4; };
    auto number = [&](std::size_t pos) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(moov[pos + i]);
        return v;
    };
    const std::size_t elst = at("elst");
    const std::size_t entries = number(elst + 12);
    return {number(elst + 16 + (entries - 1) * 12), number(at("tkhd") + 28), number(at("mvhd") + 24)};
}

TEST(MovieEnd, EndsWherePicturesStopFollowingEachOther)
{
    constexpr std::int64_t f = 3600;
    // Decoded as a copy ended by decoding times leaves them: the pictures
    // shown up to 10 s, then the reference picture shown at 10.12 s and a
    // picture shown at 10.04 s, but not those at 10.00 s and 10.08 s.
    std::vector<std::int64_t> shown;
    for (int i = 0; i < 250; ++i)
        shown.push_back(i * f);
    shown.push_back(253 * f);
    shown.push_back(251 * f);
    const std::string moov = Movie(shown, 0, 10160, 0, 10018);
    const std::optional<std::string> ended = EndWherePicturesStop(moov);
    ASSERT_TRUE(ended);
    const Durations d = Read(*ended);
    EXPECT_EQ(d.edit, 10000u);
    EXPECT_EQ(d.track, 10000u);
    EXPECT_EQ(d.movie, 10018u) << "the sound is the longest now";
    EXPECT_EQ(ended->size(), moov.size());

    // An edit that starts 5 s into the media, behind an empty edit of 40 ms.
    const std::optional<std::string> late = EndWherePicturesStop(Movie(shown, 125 * f, 5160, 40));
    ASSERT_TRUE(late);
    EXPECT_EQ(Read(*late).edit, 5000u);
    EXPECT_EQ(Read(*late).track, 5040u);
    EXPECT_EQ(Read(*late).movie, 5040u);
}

TEST(MovieEnd, LeavesPicturesThatFollowEachOtherToTheirEnd)
{
    constexpr std::int64_t f = 3600;
    // A piece ended before its next keyframe: every picture before it, in
    // reordered decoding order, none missing.
    const std::vector<std::int64_t> shown = {0, 3 * f, f, 2 * f, 6 * f, 4 * f, 5 * f};
    EXPECT_FALSE(EndWherePicturesStop(Movie(shown, 0, 280)));
    // Nothing to read: no movie box, or one cut short.
    EXPECT_FALSE(EndWherePicturesStop("not a movie"));
    const std::string moov = Movie(shown, 0, 280);
    EXPECT_FALSE(EndWherePicturesStop(moov.substr(0, moov.size() / 2)));
}

} // namespace
} // namespace korvane::frontend
