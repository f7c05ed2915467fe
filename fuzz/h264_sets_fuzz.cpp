// The H.264 unit and decoder-configuration readers of the converter's exact
// starts, and its readers and menders of MPEG picture headers, on any bytes:
// they must not read outside what they are given, a configuration they read
// must write back to one they read the same, and a mended MPEG packet keeps
// its length.
#include "converter/H264Sets.h"
#include "converter/PictureKinds.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvane::frontend;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::string_view unit : AnnexBUnits(bytes))
        (void)ParameterSetId(unit);
    (void)LengthPrefixedUnits(bytes, size > 0 ? (data[0] & 3) + 1 : 4);
    if (const auto config = ReadAvcConfig(bytes)) {
        const auto again = ReadAvcConfig(WriteAvcConfig(*config));
        if (!again || again->sequenceSets != config->sequenceSets || again->pictureSets != config->pictureSets)
            std::abort();
    }
    for (PictureCoding coding : {PictureCoding{PictureCoding::Codec::Mpeg12, 0},
                                 PictureCoding{PictureCoding::Codec::Mpeg4, 0},
                                 PictureCoding{PictureCoding::Codec::H264, 0},
                                 PictureCoding{PictureCoding::Codec::H264, 4}}) {
        (void)KindOf(bytes, coding);
        (void)IsIdrPicture(bytes, coding);
        (void)CarriesStreamHeader(bytes, coding);
    }
    (void)PacksBPictures(bytes);
    std::string packet(bytes);
    GroupAfterLeadingPictures mender(size > 0 ? data[0] % 4 : 0);
    mender.Mend(packet);
    if (packet.size() != size)
        std::abort();
    return 0;
}
