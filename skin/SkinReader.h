#pragma once
// The skin container and its reader. A container is a small file of named
// entries (pictures, integers, switches) behind a 24-byte header; every
// picture, colour, size and switch the skin engine paints with is looked up
// here by name. Free of windows.h: the Windows layer (skin/SkinBitmap.h) turns
// pictures into GDI bitmaps and delivers the built-in skin.
//
// Layout, all numbers little-endian, offsets absolute from the first byte:
//
//   header (24 bytes)   0  "KvSkinFile" and two zero bytes
//                      12  header length (at least 24)
//                      16  a value the reader does not interpret
//                      20  offset of the first entry record
//   record (77 bytes)   0  name, ASCII, zero-terminated, zero-filled to 64 bytes
//                      64  kind: 0 picture, 1 integer, 2 switch
//                      65  offset of the entry's data
//                      69  length of the entry's data
//                      73  offset of the next record; 0 ends the chain
//
// The record whose next-offset is 0 ends the chain and is not an entry.
// Picture data is a complete bitmap file, integer data 4 bytes signed (colours
// as 0x00BBGGRR), switch data one byte (0 false, anything else true).
#include "skin/SkinImage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvane {

inline constexpr char kSkinMagic[12] = {'K', 'v', 'S', 'k', 'i', 'n', 'F', 'i', 'l', 'e', 0, 0};
inline constexpr std::size_t kSkinHeaderSize = 24;
inline constexpr std::size_t kSkinRecordSize = 77;
inline constexpr std::size_t kSkinNameSize = 64;

enum class SkinEntryKind : std::uint8_t { Picture = 0, Integer = 1, Switch = 2 };

// A container that cannot be read: not a container at all, cut short, or an
// entry whose data lies outside the file.
class SkinReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SkinEntry {
    std::string name;
    SkinEntryKind kind = SkinEntryKind::Picture;
};

class TSkinReader {
public:
    TSkinReader() = default;
    TSkinReader(const TSkinReader&) = delete;
    TSkinReader& operator=(const TSkinReader&) = delete;

    // Reads a container file (opened for reading, shared with other readers
    // and writers). When no file exists at the path, the reader is no longer
    // ready and keeps what it held. Otherwise the old content goes first; a
    // damaged container throws SkinReadError and leaves the reader empty and
    // not ready. A chain whose next record would lie outside the file, or that
    // comes back to a record already read, ends there: the entries read so
    // far are the skin.
    void ReadSkinFile(const std::string& path);
    // The same from bytes in memory (the built-in skin); they are copied.
    void ReadSkinData(std::span<const unsigned char> container);

    // True once a container has been read to the end of its chain.
    bool Ready() const { return ready_; }

    // Look-ups ignore letter case; of several entries with one name in one
    // table the first read wins. Not ready, every look-up fails.
    //
    // The picture decoded into target (which takes its size); false, target
    // untouched, when absent or not a readable bitmap.
    bool GetSkinBitmap(std::string_view name, SkinImage& target) const;
    // Part `index` (from 1) of `count` equal parts of the picture, cut with
    // SplitBitmap; returns what GetSkinBitmap returns.
    bool GetSkinBitmapPart(std::string_view name, SkinImage& target, int index, int count) const;
    // The integer; -1 when absent.
    std::int32_t GetSkinInt(std::string_view name) const;
    // The switch; false when absent.
    bool GetSkinBool(std::string_view name) const;
    // The picture entry's bitmap file as stored; empty when absent.
    std::span<const unsigned char> PictureData(std::string_view name) const;

    // Every entry of the last complete read, in chain order, duplicates included.
    const std::vector<SkinEntry>& Entries() const { return entries_; }
    std::size_t Count(SkinEntryKind kind) const;

    // Called once after each complete read (the engine applies the new skin).
    std::function<void()> OnLoaded;

private:
    struct Span {
        std::size_t offset = 0;
        std::size_t length = 0;
    };

    void Clear();
    void Parse();

    bool ready_ = false;
    // The whole container; picture entries point into it, so a chain of many
    // records naming one large picture costs no more than the file itself.
    std::vector<unsigned char> data_;
    std::vector<SkinEntry> entries_;
    // Keyed by the lower-case name.
    std::unordered_map<std::string, Span> pictures_;
    std::unordered_map<std::string, std::int32_t> integers_;
    std::unordered_map<std::string, std::uint8_t> switches_;
};

} // namespace korvane
