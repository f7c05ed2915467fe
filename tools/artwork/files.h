// Writing the pictures the program loads: 24-bit bottom-up bitmaps and
// 32-bit icons. Both throw std::runtime_error when a file cannot be written.
#pragma once

#include <string>
#include <vector>

#include "raster.h"

namespace art {

// Components to bytes, with a deterministic dither below half a step so that
// flat colours stay exact while gradients do not band.
struct Bytes {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;  // top-down rows
};
Bytes quantize(const Canvas& c, bool dither);

// A 24-bit bottom-up bitmap file in memory, and written to disk.
std::vector<unsigned char> bmpBytes(const Canvas& opaque, bool dither);
void writeBmp(const std::string& path, const Canvas& opaque, bool dither = true);
void save(const std::string& path, const std::vector<unsigned char>& data);
// Each canvas becomes one image of the icon; sizes up to 256.
void writeIco(const std::string& path, const std::vector<Canvas>& images);

// Reads back what writeBmp wrote (24-bit, uncompressed), for the self-check.
Bytes readBmp(const std::string& path);
Bytes readBmp(const std::vector<unsigned char>& file, const std::string& what);

}  // namespace art
