#pragma once
// The engine's libraries as the converter uses them: each object with a free
// function lives in a std::unique_ptr with that function as its deleter, and
// an error code becomes the words a user reads. Free of windows.h: built
// natively too, against the host's libraries of the same version.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace korvane::frontend::av {

// The library's free functions take the address of the pointer they free.
template <auto Free>
struct Freeing {
    template <class T>
    void operator()(T* p) const { Free(&p); }
};
using Input = std::unique_ptr<AVFormatContext, Freeing<avformat_close_input>>;
using Packet = std::unique_ptr<AVPacket, Freeing<av_packet_free>>;
using Frame = std::unique_ptr<AVFrame, Freeing<av_frame_free>>;
using Codec = std::unique_ptr<AVCodecContext, Freeing<avcodec_free_context>>;

struct OutputCloser {
    void operator()(AVFormatContext* c) const
    {
        if (c && c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;

// Options handed to a libav call, which takes out those it used.
class Dictionary {
public:
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    ~Dictionary() { av_dict_free(&d_); }
    void Set(const std::string& key, const std::string& value) { av_dict_set(&d_, key.c_str(), value.c_str(), 0); }
    AVDictionary** Address() { return &d_; }
    // The first option the call left: one it does not know.
    std::string FirstLeft() const
    {
        const AVDictionaryEntry* e = av_dict_get(d_, "", nullptr, AV_DICT_IGNORE_SUFFIX);
        return e ? e->key : std::string();
    }

private:
    AVDictionary* d_ = nullptr;
};

inline Packet NewPacket()
{
    return Packet(av_packet_alloc());
}

inline Frame NewFrame()
{
    return Frame(av_frame_alloc());
}

// The library's words for an error code: "No such file or directory".
inline std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Seconds of a timestamp in a time base; NaN for no timestamp.
inline double Seconds(std::int64_t ticks, AVRational base)
{
    return ticks == AV_NOPTS_VALUE ? std::numeric_limits<double>::quiet_NaN()
                                   : static_cast<double>(ticks) * av_q2d(base);
}

// Ticks of a time base nearest to a number of seconds.
inline std::int64_t Ticks(double seconds, AVRational base)
{
    return llrint(seconds / av_q2d(base));
}

} // namespace korvane::frontend::av
