#include "converter/MovieFile.h"

#include "converter/MovieEnd.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace korvane::frontend {

std::string RewriteMovieBox(const std::string& path, const MovieBoxChange& change)
{
    constexpr std::int64_t kLargestMovieBox = 256LL << 20;
    const std::filesystem::path file = std::filesystem::u8path(path);
    std::error_code failed;
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file, failed));
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    if (failed || !stream)
        return "the clip could not be opened again";
    auto readAt = [&stream](std::int64_t at, char* buffer, std::int64_t bytes) {
        stream.clear();
        return static_cast<bool>(stream.seekg(at).read(buffer, bytes));
    };
    // The top-level boxes, each with a 32-bit size, or 1 and a 64-bit one.
    std::int64_t at = 0;
    while (at + 8 <= size) {
        unsigned char header[16] = {};
        if (!readAt(at, reinterpret_cast<char*>(header), 8))
            return "the clip could not be read again";
        std::int64_t boxSize = (std::int64_t{header[0]} << 24) | (header[1] << 16) | (header[2] << 8) | header[3];
        if (boxSize == 1) {
            if (!readAt(at + 8, reinterpret_cast<char*>(header) + 8, 8))
                return "the clip could not be read again";
            boxSize = 0;
            for (int i = 8; i < 16; ++i)
                boxSize = (boxSize << 8) | header[i];
        } else if (boxSize == 0) {
            boxSize = size - at;
        }
        if (boxSize < 8 || at + boxSize > size)
            break;
        if (std::string_view(reinterpret_cast<const char*>(header) + 4, 4) == "moov") {
            if (boxSize > kLargestMovieBox)
                return "its index is too large";
            std::string moov(static_cast<std::size_t>(boxSize), '\0');
            if (!readAt(at, moov.data(), boxSize))
                return "the clip could not be read again";
            std::optional<std::string> changed;
            if (std::string why = change(moov, changed); !why.empty())
                return why;
            if (!changed)
                return {};
            if (changed->size() != moov.size() && at + boxSize != size)
                return "its index does not come last in the file";
            stream.clear();
            if (!stream.seekp(at).write(changed->data(), static_cast<std::streamsize>(changed->size())).flush())
                return "the clip could not be written";
            stream.close();
            if (static_cast<std::int64_t>(changed->size()) < boxSize)
                std::filesystem::resize_file(file, static_cast<std::uintmax_t>(at) + changed->size(), failed);
            return failed ? "the clip could not be written" : std::string();
        }
        at += boxSize;
    }
    return "its index was not found";
}

std::string EndCopiedMovie(const std::string& path, std::optional<double> longest)
{
    return RewriteMovieBox(path, [&longest](const std::string& moov, std::optional<std::string>& changed) {
        changed = EndWherePicturesStop(moov, longest);
        return std::string();
    });
}

} // namespace korvane::frontend
