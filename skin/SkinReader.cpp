#include "skin/SkinReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace korvane {

namespace {

std::uint32_t U32(const std::vector<unsigned char>& d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
        static_cast<std::uint32_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

// Names are ASCII; other bytes compare as they are.
std::string Key(std::string_view name)
{
    std::string k(name);
    for (char& c : k)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return k;
}

// True when `length` bytes from `offset` lie inside a container of `size` bytes.
bool Inside(std::uint64_t offset, std::uint64_t length, std::size_t size)
{
    return offset <= size && length <= size - offset;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void TSkinReader::ReadSkinFile(const std::string& path)
{
    // The C runtime opens files shared with other readers and writers.
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (errno == ENOENT) {
            ready_ = false;
            return;
        }
        Clear();
        throw SkinReadError("Cannot open the skin file " + path);
    }
    Clear();
    std::vector<unsigned char> bytes;
    unsigned char chunk[64 * 1024];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk)
            break;
    }
    if (std::ferror(file.get()))
        throw SkinReadError("Cannot read the skin file " + path);
    file.reset();
    data_ = std::move(bytes);
    Parse();
}

void TSkinReader::ReadSkinData(std::span<const unsigned char> container)
{
    Clear();
    data_.assign(container.begin(), container.end());
    Parse();
}

void TSkinReader::Clear()
{
    ready_ = false;
    data_.clear();
    data_.shrink_to_fit();
    entries_.clear();
    pictures_.clear();
    integers_.clear();
    switches_.clear();
}

void TSkinReader::Parse()
{
    try {
        const std::size_t size = data_.size();
        if (size < 16 || std::memcmp(data_.data(), kSkinMagic, sizeof kSkinMagic) != 0)
            throw SkinReadError("Not a skin container");
        const std::uint32_t headerLength = U32(data_, 12);
        if (headerLength < kSkinHeaderSize || headerLength > size)
            throw SkinReadError("The skin container's header is damaged");
        std::uint32_t at = U32(data_, 20);
        if (!Inside(at, kSkinRecordSize, size))
            throw SkinReadError("The skin container's first entry lies outside the file");

        std::unordered_set<std::uint32_t> visited{at};
        for (;;) {
            const std::uint32_t next = U32(data_, at + 73);
            if (next == 0)
                break;
            const unsigned char* name = &data_[at];
            SkinEntry entry{std::string(reinterpret_cast<const char*>(name),
                                        std::find(name, name + kSkinNameSize, 0) - name),
                            static_cast<SkinEntryKind>(data_[at + 64])};
            const std::uint32_t dataAt = U32(data_, at + 65);
            const std::uint32_t length = U32(data_, at + 69);
            bool known = true;
            switch (entry.kind) {
            case SkinEntryKind::Picture:
                if (!Inside(dataAt, length, size))
                    throw SkinReadError("The picture \"" + entry.name + "\" lies outside the skin container");
                pictures_.try_emplace(Key(entry.name), Span{dataAt, length});
                break;
            case SkinEntryKind::Integer:
                if (!Inside(dataAt, 4, size))
                    throw SkinReadError("The integer \"" + entry.name + "\" lies outside the skin container");
                integers_.try_emplace(Key(entry.name), static_cast<std::int32_t>(U32(data_, dataAt)));
                break;
            case SkinEntryKind::Switch:
                if (!Inside(dataAt, 1, size))
                    throw SkinReadError("The switch \"" + entry.name + "\" lies outside the skin container");
                switches_.try_emplace(Key(entry.name), data_[dataAt]);
                break;
            default:
                known = false;
                break;
            }
            if (known)
                entries_.push_back(std::move(entry));
            // A next record outside the file, or one already read, ends the chain.
            if (!Inside(next, kSkinRecordSize, size) || !visited.insert(next).second)
                break;
            at = next;
        }
    } catch (...) {
        Clear();
        throw;
    }
    ready_ = true;
    if (OnLoaded)
        OnLoaded();
}

bool TSkinReader::GetSkinBitmap(std::string_view name, SkinImage& target) const
{
    const std::span<const unsigned char> file = PictureData(name);
    if (file.empty())
        return false;
    std::optional<SkinImage> image = DecodeBitmapFile(file);
    if (!image)
        return false;
    target = std::move(*image);
    return true;
}

bool TSkinReader::GetSkinBitmapPart(std::string_view name, SkinImage& target, int index, int count) const
{
    SkinImage whole;
    if (!GetSkinBitmap(name, whole))
        return false;
    SplitBitmap(whole, target, count, index);
    return true;
}

std::int32_t TSkinReader::GetSkinInt(std::string_view name) const
{
    if (!ready_)
        return -1;
    const auto it = integers_.find(Key(name));
    return it == integers_.end() ? -1 : it->second;
}

bool TSkinReader::GetSkinBool(std::string_view name) const
{
    if (!ready_)
        return false;
    const auto it = switches_.find(Key(name));
    return it != switches_.end() && it->second != 0;
}

std::span<const unsigned char> TSkinReader::PictureData(std::string_view name) const
{
    if (!ready_)
        return {};
    const auto it = pictures_.find(Key(name));
    if (it == pictures_.end())
        return {};
    return std::span<const unsigned char>(data_).subspan(it->second.offset, it->second.length);
}

std::size_t TSkinReader::Count(SkinEntryKind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [kind](const SkinEntry& e) { return e.kind == kind; }));
}

} // namespace korvane
