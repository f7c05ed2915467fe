#include "files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace art {

namespace {

void put16(std::vector<unsigned char>& v, unsigned x) {
    v.push_back(static_cast<unsigned char>(x & 0xFF));
    v.push_back(static_cast<unsigned char>((x >> 8) & 0xFF));
}

void put32(std::vector<unsigned char>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>((x >> (8 * i)) & 0xFF));
}

uint32_t get32(const std::vector<unsigned char>& v, size_t at) {
    return static_cast<uint32_t>(v.at(at)) | static_cast<uint32_t>(v.at(at + 1)) << 8 |
           static_cast<uint32_t>(v.at(at + 2)) << 16 | static_cast<uint32_t>(v.at(at + 3)) << 24;
}

// Stable per-pixel noise in [-0.5, 0.5): the same picture every run.
double noise(int x, int y, int channel) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                 static_cast<uint32_t>(channel) * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFF) / 65536.0 - 0.5;
}

unsigned char toByte(double v, double jitter) {
    const double s = std::clamp(v, 0.0, 1.0) * 255.0 + jitter;
    return static_cast<unsigned char>(std::clamp(std::lround(s), 0L, 255L));
}

}  // namespace

void save(const std::string& path, const std::vector<unsigned char>& data) {
    std::ofstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot create " + path);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

namespace {

// BITMAPINFOHEADER for an uncompressed picture.
void infoHeader(std::vector<unsigned char>& v, int w, int h, unsigned bits, uint32_t imageSize) {
    put32(v, 40);
    put32(v, static_cast<uint32_t>(w));
    put32(v, static_cast<uint32_t>(h));
    put16(v, 1);
    put16(v, bits);
    put32(v, 0);  // BI_RGB
    put32(v, imageSize);
    put32(v, 2835);  // 72 dpi
    put32(v, 2835);
    put32(v, 0);
    put32(v, 0);
}

}  // namespace

Bytes quantize(const Canvas& c, bool dither) {
    Bytes b;
    b.width = c.width();
    b.height = c.height();
    b.rgba.reserve(static_cast<size_t>(b.width) * b.height * 4);
    // At most 0.49 of a step: colours that lie exactly on a step stay unchanged.
    const double amp = dither ? 0.98 : 0.0;
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const Color& p = c.at(x, y);
            b.rgba.push_back(toByte(p.r, amp * noise(x, y, 0)));
            b.rgba.push_back(toByte(p.g, amp * noise(x, y, 1)));
            b.rgba.push_back(toByte(p.b, amp * noise(x, y, 2)));
            b.rgba.push_back(toByte(p.a, 0));
        }
    }
    return b;
}

std::vector<unsigned char> bmpBytes(const Canvas& opaque, bool dither) {
    const Bytes b = quantize(opaque, dither);
    const int w = b.width, h = b.height;
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(h);
    std::vector<unsigned char> v;
    v.push_back('B');
    v.push_back('M');
    put32(v, 14 + 40 + imageSize);
    put32(v, 0);
    put32(v, 14 + 40);
    infoHeader(v, w, h, 24, imageSize);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
        const size_t row = v.size();
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &b.rgba[(static_cast<size_t>(y) * w + x) * 4];
            v.push_back(p[2]);
            v.push_back(p[1]);
            v.push_back(p[0]);
        }
        while (v.size() - row < stride) v.push_back(0);
    }
    return v;
}

void writeBmp(const std::string& path, const Canvas& opaque, bool dither) { save(path, bmpBytes(opaque, dither)); }

void writeIco(const std::string& path, const std::vector<Canvas>& images) {
    std::vector<std::vector<unsigned char>> bodies;
    for (const Canvas& c : images) {
        const Bytes b = quantize(c, false);
        const int w = b.width, h = b.height;
        if (w < 1 || h < 1 || w > 256 || h > 256) throw std::runtime_error("icon image size out of range");
        const uint32_t maskStride = ((static_cast<uint32_t>(w) + 31) / 32) * 4;
        std::vector<unsigned char> v;
        infoHeader(v, w, h * 2, 32, static_cast<uint32_t>(w * h * 4) + maskStride * static_cast<uint32_t>(h));
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const unsigned char* p = &b.rgba[(static_cast<size_t>(y) * w + x) * 4];
                v.push_back(p[2]);
                v.push_back(p[1]);
                v.push_back(p[0]);
                v.push_back(p[3]);
            }
        }
        // The AND mask for readers that ignore alpha: set where fully transparent.
        for (int y = h - 1; y >= 0; --y) {
            std::vector<unsigned char> row(maskStride, 0);
            for (int x = 0; x < w; ++x)
                if (b.rgba[(static_cast<size_t>(y) * w + x) * 4 + 3] == 0)
                    row[static_cast<size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
            v.insert(v.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(v));
    }
    std::vector<unsigned char> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<unsigned char>(images[i].width() & 0xFF));  // 256 is written as 0
        out.push_back(static_cast<unsigned char>(images[i].height() & 0xFF));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<uint32_t>(bodies[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    save(path, out);
}

Bytes readBmp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot open " + path);
    return readBmp(std::vector<unsigned char>{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()}, path);
}

Bytes readBmp(const std::vector<unsigned char>& v, const std::string& path) {
    if (v.size() < 54 || v[0] != 'B' || v[1] != 'M') throw std::runtime_error(path + ": not a bitmap");
    const uint32_t dataAt = get32(v, 10);
    const int w = static_cast<int>(get32(v, 18));
    const int h = static_cast<int>(get32(v, 22));
    const unsigned bits = v.at(28) | v.at(29) << 8;
    if (get32(v, 14) != 40 || bits != 24 || get32(v, 30) != 0 || w <= 0 || h <= 0)
        throw std::runtime_error(path + ": not an uncompressed bottom-up 24-bit bitmap");
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    if (v.size() < dataAt + stride * static_cast<size_t>(h)) throw std::runtime_error(path + ": truncated");
    Bytes b;
    b.width = w;
    b.height = h;
    b.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const size_t row = dataAt + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &b.rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = v[row + static_cast<size_t>(x) * 3 + 2];
            p[1] = v[row + static_cast<size_t>(x) * 3 + 1];
            p[2] = v[row + static_cast<size_t>(x) * 3];
            p[3] = 255;
        }
    }
    return b;
}

}  // namespace art
