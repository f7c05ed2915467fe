#pragma once
// Writes skin containers for the tests: each record followed by its data, the
// end record last, so that offsets can then be bent on purpose.
#include "skin/SkinReader.h"
#include "BitmapBytes.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace korvane::test {

class ContainerBytes {
public:
    ContainerBytes()
    {
        bytes_.assign(kSkinMagic, kSkinMagic + sizeof kSkinMagic);
        Put32(bytes_, kSkinHeaderSize);
        Put32(bytes_, 1);
        Put32(bytes_, kSkinHeaderSize);
    }

    ContainerBytes& Entry(const std::string& name, unsigned kind, const std::vector<unsigned char>& data)
    {
        records_.push_back(bytes_.size());
        std::vector<unsigned char> record(kSkinRecordSize, 0);
        std::memcpy(record.data(), name.data(), std::min(name.size(), kSkinNameSize));
        record[64] = static_cast<unsigned char>(kind);
        const std::size_t dataAt = bytes_.size() + kSkinRecordSize;
        Set32(record, 65, static_cast<std::uint32_t>(dataAt));
        Set32(record, 69, static_cast<std::uint32_t>(data.size()));
        Set32(record, 73, static_cast<std::uint32_t>(dataAt + data.size()));
        bytes_.insert(bytes_.end(), record.begin(), record.end());
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return *this;
    }
    ContainerBytes& Picture(const std::string& name, const std::vector<unsigned char>& bmp) { return Entry(name, 0, bmp); }
    ContainerBytes& Integer(const std::string& name, std::int32_t v)
    {
        std::vector<unsigned char> d;
        Put32(d, static_cast<std::uint32_t>(v));
        return Entry(name, 1, d);
    }
    ContainerBytes& Switch(const std::string& name, unsigned char v) { return Entry(name, 2, {v}); }

    // The finished container: the end record (empty name, kind 2, next 0) after the last entry.
    std::vector<unsigned char> Bytes() const
    {
        std::vector<unsigned char> out = bytes_;
        std::vector<unsigned char> end(kSkinRecordSize, 0);
        end[64] = 2;
        out.insert(out.end(), end.begin(), end.end());
        return out;
    }

    // Offset of entry i's record.
    std::uint32_t Record(std::size_t i) const { return static_cast<std::uint32_t>(records_.at(i)); }

    static void Set32(std::vector<unsigned char>& v, std::size_t at, std::uint32_t x)
    {
        for (int i = 0; i < 4; ++i)
            v.at(at + static_cast<std::size_t>(i)) = static_cast<unsigned char>(x >> (8 * i));
    }

private:
    std::vector<unsigned char> bytes_;
    std::vector<std::size_t> records_;
};

} // namespace korvane::test
