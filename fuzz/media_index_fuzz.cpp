// A damaged media file as the converter's own copy meets it: opened under the
// restrictions, its picture packets listed, and the keyframe cut and the exact
// span planned from the listing. Nothing may read outside its buffers, hang
// or crash.
// libFuzzer: -max_len=65536
#include "converter/ExactSpan.h"
#include "converter/KeyframeCut.h"
#include "converter/Source.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvane::frontend;
    static const std::string path = "/tmp/korvane-media-fuzz-" + std::to_string(getpid()) + ".bin";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    av_log_set_level(AV_LOG_QUIET);
    OpenedSource opened = OpenSource(path);
    if (!opened.input)
        return 0;
    const int video = FirstVideoStream(*opened.input);
    const PacketList list = ListVideoPackets(*opened.input, video, 0, 30);
    (void)CutAtKeyframe(list, 1, 0, true);
    (void)FindExactSpan(list, 1, 5.0, list.toTheEnd);
    return 0;
}
