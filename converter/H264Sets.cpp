#include "converter/H264Sets.h"

#include <cstdint>

namespace korvane::frontend {

H264Bits::H264Bits(std::string_view unit)
{
    int zeros = 0;
    for (char c : unit) {
        const auto byte = static_cast<unsigned char>(c);
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        bytes_.push_back(byte);
    }
}

unsigned H264Bits::Bit()
{
    if (pos_ >= bytes_.size() * 8) {
        failed_ = true;
        return 0;
    }
    const unsigned bit = (bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1u;
    ++pos_;
    return bit;
}

unsigned H264Bits::Bits(int n)
{
    unsigned value = 0;
    for (int i = 0; i < n; ++i)
        value = (value << 1) | Bit();
    return value;
}

std::uint32_t H264Bits::Ue()
{
    int zeros = 0;
    while (!failed_ && Bit() == 0)
        if (++zeros > 31) {
            failed_ = true;
            return 0;
        }
    std::uint64_t rest = 0;
    for (int i = 0; i < zeros; ++i)
        rest = (rest << 1) | Bit();
    return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + rest);
}

std::int32_t H264Bits::Se()
{
    const std::uint32_t k = Ue();
    return (k & 1) ? static_cast<std::int32_t>((k + 1) / 2) : -static_cast<std::int32_t>(k / 2);
}

namespace {

std::uint32_t ReadBig(std::string_view data, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
    return v;
}

void WriteBig(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

} // namespace

std::vector<std::string_view> AnnexBUnits(std::string_view stream)
{
    std::vector<std::string_view> units;
    const std::string_view code("\0\0\1", 3);
    std::size_t at = stream.find(code);
    while (at != std::string_view::npos) {
        const std::size_t begin = at + 3;
        const std::size_t next = stream.find(code, begin);
        std::string_view unit = stream.substr(begin, (next == std::string_view::npos ? stream.size() : next) - begin);
        while (!unit.empty() && unit.back() == '\0')
            unit.remove_suffix(1);  // the leading zero of the next four-byte start code
        if (!unit.empty())
            units.push_back(unit);
        at = next;
    }
    return units;
}

std::optional<std::vector<std::string_view>> LengthPrefixedUnits(std::string_view packet, int lengthSize)
{
    if (lengthSize < 1 || lengthSize > 4)
        return std::nullopt;
    std::vector<std::string_view> units;
    std::size_t at = 0;
    while (at < packet.size()) {
        if (packet.size() - at < static_cast<std::size_t>(lengthSize))
            return std::nullopt;
        const std::uint32_t length = ReadBig(packet, at, lengthSize);
        at += static_cast<std::size_t>(lengthSize);
        if (length > packet.size() - at)
            return std::nullopt;
        units.push_back(packet.substr(at, length));
        at += length;
    }
    return units;
}

std::string LengthPrefixed(const std::vector<std::string_view>& units, int lengthSize)
{
    std::string out;
    for (std::string_view unit : units) {
        WriteBig(out, static_cast<std::uint32_t>(unit.size()), lengthSize);
        out.append(unit);
    }
    return out;
}

std::optional<int> ParameterSetId(std::string_view unit)
{
    const int type = UnitType(unit);
    if (type != kSequenceSet && type != kPictureSet)
        return std::nullopt;
    H264Bits bits(unit.substr(1));
    if (type == kSequenceSet)
        bits.Bits(24);  // profile, constraints, level
    const std::uint32_t id = bits.Ue();
    if (bits.Failed() || id > (type == kSequenceSet ? 31u : 255u))
        return std::nullopt;
    return static_cast<int>(id);
}

std::optional<int> FreeParameterSetId(const std::vector<std::string>& sets)
{
    // From the top: encoders number their sets from 0, and a set the
    // source has only far before the start is not among `sets`.
    for (int id = 31; id >= 0; --id) {
        bool taken = false;
        for (const std::string& set : sets)
            taken = taken || ParameterSetId(set) == id;
        if (!taken)
            return id;
    }
    return std::nullopt;
}

std::optional<std::string> X264ProfileName(int profileIdc)
{
    switch (profileIdc) {
    case 66: return "baseline";
    case 77: return "main";
    case 100: return "high";
    case 122: return "high422";
    case 244: return "high444";
    default: return std::nullopt;
    }
}

std::string H264LevelName(int profileIdc, int levelIdc, bool constraintSet3)
{
    if (levelIdc == 9 || (levelIdc == 11 && constraintSet3 && (profileIdc == 66 || profileIdc == 77)))
        return "1b";
    return std::to_string(levelIdc / 10) + "." + std::to_string(levelIdc % 10);
}

std::optional<AvcConfig> ReadAvcConfig(std::string_view avcC)
{
    if (avcC.size() < 7 || avcC[0] != 1)
        return std::nullopt;
    AvcConfig config;
    config.lengthSize = (static_cast<unsigned char>(avcC[4]) & 3) + 1;
    std::size_t at = 5;
    for (int kind = 0; kind < 2; ++kind) {
        if (at >= avcC.size())
            return std::nullopt;
        const int count = kind == 0 ? static_cast<unsigned char>(avcC[at]) & 0x1f : static_cast<unsigned char>(avcC[at]);
        ++at;
        for (int i = 0; i < count; ++i) {
            if (at + 2 > avcC.size())
                return std::nullopt;
            const std::uint32_t length = ReadBig(avcC, at, 2);
            at += 2;
            if (length > avcC.size() - at)
                return std::nullopt;
            (kind == 0 ? config.sequenceSets : config.pictureSets).emplace_back(avcC.substr(at, length));
            at += length;
        }
    }
    config.extension = std::string(avcC.substr(at));
    return config;
}

std::string WriteAvcConfig(const AvcConfig& config)
{
    std::string out;
    const std::string_view first = config.sequenceSets.empty() ? std::string_view() : config.sequenceSets.front();
    out.push_back(1);
    for (std::size_t i = 1; i <= 3; ++i)
        out.push_back(first.size() > i ? first[i] : '\0');
    out.push_back(static_cast<char>(0xfc | (config.lengthSize - 1)));
    out.push_back(static_cast<char>(0xe0 | (config.sequenceSets.size() & 0x1f)));
    for (const std::string& set : config.sequenceSets) {
        WriteBig(out, static_cast<std::uint32_t>(set.size()), 2);
        out += set;
    }
    out.push_back(static_cast<char>(config.pictureSets.size() & 0xff));
    for (const std::string& set : config.pictureSets) {
        WriteBig(out, static_cast<std::uint32_t>(set.size()), 2);
        out += set;
    }
    return out + config.extension;
}

} // namespace korvane::frontend
