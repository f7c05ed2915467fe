#include "converter/PictureKinds.h"

#include "converter/H264Sets.h"

#include <vector>

namespace korvane::frontend {
namespace {

constexpr unsigned char kMpegPicture = 0x00;
constexpr unsigned char kMpegSequence = 0xB3;
constexpr unsigned char kMpegGroup = 0xB8;
constexpr unsigned char kVop = 0xB6;

// Where each start code's byte after 00 00 01 sits.
std::vector<std::size_t> StartCodeBytes(std::string_view bytes)
{
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            at.push_back(i + 3);
            i += 2;
        }
    return at;
}

unsigned Byte(std::string_view bytes, std::size_t i)
{
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
}

std::vector<std::string_view> Units(std::string_view packet, const PictureCoding& coding)
{
    if (coding.lengthSize > 0)
        return LengthPrefixedUnits(packet, coding.lengthSize).value_or(std::vector<std::string_view>{});
    return AnnexBUnits(packet);
}

bool IsSlice(std::string_view unit)
{
    return UnitType(unit) == 1 || UnitType(unit) == kIdrSlice;
}

} // namespace

PictureKind KindOf(std::string_view packet, const PictureCoding& coding)
{
    switch (coding.codec) {
    case PictureCoding::Codec::Mpeg12:
        for (std::size_t at : StartCodeBytes(packet))
            if (Byte(packet, at) == kMpegPicture && at + 2 < packet.size()) {
                // temporal_reference (10 bits), picture_coding_type (3 bits)
                switch ((Byte(packet, at + 2) >> 3) & 7) {
                case 1: return PictureKind::Intra;
                case 2: return PictureKind::Predicted;
                case 3: return PictureKind::Bidirectional;
                default: return PictureKind::Unknown;
                }
            }
        return PictureKind::Unknown;
    case PictureCoding::Codec::Mpeg4:
        for (std::size_t at : StartCodeBytes(packet))
            if (Byte(packet, at) == kVop && at + 1 < packet.size()) {
                switch (Byte(packet, at + 1) >> 6) {
                case 0: return PictureKind::Intra;
                case 1: return PictureKind::Predicted;
                case 2: return PictureKind::Bidirectional;
                default: return PictureKind::Predicted;  // sprite pictures refer back only
                }
            }
        return PictureKind::Unknown;
    case PictureCoding::Codec::H264:
        for (std::string_view unit : Units(packet, coding)) {
            if (!IsSlice(unit))
                continue;
            H264Bits bits(unit.substr(1));
            bits.Ue();  // first_mb_in_slice
            const std::uint32_t type = bits.Ue();
            if (bits.Failed())
                return PictureKind::Unknown;
            switch (type % 5) {
            case 0: case 3: return PictureKind::Predicted;
            case 1: return PictureKind::Bidirectional;
            default: return PictureKind::Intra;
            }
        }
        return PictureKind::Unknown;
    }
    return PictureKind::Unknown;
}

bool IsIdrPicture(std::string_view packet, const PictureCoding& coding)
{
    for (std::string_view unit : Units(packet, coding))
        if (IsSlice(unit))
            return UnitType(unit) == kIdrSlice;
    return false;
}

bool CarriesStreamHeader(std::string_view packet, const PictureCoding& coding)
{
    if (coding.codec == PictureCoding::Codec::H264) {
        for (std::string_view unit : Units(packet, coding)) {
            if (UnitType(unit) == kSequenceSet)
                return true;
            if (IsSlice(unit))
                return false;
        }
        return false;
    }
    for (std::size_t at : StartCodeBytes(packet)) {
        const unsigned code = Byte(packet, at);
        if (coding.codec == PictureCoding::Codec::Mpeg12 && code == kMpegSequence)
            return true;
        if (coding.codec == PictureCoding::Codec::Mpeg4 && code >= 0x20 && code <= 0x2F)
            return true;
        if (code == kMpegPicture || code == kVop)
            return false;  // the header would come before the first picture
    }
    return false;
}

bool PacksBPictures(std::string_view bytes)
{
    // "DivX503b1393p", "DivX999b000p", "DivX5Build1234p"
    for (std::size_t at = bytes.find("DivX"); at != std::string_view::npos; at = bytes.find("DivX", at + 1)) {
        std::size_t end = at + 4;
        while (end < bytes.size() && bytes[end] != 0 && end - at < 32)
            ++end;
        if (end - at > 5 && bytes[end - 1] == 'p')
            return true;
    }
    return false;
}

void GroupAfterLeadingPictures::Mend(std::string& packet)
{
    if (done_)
        return;
    for (std::size_t at : StartCodeBytes(packet)) {
        const unsigned code = Byte(packet, at);
        if (code == kMpegGroup && at + 4 < packet.size()) {
            if (groupSeen_) {
                done_ = true;
                return;
            }
            groupSeen_ = true;
            // time_code (25 bits), closed_gop, broken_link: bits 25 and 26
            // after the start code, in the header's fourth byte.
            auto& flags = reinterpret_cast<unsigned char&>(packet[at + 4]);
            flags = static_cast<unsigned char>((flags | 0x40) & ~0x20);
        } else if (code == kMpegPicture && groupSeen_ && leftOut_ > 0 && at + 2 < packet.size()) {
            int reference = static_cast<int>((Byte(packet, at + 1) << 2) | (Byte(packet, at + 2) >> 6));
            reference = reference >= leftOut_ ? reference - leftOut_ : 0;
            packet[at + 1] = static_cast<char>(reference >> 2);
            packet[at + 2] = static_cast<char>(((reference & 3) << 6) | (Byte(packet, at + 2) & 0x3F));
        }
    }
}

} // namespace korvane::frontend
