// Feeds arbitrary bytes to the skin container reader as a container, and
// every picture it then answers to the bitmap decoder and picture routines.
#include "skin/SkinReader.h"

#include <cstddef>
#include <cstdint>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TSkinReader reader;
    try {
        reader.ReadSkinData({data, size});
    } catch (const SkinReadError&) {
        if (reader.Ready() || !reader.Entries().empty())
            __builtin_trap();   // a failed read must leave nothing behind
        return 0;
    }
    for (const SkinEntry& entry : reader.Entries()) {
        reader.GetSkinInt(entry.name);
        reader.GetSkinBool(entry.name);
        SkinImage image;
        if (!reader.GetSkinBitmap(entry.name, image))
            continue;
        // The routines are plain loops; on the largest pictures a run-length
        // header allows they would only slow the search down.
        if (image.pixels.size() > 64 * 1024)
            continue;
        for (int count = 1; count <= 3; ++count) {
            SkinImage part;
            reader.GetSkinBitmapPart(entry.name, part, count, count);
        }
        RotateBitmapLeft(image);
        RotateBitmapHalf(image);
        RotateBitmapRight(image);
    }
    return 0;
}
