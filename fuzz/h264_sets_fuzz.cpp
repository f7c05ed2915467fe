// The H.264 unit and decoder-configuration readers of the converter's exact
// starts, on any bytes: they must not read outside what they are given, and a
// configuration they read must write back to one they read the same.
#include "converter/H264Sets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
    return 0;
}
