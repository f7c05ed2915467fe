#pragma once
// H.264 parameter sets and the two ways a stream carries its units: after
// start codes (AVI, program and transport streams) or after their lengths
// (MP4, MOV, Matroska, whose sets sit in a decoder configuration, "avcC").
// Plain byte work, free of windows.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The bits of a unit, its emulation prevention bytes taken out; reading past
// its end gives zeros and marks the reading failed.
class H264Bits {
public:
    explicit H264Bits(std::string_view unit);
    bool Failed() const { return failed_; }
    unsigned Bit();
    unsigned Bits(int n);
    std::uint32_t Ue();  // exp-Golomb numbers
    std::int32_t Se();

private:
    std::vector<unsigned char> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// The units of a stream in start-code form, without their start codes.
std::vector<std::string_view> AnnexBUnits(std::string_view stream);
// The units of a packet whose units follow their lengths, each `lengthSize`
// bytes; nothing when the lengths do not add up.
std::optional<std::vector<std::string_view>> LengthPrefixedUnits(std::string_view packet, int lengthSize);
std::string LengthPrefixed(const std::vector<std::string_view>& units, int lengthSize);

inline int UnitType(std::string_view unit)
{
    return unit.empty() ? 0 : static_cast<unsigned char>(unit[0]) & 0x1f;
}
inline constexpr int kSequenceSet = 7;
inline constexpr int kPictureSet = 8;
inline constexpr int kIdrSlice = 5;

// The number of a sequence or picture parameter set; nothing for other
// units and for sets that do not read.
std::optional<int> ParameterSetId(std::string_view unit);

// The highest number that neither a sequence nor a picture set among
// `sets` has: the head's sets take it, so that they never replace one of the
// source's. Nothing when all 32 are taken.
std::optional<int> FreeParameterSetId(const std::vector<std::string>& sets);

// The encoder's names of a profile ("high") and a level ("4.1", "1b");
// nothing for profiles it cannot write (10-bit, extended).
std::optional<std::string> X264ProfileName(int profileIdc);
std::string H264LevelName(int profileIdc, int levelIdc, bool constraintSet3);

// A decoder configuration ("avcC" box contents).
struct AvcConfig {
    int lengthSize = 4;
    std::vector<std::string> sequenceSets;
    std::vector<std::string> pictureSets;
    std::string extension;  // the bytes after the sets (chroma and bit depth of the high profiles)
};
std::optional<AvcConfig> ReadAvcConfig(std::string_view avcC);
// Profile, compatibility and level come from the first sequence set.
std::string WriteAvcConfig(const AvcConfig& config);

} // namespace korvane::frontend
